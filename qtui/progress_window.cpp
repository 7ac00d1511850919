#include "qtui/progress_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace qtui {

ProgressWindow::ProgressWindow(QWidget* owner)
    : QWidget(owner,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      wait_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      reading_(new QLabel(this)),
      cancel_(new QPushButton(QStringLiteral("取消"), this)) {
  // Not the application's title, which the message boxes carry: a window
  // looked for by that title would be found twice.
  setWindowTitle(QStringLiteral("进度"));
  auto* layout = new QVBoxLayout(this);
  wait_->setWordWrap(true);
  wait_->setTextFormat(Qt::PlainText);
  wait_->hide();
  layout->addWidget(wait_);
  layout->addWidget(bar_);
  reading_->setTextFormat(Qt::PlainText);
  reading_->hide();
  layout->addWidget(reading_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  cancel_->setToolTip(QStringLiteral("结束这次运行 (Esc): 正在写的图不保留, 已写完的图保留"));
  cancel_->setAutoDefault(false);
  connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::Cancel);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);
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

void ProgressWindow::SetReading(const QString& text) {
  if (cancelling_) return;
  reading_->setText(text);
  if (!reading_->isVisibleTo(this)) {
    reading_->show();
    adjustSize();
  }
  Reveal();
}

QString ProgressWindow::WaitText() const {
  return wait_->isVisibleTo(this) ? wait_->text() : QString();
}
int ProgressWindow::Total() const { return bar_->maximum(); }
int ProgressWindow::Current() const { return bar_->value(); }
QString ProgressWindow::ReadingText() const {
  return reading_->isVisibleTo(this) ? reading_->text() : QString();
}

void ProgressWindow::Cancel() {
  if (cancelling_) return;
  cancelling_ = true;
  cancel_->setEnabled(false);
  reading_->setText(QStringLiteral("正在取消..."));
  reading_->show();
  emit cancelRequested();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Cancel();
    return;
  }
  QWidget::keyPressEvent(event);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  // The window stays until the run has ended, saying so.
  Cancel();
  event->ignore();
}

}  // namespace qtui
