// Driving windows the way a person would, without a display: for the tests of
// the windowed user interface and for the screenshots of the documentation.
#pragma once

#include <QPointer>
#include <QString>
#include <QThread>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace qtui::testing {

// Makes Qt use the offscreen platform (call before the application is made):
// no display needed, and no window ever shows on one.
void UseOffscreenPlatform();

// Runs work on a worker thread, as an export runs; the GUI thread goes on
// processing events while the test drives the windows.
class Worker {
 public:
  explicit Worker(std::function<void()> work);
  ~Worker();  // waits for the work, processing events
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  // Processes events until the work returned; false when it did not within ms.
  bool Wait(int ms = 20000);

 private:
  std::unique_ptr<QThread> thread_;
};

// The visible window with that title other than previous, once it shows;
// nullptr when none did within ms.
QWidget* WaitForWindow(const QString& title, const QPointer<QWidget>& previous = {},
                       int ms = 20000);
// Waits until the window is hidden or gone; false when it stayed.
bool WaitClosed(const QPointer<QWidget>& window, int ms = 20000);

// One window of a run and what to do in it.
struct Step {
  QString title;
  std::function<void(QWidget*)> act;
};
// Waits for each step's window in turn (after a window of the same title, a
// new one) and acts on it. False, saying which window on standard error, when
// one did not show.
bool Drive(const std::vector<Step>& steps);

// Keys to the widget that has the window's keyboard focus (the window itself
// when none has it).
void Type(QWidget* window, const QString& text);
void Press(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Presses Enter.
void Enter(QWidget* window);

}  // namespace qtui::testing
