#include "host/export_runner.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include "common/common.h"

namespace host {
namespace {

constexpr std::size_t kLongestProjectName = 19;  // GBK bytes

std::string ProgramDirectory() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.find_last_of('/'));
}

}  // namespace

int ExitStatus(std::int32_t result) {
  switch (result) {
    case 1: return 0;
    case 0: return 3;
    default: return 1;
  }
}

std::string LibraryPath(const std::string& which) {
  if (which == "shared") return ProgramDirectory() + "/libstrataplot.so";
  if (which == "static") return ProgramDirectory() + "/libstrataplot-static.so";
  if (which.find('/') == std::string::npos) return "./" + which;
  return which;
}

std::optional<std::string> ProjectForLibrary(const std::string& utf8, std::string& error) {
  std::optional<std::string> project = platform::Utf8ToGbk(utf8);
  if (!project || project->empty()) {
    error = "the project name '" + utf8 + "' cannot be used";
    return std::nullopt;
  }
  if (project->size() > kLongestProjectName) {
    error = "the project name '" + utf8 + "' is longer than 19 GBK bytes";
    return std::nullopt;
  }
  return project;
}

HWND HostWindow() {
  static char mainWindow;
  return reinterpret_cast<HWND>(&mainWindow);
}

std::unique_ptr<LoadedLibrary> LoadedLibrary::Load(const std::string& path, std::string& error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    error = std::string("cannot load the library: ") + dlerror();
    return nullptr;
  }
  return std::unique_ptr<LoadedLibrary>(new LoadedLibrary(path, handle));
}

LoadedLibrary::~LoadedLibrary() { dlclose(handle_); }

void* LoadedLibrary::Entry(Command command) const { return dlsym(handle_, ExportName(command)); }

bool LoadedLibrary::Has(Command command, std::string& error) const {
  if (Entry(command) != nullptr) return true;
  error = path_ + " has no export " + ExportName(command) + " for this command yet";
  return false;
}

std::int32_t LoadedLibrary::Call(Command command, const std::string& gbkProject, HWND window,
                                 int mode) const {
  void* entry = Entry(command);
  if (entry == nullptr) return -1;
  SetProjName(gbkProject);
  if (command == Command::Saturation) {
    return reinterpret_cast<std::int32_t (*)(HWND, std::int32_t)>(entry)(window, mode);
  }
  return reinterpret_cast<std::int32_t (*)(HWND)>(entry)(window);
}

}  // namespace host
