// strataplot: the host program. Loads a build of the library, sets the
// current project, installs a user interface and calls one export with its
// window handle; the export's result becomes the exit status.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/export_runner.h"
#include "host/gui_run.h"
#include "host/options.h"
#include "platform/backends.h"

namespace {

int HostError(const std::string& message) {
  std::fprintf(stderr, "strataplot: %s\n", message.c_str());
  return host::kExitHostError;
}

platform::ScriptedAnswers AnswersFrom(const host::Options& options) {
  platform::ScriptedAnswers answers;
  answers.inputs = options.intervals;
  answers.overwrites = options.overwrites;
  answers.yes = options.deep;
  answers.radio = options.kind;
  answers.radioAnswer = options.kindCode;
  // The horizon comes from the command line in UTF-8; the list shows UTF-8 too.
  answers.listEntry = options.horizon;
  return answers;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  std::optional<host::Options> parsed = host::ParseOptions(args, error);
  if (!parsed) {
    std::fprintf(stderr, "strataplot: %s\n\n%s", error.c_str(), host::Usage());
    return host::kExitHostError;
  }
  const host::Options& options = *parsed;
  if (options.help) {
    std::fputs(host::Usage(), stdout);
    return 0;
  }

  std::optional<std::string> project = host::ProjectForLibrary(options.project, error);
  if (!project) return HostError(error);

  // Paths given on the command line are taken from where we were started.
  std::string libraryPath = host::LibraryPath(options.library);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> transcriptFile(nullptr, std::fclose);
  if (!options.transcript.empty()) {
    transcriptFile.reset(std::fopen(options.transcript.c_str(), "a"));
    if (!transcriptFile) return HostError("cannot open the transcript " + options.transcript);
  }
  if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) {
    return HostError("cannot change to the directory " + options.directory);
  }

  std::unique_ptr<host::LoadedLibrary> library = host::LoadedLibrary::Load(libraryPath, error);
  if (!library) return HostError(error);
  if (!library->Has(options.command, error)) return HostError(error);

  std::unique_ptr<platform::Transcript> transcript;
  if (transcriptFile) transcript = std::make_unique<platform::Transcript>(transcriptFile.get());
  if (options.gui) {
    return host::RunWithWindows(*library, options.command, *project, options.mode, transcript.get());
  }
  bool batch = options.batch || isatty(STDIN_FILENO) == 0;
  std::unique_ptr<platform::UiBackend> backend =
      batch ? platform::MakeScriptedBackend(AnswersFrom(options), transcript.get())
            : platform::MakeTerminalBackend(transcript.get());
  platform::InstallUiBackend(backend.get());
  std::int32_t result = library->Call(options.command, *project, host::HostWindow(), options.mode);
  platform::InstallUiBackend(nullptr);
  return host::ExitStatus(result);
}
