#include "host/gui_run.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "host/gui_module.h"
#include "host/user_interface.h"
#include "platform/cancel.h"
#include "platform/ui_backend.h"

namespace host {
namespace {

// Why no window can be shown, or empty when a display seems to be there.
std::string MissingDisplay() {
  auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  const char* qpaPlatform = std::getenv("QT_QPA_PLATFORM");
  std::string platformName = qpaPlatform != nullptr ? qpaPlatform : "";
  if (platformName.rfind("xcb", 0) == 0 && !set("DISPLAY")) return "DISPLAY is not set";
  if (platformName.rfind("wayland", 0) == 0 && !set("WAYLAND_DISPLAY"))
    return "WAYLAND_DISPLAY is not set";
  if (platformName.empty() && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) {
    return "neither DISPLAY nor WAYLAND_DISPLAY is set";
  }
  return {};
}

std::string& Who() {
  static std::string who;
  return who;
}

// While the application starts: a windowing system that cannot be reached is
// a fatal message of Qt's; end with the host's status instead of an abort.
void StartupMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtFatalMsg) {
    std::fprintf(stderr, "%s cannot show windows: %s\n", Who().c_str(), qPrintable(message));
    std::_Exit(kExitHostError);
  }
  std::fprintf(stderr, "%s\n", qPrintable(message));
}

}  // namespace

WindowedRun::WindowedRun(const LoadedLibrary& library, Command command, std::string gbkProject,
                         int mode, console::Transcript* transcript, QWidget* mainWindow)
    : backend_(mainWindow),
      transcript_(transcript),
      thread_([&library, command, project = std::move(gbkProject), mode] {
        return library.Call(command, project, HostWindow(), mode);
      }) {
  transcribed_ = Transcribed(backend_, transcript);
  connect(&thread_, &qtui::ExportThread::finished, this, [this](qint32 result) {
    platform::InstallUiBackend(nullptr);
    // An export that completed all the same has completed.
    cancelled_ = platform::CancelRequested() && result != 1;
    platform::ResetCancel();
    if (cancelled_ && transcript_ != nullptr) transcript_->Cancelled();
    backend_.Finished(result == 1);
    emit finished(result);
  });
}

WindowedRun::~WindowedRun() = default;

void WindowedRun::Start() {
  platform::ResetCancel();
  if (transcribed_) {
    platform::InstallUiBackend(transcribed_.get());
  } else {
    platform::InstallUiBackend(&backend_);
  }
  thread_.Start();
}

std::unique_ptr<QApplication> MakeWindowedApplication(const std::string& who) {
  if (std::string missing = MissingDisplay(); !missing.empty()) {
    std::fprintf(stderr, "%s needs a display, and %s\n", who.c_str(), missing.c_str());
    return nullptr;
  }
  // Our own arguments are not Qt's: the application sees the program name only.
  static int argc = 1;
  static char name[] = "strataplot";
  static char* argv[] = {name, nullptr};
  Who() = who;
  QtMessageHandler previous = qInstallMessageHandler(StartupMessages);
  auto app = std::make_unique<QApplication>(argc, argv);
  qInstallMessageHandler(previous);
  QApplication::setApplicationName(QString::fromUtf8(qtui::kHostTitle));
  return app;
}

int RunWithWindows(const LoadedLibrary& library, Command command, const std::string& gbkProject,
                   int mode, console::Transcript* transcript) {
  std::unique_ptr<QApplication> app = MakeWindowedApplication("strataplot: --gui");
  if (!app) return kExitHostError;
  QApplication::setQuitOnLastWindowClosed(false);  // the run ends the application

  std::int32_t result = -1;
  WindowedRun run(library, command, gbkProject, mode, transcript, nullptr);
  QObject::connect(&run, &WindowedRun::finished, app.get(), [&](qint32 returned) {
    result = returned;
    QApplication::quit();
  });
  run.Start();
  QApplication::exec();
  if (run.Cancelled()) {
    std::fprintf(stderr, "strataplot: cancelled\n");
    return 1;
  }
  return ExitStatus(result);
}

}  // namespace host

extern "C" __attribute__((visibility("default"))) int StrataplotRunWithWindows(
    const host::LoadedLibrary& library, host::Command command, const std::string& gbkProject,
    int mode, console::Transcript* transcript) {
  return host::RunWithWindows(library, command, gbkProject, mode, transcript);
}
