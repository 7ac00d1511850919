// The scripted and the terminal backend with the transcript: the answers they
// give, and the exact lines they write.

#include "platform/backends.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dialog_testing.h"

namespace platform {
namespace {

using test_dialogs::HorizonDialog;
using test_dialogs::IntervalDialog;
using test_dialogs::KindDialog;

// A stream that collects what is written to it.
class Capture {
 public:
  Capture() : file_(open_memstream(&data_, &size_)) {}
  ~Capture() {
    std::fclose(file_);
    std::free(data_);
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  std::FILE* File() { return file_; }
  std::string Text() {
    std::fflush(file_);
    return std::string(data_, size_);
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    std::string text = Text();
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "the last line has no line end";
    return lines;
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

// A stream to read the given text from.
class Input {
 public:
  explicit Input(std::string text) : text_(std::move(text)) {
    file_ = text_.empty() ? std::fopen("/dev/null", "r") : fmemopen(text_.data(), text_.size(), "r");
  }
  ~Input() { std::fclose(file_); }
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  std::FILE* File() { return file_; }

 private:
  std::string text_;
  std::FILE* file_;
};

// Installs a backend for the life of the object.
class Installed {
 public:
  explicit Installed(UiBackend& backend) { InstallUiBackend(&backend); }
  ~Installed() { InstallUiBackend(nullptr); }
  Installed(const Installed&) = delete;
  Installed& operator=(const Installed&) = delete;
};

const char kIntervalControlsJson[] =
    R"j("controls":{"2000":"5","1":"确   认 (&Y)","2":"取    消 (&N)","1041":"间距:","1043":"最大值 12"})j";
constexpr const char* kMaxHint = "\xd7\xee\xb4\xf3\xd6\xb5 12";  // 最大值 12

// ---- Transcript records ------------------------------------------------------------

TEST(TranscriptFormat, MessageWithTheHostTitle) {
  Capture out;
  Transcript transcript(out.File());
  MessageBoxRequest request{"打开文件 a.isc 失败", std::nullopt, Icon::Information, Buttons::Ok, false};
  transcript.Message(request, IDOK);
  request = {"是否继续?", " ", Icon::Question, Buttons::YesNo, true};
  transcript.Message(request, IDNO);
  transcript.Message({"", "", Icon::Error, Buttons::YesNo, true}, IDYES);
  transcript.Message({"", "", Icon::None, Buttons::Ok, true}, IDOK);
  EXPECT_EQ(out.Lines(), (std::vector<std::string>{
      R"j({"type":"message","text":"打开文件 a.isc 失败","caption":null,"icon":"information","buttons":"ok","owner":"none","answer":"ok"})j",
      R"j({"type":"message","text":"是否继续?","caption":" ","icon":"question","buttons":"yesno","owner":"window","answer":"no"})j",
      R"j({"type":"message","text":"","caption":"","icon":"error","buttons":"yesno","owner":"window","answer":"yes"})j",
      R"j({"type":"message","text":"","caption":"","icon":"none","buttons":"ok","owner":"window","answer":"ok"})j",
  }));
}

TEST(TranscriptFormat, StringEscapes) {
  Capture out;
  Transcript transcript(out.File());
  transcript.Wait("a\"b\\c\nd\te\rf\bg\fh\x01i\x1fj\x7f/沙", true);
  EXPECT_EQ(out.Text(), "{\"type\":\"wait\",\"text\":\"a\\\"b\\\\c\\nd\\te\\rf\\bg\\fh\\u0001i\\u001fj\x7f/沙\",\"show\":true}\n");
}

TEST(TranscriptFormat, OverwriteWaitProgress) {
  Capture out;
  Transcript transcript(out.File());
  transcript.Overwrite("沙三段.po1", true);
  transcript.Overwrite("x", false);
  transcript.Wait("正在读入", false);
  transcript.Progress(7, 0);
  transcript.Progress(-1, 12);
  EXPECT_EQ(out.Lines(), (std::vector<std::string>{
      R"j({"type":"overwrite","path":"沙三段.po1","answer":"yes"})j",
      R"j({"type":"overwrite","path":"x","answer":"no"})j",
      R"j({"type":"wait","text":"正在读入","show":false})j",
      R"j({"type":"progress","total":7,"current":0})j",
      R"j({"type":"progress","total":-1,"current":12})j",
  }));
}

TEST(TranscriptFormat, WithoutAStreamNothingIsWritten) {
  Transcript transcript(nullptr);
  transcript.Progress(1, 0);
  transcript.Overwrite("x", true);
}

// ---- The scripted backend ------------------------------------------------------------

class ScriptedBackendTest : public ::testing::Test {
 protected:
  // Installs the scripted backend with these answers, writing to transcript_.
  void Answer(ScriptedAnswers answers) {
    backend_ = MakeScriptedBackend(std::move(answers), &transcript_);
    InstallUiBackend(backend_.get());
  }
  void TearDown() override { InstallUiBackend(nullptr); }

  test_dialogs::RegisteredTemplates registered_;
  Capture out_;
  Transcript transcript_{out_.File()};
  std::unique_ptr<UiBackend> backend_;
};

TEST_F(ScriptedBackendTest, MessagesAndQuestions) {
  ScriptedAnswers answers;
  answers.yes = true;
  answers.overwrites = {true, false};
  Answer(answers);
  int host = 0;
  EXPECT_EQ(AfxMessageBox(GBK_HINT, Icon::Information, Buttons::Ok), IDOK);
  EXPECT_EQ(MessageBox(reinterpret_cast<HWND>(&host), GBK_HINT, "", Icon::Question, Buttons::YesNo), IDYES);
  EXPECT_TRUE(AskOverwrite(GBK_SHASAN ".po1"));
  EXPECT_FALSE(AskOverwrite("b"));
  EXPECT_FALSE(AskOverwrite("c"));  // the last answer repeats
  ShowWaitNotice(GBK_HINT, true);
  ShowProgress(3, 1);
  EXPECT_EQ(out_.Lines(), (std::vector<std::string>{
      R"j({"type":"message","text":"提示","caption":null,"icon":"information","buttons":"ok","owner":"none","answer":"ok"})j",
      R"j({"type":"message","text":"提示","caption":"","icon":"question","buttons":"yesno","owner":"window","answer":"yes"})j",
      R"j({"type":"overwrite","path":"沙三段.po1","answer":"yes"})j",
      R"j({"type":"overwrite","path":"b","answer":"no"})j",
      R"j({"type":"overwrite","path":"c","answer":"no"})j",
      R"j({"type":"wait","text":"提示","show":true})j",
      R"j({"type":"progress","total":3,"current":1})j",
  }));
}

TEST_F(ScriptedBackendTest, DefaultsAnswerNoAndConfirmWhatIsShown) {
  Answer({});
  EXPECT_EQ(AfxMessageBox("q", Icon::Question, Buttons::YesNo), IDNO);
  EXPECT_FALSE(AskOverwrite("a"));
  IntervalDialog interval;
  interval.hint = kMaxHint;
  EXPECT_EQ(interval.DoModal(), IDOK);
  EXPECT_EQ(interval.value, 5);
  KindDialog kind;
  EXPECT_EQ(kind.DoModal(), IDOK);
  EXPECT_EQ(kind.kind, 0);
  HorizonDialog horizon({GBK_SHASAN, GBK_SHASI});
  EXPECT_EQ(horizon.DoModal(), IDOK);
  EXPECT_EQ(horizon.chosen, GBK_SHASAN);
  std::vector<std::string> lines = out_.Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2], std::string(R"j({"type":"dialog","template":"90002","title":"间距:",)j") + kIntervalControlsJson +
                          R"j(,"answer":"default","result":"ok"})j");
  EXPECT_EQ(lines[3],
            R"j({"type":"dialog","template":"90003","title":"Kind","controls":{"1":"确认(&Y)","2":"取消(&N)","2002":"A  a  (&A)","2003":"B(&B)","8008":"W(&W)","9001":"X","9002":"Y"},"checked":"2002","answer":"A  a  (&A)","result":"ok"})j");
  EXPECT_EQ(lines[4],
            R"j({"type":"dialog","template":"HorizonDlg","title":"Horizon","controls":{"1":"确认(&Y)","2":"取消(&N)","1061":"沙三段"},"items":["沙三段","沙四段"],"selected":"沙三段","answer":"沙三段","result":"ok"})j");
}

TEST_F(ScriptedBackendTest, RefusedTextConsumesOneAnswerThenTheNextIsTyped) {
  ScriptedAnswers answers;
  answers.inputs = {"1.5", "12", "cancel", "-3"};
  Answer(answers);
  IntervalDialog first;
  first.hint = kMaxHint;
  EXPECT_EQ(first.DoModal(), IDOK);
  EXPECT_EQ(first.value, 12);
  EXPECT_EQ(first.refusals, 1);
  IntervalDialog second;
  EXPECT_EQ(second.DoModal(), IDCANCEL);
  EXPECT_EQ(second.value, 5);
  IntervalDialog third, fourth;
  EXPECT_EQ(third.DoModal(), IDOK);
  EXPECT_EQ(third.value, -3);
  EXPECT_EQ(fourth.DoModal(), IDOK);  // the last answer repeats
  EXPECT_EQ(fourth.value, -3);
  std::vector<std::string> lines = out_.Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0],
            R"j({"type":"message","text":"请输入整数","caption":null,"icon":"information","buttons":"ok","owner":"window","answer":"ok"})j");
  EXPECT_EQ(lines[1], std::string(R"j({"type":"dialog","template":"90002","title":"间距:",)j") + kIntervalControlsJson +
                          R"j(,"answer":"12","result":"ok"})j");
  EXPECT_NE(lines[2].find(R"j("answer":"cancel","result":"cancel"})j"), std::string::npos) << lines[2];
  EXPECT_NE(lines[3].find(R"j("answer":"-3","result":"ok"})j"), std::string::npos) << lines[3];
}

TEST_F(ScriptedBackendTest, DefaultAfterARefusedTextConfirmsTheValueShownAtOpening) {
  ScriptedAnswers answers;
  answers.inputs = {"12a", "default"};
  Answer(answers);
  IntervalDialog dialog;
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.value, 5);
  EXPECT_EQ(dialog.refusals, 1);
  std::vector<std::string> lines = out_.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[1].find(R"j("answer":"default","result":"ok"})j"), std::string::npos) << lines[1];
}

TEST_F(ScriptedBackendTest, LastAnswerRefusedAgainCancels) {
  ScriptedAnswers answers;
  answers.inputs = {"12a"};
  Answer(answers);
  IntervalDialog first, second;
  EXPECT_EQ(first.DoModal(), IDCANCEL);
  EXPECT_EQ(first.refusals, 1);
  EXPECT_EQ(second.DoModal(), IDCANCEL);
  EXPECT_EQ(second.refusals, 1);
  std::vector<std::string> lines = out_.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[0].find(R"j("type":"message")j"), std::string::npos);
  EXPECT_NE(lines[1].find(R"j("answer":"12a","result":"cancel"})j"), std::string::npos) << lines[1];
}

TEST_F(ScriptedBackendTest, RadioByPositionWithTheCallersAnswer) {
  ScriptedAnswers answers;
  answers.radio = 2;
  answers.radioAnswer = "wg";
  Answer(answers);
  KindDialog kind;
  EXPECT_EQ(kind.DoModal(), IDOK);
  EXPECT_EQ(kind.kind, 2);
  EXPECT_NE(out_.Text().find(R"j("checked":"2002","answer":"wg","result":"ok"})j"), std::string::npos) << out_.Text();
}

TEST_F(ScriptedBackendTest, RadioNulloptOrOutOfRangeCancels) {
  for (std::optional<int> radio : {std::optional<int>(), std::optional<int>(5), std::optional<int>(-1)}) {
    ScriptedAnswers answers;
    answers.radio = radio;
    Answer(answers);
    KindDialog kind;
    EXPECT_EQ(kind.DoModal(), IDCANCEL);
  }
  for (const std::string& line : out_.Lines()) {
    EXPECT_NE(line.find(R"j("answer":"cancel","result":"cancel"})j"), std::string::npos) << line;
  }
}

TEST_F(ScriptedBackendTest, ListEntryByName) {
  ScriptedAnswers answers;
  answers.listEntry = "沙四段";
  Answer(answers);
  HorizonDialog horizon({GBK_SHASAN, GBK_SHASI});
  EXPECT_EQ(horizon.DoModal(), IDOK);
  EXPECT_EQ(horizon.chosen, GBK_SHASI);
  // The record shows the list as it opened, the first entry selected.
  EXPECT_NE(out_.Text().find(R"j("items":["沙三段","沙四段"],"selected":"沙三段","answer":"沙四段","result":"ok"})j"),
            std::string::npos)
      << out_.Text();
}

TEST_F(ScriptedBackendTest, ListEntryNotListedCancelsAChooseOnlyList) {
  ScriptedAnswers answers;
  answers.listEntry = "孔店组";
  Answer(answers);
  HorizonDialog horizon({GBK_SHASAN});
  EXPECT_EQ(horizon.DoModal(), IDCANCEL);
  EXPECT_NE(out_.Text().find(R"j("answer":"孔店组","result":"cancel"})j"), std::string::npos) << out_.Text();
}

TEST_F(ScriptedBackendTest, ListEntryNotListedIsTypedIntoAnEditableList) {
  ScriptedAnswers answers;
  answers.listEntry = "孔店组";
  Answer(answers);
  HorizonDialog horizon({GBK_SHASAN}, "EditableHorizonDlg");
  EXPECT_EQ(horizon.DoModal(), IDOK);
  EXPECT_EQ(horizon.chosen, "\xbf\xd7\xb5\xea\xd7\xe9");
}

TEST_F(ScriptedBackendTest, EmptyListRefusedThenCancelled) {
  Answer({});
  HorizonDialog horizon({});
  EXPECT_EQ(horizon.DoModal(), IDCANCEL);
  std::vector<std::string> lines = out_.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find(R"j("text":"选择层位","caption":null)j"), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1],
            R"j({"type":"dialog","template":"HorizonDlg","title":"Horizon","controls":{"1":"确认(&Y)","2":"取消(&N)","1061":""},"items":[],"selected":null,"answer":"","result":"cancel"})j");
}

TEST_F(ScriptedBackendTest, ListNulloptCancels) {
  ScriptedAnswers answers;
  answers.listEntry = std::nullopt;
  Answer(answers);
  HorizonDialog horizon({GBK_SHASAN});
  EXPECT_EQ(horizon.DoModal(), IDCANCEL);
  EXPECT_NE(out_.Text().find(R"j("answer":"cancel","result":"cancel"})j"), std::string::npos);
}

TEST_F(ScriptedBackendTest, DialogOfThePlainWay) {
  Answer({});
  struct Proc {
    static std::intptr_t Handle(HWND dialog, unsigned message, std::uintptr_t wParam, std::intptr_t) {
      if (message == WM_INITDIALOG) SetDlgItemInt(dialog, 2000, 10, false);
      if (message == WM_COMMAND) EndDialog(dialog, wParam == IDOK ? 1 : 0);
      return 1;
    }
  };
  EXPECT_EQ(DialogBoxParam(test_dialogs::kTemplates[0], nullptr, Proc::Handle, 0), 1);
  EXPECT_NE(out_.Text().find(R"j({"2000":"10",)j"), std::string::npos) << out_.Text();
  EXPECT_NE(out_.Text().find(R"j("answer":"default","result":"ok"})j"), std::string::npos) << out_.Text();
}

// ---- The terminal backend --------------------------------------------------------------

class TerminalBackendTest : public ::testing::Test {
 protected:
  // Installs the terminal backend reading these lines.
  void Type(std::string input) {
    input_ = std::make_unique<Input>(std::move(input));
    backend_ = MakeTerminalBackend(&transcript_, input_->File(), screen_.File());
    InstallUiBackend(backend_.get());
  }
  void TearDown() override { InstallUiBackend(nullptr); }

  test_dialogs::RegisteredTemplates registered_;
  Capture screen_;
  Capture out_;
  Transcript transcript_{out_.File()};
  std::unique_ptr<Input> input_;
  std::unique_ptr<UiBackend> backend_;
};

TEST_F(TerminalBackendTest, MessageBoxWaitsForEnter) {
  Type("\n");
  EXPECT_EQ(AfxMessageBox("\xb4\xf2\xbf\xaa\n" GBK_HINT, Icon::Error, Buttons::Ok), IDOK);
  EXPECT_EQ(screen_.Text(), "\n[strataplot] 错误\n  打开\n  提示\n(按回车继续) \n");
  EXPECT_EQ(out_.Lines(), (std::vector<std::string>{
      R"j({"type":"message","text":"打开\n提示","caption":null,"icon":"error","buttons":"ok","owner":"none","answer":"ok"})j"}));
}

TEST_F(TerminalBackendTest, YesNoAsksUntilYOrN) {
  Type("maybe\ny\nN\n");
  EXPECT_EQ(MessageBox(nullptr, "a", "Cap", Icon::Question, Buttons::YesNo), IDYES);
  EXPECT_EQ(MessageBox(nullptr, "b", "Cap", Icon::Question, Buttons::YesNo), IDNO);
  EXPECT_EQ(screen_.Text(), "\n[Cap]\n  a\n[Y/N] maybe\n[Y/N] y\n\n[Cap]\n  b\n[Y/N] N\n");
}

TEST_F(TerminalBackendTest, EndOfInputAnswersNo) {
  Type("");
  EXPECT_EQ(AfxMessageBox("q", Icon::Question, Buttons::YesNo), IDNO);
  EXPECT_FALSE(AskOverwrite("a"));
  EXPECT_EQ(AfxMessageBox("ok", Icon::Information, Buttons::Ok), IDOK);
}

TEST_F(TerminalBackendTest, OverwriteDefaultsToNo) {
  Type("\ny\nyes\nx\nn\n");
  EXPECT_FALSE(AskOverwrite(GBK_SHASAN ".po1"));
  EXPECT_TRUE(AskOverwrite("b"));
  EXPECT_TRUE(AskOverwrite("c"));
  EXPECT_FALSE(AskOverwrite("d"));
  std::string screen = screen_.Text();
  EXPECT_EQ(screen.substr(0, screen.find('\n') + 1), "文件 沙三段.po1 已存在，是否覆盖? [y/N] \n");
  EXPECT_EQ(out_.Lines()[0], R"j({"type":"overwrite","path":"沙三段.po1","answer":"no"})j");
  EXPECT_EQ(out_.Lines()[3], R"j({"type":"overwrite","path":"d","answer":"no"})j");
}

TEST_F(TerminalBackendTest, InputFormKeepsTheShownValueOnEnter) {
  Type("\n\n");
  IntervalDialog interval;
  interval.hint = kMaxHint;
  EXPECT_EQ(interval.DoModal(), IDOK);
  EXPECT_EQ(interval.value, 5);
  EXPECT_EQ(screen_.Text(),
            "\n"
            "== 间距: ==\n"
            "  ── 提示 ──\n"
            "    最大值 12\n"
            "  间距: [5] \n"
            "确认 (Y) / 取消 (N) [Y]: \n");
  EXPECT_EQ(out_.Lines(), (std::vector<std::string>{std::string(R"j({"type":"dialog","template":"90002","title":"间距:",)j") +
                                                    kIntervalControlsJson + R"j(,"answer":"default","result":"ok"})j"}));
}

TEST_F(TerminalBackendTest, RefusedInputShowsTheMessageAndTheFormAgain) {
  Type("12a\n\n\n7\ny\n");
  IntervalDialog interval;
  EXPECT_EQ(interval.DoModal(), IDOK);
  EXPECT_EQ(interval.value, 7);
  std::vector<std::string> lines = out_.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find(R"j("text":"请输入整数")j"), std::string::npos);
  EXPECT_NE(lines[0].find(R"j("owner":"window")j"), std::string::npos);
  EXPECT_NE(lines[1].find(R"j("controls":{"2000":"5",)j"), std::string::npos) << lines[1];
  EXPECT_NE(lines[1].find(R"j("answer":"7","result":"ok"})j"), std::string::npos) << lines[1];
}

TEST_F(TerminalBackendTest, CancelLetterOrEndOfInputCancels) {
  Type("9\nn\n");
  IntervalDialog first;
  EXPECT_EQ(first.DoModal(), IDCANCEL);
  EXPECT_EQ(first.value, 5);
  IntervalDialog second;  // the input has ended
  EXPECT_EQ(second.DoModal(), IDCANCEL);
  std::vector<std::string> lines = out_.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find(R"j("answer":"cancel","result":"cancel"})j"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(R"j("answer":"cancel","result":"cancel"})j"), std::string::npos) << lines[1];
}

TEST_F(TerminalBackendTest, RadioByShortcutLetterOrNumber) {
  // Each form asks for both radio groups, then for the buttons.
  Type("w\n\n\n" "3\n\n\n" "\n\n\n");
  KindDialog byLetter, byNumber, kept;
  EXPECT_EQ(byLetter.DoModal(), IDOK);
  EXPECT_EQ(byLetter.kind, 2);
  EXPECT_EQ(byNumber.DoModal(), IDOK);
  EXPECT_EQ(byNumber.kind, 2);
  kept.kind = 1;
  EXPECT_EQ(kept.DoModal(), IDOK);
  EXPECT_EQ(kept.kind, 1);
  std::string screen = screen_.Text();
  std::string form =
      "\n"
      "== Kind ==\n"
      "  (*) 1. A a (A)\n"
      "  ( ) 2. B (B)\n"
      "  ( ) 3. W (W)\n"
      "  选择 [1-3 或快捷字母，回车保留当前]: w\n";
  EXPECT_EQ(screen.substr(0, form.size()), form);
  EXPECT_NE(out_.Text().find(R"j("answer":"W (W)","result":"ok"})j"), std::string::npos) << out_.Text();
}

TEST_F(TerminalBackendTest, ListByNumberOrName) {
  Type("2\n\n" "沙三段\n\n" "9\n\n\n");
  HorizonDialog byNumber({GBK_SHASAN, GBK_SHASI}), byName({GBK_SHASAN, GBK_SHASI}), kept({GBK_SHASAN, GBK_SHASI});
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
      "确认 (Y) / 取消 (N) [Y]: \n";
  EXPECT_EQ(screen.substr(0, form.size()), form);
}

TEST_F(TerminalBackendTest, EditableListTakesFreeText) {
  Type("孔店组\n\n");
  HorizonDialog horizon({GBK_SHASAN}, "EditableHorizonDlg");
  EXPECT_EQ(horizon.DoModal(), IDOK);
  EXPECT_EQ(horizon.chosen, "\xbf\xd7\xb5\xea\xd7\xe9");
  EXPECT_NE(out_.Text().find(R"j("answer":"孔店组","result":"ok"})j"), std::string::npos) << out_.Text();
}

TEST_F(TerminalBackendTest, ProgressAndWaitAreRecordedButNotPrintedOffATerminal) {
  Type("");
  ShowProgress(2, 1);
  ShowWaitNotice(GBK_HINT, true);
  ShowWaitNotice(GBK_HINT, false);
  EXPECT_EQ(screen_.Text(), "提示\n");
  EXPECT_EQ(out_.Lines(), (std::vector<std::string>{
      R"j({"type":"progress","total":2,"current":1})j",
      R"j({"type":"wait","text":"提示","show":true})j",
      R"j({"type":"wait","text":"提示","show":false})j",
  }));
}

}  // namespace
}  // namespace platform
