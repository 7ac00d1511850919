#include "qtui/testing/gui_driver.h"

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <cstdlib>

namespace qtui::testing {

void UseOffscreenPlatform() { setenv("QT_QPA_PLATFORM", "offscreen", 1); }

Worker::Worker(std::function<void()> work) : thread_(QThread::create(std::move(work))) {
  thread_->start();
}

Worker::~Worker() {
  while (!thread_->isFinished()) QTest::qWait(5);
  thread_->wait();
}

bool Worker::Wait(int ms) {
  return QTest::qWaitFor([this] { return thread_->isFinished(); }, ms) && thread_->wait();
}

QWidget* WaitForWindow(const QString& title, const QPointer<QWidget>& previous, int ms) {
  QWidget* found = nullptr;
  (void)QTest::qWaitFor(
      [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
          if (window->isVisible() && window->windowTitle() == title && window != previous.data()) {
            found = window;
            return true;
          }
        }
        return false;
      },
      ms);
  if (found != nullptr) {
    found->activateWindow();
    (void)QTest::qWaitForWindowActive(found, 2000);
  }
  return found;
}

bool WaitClosed(const QPointer<QWidget>& window, int ms) {
  return QTest::qWaitFor([&] { return window.isNull() || !window->isVisible(); }, ms);
}

bool Drive(const std::vector<Step>& steps) {
  QPointer<QWidget> previous;
  for (const Step& step : steps) {
    QWidget* window = WaitForWindow(step.title, previous);
    if (window == nullptr) {
      std::fprintf(stderr, "no window \"%s\" showed\n", qPrintable(step.title));
      return false;
    }
    step.act(window);
    previous = window;
  }
  return true;
}

namespace {
QWidget* Receiver(QWidget* window) {
  QWidget* focus = window->focusWidget();
  return focus != nullptr ? focus : window;
}
}  // namespace

void Type(QWidget* window, const QString& text) { QTest::keyClicks(Receiver(window), text); }

void Press(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QTest::keyClick(Receiver(window), key, modifiers);
}

void Enter(QWidget* window) { Press(window, Qt::Key_Return); }

}  // namespace qtui::testing
