// A requested cancel ends a run where the platform layer meets it: between
// the chunks of a file read (never within one), at every step of the user
// interface (before it shows anything, or once the backend closed what it
// showed), and at the close of a file written, which is then abandoned. And
// how far a file is read is told a few times per file (every MiB, or every
// hundredth of a file of more than 100 MiB).
#include "platform/cancel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_stream.h"
#include "platform/testing/dialog_testing.h"
#include "platform/ui_backend.h"
#include "scan/chunk_source.h"
#include "testing/temp_dir.h"

namespace platform {
namespace {

using test_support::ReadFile;
using test_support::TempDir;

// Records what reaches it; `during` runs while a box, question or dialog is shown.
class Recorder : public UiBackend {
 public:
  std::vector<std::string> seen;
  struct Report {
    std::string file;
    std::uint64_t done, size;
  };
  std::vector<Report> reading;
  std::function<void()> during = [] {};

  int ShowMessage(const MessageBoxRequest&) override {
    seen.push_back("message");
    during();
    return IDOK;
  }
  bool AskOverwrite(const std::string&) override {
    seen.push_back("overwrite");
    during();
    return true;
  }
  void RunDialog(DialogSession& session) override {
    seen.push_back("dialog");
    during();
    if (!CancelRequested()) session.PressOk();
  }
  void Progress(int, int) override { seen.push_back("progress"); }
  void Wait(const std::string&, bool) override { seen.push_back("wait"); }
  void Reading(const std::string& file, std::uint64_t done, std::uint64_t size) override {
    reading.push_back({file, done, size});
  }
};

class Cancelling : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetCancel();
    InstallUiBackend(&backend_);
    plan_ = scan::CurrentReadingPlan();
  }
  void TearDown() override {
    ResetCancel();
    InstallUiBackend(nullptr);
    scan::SetReadingPlan(plan_);
  }

  // A file of count fields "1.5" on lines of their own.
  std::string Numbers(const char* name, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += "1.5\n";
    dir_.Put(name, text);
    return (dir_ / name).string();
  }

  Recorder backend_;
  TempDir dir_;
  scan::ReadingPlan plan_;
};

const DialogTemplate kDialog = test_dialogs::kTemplates[0];

std::intptr_t OkProcedure(HWND dialog, unsigned message, std::uintptr_t wParam, std::intptr_t) {
  if (message == WM_COMMAND) EndDialog(dialog, static_cast<std::intptr_t>(wParam));
  return message == WM_INITDIALOG ? 1 : 0;
}

// Every step of the user interface, as the library takes it.
const std::vector<std::pair<const char*, std::function<void()>>> kSteps = {
    {"message", [] { MessageBox(nullptr, "text", nullptr, Icon::Error, Buttons::Ok); }},
    {"framework message", [] { AfxMessageBox("text", Icon::Information, Buttons::YesNo); }},
    {"overwrite", [] { AskOverwrite("name"); }},
    {"dialog", [] { DialogBoxParam(kDialog, nullptr, OkProcedure, 0); }},
    {"progress", [] { ShowProgress(3, 1); }},
    {"wait", [] { ShowWaitNotice("text", true); }},
};

TEST_F(Cancelling, EveryStepOfTheUserInterfaceEndsARunAskedToEndWithoutShowingAnything) {
  for (const auto& [name, step] : kSteps) {
    ResetCancel();
    step();  // not asked: it runs
    EXPECT_FALSE(backend_.seen.empty()) << name;
    backend_.seen.clear();
    RequestCancel();
    EXPECT_THROW(step(), Cancelled) << name;
    EXPECT_TRUE(backend_.seen.empty()) << name;
  }
}

TEST_F(Cancelling, ABoxQuestionOrDialogOpenWhenTheRequestComesClosesAndEndsTheRun) {
  backend_.during = [] { RequestCancel(); };
  for (const auto& [name, step] : kSteps) {
    if (std::string(name) == "progress" || std::string(name) == "wait") continue;
    ResetCancel();
    EXPECT_THROW(step(), Cancelled) << name;
  }
  EXPECT_EQ(backend_.seen, (std::vector<std::string>{"message", "message", "overwrite", "dialog"}));
}

TEST_F(Cancelling, AReadEndsAtTheNextChunkNeverWithinOne) {
  scan::ReadingPlan plan;
  plan.threads = 1;
  plan.chunkBytes = 4096;
  scan::SetReadingPlan(plan);
  const std::string name = Numbers("numbers", 10000);  // 40 000 bytes: ten chunks
  HFILE file = OpenFile(name.c_str(), OF_READ);
  ASSERT_NE(file, HFILE_ERROR);
  FileStream* stream = StreamOf(file);
  scan::ScannedNumber number;
  ASSERT_TRUE(stream->NextNumber(number));
  RequestCancel();
  // The rest of the chunk in hand is read as ever; the next one is not.
  int read = 1;
  EXPECT_THROW(while (stream->NextNumber(number))++ read, Cancelled);
  EXPECT_EQ(read, 1024);  // a chunk of 4096 bytes holds 1024 fields of 4
  EXPECT_EQ(_lclose(file), 0);
}

TEST_F(Cancelling, AFileBeingWrittenIsAbandonedAndTheOneItReplacesStays) {
  dir_.Put("map", "old");
  const std::string name = (dir_ / "map").string();
  HFILE earlier = OpenFile((dir_ / "earlier").string().c_str(), OF_CREATE_WRITE);
  HFILE file = OpenFile(name.c_str(), OF_CREATE_WRITE);
  ASSERT_NE(file, HFILE_ERROR);
  StreamOf(earlier)->Write("whole\n");
  ASSERT_EQ(_lclose(earlier), 0);
  StreamOf(file)->Write("new map\n");
  RequestCancel();
  EXPECT_THROW(_lclose(file), Cancelled);
  EXPECT_EQ(ReadFile(dir_ / "map"), "old");
  EXPECT_EQ(ReadFile(dir_ / "earlier"), "whole\n");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"earlier", "map"}));
  // A file read is closed as ever.
  HFILE read = OpenFile(name.c_str(), OF_READ);
  EXPECT_EQ(_lclose(read), 0);
}

TEST_F(Cancelling, HowFarAFileIsReadIsToldAboutEveryHundredthAndAtItsEnd) {
  scan::ReadingPlan plan;
  plan.threads = 1;
  plan.chunkBytes = 16 << 10;
  scan::SetReadingPlan(plan);
  struct Case {
    std::size_t fields;
    std::size_t reports;  // at the most
  } cases[] = {
      {100000, 0},         // 400 kB: read without a word
      {400000, 1 + 1},     // 1.6 MB: every MiB and at the end
      {10 << 20, 40 + 1},  // 40 MiB
  };
  for (const Case& c : cases) {
    backend_.reading.clear();
    const std::string name = Numbers("numbers", c.fields);
    HFILE file = OpenFile(name.c_str(), OF_READ);
    scan::ScannedNumber number;
    std::size_t read = 0;
    while (StreamOf(file)->NextNumber(number)) ++read;
    EXPECT_EQ(read, c.fields);
    _lclose(file);
    const std::uint64_t size = c.fields * 4;
    ASSERT_LE(backend_.reading.size(), c.reports) << size;
    if (c.reports == 0) continue;
    ASSERT_GE(backend_.reading.size(), 2u) << size;
    for (std::size_t i = 0; i < backend_.reading.size(); ++i) {
      EXPECT_EQ(backend_.reading[i].file, name);
      EXPECT_EQ(backend_.reading[i].size, size);
      if (i > 0) {
        EXPECT_GT(backend_.reading[i].done, backend_.reading[i - 1].done);
      }
    }
    EXPECT_EQ(backend_.reading.back().done, size);
  }
  EXPECT_EQ(ReadingText("demo.doe", 1250000000, 3500000000),
            "读取 demo.doe 35% (1.25 GB / 3.50 GB)");
  EXPECT_EQ(ReadingText("demo.doe", 12000000, 0), "读取 demo.doe 12.0 MB");
}

}  // namespace
}  // namespace platform
