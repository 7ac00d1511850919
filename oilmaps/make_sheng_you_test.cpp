// The oil generation maps through the host program, in batch.
#include <gtest/gtest.h>

#include "testing/host_harness.h"

namespace {

using namespace test_support;

class OilGeneration : public ExportTest {
 protected:
  OilGeneration() : ExportTest("oil-generation") {}
  // Grid of one row of two active cells of 2 x 2 (area 4).
  void Write(int periods, std::vector<std::string> horizons, const std::string& expelled,
             const std::string& unexpelled) {
    WriteProject(dir_, {"demo", periods, std::move(horizons), "0 0 2 2 1 2\n1 1\n"});
    WriteFile(dir_ / "demo.doe", expelled);
    WriteFile(dir_ / "demo.dou", unexpelled);
  }
};

TEST_F(OilGeneration, IntensitiesThatCannotFitAreRefusedBeforeAnythingIsRead) {
  Write(1, {}, "", "");
  WriteHorizonsBeyondMemory(dir_);
  auto run = Run({});
  EXPECT_EQ(run.exitStatus, 1);
  auto messages = RecordsOfType(run, "message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(Contains(messages[0],
                       "\"text\":\"生油层层位文件demo.isc列出100000个层位,在1000000个"
                       "网格上计算需要内存381474MB,可用内存只有"))
      << messages[0];
}

TEST_F(OilGeneration, ExpelledInAllPeriodsPlusPresentUnexpelled) {
  // Cell 0: (4 + 8 + 12) / 4 + 8 / 4 = 8. Cell 1: an earlier unexpelled amount does not count.
  Write(3, {"H1"}, "4 8 12  0 0 0\n", "40 20 8  100 0 0\n");
  auto run = Run({"--interval", "1"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(Map("H1.so1"),
            Gbk("H1层各时期累计生油强度图") +
                "   0.0   0.0    -2.0     4.0   0.0   0.0   2.0   2.0     1     2\n" +
                Gbk("(万吨/平方公里)\n") +
                "     9    0       0-1       1-2       2-3       3-4       4-5"
                "       5-6       6-7       7-8\n  9  1\n");
  EXPECT_TRUE(Contains(Map("demo.sot"), Gbk("demo地区各层各时期总生油强度图")));

  // The wait notice is shown first and removed after the sums and again at the end.
  auto waits = RecordsOfType(run, "wait");
  ASSERT_EQ(waits.size(), 3u);
  EXPECT_TRUE(
      Contains(waits[0], "\"text\":\"正在生成demo地区的生油强度图文件，请稍候...\",\"show\":true"));
  EXPECT_TRUE(Contains(waits[1], "\"text\":\"\",\"show\":false"));
  EXPECT_TRUE(Contains(waits[2], "\"show\":false"));
  auto messages = RecordsOfType(run, "message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(Contains(messages[0], "生油强度图文件生成.\\n\\n分别在文件demo*.so?和demo.sot中"));
}

TEST_F(OilGeneration, MaximaFollowTheRunningSums) {
  // H1: cell 0 runs 2 then 1 (expelled 8, -4). H2: cell 0 ends at -2, so the
  // total of cell 0 is -1 after having been 1; cell 1: 5 then 5 - 5 = 0.
  Write(2, {"H1", "H2"}, "8 -4  20 0\n-8 0  -20 0\n", "0 0  0 0\n0 0  0 0\n");
  auto run = Run({"--interval", "1"});
  EXPECT_EQ(run.exitStatus, 0);
  auto dialogs = RecordsOfType(run, "dialog");
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_TRUE(Contains(dialogs[0], "最大累积生油强度为:    5.00"));
  EXPECT_TRUE(Contains(dialogs[1], "最大累积生油强度为:    0.00"));
  EXPECT_TRUE(Contains(dialogs[2], "所有层各网格中最大累积生油强度为:    5.00"));
  EXPECT_TRUE(Map("H1.so1").ends_with("  2  6\n"));
  EXPECT_TRUE(Map("demo.sot").ends_with("  1  1\n"));
}

TEST_F(OilGeneration, DeclinesReturnZeroAndFailuresMinusOne) {
  Write(1, {"H1", "H2"}, "4 4 4 4\n", "0 0 0 0\n");
  WriteFile(dir_ / "H2.so2", "old");
  auto run = Run({});
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "H1.so1"));
  EXPECT_EQ(Map("H2.so2"), "old");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "demo.sot"));

  WriteFile(dir_ / "demo.sot", "old");
  EXPECT_EQ(Run({"--overwrite", "yes,yes,no"}).exitStatus, 3);
  EXPECT_EQ(Map("demo.sot"), "old");

  std::filesystem::remove(dir_ / "demo.dou");
  run = Run({});
  EXPECT_EQ(run.exitStatus, 1);
  auto messages = RecordsOfType(run, "message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(Contains(messages[0], "\"text\":\"打开未排油量文件demo.dou错\""));
  EXPECT_TRUE(Contains(run.transcript.back(), "\"show\":false"))
      << "the notice goes after the message";
}

TEST_F(OilGeneration, ShortFileIsNamedAndNoMapIsWritten) {
  Write(1, {"H1", "H2"}, "4 4 4 4\n", "0 0 0\n");
  auto run = Run({});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(RecordsOfType(run, "message").at(0), "文件demo.dou数据有误或不全(第1行)"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "H1.so1"));
}

TEST_F(OilGeneration, StaticBuildDividesByTenAndCancelEnds) {
  // Largest value 123.4 / 10 gives 12 in the static build (123.4 x 0.1 also 12).
  Write(1, {"H1"}, "493.6 0\n", "0 0\n");
  auto run = Run({"--library", "static", "--interval", "default,cancel"});
  EXPECT_EQ(run.exitStatus, 1);
  auto dialogs = RecordsOfType(run, "dialog");
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_TRUE(Contains(dialogs[0], "\"2000\":\"12\""));
  EXPECT_TRUE(Contains(dialogs[0], "\"template\":\"GetOilDlg\""));
  EXPECT_TRUE(
      Map("H1.so1").ends_with("    11    0       0-12      12-24      24-36      36-48"
                              "      48-60      60-72      72-84      84-96      96-108"
                              "     108-120\n 11  1\n"));
  EXPECT_FALSE(Map("demo.sot").ends_with("\n 11  1\n"));

  // Its messages have an empty caption, those about the input files too.
  std::filesystem::remove(dir_ / "demo.isc");
  run = Run({"--library", "static"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(
      RecordsOfType(run, "message").at(0),
      "\"text\":\"打开生油层层位文件 demo.isc 失败\",\"caption\":\"\",\"icon\":\"error\""));
}

}  // namespace
