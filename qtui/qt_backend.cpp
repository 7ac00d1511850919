#include "qtui/qt_backend.h"

#include <QApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/cancel.h"
#include "qtui/progress_window.h"
#include "qtui/template_dialog.h"

namespace qtui {
namespace {

// What the GUI thread hands to the export's thread waiting for it: the
// presses of a dialog's window, the answer of a message box.
// How often a wait for the user looks whether the run was asked to end.
constexpr std::chrono::milliseconds kCancelPoll{40};

template <typename T>
class Mailbox {
 public:
  void Post(T item) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(item));
    }
    ready_.notify_one();
  }
  // The next item; nullopt once a cancel of the run was requested (from
  // whatever thread: the flag is looked at every few hundredths of a second).
  std::optional<T> Take() {
    std::unique_lock lock(mutex_);
    while (queue_.empty()) {
      if (platform::CancelRequested()) return std::nullopt;
      ready_.wait_for(lock, kCancelPoll);
    }
    T item = std::move(queue_.front());
    queue_.pop_front();
    return item;
  }

 private:
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<T> queue_;
};

// Runs the function when the object goes, unless Dismiss was called.
template <typename Function>
class Finally {
 public:
  explicit Finally(Function function) : function_(std::move(function)) {}
  ~Finally() { function_(); }
  Finally(const Finally&) = delete;
  Finally& operator=(const Finally&) = delete;

 private:
  Function function_;
};

// A timer on the GUI thread that calls onCancel once a cancel of the run
// was requested, while a local event loop waits for the user.
std::unique_ptr<QTimer> WatchForCancel(std::function<void()> onCancel) {
  auto timer = std::make_unique<QTimer>();
  timer->setInterval(kCancelPoll);
  QObject::connect(timer.get(), &QTimer::timeout, [onCancel = std::move(onCancel)] {
    if (platform::CancelRequested()) onCancel();
  });
  timer->start();
  return timer;
}

QMessageBox::Icon BoxIcon(platform::Icon icon) {
  switch (icon) {
    case platform::Icon::Information:
      return QMessageBox::Information;
    case platform::Icon::Error:
      return QMessageBox::Critical;
    case platform::Icon::Question:
      return QMessageBox::Question;
    case platform::Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QtBackend::QtBackend(QWidget* mainWindow) : mainWindow_(mainWindow) {
  qRegisterMetaType<UserInput>();
}

QtBackend::~QtBackend() { delete progress_.data(); }

bool QtBackend::OnGuiThread() const { return QThread::currentThread() == thread(); }

template <typename Function>
auto QtBackend::OnGui(Function function) {
  if (OnGuiThread()) return function();
  using Result = decltype(function());
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(this, function, Qt::BlockingQueuedConnection);
  } else {
    Result result{};
    QMetaObject::invokeMethod(this, function, Qt::BlockingQueuedConnection, &result);
    return result;
  }
}

template <typename Function>
void QtBackend::Post(Function function) {
  if (OnGuiThread()) {
    function();
    // An export on the GUI thread itself: repaint now, as nothing else will.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  } else {
    QMetaObject::invokeMethod(this, function, Qt::QueuedConnection);
  }
}

QMessageBox* QtBackend::MakeBox(const platform::MessageBoxRequest& request, bool yesDefault) {
  QWidget* owner = nullptr;
  if (request.owned)
    owner = !open_.empty() && open_.back() ? open_.back().data() : mainWindow_.data();
  auto* box = new QMessageBox(owner);
  box->setIcon(BoxIcon(request.icon));
  // An empty caption shows as a blank one: Qt would put the application's
  // name into an empty title.
  std::string caption = request.caption.value_or(kHostTitle);
  box->setWindowTitle(caption.empty() ? QStringLiteral(" ") : QString::fromStdString(caption));
  box->setTextFormat(Qt::PlainText);
  box->setText(QString::fromStdString(request.text));
  if (request.buttons == platform::Buttons::YesNo) {
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(yesDefault ? QMessageBox::Yes : QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
  } else {
    box->setStandardButtons(QMessageBox::Ok);
  }
  // A box with a short text would be narrower than its title, which the
  // window's frame then cuts ("Str… lot"): the title and room for the
  // frame's buttons set its least width.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    const int titleWidth = box->fontMetrics().horizontalAdvance(box->windowTitle()) + 160;
    grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  return box;
}

int QtBackend::Answered(QMessageBox& box) {
  int answer = platform::IDOK;
  if (box.standardButtons() != QMessageBox::Ok) {
    answer = box.clickedButton() == box.button(QMessageBox::Yes) ? platform::IDYES : platform::IDNO;
  }
  emit messageShown(box.windowTitle(), box.text(), answer, box.icon() == QMessageBox::Critical);
  return answer;
}

int QtBackend::Ask(const platform::MessageBoxRequest& request, bool yesDefault) {
  if (OnGuiThread()) {
    std::unique_ptr<QMessageBox> box(MakeBox(request, yesDefault));
    bool cancelled = false;
    std::unique_ptr<QTimer> watch = WatchForCancel([&] {
      cancelled = true;
      box->reject();
    });
    box->exec();
    return cancelled ? platform::IDNO : Answered(*box);
  }
  // From the export's thread: the box opens without an event loop of its own
  // on the GUI thread, and its answer comes back by mail. A cancel of the run
  // closes it unanswered.
  Mailbox<int> answer;
  QPointer<QMessageBox> shown;
  OnGui([&] {
    QMessageBox* box = MakeBox(request, yesDefault);
    shown = box;
    connect(
        box, &QDialog::finished, box,
        [this, box, &answer] {
          answer.Post(Answered(*box));
          box->deleteLater();
        },
        Qt::SingleShotConnection);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
  });
  if (std::optional<int> answered = answer.Take()) return *answered;
  OnGui([&] {
    if (!shown) return;  // answered meanwhile: it is going already
    shown->disconnect();
    delete shown.data();
  });
  return platform::IDNO;
}

int QtBackend::ShowMessage(const platform::MessageBoxRequest& request) {
  return Ask(request, true);
}

bool QtBackend::AskOverwrite(const std::string& path) {
  platform::MessageBoxRequest question;
  question.text = "文件 " + path + " 已存在，是否覆盖?";
  question.icon = platform::Icon::Question;
  question.buttons = platform::Buttons::YesNo;
  question.owned = true;
  return Ask(question, false) == platform::IDYES;
}

TemplateDialog* QtBackend::OpenWindow(platform::DialogSession& session,
                                      const std::function<void(const UserInput&)>& onPress) {
  DialogView view = ViewOf(session);
  bool owned = session.Owned();
  const platform::DialogTemplate& dialogTemplate = session.Template();
  return OnGui([&] {
    QWidget* owner = owned ? mainWindow_.data() : nullptr;
    auto* window = new TemplateDialog(dialogTemplate, view, LookOf(dialogTemplate), owner);
    connect(window, &TemplateDialog::pressed, window, onPress);
    open_.emplace_back(window);
    window->ShowPlaced();
    return window;
  });
}

void QtBackend::CloseWindow(TemplateDialog* window) {
  OnGui([&] {
    std::erase(open_, window);
    delete window;
  });
}

void QtBackend::RunDialog(platform::DialogSession& session) {
  if (session.Ended()) return;
  if (OnGuiThread()) {
    RunDialogHere(session);
  } else {
    RunDialogFromWorker(session);
  }
}

void QtBackend::RunDialogHere(platform::DialogSession& session) {
  QEventLoop loop;
  TemplateDialog* window = nullptr;
  window = OpenWindow(session, [&](const UserInput& input) {
    Apply(input, session);
    window->Update(ViewOf(session));
    if (session.Ended()) loop.quit();
  });
  // The window goes however the dialog ends: a handler's message box may end
  // the run (platform/cancel.h).
  Finally close([&] { CloseWindow(window); });
  std::unique_ptr<QTimer> watch = WatchForCancel([&] { loop.quit(); });
  loop.exec(QEventLoop::DialogExec);
  if (session.Ended()) TellEnded(session);
}

void QtBackend::RunDialogFromWorker(platform::DialogSession& session) {
  Mailbox<UserInput> presses;
  TemplateDialog* window =
      OpenWindow(session, [&presses](const UserInput& input) { presses.Post(input); });
  Finally close([&] { CloseWindow(window); });
  while (!session.Ended()) {
    std::optional<UserInput> input = presses.Take();
    if (!input) return;  // the run was asked to end: the dialog closes as cancelled
    Apply(*input, session);
    DialogView view = ViewOf(session);
    OnGui([&] { window->Update(view); });
  }
  TellEnded(session);
}

void QtBackend::TellEnded(const platform::DialogSession& session) {
  QString prompt;
  QString chosen;
  for (const platform::ControlState& c : session.Controls()) {
    using platform::ControlKind;
    if (c.kind == ControlKind::Label && c.id != platform::kNoId && prompt.isEmpty())
      prompt = QString::fromStdString(platform::WithoutAcceleratorMarks(c.text));
    if ((c.kind == ControlKind::Edit || c.kind == ControlKind::ComboBox) && chosen.isEmpty())
      chosen = QString::fromStdString(c.text);
    if (c.kind == ControlKind::RadioButton && c.checked)
      chosen = QString::fromStdString(platform::WithoutAcceleratorMarks(c.text)).simplified();
  }
  emit dialogEnded(QString::fromStdString(session.Title()), prompt.simplified(), chosen,
                   session.Result() == platform::IDOK);
}

ProgressWindow* QtBackend::Display() {
  if (!progress_) {
    progress_ = new ProgressWindow(mainWindow_.data());
    connect(progress_, &ProgressWindow::cancelRequested, this, &QtBackend::Cancel);
  }
  return progress_;
}

void QtBackend::Cancel() {
  platform::RequestCancel();
  if (progress_ && !progress_->Cancelling()) progress_->Cancel();
}

void QtBackend::Reading(const std::string& file, std::uint64_t done, std::uint64_t size) {
  Post([this, text = QString::fromStdString(platform::ReadingText(file, done, size))] {
    Display()->SetReading(text);
  });
}

void QtBackend::Progress(int total, int current) {
  Post([this, total, current] { Display()->SetProgress(total, current); });
}

void QtBackend::Wait(const std::string& text, bool show) {
  Post([this, text = QString::fromStdString(text), show] { Display()->SetWait(text, show); });
}

ProgressWindow* QtBackend::ProgressDisplay() const { return progress_; }

void QtBackend::Finished(bool /*completed*/) {
  if (progress_) progress_->hide();
}

}  // namespace qtui
