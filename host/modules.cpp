#include "host/modules.h"

#include <cstdio>
#include <memory>

#include "host/grid_export.h"
#include "host/gui_module.h"
#include "host/library.h"
#include "host/render_command.h"

namespace host {

std::unique_ptr<Library> LoadModule(const char* fileName, const char* entryName,
                                    std::string& error) {
  auto module = std::make_unique<Library>();
  if (!module->Load(ModulePath(fileName), error)) {
    error = std::string("cannot load ") + fileName + ": " + error;
    return nullptr;
  }
  if (module->Find(entryName) == nullptr) {
    error = std::string("cannot load ") + fileName + ": it has no " + entryName;
    return nullptr;
  }
  return module;
}

namespace {

class GridExportSession final : public GridExport {
 public:
  GridExportSession(std::unique_ptr<Library> module, const Options& options)
      : module_(std::move(module)),
        sink_(module_->FindFunction<MakeGridExportSink>(kMakeGridExportSink)(options.grids,
                                                                             options.contours)) {
    platform::InstallCompletedMapSink(sink_.get());
  }
  ~GridExportSession() override { platform::InstallCompletedMapSink(nullptr); }
  int Failures() const override { return sink_->Failures(); }

 private:
  std::unique_ptr<Library> module_;  // goes last, after the sink it made
  std::unique_ptr<GridExportSink> sink_;
};

}  // namespace

int RunRenderCommand(const RenderOptions& options) {
  std::string error;
  std::unique_ptr<Library> module = LoadModule(kRenderModule, kRenderEntry, error);
  if (!module) {
    std::fprintf(stderr, "strataplot: %s\n", error.c_str());
    return kExitHostError;
  }
  return module->FindFunction<RenderEntry>(kRenderEntry)(options);
}

int RunWithWindowsModule(const LoadedLibrary& library, Command command,
                         const std::string& gbkProject, int mode, console::Transcript* transcript) {
  std::string error;
  std::unique_ptr<Library> module = LoadModule(kGuiModule, kGuiEntry, error);
  if (!module) {
    std::fprintf(stderr, "strataplot: --gui: %s\n", error.c_str());
    return kExitHostError;
  }
  return module->FindFunction<GuiEntry>(kGuiEntry)(library, command, gbkProject, mode, transcript);
}

std::unique_ptr<GridExport> StartGridExport(const Options& options, std::string& error) {
  std::unique_ptr<Library> module = LoadModule(kGridModule, kMakeGridExportSink, error);
  if (!module) return nullptr;
  return std::make_unique<GridExportSession>(std::move(module), options);
}

}  // namespace host
