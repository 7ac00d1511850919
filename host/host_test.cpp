// The host program as a person meets it in batch: the library's messages on
// standard error, and its own messages when it cannot run an export.
#include <gtest/gtest.h>

#include "testing/host_harness.h"

namespace {

using namespace test_support;

class HostBatch : public ExportTest {
 protected:
  HostBatch() : ExportTest("oil-expulsion") {}
  void SetUp() override {
    WriteProject(dir_, {"demo", 1, {"H1"}, "100 200 2 2 1 2\n1 1\n"});
    WriteFile(dir_ / "demo.doe", "8\n4\n");
  }
};

TEST_F(HostBatch, MessagesGoToStandardErrorOneLineEachButNotTheQuestions) {
  HostRun run = Run({"--interval", "1.5,default"});
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_EQ(run.errorOutput,
            "strataplot: 请输入一个整数.\n"
            "strataplot: 排油强度图文件生成. 分别在文件demo*.po?和demo.pot中\n");
  EXPECT_EQ(RecordsOfType(run, "message").size(), 3u) << "the transcript has the question too";
}

TEST_F(HostBatch, QuietKeepsStandardErrorEmpty) {
  HostRun run = Run({"--quiet"});
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_EQ(run.errorOutput, "");
}

TEST_F(HostBatch, RemovesWhatKilledRunsLeftBehindAndSaysSo) {
  WriteFile(dir_ / ".H1.po1.999999-0.partial", "half a map");
  HostRun run = Run({"--quiet"});
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_EQ(run.errorOutput,
            "strataplot: removed 1 temporary file that a run which did not finish left behind: "
            ".H1.po1.999999-0.partial\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / ".H1.po1.999999-0.partial"));
}

TEST_F(HostBatch, MissingProjectIsNamedOnStandardError) {
  HostRun run = RunHost(dir_.path(), {"-p", "nosuch", "oil-expulsion"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.errorOutput, "strataplot: 打开地层年代文件 nosuch.iga 失败\n");
}

TEST_F(HostBatch, RelativeLibraryPathIsTakenFromWhereTheHostStarted) {
  std::filesystem::path library =
      std::filesystem::relative(HostProgram().parent_path() / "libstrataplot-static.so");
  ASSERT_TRUE(library.is_relative());
  HostRun run = Run({"--library", library.string()});
  EXPECT_EQ(run.exitStatus, 3) << run.errorOutput;
  EXPECT_TRUE(Contains(RecordsOfType(run, "dialog").at(0), "\"template\":\"GetOilDlg\""));
}

TEST_F(HostBatch, HostFailuresSayWhyWithStatusTwo) {
  std::filesystem::path platform = HostProgram().parent_path() / "libstrataplot-platform.so";
  struct Case {
    std::filesystem::path dir;
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {dir_ / "nope",
       {"-p", "demo", "gas"},
       "strataplot: cannot change to the directory " + (dir_ / "nope").string() +
           ": No such file or directory\n"},
      {dir_.path(),
       {"-p", "demo", "--library", platform.string(), "gas"},
       "strataplot: the library " + platform.string() +
           " does not have the export MakeGasInten, which gas calls\n"},
      {dir_.path(),
       {"-p", "demo", "--library", "nosuch.so", "gas"},
       "strataplot: cannot load the library: "},
      {dir_.path(), {"-p", "demo", "--mode", "x", "saturation"}, "strataplot: "},
  };
  for (const Case& c : cases) {
    HostRun run = RunHost(c.dir, c.args);
    EXPECT_EQ(run.exitStatus, 2) << c.message;
    EXPECT_TRUE(run.errorOutput.starts_with(c.message)) << run.errorOutput;
  }
}

}  // namespace
