#include "host/modules.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>

#include "host/grid_export.h"
#include "host/render_command.h"

namespace host {
namespace {

// A module loaded from the program's directory, unloaded when the object goes.
class Module {
 public:
  // nullptr with dlerror()'s reason in error when it cannot be loaded or
  // lacks the entry point.
  static std::unique_ptr<Module> Load(const char* fileName, const char* entryName,
                                      std::string& error) {
    const std::string path = ModulePath(fileName);
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    void* entry = handle != nullptr ? dlsym(handle, entryName) : nullptr;
    if (entry == nullptr) {
      error = std::string("cannot load ") + fileName + ": " + dlerror();
      if (handle != nullptr) dlclose(handle);
      return nullptr;
    }
    return std::unique_ptr<Module>(new Module(handle, entry));
  }
  ~Module() { dlclose(handle_); }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  template <typename Function>
  Function Entry() const {
    return reinterpret_cast<Function>(entry_);
  }

 private:
  Module(void* handle, void* entry) : handle_(handle), entry_(entry) {}
  void* handle_;
  void* entry_;
};

class GridExportSession final : public GridExport {
 public:
  GridExportSession(std::unique_ptr<Module> module, const Options& options)
      : module_(std::move(module)),
        gridFormats_(options.grids),
        contourFormats_(options.contours),
        sink_(module_->Entry<MakeGridExportSink>()(gridFormats_, contourFormats_)) {
    platform::InstallCompletedMapSink(sink_.get());
  }
  ~GridExportSession() override { platform::InstallCompletedMapSink(nullptr); }
  int Failures() const override { return sink_->Failures(); }

 private:
  std::unique_ptr<Module> module_;  // goes last, after the sink it made
  std::vector<grids::Format> gridFormats_, contourFormats_;
  std::unique_ptr<GridExportSink> sink_;
};

}  // namespace

std::string ProgramDirectory() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.find_last_of('/'));
}

std::string ModulePath(const std::string& fileName) {
  const std::string here = ProgramDirectory();
  if (access((here + "/" + fileName).c_str(), F_OK) == 0) return here + "/" + fileName;
  return here + "/" STRATAPLOT_BIN_TO_MODULES "/" + fileName;
}

int RunRenderCommand(const std::vector<std::string>& args) {
  std::string error;
  std::unique_ptr<Module> module = Module::Load(kRenderModule, kRenderEntry, error);
  if (!module) {
    std::fprintf(stderr, "strataplot: %s\n", error.c_str());
    return 2;
  }
  return module->Entry<RenderEntry>()(args);
}

std::unique_ptr<GridExport> StartGridExport(const Options& options, std::string& error) {
  std::unique_ptr<Module> module = Module::Load(kGridModule, kMakeGridExportSink, error);
  if (!module) return nullptr;
  return std::make_unique<GridExportSession>(std::move(module), options);
}

}  // namespace host
