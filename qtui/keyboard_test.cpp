// The library's dialogs and messages through the windowed backend, the way
// an export runs them (on a worker thread), driven by key presses.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <thread>

#include "console/transcript.h"
#include "dialogs/contour_interval_dialog.h"
#include "dialogs/gas_type_dialog.h"
#include "dialogs/horizon_selection_dialog.h"
#include "dialogs/module_state.h"
#include "dialogs/templates.h"
#include "platform/cancel.h"
#include "qtui/progress_window.h"
#include "qtui/qt_backend.h"
#include "qtui/template_dialog.h"
#include "qtui/testing/dialog_fixture.h"
#include "qtui/testing/gui_driver.h"

namespace qtui {
namespace {

using platform::IDCANCEL;
using platform::IDNO;
using platform::IDOK;
using platform::IDYES;
using testing::Gbk;
using testing::Press;
using testing::Type;
using testing::WaitForWindow;
using testing::Worker;

const QString kIntervalTitle = "输入油强度间距值";
const QString kHostTitleText = "Strataplot";

class Keyboard : public ::testing::Test {
 protected:
  void SetUp() override { platform::InstallUiBackend(&transcribing_); }
  void TearDown() override {
    platform::InstallUiBackend(nullptr);
    std::fclose(file_);
  }

  // The transcript's lines so far.
  std::vector<std::string> Records() {
    std::vector<std::string> lines;
    std::rewind(file_);
    char line[4096];
    while (std::fgets(line, sizeof line, file_) != nullptr) lines.emplace_back(line);
    return lines;
  }

  // Runs an interval dialog holding 5 on a worker, lets keys act on its
  // window and returns the dialog's result; the interval in value.
  int Interval(const std::function<void(QWidget*)>& keys, int& value) {
    strataplot::GetOilDlg dialog;
    dialog.value = 5;
    int result = 0;
    Worker worker([&] { result = dialog.DoModal(); });
    QWidget* window = WaitForWindow(kIntervalTitle);
    EXPECT_NE(window, nullptr);
    if (window != nullptr) keys(window);
    EXPECT_TRUE(worker.Wait());
    value = dialog.value;
    return result;
  }

  QWidget main_;  // the host's main window
  std::FILE* file_ = std::tmpfile();
  console::Transcript transcript_{file_};
  QtBackend backend_{&main_};
  console::Transcribing transcribing_{
      backend_, transcript_, {"sg", "pg", "fg", "wg", "og", "kg", "ug", "eg", "ag"}};
};

TEST_F(Keyboard, TypedTextReplacesTheSelectedValueAndEnterConfirms) {
  int value = 0;
  EXPECT_EQ(Interval(
                [this](QWidget* window) {
                  EXPECT_EQ(window->parentWidget(),
                            &main_);  // the framework's dialog: the main window owns it
                  Type(window, "12");
                  Press(window, Qt::Key_Return);
                },
                value),
            IDOK);
  EXPECT_EQ(value, 12);
  std::vector<std::string> records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(records[0].find(R"("2000":"5")"), std::string::npos) << records[0];
  EXPECT_NE(records[0].find(R"("answer":"12","result":"ok"})"), std::string::npos) << records[0];
}

TEST_F(Keyboard, ButtonsEscapeTheCloseBoxAndAccelerators) {
  struct Case {
    const char* name;
    std::function<void(QWidget*)> keys;
    int result;
    const char* answer;
  } cases[] = {
      {"Enter", [](QWidget* w) { Press(w, Qt::Key_Return); }, IDOK, "default"},
      {"Escape", [](QWidget* w) { Press(w, Qt::Key_Escape); }, IDCANCEL, "cancel"},
      {"close box", [](QWidget* w) { w->close(); }, IDCANCEL, "cancel"},
      {"Alt+N", [](QWidget* w) { Press(w, Qt::Key_N, Qt::AltModifier); }, IDCANCEL, "cancel"},
      {"Alt+Y",
       [](QWidget* w) {
         Type(w, "7");
         Press(w, Qt::Key_Y, Qt::AltModifier);
       },
       IDOK, "7"},
      // Tab order is the template's: field, OK, Cancel, field again; Enter
      // presses the button that has the focus.
      {"Tab Tab Enter",
       [](QWidget* w) {
         Press(w, Qt::Key_Tab);
         Press(w, Qt::Key_Tab);
         Press(w, Qt::Key_Return);
       },
       IDCANCEL, "cancel"},
      {"Tab x3 selects the field",
       [](QWidget* w) {
         Type(w, "8");
         for (int i = 0; i < 3; ++i) Press(w, Qt::Key_Tab);
         Type(w, "9");  // replaces the selected 8
         Press(w, Qt::Key_Return);
       },
       IDOK, "9"},
      {"Shift+Tab to Cancel",
       [](QWidget* w) {
         Press(w, Qt::Key_Backtab, Qt::ShiftModifier);
         Press(w, Qt::Key_Return);
       },
       IDCANCEL, "cancel"},
  };
  std::size_t count = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int value = 0;
    EXPECT_EQ(Interval(c.keys, value), c.result);
    std::vector<std::string> records = Records();
    ASSERT_EQ(records.size(), ++count);
    EXPECT_NE(records.back().find(std::string("\"answer\":\"") + c.answer + "\""),
              std::string::npos)
        << records.back();
  }
}

TEST_F(Keyboard, RefusedWholeNumberKeepsTheDialogOpenWithTheMessageOwnedByIt) {
  int value = 0;
  EXPECT_EQ(Interval(
                [](QWidget* window) {
                  Type(window, "1.5");
                  Press(window, Qt::Key_Return);
                  QWidget* box = WaitForWindow(kHostTitleText);
                  ASSERT_NE(box, nullptr);
                  EXPECT_EQ(box->parentWidget(), window);
                  EXPECT_EQ(static_cast<QMessageBox*>(box)->text(), "请输入一个整数.");
                  EXPECT_EQ(static_cast<QMessageBox*>(box)->icon(), QMessageBox::Information);
                  // Wide enough for its title and the frame's buttons ("Str… lot" before).
                  EXPECT_GE(box->width(),
                            box->fontMetrics().horizontalAdvance(box->windowTitle()) + 160);
                  Press(box, Qt::Key_Return);
                  ASSERT_TRUE(testing::WaitClosed(box));
                  EXPECT_TRUE(window->isVisible());
                  // Typed at once: the keys wait until the dialog put the focus
                  // back into its field with the text selected.
                  Type(window, "-3");
                  Press(window, Qt::Key_Return);
                },
                value),
            IDOK);
  EXPECT_EQ(value, -3);
  std::vector<std::string> records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_NE(records[1].find(R"("2000":"5")"), std::string::npos) << records[1];
  EXPECT_EQ(
      records[0],
      R"({"type":"message","text":"请输入一个整数.","caption":null,"icon":"information","buttons":"ok","owner":"window","answer":"ok"})"
      "\n");
  EXPECT_NE(records[1].find(R"("answer":"-3","result":"ok"})"), std::string::npos) << records[1];
}

TEST_F(Keyboard, HandlersChangesShowAtOnce) {
  // A dialog whose first OK renames it and rewrites its hint, and stays open.
  struct Renaming : strataplot::GetOilDlg {
    int presses = 0;
    void OnOK() override {
      if (++presses == 2) return EndDialog(IDOK);
      SetWindowText(Gbk("再来一次"));
      SetDlgItemText(strataplot::templates::kHintLabel, Gbk("新的提示"));
    }
  } dialog;
  Worker worker([&] { dialog.DoModal(); });
  QWidget* window = WaitForWindow(kIntervalTitle);
  ASSERT_NE(window, nullptr);
  Press(window, Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->windowTitle() == "再来一次"; }));
  auto* hint = static_cast<TemplateDialog*>(window)->Control(strataplot::templates::kHintLabel);
  EXPECT_EQ(static_cast<QLabel*>(hint)->text(), "新的提示");
  Press(window, Qt::Key_Return);
  EXPECT_TRUE(worker.Wait());
  EXPECT_EQ(dialog.presses, 2);
}

TEST_F(Keyboard, RadioChoicesByLetterAltLetterOrArrowReachTheDialog) {
  struct Case {
    const char* name;
    std::function<void(QWidget*)> keys;
    int kind;
    const char* code;
  } cases[] = {
      {"Enter", [](QWidget* w) { Press(w, Qt::Key_Return); }, 0, "sg"},
      {"W alone",
       [](QWidget* w) {
         Press(w, Qt::Key_W);
         Press(w, Qt::Key_Return);
       },
       3, "wg"},
      {"Alt+P",
       [](QWidget* w) {
         Press(w, Qt::Key_P, Qt::AltModifier);
         Press(w, Qt::Key_Return);
       },
       8, "ag"},
      {"Alt+E then Down",
       [](QWidget* w) {
         Press(w, Qt::Key_E, Qt::AltModifier);
         Press(w, Qt::Key_Down);
         Press(w, Qt::Key_Return);
       },
       2, "fg"},
  };
  std::size_t count = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    strataplot::GetGasTypeDlg dialog;
    int result = 0;
    Worker worker([&] { result = dialog.DoModal(); });
    QWidget* window = WaitForWindow("选择强度图类型");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->parentWidget(), &main_);  // the framework's dialog belongs to the main window
    c.keys(window);
    ASSERT_TRUE(worker.Wait());
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.kind, c.kind);
    std::vector<std::string> records = Records();
    ASSERT_EQ(records.size(), ++count);
    EXPECT_NE(records.back().find(std::string("\"answer\":\"") + c.code + "\""), std::string::npos);
  }
}

TEST_F(Keyboard, ListChoicesReachTheDialog) {
  std::vector<std::string> horizons = {"沙三段", "沙四段", "Ek1"};
  testing::ProjectDirectory project(&horizons);
  strataplot::PreSaLayerDlg dialog;
  int result = 0;
  Worker worker([&] { result = dialog.DoModal(); });
  QWidget* window = WaitForWindow("选择层位");
  ASSERT_NE(window, nullptr);
  Press(window, Qt::Key_S, Qt::AltModifier);  // the label's accelerator: the list
  EXPECT_TRUE(qobject_cast<QComboBox*>(window->focusWidget()));
  Press(window, Qt::Key_Down);
  Press(window, Qt::Key_Down);
  Press(window, Qt::Key_Return);
  ASSERT_TRUE(worker.Wait());
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.chosenName, "Ek1");
  std::vector<std::string> records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(
      records[0].find(
          R"("items":["沙三段","沙四段","Ek1"],"selected":"沙三段","answer":"Ek1","result":"ok"})"),
      std::string::npos)
      << records[0];
}

TEST_F(Keyboard, TypedNameInTheEditableListOfTheStaticBuild) {
  std::vector<std::string> horizons = {"沙三段", "沙四段"};
  testing::ProjectDirectory project(&horizons);
  int host = 0;
  Worker worker([&] {
    platform::DialogBoxParam(strataplot::templates::kPreSaLayerDlg, reinterpret_cast<HWND>(&host),
                             strataplot::PreSaLayerDlgProc, 0);
  });
  QWidget* window = WaitForWindow("选择层位");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->parentWidget(), &main_);  // created with the host's window as owner
  EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  auto* list =
      static_cast<TemplateDialog*>(window)->Control(strataplot::templates::kHorizonComboStatic);
  EXPECT_EQ(static_cast<QComboBox*>(list)->currentText(),
            "沙三段");  // written in, no entry selected
  EXPECT_EQ(static_cast<QComboBox*>(list)->currentIndex(), -1);
  Press(window, Qt::Key_Tab);
  Press(window, Qt::Key_Tab);  // OK, Cancel, the list with its text selected
  Type(window, "Ek9");
  Press(window, Qt::Key_Return);
  ASSERT_TRUE(worker.Wait());
  EXPECT_EQ(strataplot::module_state::selectedHorizon, "Ek9");
  EXPECT_TRUE(strataplot::module_state::lastDialogConfirmed);
}

TEST_F(Keyboard, EmptyListIsRefusedWithAMessageOwnedByTheDialog) {
  std::vector<std::string> none;
  testing::ProjectDirectory project(&none);
  strataplot::PreSaLayerDlg dialog;
  int result = 0;
  Worker worker([&] { result = dialog.DoModal(); });
  QWidget* window = WaitForWindow("选择层位");
  ASSERT_NE(window, nullptr);
  Press(window, Qt::Key_Return);
  QWidget* box = WaitForWindow(kHostTitleText);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->parentWidget(), window);
  EXPECT_EQ(static_cast<QMessageBox*>(box)->text(), "请选择一个烃源岩层位");
  Press(box, Qt::Key_Return);
  ASSERT_TRUE(testing::WaitClosed(box));
  EXPECT_TRUE(window->isVisible());
  Press(window, Qt::Key_Escape);
  ASSERT_TRUE(worker.Wait());
  EXPECT_EQ(result, IDCANCEL);
}

TEST_F(Keyboard, MessageBoxesAndTheOverwriteQuestion) {
  struct Case {
    const char* name;
    const char* text;
    const char* caption;  // nullptr: the host application's title
    platform::Icon icon;
    platform::Buttons buttons;
    Qt::Key key;
    QMessageBox::Icon shownIcon;
    int answer;
  } cases[] = {
      {"information", "完成", nullptr, platform::Icon::Information, platform::Buttons::Ok,
       Qt::Key_Return, QMessageBox::Information, IDOK},
      {"error, empty caption", "错", "", platform::Icon::Error, platform::Buttons::Ok,
       Qt::Key_Escape, QMessageBox::Critical, IDOK},
      {"question, Yes by default", "是否?", nullptr, platform::Icon::Question,
       platform::Buttons::YesNo, Qt::Key_Return, QMessageBox::Question, IDYES},
      {"question, Escape is No", "是否?", " ", platform::Icon::None, platform::Buttons::YesNo,
       Qt::Key_Escape, QMessageBox::NoIcon, IDNO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int answer = 0;
    Worker worker([&] {
      std::string caption = c.caption != nullptr ? Gbk(c.caption) : std::string();
      answer =
          platform::MessageBox(nullptr, Gbk(c.text).c_str(),
                               c.caption != nullptr ? caption.c_str() : nullptr, c.icon, c.buttons);
    });
    // An empty caption shows blank, not as the application's name.
    QString title = c.caption == nullptr ? kHostTitleText
                    : *c.caption == '\0' ? " "
                                         : QString::fromUtf8(c.caption);
    auto* box = qobject_cast<QMessageBox*>(WaitForWindow(title));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), nullptr);  // a box without an owner
    EXPECT_EQ(box->text(), QString::fromUtf8(c.text));
    EXPECT_EQ(box->icon(), c.shownIcon);
    Press(box, c.key);
    ASSERT_TRUE(worker.Wait());
    EXPECT_EQ(answer, c.answer);
  }

  // The overwrite question names the file and answers No on Enter.
  bool replace = true;
  Worker worker([&] { replace = platform::AskOverwrite(Gbk("沙三段.po1").c_str()); });
  auto* box = qobject_cast<QMessageBox*>(WaitForWindow(kHostTitleText));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), "文件 沙三段.po1 已存在，是否覆盖?");
  Press(box, Qt::Key_Return);
  ASSERT_TRUE(worker.Wait());
  EXPECT_FALSE(replace);
}

TEST_F(Keyboard, WaitNoticeAndProgressInOneWindow) {
  Worker worker([] {
    platform::ShowWaitNotice(Gbk("正在读入数据,请稍候...").c_str(), true);
    platform::ShowProgress(5, 2);
  });
  ASSERT_TRUE(worker.Wait());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return backend_.ProgressDisplay() && backend_.ProgressDisplay()->isVisible(); }));
  ProgressWindow* display = backend_.ProgressDisplay();
  EXPECT_EQ(display->WaitText(), "正在读入数据,请稍候...");
  EXPECT_EQ(display->Total(), 5);
  EXPECT_EQ(display->Current(), 2);
  backend_.Finished(true);
  EXPECT_FALSE(display->isVisible());
  EXPECT_EQ(Records(), (std::vector<std::string>{
                           R"({"type":"wait","text":"正在读入数据,请稍候...","show":true})"
                           "\n",
                           R"({"type":"progress","total":5,"current":2})"
                           "\n"}));
}

// A cancel of the run (from any thread: here a thread of the test's, or a
// timer while the export runs on the GUI thread itself) closes the open
// dialog, a handler's box with it, or box unanswered, and the run ends there;
// nothing of it is recorded.
TEST_F(Keyboard, ACancelClosesWhatIsOpenUnansweredAndEndsTheRun) {
  struct Case {
    const char* what;
    QString title;  // of the window that shows
    std::function<void()> step;
  } cases[] = {
      {"a dialog", kIntervalTitle, [] { strataplot::GetOilDlg().DoModal(); }},
      {"a box", kHostTitleText,
       [] {
         platform::MessageBox(nullptr, "x", nullptr, platform::Icon::Error, platform::Buttons::Ok);
       }},
      {"the overwrite question", kHostTitleText, [] { platform::AskOverwrite("x"); }},
  };
  for (bool onGuiThread : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (onGuiThread ? " on the GUI thread" : ""));
      platform::ResetCancel();
      bool cancelled = false;
      auto run = [&] {
        try {
          c.step();
        } catch (const platform::Cancelled&) {
          cancelled = true;
        }
      };
      if (onGuiThread) {
        QTimer::singleShot(50, [] { platform::RequestCancel(); });
        run();
      } else {
        Worker worker(run);
        QPointer<QWidget> window = WaitForWindow(c.title);
        ASSERT_NE(window, nullptr);
        std::thread([] { platform::RequestCancel(); }).join();
        EXPECT_TRUE(worker.Wait(5000));
        EXPECT_TRUE(testing::WaitClosed(window, 5000));
      }
      EXPECT_TRUE(cancelled);
    }
  }
  // A handler's box open over its dialog: both go.
  platform::ResetCancel();
  bool cancelled = false;
  Worker worker([&] {
    try {
      strataplot::GetOilDlg().DoModal();
    } catch (const platform::Cancelled&) {
      cancelled = true;
    }
  });
  QPointer<QWidget> dialog = WaitForWindow(kIntervalTitle);
  ASSERT_NE(dialog, nullptr);
  Type(dialog, "1.5");
  Press(dialog, Qt::Key_Return);
  QPointer<QWidget> box = WaitForWindow(kHostTitleText);
  ASSERT_NE(box, nullptr);
  platform::RequestCancel();
  EXPECT_TRUE(worker.Wait(5000));
  EXPECT_TRUE(cancelled);
  EXPECT_TRUE(testing::WaitClosed(box, 5000));
  EXPECT_TRUE(testing::WaitClosed(dialog, 5000));
  platform::ResetCancel();
  EXPECT_TRUE(Records().empty());
}

TEST_F(Keyboard, HowFarAFileIsReadShowsBelowTheBarAndCancelSaysSo) {
  Worker worker([] {
    platform::ShowProgress(2, 1);
    platform::ShowReading("demo.doe", 1000000, 4000000);
  });
  ASSERT_TRUE(worker.Wait());
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return backend_.ProgressDisplay() && !backend_.ProgressDisplay()->ReadingText().isEmpty();
  }));
  ProgressWindow* display = backend_.ProgressDisplay();
  EXPECT_EQ(display->ReadingText(), "读取 demo.doe 25% (1.0 MB / 4.0 MB)");
  platform::ResetCancel();
  QTest::keyClick(display, Qt::Key_Escape);
  EXPECT_TRUE(platform::CancelRequested());
  EXPECT_EQ(display->ReadingText(), "正在取消...");
  EXPECT_FALSE(display->findChild<QPushButton*>()->isEnabled());
  platform::ResetCancel();
  // Only the progress step is recorded.
  EXPECT_EQ(Records().size(), 1u);
}

}  // namespace
}  // namespace qtui
