// strataplot: the host program. Loads a build of the library, sets the
// current project, installs a user interface and calls one export with its
// window handle; the export's result becomes the exit status.
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/common.h"
#include "host/options.h"
#include "host/signals.h"
#include "platform/backends.h"
#include "strataplot_version.h"

namespace {

constexpr int kExitHostError = 2;
constexpr std::size_t kLongestProjectName = 19;  // GBK bytes

int HostError(const std::string& message) {
  std::fprintf(stderr, "strataplot: %s\n", message.c_str());
  return kExitHostError;
}

std::string ProgramDirectory() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  std::string program(path, static_cast<std::size_t>(length));
  return program.substr(0, program.find_last_of('/'));
}

// "shared" and "static" name the builds of the library: beside this program in
// the build tree, in the library folder of an installed tree. Anything else is
// a path.
std::string LibraryPath(const std::string& which) {
  std::string file;
  if (which == "shared") file = "libstrataplot.so";
  else if (which == "static") file = "libstrataplot-static.so";
  else return which.find('/') == std::string::npos ? "./" + which : which;
  const std::string here = ProgramDirectory();
  if (access((here + "/" + file).c_str(), F_OK) == 0) return here + "/" + file;
  return here + "/" STRATAPLOT_BIN_TO_MODULES "/" + file;
}

int ExitStatus(std::int32_t result) {
  switch (result) {
    case 1: return 0;
    case 0: return 3;
    default: return 1;
  }
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
    return kExitHostError;
  }
  const host::Options& options = *parsed;
  if (options.help) {
    std::fputs(host::Usage(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("strataplot %s\n", STRATAPLOT_VERSION);
    return 0;
  }

  std::optional<std::string> project = platform::Utf8ToGbk(options.project);
  if (!project || project->empty()) {
    return HostError("the project name '" + options.project + "' cannot be used");
  }
  if (project->size() > kLongestProjectName) {
    return HostError("the project name '" + options.project + "' is longer than 19 GBK bytes");
  }

  // Paths given on the command line are taken from where we were started.
  std::string libraryPath = LibraryPath(options.library);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> transcriptFile(nullptr, std::fclose);
  if (!options.transcript.empty()) {
    transcriptFile.reset(std::fopen(options.transcript.c_str(), "a"));
    if (!transcriptFile) return HostError("cannot open the transcript " + options.transcript);
  }
  if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) {
    return HostError("cannot change to the directory " + options.directory);
  }

  void* library = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return HostError(std::string("cannot load the library: ") + dlerror());
  const char* exportName = host::ExportName(options.command);
  void* entry = dlsym(library, exportName);
  if (entry == nullptr) {
    dlclose(library);
    return HostError(libraryPath + " has no export " + exportName + " for this command yet");
  }

  std::unique_ptr<platform::Transcript> transcript;
  if (transcriptFile) transcript = std::make_unique<platform::Transcript>(transcriptFile.get());
  bool batch = options.batch || isatty(STDIN_FILENO) == 0;
  std::unique_ptr<platform::UiBackend> backend =
      batch ? platform::MakeScriptedBackend(AnswersFrom(options), transcript.get())
            : platform::MakeTerminalBackend(transcript.get());
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

  platform::InstallUiBackend(nullptr);
  dlclose(library);
  return ExitStatus(result);
}
