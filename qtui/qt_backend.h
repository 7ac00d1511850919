// The user interface as windows: message boxes, the overwrite question, the
// library's dialogs from their templates, the wait notice and the progress
// display, through Qt Widgets.
//
// Threads. An export runs for seconds while it reads a large file, and the
// library reports progress only between horizons, so processing events from
// the progress and wait calls would leave the windows unpainted for most of a
// run. The export therefore runs on a worker thread (ExportThread) and every
// call of the backend is carried over to the GUI thread: questions as blocking
// calls, progress and wait notices without waiting, in the order made.
//
// The library stays single-threaded: everything of it, the dialogs' handlers
// included, runs on the export's thread. A dialog's window only shows a copy
// of the dialog's state; when a button is pressed it hands the window's state
// over, and the export's thread, waiting in RunDialog, types, checks and
// selects it into the dialog and presses the button, which runs the handlers
// there (their message boxes come back to the GUI thread as blocking calls),
// then hands the new state back to the window. Called on the GUI thread
// itself, the backend runs the same steps in a local event loop.
//
// Cancel. Every wait for the user looks at the run's cancel flag
// (platform/cancel.h) every few hundredths of a second, whoever raised it,
// and closes its window unanswered; the platform layer then ends the export.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui_backend.h"

class QMessageBox;
class QWidget;

namespace qtui {

class ProgressWindow;
class TemplateDialog;
struct UserInput;

// The host application's title, the caption of boxes that have none.
inline constexpr const char* kHostTitle = "Strataplot";

class QtBackend final : public QObject, public platform::UiBackend {
  Q_OBJECT

 public:
  // Made and destroyed on the GUI thread. mainWindow: the host's main window,
  // owner of owned boxes and dialogs, or nullptr. A transcript wraps it as any
  // backend (console::Transcribing), on the export's thread.
  explicit QtBackend(QWidget* mainWindow);
  ~QtBackend() override;

  int ShowMessage(const platform::MessageBoxRequest& request) override;
  bool AskOverwrite(const std::string& path) override;
  void RunDialog(platform::DialogSession& session) override;
  void Progress(int total, int current) override;
  void Wait(const std::string& text, bool show) override;
  // Shown in the progress window, below the bar.
  void Reading(const std::string& file, std::uint64_t done, std::uint64_t size) override;

  // Ends the run (platform::RequestCancel): what the progress window's
  // Cancel button does, and a Stop command. Any open dialog or message box
  // closes as cancelled within a few hundredths of a second, and the export
  // ends at its next read, step or dialog. GUI thread.
  void Cancel();

  // The export returned: the wait and progress window goes. GUI thread.
  void Finished(bool completed) override;

 signals:
  // A message box (or the overwrite question) was answered: its caption,
  // text and the answer (IDOK, IDYES or IDNO); error: it has the error icon.
  // On the GUI thread.
  void messageShown(const QString& caption, const QString& text, int answer, bool error);
  // A dialog ended (not by a cancel of the run): its title, its prompt (the
  // text of its first label with an id, empty when it has none), what it
  // holds at the end (the input field's text, the list's, the radio button
  // checked) and whether it was confirmed. From the export's thread.
  void dialogEnded(const QString& title, const QString& prompt, const QString& chosen, bool ok);

 public:
  // The wait and progress window, or nullptr before the first notice. GUI thread.
  ProgressWindow* ProgressDisplay() const;

 private:
  bool OnGuiThread() const;
  template <typename Function>
  auto OnGui(Function function);  // blocking
  template <typename Function>
  void Post(Function function);  // not waiting
  int Ask(const platform::MessageBoxRequest& request, bool yesDefault);
  QMessageBox* MakeBox(const platform::MessageBoxRequest& request, bool yesDefault);
  int Answered(QMessageBox& box);  // the box's answer, told by messageShown
  // Shows the dialog's window; onPress gets the window's presses.
  TemplateDialog* OpenWindow(platform::DialogSession& session,
                             const std::function<void(const UserInput&)>& onPress);
  void CloseWindow(TemplateDialog* window);
  void RunDialogHere(platform::DialogSession& session);
  void TellEnded(const platform::DialogSession& session);
  void RunDialogFromWorker(platform::DialogSession& session);
  ProgressWindow* Display();

  QPointer<QWidget> mainWindow_;
  std::vector<QPointer<TemplateDialog>> open_;  // dialogs shown, innermost last; GUI thread
  QPointer<ProgressWindow> progress_;
};

}  // namespace qtui
