// The C API (include/strataplot/strataplot.h) over the batch runs the host
// program makes: the same loading, answers, scripted backend and statuses, and
// the same history command.
#include <fcntl.h>
#include <strataplot/strataplot.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <system_error>

#include "batch/answers.h"
#include "batch/commands.h"
#include "batch/export_runner.h"
#include "console/scripted_backend.h"
#include "host/history_command.h"
#include "host/library.h"
#include "platform/cancel.h"
#include "platform/written_files.h"

#define STRATAPLOT_C_API extern "C" __attribute__((visibility("default")))

struct strataplot_session {
  std::unique_ptr<batch::LoadedLibrary> library;
  std::string directory;   // absolute; empty until set
  std::string gbkProject;  // empty until set
  batch::BatchAnswers answers;
  void (*onMessage)(const char*, void*) = nullptr;
  void* messageUser = nullptr;
  void (*onFile)(const char*, void*) = nullptr;
  void* fileUser = nullptr;
};

namespace {

thread_local std::string lastError;

// One run at a time in the process: the exports keep module-level state and
// the user interface, the observers and the working directory are the
// process's.
std::atomic<bool> running{false};

int Fail(const std::string& why, int result = -1) {
  lastError = why;
  return result;
}

// Where the builds and the history's modules are: beside this library in the
// build tree, in its strataplot/ folder installed.
host::ModuleFolder Modules() {
  return {batch::DirectoryHolding(reinterpret_cast<const void*>(&strataplot_open)),
          STRATAPLOT_LIB_TO_MODULES};
}

std::string BuildPath(const char* build) {
  const host::ModuleFolder folder = Modules();
  return batch::LibraryPath(build != nullptr ? build : "shared", folder.directory,
                            folder.installedRelative);
}

// Hands the files written whole to the session's callback as absolute paths
// (the library names them relative to the project directory, the current one).
class FileCallback final : public platform::WrittenFileObserver {
 public:
  FileCallback(const strataplot_session& session, std::string directory)
      : session_(session), directory_(std::move(directory)) {}
  void FileWritten(const std::string& path) override {
    if (session_.onFile == nullptr) return;
    std::string absolute = !path.empty() && path[0] == '/' ? path : directory_ + "/" + path;
    session_.onFile(absolute.c_str(), session_.fileUser);
  }
  void FileRemoved(const std::string& /*path*/) override {}

 private:
  const strataplot_session& session_;
  std::string directory_;
};

// The working directory for the life of the object: the project's, then back.
class WorkingDirectory {
 public:
  WorkingDirectory() : saved_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~WorkingDirectory() {
    if (saved_ < 0) return;
    if (changed_) (void)fchdir(saved_);
    close(saved_);
  }
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;
  // False with the reason in error.
  bool ChangeTo(const std::string& directory, std::string& error) {
    if (saved_ < 0) {
      error = std::string("cannot keep the working directory: ") + std::strerror(errno);
      return false;
    }
    if (chdir(directory.c_str()) != 0) {
      error = "cannot change to the directory " + directory + ": " + std::strerror(errno);
      return false;
    }
    changed_ = true;
    return true;
  }

 private:
  int saved_;
  bool changed_ = false;
};

// The history's messages, as the host program prints them, and its files for
// the session's callbacks.
class HistoryCallbacks final : public host::HistoryObserver {
 public:
  HistoryCallbacks(const strataplot_session& session,
                   const std::function<void(const std::string&)>& say)
      : session_(session), say_(say) {}
  bool Take(const history::ProjectHistory& /*history*/,
            const history::SeriesGrids& /*grids*/) override {
    return true;
  }
  void Said(const std::string& message) override {
    last_ = message;
    say_("strataplot history: " + message);
  }
  void Wrote(const std::string& path) override {
    if (session_.onFile != nullptr) session_.onFile(path.c_str(), session_.fileUser);
  }
  void Finished(const history::ProjectHistory& /*history*/) override {}
  // The last message: why the run failed, when it did.
  const std::string& Last() const { return last_; }

 private:
  const strataplot_session& session_;
  const std::function<void(const std::string&)>& say_;
  std::string last_;
};

// `history` with its defaults: into the project directory, the reference
// system of NAME.prj there, if any.
int RunHistory(const strataplot_session& session,
               const std::function<void(const std::string&)>& say) {
  host::HistoryOptions options;
  options.modules = Modules();
  HistoryCallbacks callbacks(session, say);
  const int status = host::RunHistoryCommand(options, session.gbkProject, true, &callbacks);
  if (status == 2) return Fail(callbacks.Last(), 2);
  lastError.clear();
  return status;
}

int Run(strataplot_session& session, const char* command) {
  const std::string name = command != nullptr ? command : "";
  const std::optional<batch::Command> chosen = batch::CommandNamed(name);
  if (!chosen && name != "history") return Fail("unknown command '" + name + "'", 2);
  if (session.gbkProject.empty()) return Fail("no project set (strataplot_set_project)", 2);
  std::string error;
  if (chosen && !session.library->Has(*chosen, error)) return Fail(error, 2);
  WorkingDirectory directory;
  if (!directory.ChangeTo(session.directory, error)) return Fail(error, 2);

  const std::function<void(const std::string&)> say = [&session](const std::string& line) {
    if (session.onMessage != nullptr) session.onMessage(line.c_str(), session.messageUser);
  };
  if (std::string removed = batch::RemoveStalePartialFiles("."); !removed.empty())
    say("strataplot: " + removed);
  platform::ResetCancel();  // a cancel belongs to the run it was made in
  if (!chosen) return RunHistory(session, say);

  console::ScriptedDisplay display;
  display.messages = true;
  display.lines = say;
  std::unique_ptr<platform::UiBackend> backend =
      console::MakeScriptedBackend(batch::ScriptedAnswersFrom(session.answers), std::move(display));
  FileCallback files(session, session.directory);
  platform::InstallWrittenFileObserver(&files);
  int status =
      session.library->RunWith(*backend, *chosen, session.gbkProject, session.answers.mode);
  platform::InstallWrittenFileObserver(nullptr);
  lastError.clear();
  return status;
}

}  // namespace

STRATAPLOT_C_API strataplot_session* strataplot_open(const char* build) {
  try {
    std::string error;
    const std::string path = BuildPath(build);
    std::unique_ptr<batch::LoadedLibrary> library = batch::LoadedLibrary::Load(path, error);
    if (!library) {
      Fail(error);
      return nullptr;
    }
    bool any = false;
    for (batch::Command command : batch::Commands()) any = any || library->Has(command, error);
    if (!any) {
      Fail(path + " is not a build of the library: it has none of the exports");
      return nullptr;
    }
    auto* session = new strataplot_session;
    session->library = std::move(library);
    lastError.clear();
    return session;
  } catch (const std::exception& exception) {
    Fail(exception.what());
    return nullptr;
  }
}

STRATAPLOT_C_API const char* strataplot_last_error(void) { return lastError.c_str(); }

STRATAPLOT_C_API int strataplot_set_project(strataplot_session* session, const char* directory,
                                            const char* name) {
  if (session == nullptr || directory == nullptr || name == nullptr)
    return Fail("strataplot_set_project: a null argument");
  try {
    std::error_code code;
    std::filesystem::path absolute = std::filesystem::absolute(directory, code);
    if (code || !std::filesystem::is_directory(absolute, code))
      return Fail("the project directory " + std::string(directory) + " does not exist");
    std::string error;
    std::optional<std::string> project = batch::ProjectForLibrary(name, error);
    if (!project) return Fail(error);
    session->directory = absolute.lexically_normal().string();
    if (session->directory.size() > 1 && session->directory.back() == '/')
      session->directory.pop_back();
    session->gbkProject = *project;
    lastError.clear();
    return 0;
  } catch (const std::exception& exception) {
    return Fail(exception.what());
  }
}

STRATAPLOT_C_API int strataplot_set_answer(strataplot_session* session, const char* option,
                                           const char* value) {
  if (session == nullptr || option == nullptr || value == nullptr)
    return Fail("strataplot_set_answer: a null argument");
  try {
    std::string error = batch::ApplyAnswer(session->answers, option, value);
    if (!error.empty()) return Fail(std::string(option) + ": " + error);
    lastError.clear();
    return 0;
  } catch (const std::exception& exception) {
    return Fail(exception.what());
  }
}

STRATAPLOT_C_API void strataplot_on_message(strataplot_session* session,
                                            void (*fn)(const char* text, void* user), void* user) {
  if (session == nullptr) return;
  session->onMessage = fn;
  session->messageUser = user;
}

STRATAPLOT_C_API void strataplot_on_file(strataplot_session* session,
                                         void (*fn)(const char* path, void* user), void* user) {
  if (session == nullptr) return;
  session->onFile = fn;
  session->fileUser = user;
}

STRATAPLOT_C_API int strataplot_run(strataplot_session* session, const char* command) {
  if (session == nullptr) return Fail("strataplot_run: no session", 2);
  bool idle = false;
  if (!running.compare_exchange_strong(idle, true))
    return Fail("busy: another run is in progress in this process", 2);
  int status = 2;
  try {
    status = Run(*session, command);
  } catch (const std::exception& exception) {
    platform::InstallUiBackend(nullptr);
    platform::InstallWrittenFileObserver(nullptr);
    status = Fail(exception.what(), 2);
  }
  running = false;
  return status;
}

STRATAPLOT_C_API void strataplot_cancel(strataplot_session* session) {
  (void)session;  // there is one run at a time in the process
  if (running) platform::RequestCancel();
}

STRATAPLOT_C_API void strataplot_close(strataplot_session* session) { delete session; }
