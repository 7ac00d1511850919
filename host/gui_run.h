// The host's commands with windows: `strataplot --gui`, and the runs of the
// desktop application.
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <string>

#include "console/transcript.h"
#include "host/export_runner.h"
#include "qtui/export_thread.h"
#include "qtui/qt_backend.h"

class QApplication;

namespace host {

// One run of an export with the windowed user interface: the export on a
// worker thread, its questions, dialogs and notices as windows.
class WindowedRun : public QObject {
  Q_OBJECT

 public:
  // Made on the GUI thread of a running application. transcript may be null;
  // mainWindow (or nullptr) owns the windows of owned boxes and dialogs. The
  // library and the transcript must outlive the run.
  WindowedRun(const LoadedLibrary& library, Command command, std::string gbkProject, int mode,
              console::Transcript* transcript, QWidget* mainWindow);
  // Never while the export runs: wait for finished.
  ~WindowedRun() override;

  // Installs the backend and starts the export (a cancel requested before
  // is forgotten: platform::ResetCancel).
  void Start();
  bool Running() const { return thread_.Running(); }
  qtui::QtBackend& Backend() { return backend_; }

  // Ends the run as the progress window's Cancel button does (QtBackend::Cancel).
  void Cancel() { backend_.Cancel(); }
  // Once finished: true when the run was cancelled before the export
  // completed. The transcript then has its last record, "cancelled".
  bool Cancelled() const { return cancelled_; }

 signals:
  // The export returned (the backend is removed by then, and the cancel
  // request cleared).
  void finished(qint32 result);

 private:
  qtui::QtBackend backend_;
  console::Transcript* transcript_;
  bool cancelled_ = false;
  std::unique_ptr<platform::UiBackend> transcribed_;  // with a transcript
  qtui::ExportThread thread_;
};

// Makes the application of a windowed front end. Without a display (or when
// the windowing system cannot be reached) it says so on standard error,
// beginning with who ("strataplot: --gui"), and returns nullptr, or ends the
// process with kExitHostError when only Qt can tell.
std::unique_ptr<QApplication> MakeWindowedApplication(const std::string& who);

// `strataplot --gui`: makes the application, runs the export with windows
// and returns the exit status; a run cancelled from its windows ends with 1
// and "cancelled" on standard error. Without a display (or when the windowing
// system cannot be reached) it says so and returns kExitHostError.
int RunWithWindows(const LoadedLibrary& library, Command command, const std::string& gbkProject,
                   int mode, console::Transcript* transcript);

}  // namespace host
