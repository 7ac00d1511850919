// The scripted backend with a transcript around it: the answers it gives, the
// records they make, and what it says of an answer it cannot apply.
#include "console/scripted_backend.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
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

class ScriptedBackendTest : public ::testing::Test {
 protected:
  // Installs the scripted backend with these answers, showing on display_,
  // with a transcript (written to out_) around it.
  void Answer(ScriptedAnswers answers, std::vector<std::string> radioCodes = {},
              bool messages = false) {
    backend_ = MakeScriptedBackend(std::move(answers), {display_.File(), messages, {}});
    transcribing_ = std::make_unique<Transcribing>(*backend_, transcript_, std::move(radioCodes));
    InstallUiBackend(transcribing_.get());
  }
  void TearDown() override { InstallUiBackend(nullptr); }

  test_dialogs::RegisteredTemplates registered_;
  Capture display_;
  Capture out_;
  Transcript transcript_{out_.File()};
  std::unique_ptr<UiBackend> backend_;
  std::unique_ptr<UiBackend> transcribing_;
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
  Answer({}, {}, true);
  AfxMessageBox("\xb4\xf2\xbf\xaa\n\n" GBK_HINT "\n", Icon::Information, Buttons::Ok);
  AfxMessageBox("q", Icon::Question, Buttons::YesNo);
  AskOverwrite("a");
  ShowProgress(2, 1);
  IntervalDialog interval;
  interval.DoModal();
  EXPECT_EQ(display_.Text(), "strataplot: 打开 提示\n");
  EXPECT_EQ(out_.Lines().size(), 5u);
}

// With a receiver of lines (the C API's message callback) the same lines go
// there without their line end, an answer that cannot apply too, and the
// display shows nothing at all, not even progress.
TEST_F(ScriptedBackendTest, LinesGoToTheirReceiverAndNothingToTheDisplay) {
  std::vector<std::string> lines;
  ScriptedAnswers answers;
  answers.radio = 99;
  backend_ = MakeScriptedBackend(
      answers,
      {display_.File(), true, [&lines](const std::string& line) { lines.push_back(line); }});
  InstallUiBackend(backend_.get());
  AfxMessageBox("\xb4\xf2\xbf\xaa\n\n" GBK_HINT "\n", Icon::Information, Buttons::Ok);
  AfxMessageBox("q", Icon::Question, Buttons::YesNo);
  ShowProgress(2, 1);
  ShowWaitNotice(GBK_HINT, true);
  test_dialogs::KindDialog kind;
  EXPECT_EQ(kind.DoModal(), IDCANCEL);
  backend_->Finished(true);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "strataplot: 打开 提示");
  EXPECT_TRUE(lines[1].starts_with("strataplot: --kind: there is no choice 100")) << lines[1];
  EXPECT_EQ(display_.Text(), "");
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
  // Why, on the display, even when messages are not shown there.
  EXPECT_EQ(display_.Text(),
            "strataplot: --interval 12a: refused; the dialog \"间距:\" is cancelled\n"
            "strataplot: --interval 12a: refused; the dialog \"间距:\" is cancelled\n");
}

TEST_F(ScriptedBackendTest, RadioByPositionNamedByItsCode) {
  ScriptedAnswers answers;
  answers.radio = 2;
  Answer(answers, {"sg", "ag", "wg"});
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
  // Cancelling by nullopt is an answer; a position beyond the buttons is not.
  EXPECT_EQ(display_.Text(),
            "strataplot: --kind: there is no choice 6 of 5; the dialog \"Kind\" is cancelled\n"
            "strataplot: --kind: there is no choice 0 of 5; the dialog \"Kind\" is cancelled\n");
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
  EXPECT_EQ(display_.Text(),
            "strataplot: --horizon 孔店组: not in the list (沙三段); the dialog \"Horizon\" is "
            "cancelled\n");
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

}  // namespace
}  // namespace console
