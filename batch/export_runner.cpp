#include "batch/export_runner.h"

#include <vector>

#include "common/common.h"

namespace batch {
namespace {

constexpr std::size_t kLongestProjectName = 19;  // GBK bytes

}  // namespace

int ExitStatus(std::int32_t result) {
  switch (result) {
    case 1:
      return 0;
    case 0:
      return 3;
    default:
      return 1;
  }
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

std::string RemoveStalePartialFiles(const std::string& directory) {
  const std::vector<std::string> removed = platform::RemoveStalePartialFiles(directory);
  if (removed.empty()) return {};
  std::string line = "removed " + std::to_string(removed.size()) +
                     (removed.size() == 1 ? " temporary file" : " temporary files") +
                     " that a run which did not finish left behind:";
  for (const std::string& name : removed) line += " " + name;
  return line;
}

HWND HostWindow() {
  static char mainWindow;
  return reinterpret_cast<HWND>(&mainWindow);
}

std::unique_ptr<LoadedLibrary> LoadedLibrary::Load(const std::string& path, std::string& error) {
  std::unique_ptr<LoadedLibrary> loaded(new LoadedLibrary(path));
  if (!loaded->library_.Load(path, error)) {
    error = "cannot load the library: " + error;
    return nullptr;
  }
  return loaded;
}

bool LoadedLibrary::Has(Command command, std::string& error) const {
  if (library_.Find(ExportSymbol(command)) != nullptr) return true;
  error = "the library " + path_ + " does not have the export " + ExportName(command) + ", which " +
          CommandName(command) + " calls";
  return false;
}

std::int32_t LoadedLibrary::Call(Command command, const std::string& gbkProject, HWND window,
                                 int mode) const {
  void* entry = library_.Find(ExportSymbol(command));
  if (entry == nullptr) return -1;
  SetProjName(gbkProject);
  if (command == Command::Saturation) {
    return reinterpret_cast<std::int32_t (*)(HWND, std::int32_t)>(entry)(window, mode);
  }
  return reinterpret_cast<std::int32_t (*)(HWND)>(entry)(window);
}

int LoadedLibrary::RunWith(platform::UiBackend& backend, Command command,
                           const std::string& gbkProject, int mode) const {
  platform::InstallUiBackend(&backend);
  std::int32_t result = Call(command, gbkProject, HostWindow(), mode);
  backend.Finished(result == 1);
  platform::InstallUiBackend(nullptr);
  return ExitStatus(result);
}

}  // namespace batch
