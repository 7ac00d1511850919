// strataplot: the host program. Loads a build of the library, sets the
// current project, installs a user interface and calls one export with its
// window handle; the export's result becomes the exit status.
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/common.h"
#include "host/library.h"
#include "host/modules.h"
#include "host/options.h"
#include "host/user_interface.h"
#include "host/signals.h"

namespace {

constexpr std::size_t kLongestProjectName = 19;  // GBK bytes

int HostError(const std::string& message) {
  std::fprintf(stderr, "strataplot: %s\n", message.c_str());
  return cli::kUsageError;
}

int ExitStatus(std::int32_t result) {
  switch (result) {
    case 1: return 0;
    case 0: return 3;
    default: return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  host::Options options;
  if (auto status = cli::Finish(host::ParseOptions({argv + 1, argv + argc}, options))) return *status;
  if (options.render) return host::RunRenderCommand(options.pictures);

  std::optional<std::string> project = platform::Utf8ToGbk(options.project);
  if (!project || project->empty()) {
    return HostError("the project name '" + options.project + "' cannot be used");
  }
  if (project->size() > kLongestProjectName) {
    return HostError("the project name '" + options.project + "' is longer than 19 GBK bytes");
  }

  // Paths given on the command line are taken from where we were started.
  const std::string libraryPath = host::LibraryPath(options.library);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> transcriptFile(nullptr, std::fclose);
  if (!options.transcript.empty()) {
    transcriptFile.reset(std::fopen(options.transcript.c_str(), "a"));
    if (!transcriptFile) {
      return HostError("cannot open the transcript " + options.transcript + ": " + std::strerror(errno));
    }
  }
  if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) {
    return HostError("cannot change to the directory " + options.directory + ": " + std::strerror(errno));
  }

  // Grids and contours of every completed map, when asked for.
  std::string error;
  std::unique_ptr<host::GridExport> gridExport;
  if (!options.grids.empty() || !options.contours.empty()) {
    gridExport = host::StartGridExport(options, error);
    if (!gridExport) return HostError(error);
  }

  host::Library library;
  if (!library.Load(libraryPath, error)) return HostError("cannot load the library: " + error);
  void* entry = library.Find(host::ExportSymbol(options.command));
  if (entry == nullptr) {
    return HostError("the library " + libraryPath + " does not have the export " +
                     host::ExportName(options.command) + ", which " + host::CommandName(options.command) +
                     " calls");
  }

  std::unique_ptr<platform::Transcript> transcript;
  if (transcriptFile) transcript = std::make_unique<platform::Transcript>(transcriptFile.get());
  std::unique_ptr<platform::UiBackend> backend = host::MakeUserInterface(options, transcript.get());
  platform::InstallUiBackend(backend.get());
  SetProjName(*project);
  host::RemovePartialFilesOnSignals();

  // The host's main window: any handle of ours will do.
  static char mainWindow;
  HWND window = reinterpret_cast<HWND>(&mainWindow);
  std::int32_t result = 0;
  if (options.command == host::Command::Saturation) {
    result = reinterpret_cast<std::int32_t (*)(HWND, std::int32_t)>(entry)(window, options.mode);
  } else {
    result = reinterpret_cast<std::int32_t (*)(HWND)>(entry)(window);
  }

  backend->Finished(result == 1);
  platform::InstallUiBackend(nullptr);
  // Grids or contours that could not be written fail a run that did not fail already.
  if (gridExport && gridExport->Failures() > 0 && result >= 0) return cli::kUsageError;
  return ExitStatus(result);
}
