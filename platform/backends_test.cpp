// The scripted and the terminal backend with the transcript: the answers they
// give, and the exact lines they write.

#include "platform/backends.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
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
    file_ =
        text_.empty() ? std::fopen("/dev/null", "r") : fmemopen(text_.data(), text_.size(), "r");
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
  MessageBoxRequest request{"打开文件 a.isc 失败", std::nullopt, Icon::Information, Buttons::Ok,
                            false};
  transcript.Message(request, IDOK);
  request = {"是否继续?", " ", Icon::Question, Buttons::YesNo, true};
  transcript.Message(request, IDNO);
  transcript.Message({"", "", Icon::Error, Buttons::YesNo, true}, IDYES);
  transcript.Message({"", "", Icon::None, Buttons::Ok, true}, IDOK);
  EXPECT_EQ(
      out.Lines(),
      (std::vector<std::string>{
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
  EXPECT_EQ(out.Text(),
            "{\"type\":\"wait\",\"text\":\"a\\\"b\\\\c\\nd\\te\\rf\\bg\\fh\\u0001i\\u001fj\x7f/"
            "沙\",\"show\":true}\n");
}

TEST(TranscriptFormat, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  struct Case {
    std::string text;
    std::string written;
  } cases[] = {
      {"\xD7\xEE\xB4\xF3", r + r + r + r},  // 最大 in GBK, as a terminal may send it
      {"ok \xE6\xB2", "ok " + r + r},       // cut at the end
      {"\xE6\xB2x", r + r + "x"},           // cut in the middle
      {"\xC0\xAF \xE0\x80\xAF", r + r + " " + r + r + r},  // overlong forms of '/'
      {"\xED\xA0\x80", r + r + r},                         // a surrogate
      {"\xF4\x90\x80\x80 \xFF", r + r + r + r + " " + r},  // beyond U+10FFFF; 0xFF
      {"\xF0\x9F\x97\xBA \xC2\xA0 \xEF\xBF\xBD", "\xF0\x9F\x97\xBA \xC2\xA0 \xEF\xBF\xBD"},
  };
  for (const Case& c : cases) {
    Capture out;
    Transcript(out.File()).Overwrite(c.text, true);
    EXPECT_EQ(out.Text(),
              "{\"type\":\"overwrite\",\"path\":\"" + c.written + "\",\"answer\":\"yes\"}\n")
        << c.text;
  }
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
  EXPECT_EQ(MessageBox(reinterpret_cast<HWND>(&host), GBK_HINT, "", Icon::Question, Buttons::YesNo),
            IDYES);
  EXPECT_TRUE(AskOverwrite(GBK_SHASAN ".po1"));
  EXPECT_FALSE(AskOverwrite("b"));
  EXPECT_FALSE(AskOverwrite("c"));  // the last answer repeats
  ShowWaitNotice(GBK_HINT, true);
  ShowProgress(3, 1);
  EXPECT_EQ(
      out_.Lines(),
      (std::vector<std::string>{
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
  EXPECT_EQ(lines[2], std::string(R"j({"type":"dialog","template":"90002","title":"间距:",)j") +
                          kIntervalControlsJson + R"j(,"answer":"default","result":"ok"})j");
  EXPECT_EQ(
      lines[3],
      R"j({"type":"dialog","template":"90003","title":"Kind","controls":{"1":"确认(&Y)","2":"取消(&N)","2002":"A  a  (&A)","2003":"B(&B)","8008":"W(&W)","9001":"X","9002":"Y"},"checked":"2002","answer":"A  a  (&A)","result":"ok"})j");
  EXPECT_EQ(
      lines[4],
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
  EXPECT_EQ(
      lines[0],
      R"j({"type":"message","text":"请输入整数","caption":null,"icon":"information","buttons":"ok","owner":"window","answer":"ok"})j");
  EXPECT_EQ(lines[1], std::string(R"j({"type":"dialog","template":"90002","title":"间距:",)j") +
                          kIntervalControlsJson + R"j(,"answer":"12","result":"ok"})j");
  EXPECT_NE(lines[2].find(R"j("answer":"cancel","result":"cancel"})j"), std::string::npos)
      << lines[2];
  EXPECT_NE(lines[3].find(R"j("answer":"-3","result":"ok"})j"), std::string::npos) << lines[3];
}

TEST_F(ScriptedBackendTest, DefaultAfterARefusalPutsBackTheSuggestion) {
  ScriptedAnswers answers;
  answers.inputs = {"1.5", "default"};
  Answer(answers);
  IntervalDialog interval;
  EXPECT_EQ(interval.DoModal(), IDOK);
  EXPECT_EQ(interval.value, 5);
  EXPECT_EQ(interval.refusals, 1);
  EXPECT_NE(out_.Text().find(R"j({"2000":"5",)j"), std::string::npos) << out_.Text();
  EXPECT_NE(out_.Text().find(R"j("answer":"default","result":"ok"})j"), std::string::npos)
      << out_.Text();
}

TEST_F(ScriptedBackendTest, EchoesMessagesButNotQuestionsOneLineEach) {
  Capture display;
  backend_ = MakeScriptedBackend({}, &transcript_, {display.File(), true});
  InstallUiBackend(backend_.get());
  AfxMessageBox("\xb4\xf2\xbf\xaa\n\n" GBK_HINT "\n", Icon::Information, Buttons::Ok);
  AfxMessageBox("q", Icon::Question, Buttons::YesNo);
  AskOverwrite("a");
  ShowProgress(2, 1);
  IntervalDialog interval;
  interval.DoModal();
  EXPECT_EQ(display.Text(), "strataplot: 打开 提示\n");
  EXPECT_EQ(out_.Lines().size(), 5u);
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
  EXPECT_NE(out_.Text().find(R"j("checked":"2002","answer":"wg","result":"ok"})j"),
            std::string::npos)
      << out_.Text();
}

TEST_F(ScriptedBackendTest, RadioNulloptOrOutOfRangeCancels) {
  for (std::optional<int> radio :
       {std::optional<int>(), std::optional<int>(5), std::optional<int>(-1)}) {
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
  EXPECT_NE(
      out_.Text().find(
          R"j("items":["沙三段","沙四段"],"selected":"沙三段","answer":"沙四段","result":"ok"})j"),
      std::string::npos)
      << out_.Text();
}

TEST_F(ScriptedBackendTest, ListEntryNotListedCancelsAChooseOnlyList) {
  ScriptedAnswers answers;
  answers.listEntry = "孔店组";
  Answer(answers);
  HorizonDialog horizon({GBK_SHASAN});
  EXPECT_EQ(horizon.DoModal(), IDCANCEL);
  EXPECT_NE(out_.Text().find(R"j("answer":"孔店组","result":"cancel"})j"), std::string::npos)
      << out_.Text();
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
  EXPECT_EQ(
      lines[1],
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
    static std::intptr_t Handle(HWND dialog, unsigned message, std::uintptr_t wParam,
                                std::intptr_t) {
      if (message == WM_INITDIALOG) SetDlgItemInt(dialog, 2000, 10, false);
      if (message == WM_COMMAND) EndDialog(dialog, wParam == IDOK ? 1 : 0);
      return 1;
    }
  };
  EXPECT_EQ(DialogBoxParam(test_dialogs::kTemplates[0], nullptr, Proc::Handle, 0), 1);
  EXPECT_NE(out_.Text().find(R"j({"2000":"10",)j"), std::string::npos) << out_.Text();
  EXPECT_NE(out_.Text().find(R"j("answer":"default","result":"ok"})j"), std::string::npos)
      << out_.Text();
}

// ---- The terminal backend --------------------------------------------------------------

class TerminalBackendTest : public ::testing::Test {
 protected:
  // Installs the terminal backend reading these keys.
  void Type(std::string keys, TerminalSettings settings = {}) {
    input_ = std::make_unique<Input>(std::move(keys));
    backend_ =
        MakeTerminalBackend(&transcript_, input_->File(), screen_.File(), std::move(settings));
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
    return std::thread([this, answers] {
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
  std::unique_ptr<UiBackend> backend = MakeTerminalBackend(nullptr, pty.Terminal(), pty.Terminal());
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

}  // namespace
}  // namespace platform
