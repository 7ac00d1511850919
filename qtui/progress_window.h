// The wait notice and the progress display as one small modeless window, with
// how far the file being read is, and the Cancel button of the run.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qtui {

class ProgressWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressWindow(QWidget* owner);

  // Shows the wait text, or removes it (show false).
  void SetWait(const QString& text, bool show);
  // Shows current of total on the bar; a total of 0 or less shows activity only.
  void SetProgress(int total, int current);
  // Shows how far the file being read is (platform::ReadingText).
  void SetReading(const QString& text);

  QString WaitText() const;
  int Total() const;
  int Current() const;
  QString ReadingText() const;

  // What the Cancel button, Escape and the close box do, at once and without
  // a question: cancelRequested, once; the window then says that the run is
  // being cancelled until it goes.
  void Cancel();
  bool Cancelling() const { return cancelling_; }

 signals:
  void cancelRequested();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Reveal();

  QLabel* wait_;
  QProgressBar* bar_;
  QLabel* reading_;
  QPushButton* cancel_;
  bool cancelling_ = false;
};

}  // namespace qtui
