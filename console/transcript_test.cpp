// The transcript's records, and the transcript around a backend.
#include "console/transcript.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/cancel.h"
#include "platform/testing/dialog_testing.h"
#include "testing/streams.h"

namespace console {
namespace {

using namespace platform;
using test_support::Capture;

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

TEST(TranscriptFormat, CancelledHasNoFields) {
  Capture out;
  Transcript(out.File()).Cancelled();
  EXPECT_EQ(out.Text(), "{\"type\":\"cancelled\"}\n");
}

// A backend whose user cancels the run while a box or question is open.
class CancellingBackend : public UiBackend {
 public:
  int ShowMessage(const MessageBoxRequest&) override {
    RequestCancel();
    return IDOK;
  }
  bool AskOverwrite(const std::string&) override {
    RequestCancel();
    return false;
  }
  void RunDialog(DialogSession&) override { RequestCancel(); }
  void Progress(int, int) override {}
  void Wait(const std::string&, bool) override {}
};

TEST(Transcribing, AnInteractionTheCancelClosedAndHowFarFilesAreReadAreNotRecorded) {
  Capture out;
  Transcript transcript(out.File());
  CancellingBackend backend;
  Transcribing transcribing(backend, transcript);
  InstallUiBackend(&transcribing);
  ShowReading("demo.doe", 1, 2);
  for (auto step : std::vector<void (*)()>{
           [] { MessageBox(nullptr, "text", nullptr, Icon::Error, Buttons::Ok); },
           [] { AskOverwrite("a"); },
       }) {
    ResetCancel();
    EXPECT_THROW(step(), Cancelled);
  }
  ResetCancel();
  InstallUiBackend(nullptr);
  EXPECT_EQ(out.Text(), "");
}

TEST(TranscriptFormat, WithoutAStreamNothingIsWritten) {
  Transcript transcript(nullptr);
  transcript.Progress(1, 0);
  transcript.Overwrite("x", true);
}

}  // namespace
}  // namespace console
