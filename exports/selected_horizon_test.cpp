// The selected horizon outlives a call while the library stays loaded. The
// host makes one call per process, so these tests call the profile several
// times in one process (shared-framework build, scripted or terminal UI).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "common/common.h"
#include "console/scripted_backend.h"
#include "console/terminal_backend.h"
#include "console/transcript.h"
#include "dialogs/module_state.h"
#include "saprofile/saprofile.h"
#include "testing/host_harness.h"

namespace strataplot {
namespace {

using test_support::Gbk;
using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

char mainWindow;
HWND const kWindow = reinterpret_cast<HWND>(&mainWindow);

class SelectedHorizon : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    module_state::selectedHorizon.clear();
    SetProjName("demo");
    test_support::WriteFile(dir_ / "demo.isc", Gbk("H1 H2 沙三段\n"));
    for (const char* prefix : {"demo", "H1", "H2", "沙三段", ""}) {
      test_support::WriteFile(dir_ / (std::string(prefix) + ".ids"), "d\n0 1\n");
      test_support::WriteFile(dir_ / (std::string(prefix) + ".ips"), "p\n0 100\n");
      test_support::WriteFile(dir_ / (std::string(prefix) + ".ica"), "c\n1000 1\n");
    }
  }
  void TearDown() override {
    platform::InstallUiBackend(nullptr);
    SetProjName("");
    std::filesystem::current_path(previous_);
  }

  // Scripted answers: the list entry to choose, nullopt to cancel.
  void Answer(std::optional<std::string> entry) {
    console::ScriptedAnswers answers;
    answers.listEntry = std::move(entry);
    answers.overwrites = {true};
    Install(console::MakeScriptedBackend(answers));
  }

  // Installs the backend with the transcript around it.
  void Install(std::unique_ptr<platform::UiBackend> backend) {
    backend_ = std::move(backend);
    transcribing_ = std::make_unique<console::Transcribing>(*backend_, transcript_);
    platform::InstallUiBackend(transcribing_.get());
  }

  // The name line of the profile written for prefix (UTF-8); the file is removed.
  std::string TakeNameLine(const std::string& prefix) {
    std::string text = test_support::ReadFile(dir_ / (prefix + ".dsa")).value_or("<missing>");
    std::filesystem::remove(dir_ / (prefix + ".dsa"));
    return text.substr(0, text.find('\n'));
  }

  std::vector<std::string> Records() {
    std::vector<std::string> records;
    std::rewind(log_.get());
    char line[4096];
    while (std::fgets(line, sizeof line, log_.get()) != nullptr) records.emplace_back(line);
    return records;
  }

  test_support::TempDir dir_;
  std::filesystem::path previous_;
  File log_{std::tmpfile(), std::fclose};
  console::Transcript transcript_{log_.get()};
  std::unique_ptr<platform::UiBackend> backend_;
  std::unique_ptr<console::Transcribing> transcribing_;
};

TEST_F(SelectedHorizon, IsKeptAcrossCalls) {
  // Before any choice the files have no name.
  Answer("H2");
  EXPECT_EQ(MakeSa(kWindow, 3), 1);
  EXPECT_EQ(TakeNameLine(""), "");

  EXPECT_EQ(MakeSa(kWindow, 2), 1);
  EXPECT_EQ(TakeNameLine("H2"), "H2");
  // Other modes reuse it without asking; mode 1 neither asks nor changes it.
  EXPECT_EQ(MakeSa(kWindow, 3), 1);
  EXPECT_EQ(TakeNameLine("H2"), "H2");
  EXPECT_EQ(MakeSa(kWindow, 1), 1);
  EXPECT_EQ(TakeNameLine("demo"), " all");
  EXPECT_EQ(MakeSa(kWindow, 0), 1);
  EXPECT_EQ(TakeNameLine("H2"), "H2");
  EXPECT_EQ(Records().size(), 6u) << "one dialog, and a success message per call";

  // A cancelled choice keeps the earlier one; a confirmed one replaces it.
  Answer(std::nullopt);
  EXPECT_EQ(MakeSa(kWindow, 2), -1);
  EXPECT_EQ(MakeSa(kWindow, -4), 1);
  EXPECT_EQ(TakeNameLine("H2"), "H2");
  Answer("H1");
  EXPECT_EQ(MakeSa(kWindow, 2), 1);
  EXPECT_EQ(MakeSa(kWindow, 4), 1);
  EXPECT_EQ(TakeNameLine("H1"), "H1");
}

TEST_F(SelectedHorizon, WithoutAProjectTheDialogOpensEmptyAndNothingIsRead) {
  SetProjName("");
  Answer("");
  EXPECT_EQ(MakeSa(kWindow, 2), -1);
  EXPECT_EQ(MakeSa(kWindow, 1), -1);
  EXPECT_EQ(MakeSa(kWindow, 3), -1);
  std::vector<std::string> records = Records();
  ASSERT_EQ(records.size(), 2u) << "no message about the horizon file";
  EXPECT_NE(records[0].find("\"text\":\"请选择一个烃源岩层位\""), std::string::npos) << records[0];
  EXPECT_NE(records[1].find("\"items\":[],\"selected\":null"), std::string::npos) << records[1];
}

TEST_F(SelectedHorizon, ChosenAtATerminal) {
  // The third name by its number, then Enter on the buttons line.
  std::string typed = "3\n\n\n";
  File in(fmemopen(typed.data(), typed.size(), "r"), std::fclose);
  File out(std::tmpfile(), std::fclose);
  ASSERT_TRUE(in && out);
  Install(console::MakeTerminalBackend(in.get(), out.get()));
  EXPECT_EQ(MakeSa(kWindow, 2), 1);
  EXPECT_EQ(module_state::selectedHorizon, Gbk("沙三段"));
  EXPECT_EQ(TakeNameLine("沙三段"), Gbk("沙三段"));
}

}  // namespace
}  // namespace strataplot
