// strataplot: the host program. Loads a build of the library, sets the
// current project, installs a user interface (the terminal, the answers of the
// options, or windows) and calls one export with its window handle; the
// export's result becomes the exit status.
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "host/export_runner.h"
#include "host/modules.h"
#include "host/options.h"
#include "host/signals.h"
#include "host/user_interface.h"

namespace {

int HostError(const std::string& message) {
  std::fprintf(stderr, "strataplot: %s\n", message.c_str());
  return host::kExitHostError;
}

}  // namespace

int main(int argc, char** argv) {
  host::Options options;
  if (auto status = cli::Finish(host::ParseOptions({argv + 1, argv + argc}, options)))
    return *status;
  if (options.render) return host::RunRenderCommand(options.pictures);

  std::string error;
  std::optional<std::string> project = host::ProjectForLibrary(options.project, error);
  if (!project) return HostError(error);

  // Paths given on the command line are taken from where we were started.
  const std::string libraryPath = host::LibraryPath(options.library);
  if (!options.periods.out.empty()) {
    options.periods.out = std::filesystem::absolute(options.periods.out).string();
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> transcriptFile(nullptr, std::fclose);
  if (!options.transcript.empty()) {
    transcriptFile.reset(std::fopen(options.transcript.c_str(), "a"));
    if (!transcriptFile) {
      return HostError("cannot open the transcript " + options.transcript + ": " +
                       std::strerror(errno));
    }
  }
  if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) {
    return HostError("cannot change to the directory " + options.directory + ": " +
                     std::strerror(errno));
  }

  // What runs that were killed left behind.
  if (std::string removed = host::RemoveStalePartialFiles("."); !removed.empty()) {
    std::fprintf(stderr, "strataplot: %s\n", removed.c_str());
  }

  // The history reads the project itself: no library, nothing to ask.
  if (options.history) {
    options.periods.crs = options.crs;
    options.periods.gridUnit = options.gridUnit;
    return host::RunHistoryCommand(options.periods, *project, options.quiet);
  }

  // Grids, contours and pictures of every completed map, when asked for (and the
  // reference system checked when one is given).
  std::unique_ptr<host::GridExport> gridExport;
  if (!options.grids.empty() || !options.contours.empty() || !options.crs.empty() ||
      !options.pictureFormats.empty()) {
    gridExport = host::StartGridExport(options, error);
    if (!gridExport) return HostError(error);
  }

  std::unique_ptr<host::LoadedLibrary> library = host::LoadedLibrary::Load(libraryPath, error);
  if (!library) return HostError(error);
  if (!library->Has(options.command, error)) return HostError(error);

  std::unique_ptr<console::Transcript> transcript;
  if (transcriptFile) transcript = std::make_unique<console::Transcript>(transcriptFile.get());
  host::RemovePartialFilesOnSignals();

  int status = 0;
  if (options.gui) {
    status = host::RunWithWindowsModule(*library, options.command, *project, options.answers.mode,
                                        transcript.get());
  } else {
    std::unique_ptr<platform::UiBackend> backend = host::MakeUserInterface(options);
    std::unique_ptr<platform::UiBackend> transcribed =
        host::Transcribed(*backend, transcript.get());
    platform::UiBackend& installed = transcribed ? *transcribed : *backend;
    status = library->RunWith(installed, options.command, *project, options.answers.mode);
  }
  // Grids, contours or pictures that could not be written fail a run that did not fail already.
  if (gridExport && gridExport->Failures() > 0 && (status == 0 || status == 3)) {
    return host::kExitHostError;
  }
  return status;
}
