// A run cancelled at any of its steps ends with -1: the map being written is
// not kept (the file it was to replace untouched), the maps finished before
// are, and nothing else of the run is left (shared-framework build, the
// sample project's oil expulsion maps).
#include "platform/cancel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "common/common.h"
#include "console/scripted_backend.h"
#include "exports/exports.h"
#include "testing/host_harness.h"

namespace {

using test_support::TempDir;

char mainWindow;
HWND const kWindow = reinterpret_cast<HWND>(&mainWindow);

// The scripted answers (OK on every suggested interval, overwrite yes), with a
// user who cancels the run when `when` says so, while that step is shown.
class CancellingUser final : public platform::UiBackend {
 public:
  enum class Step { Message, Overwrite, Dialog, Progress };
  CancellingUser(std::function<bool(Step, int count)> when) : when_(std::move(when)) {
    console::ScriptedAnswers answers;
    answers.overwrites = {true};
    answers.yes = true;
    scripted_ = console::MakeScriptedBackend(answers);
  }
  int ShowMessage(const platform::MessageBoxRequest& request) override {
    Maybe(Step::Message);
    return scripted_->ShowMessage(request);
  }
  bool AskOverwrite(const std::string& path) override {
    Maybe(Step::Overwrite);
    return scripted_->AskOverwrite(path);
  }
  void RunDialog(platform::DialogSession& session) override {
    Maybe(Step::Dialog);
    if (!platform::CancelRequested()) scripted_->RunDialog(session);
  }
  void Progress(int total, int current) override {
    Maybe(Step::Progress);
    scripted_->Progress(total, current);
  }
  void Wait(const std::string&, bool) override {}

 private:
  void Maybe(Step step) {
    if (when_(step, ++counts_[step])) platform::RequestCancel();
  }
  std::function<bool(Step, int)> when_;
  std::map<Step, int> counts_;
  std::unique_ptr<platform::UiBackend> scripted_;
};

using Step = CancellingUser::Step;

// Every file of the directory and its bytes.
std::map<std::string, std::string> Files(const std::filesystem::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    files[entry.path().filename().string()] = TempDir::Contents(entry.path());
  return files;
}

// Runs the export in a copy of the sample project where the second horizon's
// map is there already ("old").
std::map<std::string, std::string> RunExport(const TempDir& dir, CancellingUser& user,
                                             std::int32_t& result) {
  test_support::CopySample(dir.path());
  dir.Put("沙四段.po2", "old");
  const std::filesystem::path here = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  SetProjName("demo");
  platform::ResetCancel();
  platform::InstallUiBackend(&user);
  result = MakePaiYou(kWindow);
  platform::InstallUiBackend(nullptr);
  platform::ResetCancel();
  SetProjName("");
  std::filesystem::current_path(here);
  return Files(dir.path());
}

TEST(CancelledExport, KeepsTheMapsFinishedBeforeAndNothingOfTheOneBeingWritten) {
  TempDir completeDir;
  CancellingUser nobody([](Step, int) { return false; });
  std::int32_t result = 0;
  const std::map<std::string, std::string> complete = RunExport(completeDir, nobody, result);
  ASSERT_EQ(result, 1);
  const std::map<std::string, std::string> before = Files(test_support::SampleDir());

  struct Case {
    const char* when;
    Step step;
    int count;
    std::vector<std::string> kept;  // maps of the complete run
  } cases[] = {
      {"the first progress step", Step::Progress, 1, {}},
      {"the second horizon's step", Step::Progress, 3, {"沙三段.po1"}},
      {"the second horizon's overwrite question", Step::Overwrite, 1, {"沙三段.po1"}},
      {"the second horizon's interval", Step::Dialog, 2, {"沙三段.po1"}},
      {"the total's interval", Step::Dialog, 4, {"沙三段.po1", "沙四段.po2", "Ek1.po3"}},
      {"the completion message",
       Step::Message,
       1,
       {"沙三段.po1", "沙四段.po2", "Ek1.po3", "demo.pot"}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    CancellingUser user([&c](Step step, int count) { return step == c.step && count == c.count; });
    const std::map<std::string, std::string> files = RunExport(dir, user, result);
    EXPECT_EQ(result, -1) << c.when;
    std::map<std::string, std::string> expected = before;
    expected["沙四段.po2"] = "old";
    for (const std::string& map : c.kept) expected[map] = complete.at(map);
    EXPECT_EQ(files, expected) << c.when;
  }
}

}  // namespace
