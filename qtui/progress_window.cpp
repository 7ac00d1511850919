#include "qtui/progress_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace qtui {

ProgressWindow::ProgressWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      wait_(new QLabel(this)),
      bar_(new QProgressBar(this)) {
  // Not the application's title, which the message boxes carry: a window
  // looked for by that title would be found twice.
  setWindowTitle(QStringLiteral("进度"));
  auto* layout = new QVBoxLayout(this);
  wait_->setWordWrap(true);
  wait_->setTextFormat(Qt::PlainText);
  wait_->hide();
  layout->addWidget(wait_);
  layout->addWidget(bar_);
  bar_->setRange(0, 1);
  bar_->setValue(0);
  setFixedWidth(360);
}

void ProgressWindow::Reveal() {
  if (isVisible()) return;
  adjustSize();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.center().x() - width() / 2, area.top() + area.height() / 4);
  }
  show();
}

void ProgressWindow::SetWait(const QString& text, bool show) {
  wait_->setText(show ? text : QString());
  wait_->setVisible(show);
  adjustSize();
  Reveal();
}

void ProgressWindow::SetProgress(int total, int current) {
  if (total <= 0) {
    bar_->setRange(0, 0);
  } else {
    bar_->setRange(0, total);
    bar_->setValue(std::clamp(current, 0, total));
  }
  Reveal();
}

QString ProgressWindow::WaitText() const {
  return wait_->isVisibleTo(this) ? wait_->text() : QString();
}
int ProgressWindow::Total() const { return bar_->maximum(); }
int ProgressWindow::Current() const { return bar_->value(); }

}  // namespace qtui
