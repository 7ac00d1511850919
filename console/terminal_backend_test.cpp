// The terminal backend with a transcript around it: the keys it takes, the
// exact lines it shows, and the records its answers make.
#include "console/terminal_backend.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "console/transcript.h"
#include "platform/testing/dialog_testing.h"
#include "testing/streams.h"

namespace console {
namespace {

using namespace platform;
using test_dialogs::HorizonDialog;
using test_dialogs::IntervalDialog;
using test_dialogs::KindDialog;
using test_dialogs::kIntervalControlsJson;
using test_dialogs::kMaxHint;
using test_support::Capture;
using test_support::Input;

class TerminalBackendTest : public ::testing::Test {
 protected:
  // Installs the terminal backend reading these keys.
  // The radio codes name the answers in the transcript too.
  void Type(std::string keys, TerminalSettings settings = {}) {
    input_ = std::make_unique<Input>(std::move(keys));
    std::vector<std::string> codes = settings.radioCodes;
    backend_ = MakeTerminalBackend(input_->File(), screen_.File(), std::move(settings));
    transcribing_ = std::make_unique<Transcribing>(*backend_, transcript_, std::move(codes));
    InstallUiBackend(transcribing_.get());
  }
  void TearDown() override { InstallUiBackend(nullptr); }

  test_dialogs::RegisteredTemplates registered_;
  Capture screen_;
  Capture out_;
  Transcript transcript_{out_.File()};
  std::unique_ptr<Input> input_;
  std::unique_ptr<UiBackend> backend_;
  std::unique_ptr<UiBackend> transcribing_;
};

TEST_F(TerminalBackendTest, MessageBoxWaitsForEnter) {
  Type("\n");
  EXPECT_EQ(AfxMessageBox("\xb4\xf2\xbf\xaa\n" GBK_HINT, Icon::Error, Buttons::Ok), IDOK);
  EXPECT_EQ(screen_.Text(), "\n[strataplot] 错误\n  打开\n  提示\n(按回车继续) \n");
  EXPECT_EQ(
      out_.Lines(),
      (std::vector<std::string>{
          R"j({"type":"message","text":"打开\n提示","caption":null,"icon":"error","buttons":"ok","owner":"none","answer":"ok"})j"}));
}

TEST_F(TerminalBackendTest, YesNoTakesOneKeyAndEnterForYes) {
  TerminalSettings settings;
  settings.whatFollows = [](const Declined& declined) {
    EXPECT_EQ(declined.what, Declined::What::Question);
    return "导出结束";
  };
  Type(
      "xy"
      "\n"
      "N"
      "\x1b",
      settings);
  EXPECT_EQ(MessageBox(nullptr, "a", "Cap", Icon::Question, Buttons::YesNo), IDYES);
  EXPECT_EQ(MessageBox(nullptr, "b", "Cap", Icon::Question, Buttons::YesNo), IDYES);
  EXPECT_EQ(MessageBox(nullptr, "c", "Cap", Icon::Question, Buttons::YesNo), IDNO);
  EXPECT_EQ(MessageBox(nullptr, "d", "Cap", Icon::Question, Buttons::YesNo), IDNO);
  EXPECT_EQ(screen_.Text(),
            "\n[Cap]\n  a\n[Y/n] y\n"
            "\n[Cap]\n  b\n[Y/n] y\n"
            "\n[Cap]\n  c\n[Y/n] n\n回答“否”：导出结束。\n"
            "\n[Cap]\n  d\n[Y/n] n\n回答“否”：导出结束。\n");
  EXPECT_EQ(out_.Lines().size(), 4u) << "the lines after No are not recorded";
}

TEST_F(TerminalBackendTest, OverwriteTakesOneKeyAndEnterForNo) {
  Type(
      "\n"
      "y"
      "x"
      "Y"
      "\x04");
  EXPECT_FALSE(AskOverwrite(GBK_SHASAN ".po1"));
  EXPECT_TRUE(AskOverwrite("b"));
  EXPECT_TRUE(AskOverwrite("c"));
  EXPECT_FALSE(AskOverwrite("d"));
  std::vector<std::string> lines = screen_.Lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "文件 沙三段.po1 已存在，是否覆盖? [y/N] n");
  EXPECT_EQ(lines[1], "不覆盖 沙三段.po1。");
  EXPECT_EQ(lines[5], "不覆盖 d。");
  EXPECT_EQ(out_.Lines()[0], R"j({"type":"overwrite","path":"沙三段.po1","answer":"no"})j");
}

TEST_F(TerminalBackendTest, EndOfInputAnswersNo) {
  Type("");
  EXPECT_EQ(AfxMessageBox("q", Icon::Question, Buttons::YesNo), IDNO);
  EXPECT_FALSE(AskOverwrite("a"));
  EXPECT_EQ(AfxMessageBox("ok", Icon::Information, Buttons::Ok), IDOK);
}

TEST_F(TerminalBackendTest, InputFieldKeys) {
  struct Case {
    std::string keys;
    int result;
    int value;
    std::string answer;
  };
  const Case cases[] = {
      {"12\n", IDOK, 12, "12"},
      {"\n", IDOK, 5, "default"},  // the suggestion
      {"1\x7f"
       "7\r",
       IDOK, 7, "7"},  // Backspace takes the 1 back
      {"1.5\r\n"
       "\r\n"
       "9\r\n",
       IDOK, 9, "9"},  // CR LF is one Enter
      {"\x1b[A"
       "\x1bOP"
       "8\n",
       IDOK, 8, "8"},  // arrow and function keys do nothing
      {"1.5\n"
       "\n"
       "\n",
       IDOK, 5, "default"},              // refused, then Enter: the suggestion again
      {"9\x1b", IDCANCEL, 5, "cancel"},  // Escape cancels at once
      {"9\x04", IDCANCEL, 5, "cancel"},  // so does Ctrl-D
      {"", IDCANCEL, 5, "cancel"},       // and the end of the answers
  };
  for (const Case& c : cases) {
    Type(c.keys);
    IntervalDialog interval;
    EXPECT_EQ(interval.DoModal(), c.result) << c.keys;
    EXPECT_EQ(interval.value, c.value) << c.keys;
    std::vector<std::string> lines = out_.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("\"answer\":\"" + c.answer + "\""), std::string::npos)
        << lines.back();
  }
}

TEST_F(TerminalBackendTest, InputFormShowsItsTextsOnceAndTheSuggestionAfterARefusal) {
  Type(
      "1.5\n"
      "\n"
      "\n");
  IntervalDialog interval;
  interval.hint = kMaxHint;
  EXPECT_EQ(interval.DoModal(), IDOK);
  EXPECT_EQ(interval.value, 5);
  EXPECT_EQ(screen_.Text(),
            "\n"
            "== 间距: ==\n"
            "  ── 提示 ──\n"
            "    最大值 12\n"
            "  间距: [5] 1.5\n"
            "\n"
            "[strataplot]\n"
            "  请输入整数\n"
            "(按回车继续) \n"
            "  间距: [5] \n");
  std::vector<std::string> lines = out_.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], std::string(R"j({"type":"dialog","template":"90002","title":"间距:",)j") +
                          kIntervalControlsJson + R"j(,"answer":"default","result":"ok"})j");
}

TEST_F(TerminalBackendTest, CancelSaysWhatFollows) {
  TerminalSettings settings;
  settings.whatFollows = [](const Declined& declined) {
    EXPECT_EQ(declined.what, Declined::What::Dialog);
    return declined.name + " " + declined.value;
  };
  Type("\x1b", settings);
  IntervalDialog interval;
  EXPECT_EQ(interval.DoModal(), IDCANCEL);
  std::string screen = screen_.Text();
  EXPECT_TRUE(screen.ends_with("  间距: [5] \n已取消“间距:”：90002 5。\n")) << screen;
}

TEST_F(TerminalBackendTest, RadioByNumberLetterOrCode) {
  TerminalSettings settings;
  settings.radioCodes = {"aa", "bb", "ww"};
  // Each form asks for both radio groups; the second has no codes.
  Type(
      "3\n"
      "\n"
      "w\n"
      "\n"
      "BB\n"
      "2\n"
      "\n"
      "\n"
      "z\n"
      "\x1b",
      settings);
  KindDialog byNumber, byLetter, byCode, kept, cancelled;
  EXPECT_EQ(byNumber.DoModal(), IDOK);
  EXPECT_EQ(byNumber.kind, 2);
  EXPECT_EQ(byLetter.DoModal(), IDOK);
  EXPECT_EQ(byLetter.kind, 2);
  EXPECT_EQ(byCode.DoModal(), IDOK);
  EXPECT_EQ(byCode.kind, 1);
  kept.kind = 1;
  EXPECT_EQ(kept.DoModal(), IDOK);
  EXPECT_EQ(kept.kind, 1);
  EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
  std::string screen = screen_.Text();
  std::string form =
      "\n"
      "== Kind ==\n"
      "  (*) 1. A a (A, aa)\n"
      "  ( ) 2. B (B, bb)\n"
      "  ( ) 3. W (W, ww)\n"
      "  选择 [1-3、字母或代码，回车保留当前]: 3\n"
      "  ( ) 1. X\n"
      "  ( ) 2. Y\n"
      "  选择 [1-2 或快捷字母，回车保留当前]: \n";
  EXPECT_EQ(screen.substr(0, form.size()), form);
  EXPECT_NE(
      screen.find(
          "  选择 [1-3、字母或代码，回车保留当前]: z\n  请输入 1-3 的序号或括号中的字母或代码。\n"),
      std::string::npos)
      << screen;
  std::vector<std::string> lines = out_.Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_NE(lines[2].find(R"j("answer":"Y","result":"ok"})j"), std::string::npos) << lines[2];
  EXPECT_NE(lines[4].find(R"j("answer":"cancel","result":"cancel"})j"), std::string::npos)
      << lines[4];
}

TEST_F(TerminalBackendTest, ListByNumberOrName) {
  Type(
      "2\n"
      "沙三段\n"
      "9\n\n");
  HorizonDialog byNumber({GBK_SHASAN, GBK_SHASI}), byName({GBK_SHASAN, GBK_SHASI}),
      kept({GBK_SHASAN, GBK_SHASI});
  EXPECT_EQ(byNumber.DoModal(), IDOK);
  EXPECT_EQ(byNumber.chosen, GBK_SHASI);
  EXPECT_EQ(byName.DoModal(), IDOK);
  EXPECT_EQ(byName.chosen, GBK_SHASAN);
  EXPECT_EQ(kept.DoModal(), IDOK);  // 9 is refused, then Enter keeps the first
  EXPECT_EQ(kept.chosen, GBK_SHASAN);
  std::string screen = screen_.Text();
  std::string form =
      "\n"
      "== Horizon ==\n"
      "  选择层位(S):\n"
      "    (*) 1. 沙三段\n"
      "    ( ) 2. 沙四段\n"
      "  选择 [1-2，回车保留当前 沙三段]: 2\n"
      "\n";
  EXPECT_EQ(screen.substr(0, form.size()), form);
}

TEST_F(TerminalBackendTest, EditableListTakesFreeText) {
  Type("孔店组\n");
  HorizonDialog horizon({GBK_SHASAN}, "EditableHorizonDlg");
  EXPECT_EQ(horizon.DoModal(), IDOK);
  EXPECT_EQ(horizon.chosen, "\xbf\xd7\xb5\xea\xd7\xe9");
  EXPECT_NE(out_.Text().find(R"j("answer":"孔店组","result":"ok"})j"), std::string::npos)
      << out_.Text();
}

TEST_F(TerminalBackendTest, ProgressAndWaitAreRecordedButNotPrintedOffATerminal) {
  Type("");
  ShowProgress(2, 1);
  ShowReading("demo.doe", 1 << 20, 2 << 20);  // neither printed nor recorded
  ShowWaitNotice(GBK_HINT, true);
  ShowWaitNotice(GBK_HINT, false);
  EXPECT_EQ(screen_.Text(), "提示\n");
  EXPECT_EQ(out_.Lines(), (std::vector<std::string>{
                              R"j({"type":"progress","total":2,"current":1})j",
                              R"j({"type":"wait","text":"提示","show":true})j",
                              R"j({"type":"wait","text":"提示","show":false})j",
                          }));
}

// A pseudo-terminal: the backend reads and writes its terminal side, the test
// types on the other and reads what the screen got.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    terminal_ = std::fopen(ptsname(master_), "r+");
    if (terminal_ != nullptr) std::setvbuf(terminal_, nullptr, _IONBF, 0);
  }
  ~PseudoTerminal() {
    if (terminal_ != nullptr) std::fclose(terminal_);
    if (master_ >= 0) close(master_);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  std::FILE* Terminal() { return terminal_; }
  // Types each answer once the backend waits for keys in raw mode (keys typed
  // ahead would meet the terminal's own line editing), on a thread of its own.
  std::thread TypeAnswers(std::vector<std::string> answers) {
    return std::thread([this, answers = std::move(answers)] {
      for (const std::string& keys : answers) {
        WaitFor(false);
        EXPECT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
        WaitFor(true);
      }
    });
  }
  // What the screen has got so far.
  std::string Screen() {
    std::string screen;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    char buffer[4096];
    for (ssize_t got; (got = read(master_, buffer, sizeof buffer)) > 0;)
      screen.append(buffer, static_cast<std::size_t>(got));
    return screen;
  }
  tcflag_t LocalModes() {
    termios modes{};
    tcgetattr(fileno(terminal_), &modes);
    return modes.c_lflag;
  }

 private:
  void WaitFor(bool lineEditing) {
    for (int i = 0; i < 5000 && ((LocalModes() & ICANON) != 0) != lineEditing; ++i) usleep(1000);
  }

  int master_ = -1;
  std::FILE* terminal_ = nullptr;
};

TEST(TerminalBackendOnATerminal, KeysInRawModeThenTheTerminalAsItWas) {
  test_dialogs::RegisteredTemplates registered;
  PseudoTerminal pty;
  ASSERT_NE(pty.Terminal(), nullptr);
  tcflag_t before = pty.LocalModes();
  ASSERT_NE(before & ICANON, 0u);
  std::unique_ptr<UiBackend> backend = MakeTerminalBackend(pty.Terminal(), pty.Terminal());
  InstallUiBackend(backend.get());

  // Backspace takes the 2 back; then a lone Escape.
  std::thread person =
      pty.TypeAnswers({"12\x7f"
                       "7\r",
                       "\x1b"});
  IntervalDialog typed, escaped;
  EXPECT_EQ(typed.DoModal(), IDOK);
  EXPECT_EQ(typed.value, 17);
  EXPECT_EQ(escaped.DoModal(), IDCANCEL);
  person.join();
  EXPECT_EQ(pty.LocalModes(), before);
  ShowProgress(4, 1);
  backend->Finished(true);
  InstallUiBackend(nullptr);

  std::string screen = pty.Screen();
  EXPECT_NE(screen.find("[5] 12\b \b7"), std::string::npos) << screen;
  EXPECT_NE(screen.find("已取消"), std::string::npos) << screen;
  EXPECT_TRUE(screen.ends_with("4/4\r\n")) << screen;
}

TEST(TerminalBackendOnATerminal, HowFarAFileIsReadFollowsTheProgressOnItsLine) {
  PseudoTerminal pty;
  ASSERT_NE(pty.Terminal(), nullptr);
  std::unique_ptr<UiBackend> backend = MakeTerminalBackend(pty.Terminal(), pty.Terminal());
  InstallUiBackend(backend.get());
  ShowProgress(2, 1);
  ShowReading("demo.doe", 1000000, 4000000);
  ShowReading("demo.doe", 3000000, 4000000);
  ShowProgress(2, 2);
  ShowWaitNotice(GBK_HINT, true);
  ShowReading("gasr.out", 2000000, 0);  // below the notice
  ShowWaitNotice(GBK_HINT, false);
  backend->Finished(true);
  InstallUiBackend(nullptr);
  std::string screen = pty.Screen();
  const std::string line = "进度 [##########..........] 1/2  读取 demo.doe ";
  EXPECT_NE(screen.find("\r\033[K" + line + "25% (1.0 MB / 4.0 MB)\r\033[K" + line +
                        "75% (3.0 MB / 4.0 MB)\r\033[K进度 [####################] 2/2\r\n"),
            std::string::npos)
      << screen;
  EXPECT_NE(screen.find("提示\r\n\r\033[K读取 gasr.out 2.0 MB\r\033[K"), std::string::npos)
      << screen;
}

}  // namespace
}  // namespace console
