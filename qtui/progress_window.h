// The wait notice and the progress display as one small modeless window.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace qtui {

class ProgressWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressWindow(QWidget* owner);

  // Shows the wait text, or removes it (show false).
  void SetWait(const QString& text, bool show);
  // Shows current of total on the bar; a total of 0 or less shows activity only.
  void SetProgress(int total, int current);

  QString WaitText() const;
  int Total() const;
  int Current() const;

 private:
  void Reveal();

  QLabel* wait_;
  QProgressBar* bar_;
};

}  // namespace qtui
