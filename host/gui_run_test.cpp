// `strataplot --gui`: the exports run with windows, in this process, driven by
// key presses; their maps and transcripts equal the batch run's with the same
// answers. And without a display, --gui ends with the host's error status.
#include "host/gui_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "console/transcript.h"
#include "platform/cancel.h"
#include "qtui/progress_window.h"
#include "qtui/testing/gui_driver.h"
#include "testing/host_harness.h"
#include "testing/long_read.h"
#include "testing/streams.h"

namespace host {
namespace {

using qtui::testing::Enter;
using qtui::testing::Press;
using qtui::testing::Step;
using qtui::testing::Type;
using test_support::HostRun;
using test_support::TempDir;

const QString kOil = "输入油强度间距值";
const QString kGas = "输入生(排)气强度间距值";
const QString kBox = "Strataplot";

std::function<void(QWidget*)> TypeThenEnter(const QString& text) {
  return [text](QWidget* window) {
    Type(window, text);
    Enter(window);
  };
}

// Every file of a directory and its bytes.
std::map<std::string, std::string> Files(const std::filesystem::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    files[entry.path().filename().string()] = test_support::ReadFile(entry.path()).value_or("");
  }
  return files;
}

class GuiRun : public ::testing::Test {
 protected:
  GuiRun() {
    for (const TempDir* dir : {&batch_, &windowed_}) {
      test_support::CopySample(dir->path());
      std::filesystem::remove(dir->path() / "README.md");
    }
  }

  // The command in batch with these answers.
  HostRun Batch(std::vector<std::string> args, const std::string& command) {
    args.insert(args.begin(), {"-p", "demo"});
    args.push_back(command);
    return test_support::RunHost(batch_.path(), args);
  }

  // The command with windows, the steps typed in order; the transcript in
  // windowedTranscript_. Returns the export's result.
  std::optional<std::int32_t> Windowed(Command command, int mode, const std::vector<Step>& steps) {
    std::string error;
    auto library = LoadedLibrary::Load(LibraryPath("shared"), error);
    EXPECT_TRUE(library) << error;
    if (!library) return std::nullopt;
    std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(windowed_.path());
    std::FILE* file = std::tmpfile();
    std::optional<std::int32_t> result;
    {
      console::Transcript transcript(file);
      WindowedRun run(*library, command, "demo", mode, &transcript, nullptr);
      QObject::connect(&run, &WindowedRun::finished, [&](qint32 returned) { result = returned; });
      run.Start();
      EXPECT_TRUE(qtui::testing::Drive(steps));
      EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 20000));
      if (!result) std::_Exit(1);  // the export still waits for a window: no way out
    }
    std::filesystem::current_path(here);
    std::rewind(file);
    char line[8192];
    while (std::fgets(line, sizeof line, file) != nullptr) {
      std::string record = line;
      record.pop_back();
      windowedTranscript_.push_back(record);
    }
    std::fclose(file);
    return result;
  }

  void ExpectSameOutcome(const HostRun& batch) {
    EXPECT_EQ(windowedTranscript_, batch.transcript);
    EXPECT_EQ(Files(windowed_.path()), Files(batch_.path()));
  }

  TempDir batch_;
  TempDir windowed_;
  std::vector<std::string> windowedTranscript_;
};

TEST_F(GuiRun, OilExpulsionWithARefusedIntervalAndTheDeepPassEqualsTheBatchRun) {
  HostRun batch = Batch({"--interval", "1.5,12,default", "--deep", "yes"}, "oil-expulsion");
  ASSERT_EQ(batch.exitStatus, 0) << batch.errorOutput;
  std::vector<Step> steps = {
      {kOil, TypeThenEnter("1.5")},  // refused
      {kBox, Enter},
      {kOil, TypeThenEnter("12")},  // the same dialog, still open
      {kOil, Enter},
      {kOil, Enter},
      {kOil, Enter},
      {kBox, Enter},                                                         // the maps written
      {kBox, [](QWidget* box) { Press(box, Qt::Key_Y, Qt::AltModifier); }},  // the deep pass: Yes
      {kOil, Enter},
      {kOil, Enter},
      {kOil, Enter},
      {kOil, Enter},
      {kBox, Enter},
  };
  EXPECT_EQ(Windowed(Command::OilExpulsion, 1, steps), 1);
  ExpectSameOutcome(batch);
  EXPECT_TRUE(std::filesystem::exists(windowed_ / "demo.ppt"));
}

TEST_F(GuiRun, GasMapsOfTheKindChosenByItsLetterEqualTheBatchRun) {
  HostRun batch = Batch({"--kind", "wg", "--interval", "3,default"}, "gas");
  ASSERT_EQ(batch.exitStatus, 0) << batch.errorOutput;
  std::vector<Step> steps = {
      {"选择强度图类型",
       [](QWidget* window) {
         Press(window, Qt::Key_W);
         Enter(window);
       }},
      {kGas, TypeThenEnter("3")},
      {kGas, Enter},
      {kGas, Enter},
      {kGas, Enter},
      {kBox, Enter},
  };
  EXPECT_EQ(Windowed(Command::Gas, 1, steps), 1);
  ExpectSameOutcome(batch);
  EXPECT_TRUE(std::filesystem::exists(windowed_ / "demo.wgt"));
}

TEST_F(GuiRun, HorizonChosenFromTheListReachesTheSaturationProfile) {
  // The third horizon has no profiles: the export says so, as in batch.
  HostRun batch = Batch({"--mode", "2", "--horizon", "Ek1"}, "saturation");
  ASSERT_EQ(batch.exitStatus, 1) << batch.errorOutput;
  std::vector<Step> steps = {
      {"选择层位",
       [](QWidget* window) {
         Press(window, Qt::Key_S, Qt::AltModifier);
         Press(window, Qt::Key_End);
         Enter(window);
       }},
      {kBox, Enter},
  };
  EXPECT_EQ(Windowed(Command::Saturation, 2, steps), -1);
  ExpectSameOutcome(batch);
}

// Cancelled from the progress window while the second horizon's quantities
// are read, as the reading moves: the run ends with -1 and its transcript
// with "cancelled"; the first map stays, the second keeps what it had and no
// temporary file is left; in both builds, by each of the ways to cancel.
TEST(GuiCancel, DuringALongReadKeepsTheMapFinishedBeforeAndNothingOfTheOneBeingWritten) {
  const std::map<std::string, std::function<void(qtui::ProgressWindow*)>> ways = {
      {"the Cancel button",
       [](qtui::ProgressWindow* window) {
         QPushButton* button = window->findChild<QPushButton*>();
         ASSERT_NE(button, nullptr);
         QTest::mouseClick(button, Qt::LeftButton);
       }},
      {"Escape", [](qtui::ProgressWindow* window) { QTest::keyClick(window, Qt::Key_Escape); }},
      {"the close box", [](qtui::ProgressWindow* window) { window->close(); }},
  };
  for (const char* build : {"shared", "static"}) {
    for (const auto& [way, cancel] : ways) {
      SCOPED_TRACE(std::string(build) + ", " + way);
      std::string error;
      auto library = LoadedLibrary::Load(LibraryPath(build), error);
      ASSERT_TRUE(library) << error;
      TempDir dir;
      test_support::LongReadProject project(dir);
      std::filesystem::path here = std::filesystem::current_path();
      std::filesystem::current_path(dir.path());
      test_support::Capture transcribed;
      console::Transcript transcript(transcribed.File());
      std::optional<std::int32_t> result;
      WindowedRun run(*library, Command::OilExpulsion, "demo", 1, &transcript, nullptr);
      QObject::connect(&run, &WindowedRun::finished, [&](qint32 returned) { result = returned; });
      run.Start();
      EXPECT_TRUE(qtui::testing::Drive({
          {kOil, Enter},                                                         // H1.po1 written
          {kBox, [](QWidget* box) { Press(box, Qt::Key_Y, Qt::AltModifier); }},  // H2.po2: replace
      }));
      // The read of H2's quantities goes on past 3 MiB of the file, and waits.
      qtui::ProgressWindow* progress = run.Backend().ProgressDisplay();
      ASSERT_NE(progress, nullptr);
      EXPECT_TRUE(
          QTest::qWaitFor([&] { return progress->ReadingText() == "读取 demo.doe 3.1 MB"; }, 20000))
          << progress->ReadingText().toStdString();
      EXPECT_EQ(project.PartialFiles(), 1);
      cancel(progress);
      EXPECT_TRUE(platform::CancelRequested());
      EXPECT_TRUE(progress->isVisible());  // saying so, until the run has ended
      project.ReadOn();
      EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 20000));
      if (!result) std::_Exit(1);  // the export still waits: no way out
      std::filesystem::current_path(here);
      EXPECT_EQ(*result, -1);
      EXPECT_TRUE(run.Cancelled());
      EXPECT_FALSE(platform::CancelRequested());  // cleared for the next run
      EXPECT_FALSE(progress->isVisible());
      std::vector<std::string> records = transcribed.Lines();
      ASSERT_FALSE(records.empty());
      EXPECT_EQ(records.back(), R"j({"type":"cancelled"})j");
      EXPECT_EQ(std::count_if(records.begin(), records.end(),
                              [](const std::string& r) { return r.find("cancel") != r.npos; }),
                1);
      EXPECT_TRUE(TempDir::Contents(dir / "H1.po1").ends_with("\n"));
      EXPECT_EQ(TempDir::Contents(dir / "H2.po2"), "old");
      EXPECT_FALSE(std::filesystem::exists(dir / "demo.pot"));
      EXPECT_EQ(project.PartialFiles(), 0);
    }
  }
}

TEST(GuiWithoutDisplay, EndsWithTheHostsErrorStatusAndSaysWhy) {
  struct Case {
    const char* display;  // nullptr: unset
    const char* says;
  } cases[] = {{nullptr, "--gui needs a display"}, {":97", "--gui cannot show windows"}};
  TempDir dir;
  std::map<std::string, std::optional<std::string>> saved;
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    saved[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
    unsetenv(name);
  }
  for (const Case& c : cases) {
    if (c.display != nullptr) setenv("DISPLAY", c.display, 1);
    HostRun run = test_support::RunHost(dir.path(), {"--gui", "-p", "demo", "oil-expulsion"});
    EXPECT_EQ(run.exitStatus, 2) << run.errorOutput;
    EXPECT_TRUE(test_support::Contains(run.errorOutput, c.says)) << run.errorOutput;
    unsetenv("DISPLAY");
  }
  for (const auto& [name, value] : saved) {
    if (value) setenv(name.c_str(), value->c_str(), 1);
  }
}

}  // namespace
}  // namespace host
