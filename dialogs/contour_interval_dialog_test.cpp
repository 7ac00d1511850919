// The contour interval dialog, run in-process with the scripted backend.
#include "dialogs/contour_interval_dialog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "console/scripted_backend.h"
#include "console/transcript.h"
#include "dialogs/templates.h"
#include "platform/platform.h"

namespace strataplot {
namespace {

class IntervalDialog : public ::testing::Test {
 protected:
  // The templates are found as when the shared-framework build is loaded.
  void SetUp() override {
    platform::RegisterDialogTemplates(this, templates::FrameworkTemplates());
  }
  void TearDown() override { platform::UnregisterDialogTemplates(this); }

  // Runs the dialog with the answers and returns its result; the transcript in records_.
  int Run(GetOilDlg& dialog, std::vector<std::string> inputs) {
    std::FILE* out = std::tmpfile();
    console::Transcript transcript(out);
    console::ScriptedAnswers answers;
    answers.inputs = std::move(inputs);
    auto backend = console::MakeScriptedBackend(answers);
    console::Transcribing transcribing(*backend, transcript);
    platform::InstallUiBackend(&transcribing);
    int result = dialog.DoModal();
    platform::InstallUiBackend(nullptr);
    std::rewind(out);
    char line[4096];
    records_.clear();
    while (std::fgets(line, sizeof line, out) != nullptr) records_.push_back(line);
    std::fclose(out);
    return result;
  }
  std::vector<std::string> records_;
};

TEST_F(IntervalDialog, DefaultComesBackOnOk) {
  GetOilDlg dialog;
  dialog.value = 5;
  EXPECT_EQ(Run(dialog, {"default"}), platform::IDOK);
  EXPECT_EQ(dialog.value, 5);
}

TEST_F(IntervalDialog, RefusesWhatIsNotAWholeNumberAndStaysOpen) {
  GetOilDlg dialog;
  dialog.value = 5;
  EXPECT_EQ(Run(dialog, {"12a", "1.5", "", "-3"}), platform::IDOK);
  EXPECT_EQ(dialog.value, -3) << "0 and negative numbers come back as they are";
  ASSERT_EQ(records_.size(), 4u);
  for (int i = 0; i < 3; ++i)
    EXPECT_NE(records_[i].find("\"type\":\"message\""), std::string::npos);
  EXPECT_NE(records_[0].find("\"owner\":\"window\""), std::string::npos);
}

TEST_F(IntervalDialog, CaptionReplacesTheTitleOnlyWhenGiven) {
  GetOilDlg dialog;
  dialog.caption = "输入生(排)气强度间距值";
  EXPECT_EQ(Run(dialog, {"cancel"}), platform::IDCANCEL);
  EXPECT_EQ(dialog.value, 0);
  ASSERT_EQ(records_.size(), 1u);
  std::string title = platform::GbkToUtf8("\"title\":\"输入生(排)气强度间距值\"").value();
  EXPECT_NE(records_[0].find(title), std::string::npos) << records_[0];

  GetOilDlg plain;
  Run(plain, {"default"});
  ASSERT_EQ(records_.size(), 1u);
  EXPECT_NE(records_[0].find(platform::GbkToUtf8("\"title\":\"输入油强度间距值\"").value()),
            std::string::npos);
  // Empty prompt and hint texts replace the template's placeholders.
  EXPECT_NE(records_[0].find("\"1041\":\"\",\"1043\":\"\""), std::string::npos) << records_[0];
}

}  // namespace
}  // namespace strataplot
