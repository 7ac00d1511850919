// The unexpelled oil maps through the host program, in batch.
#include <gtest/gtest.h>

#include "testing/host_harness.h"

namespace {

using namespace test_support;

class OilUnexpelled : public ExportTest {
 protected:
  OilUnexpelled() : ExportTest("oil-unexpelled") {}
  // Three periods, two horizons, one row of three active cells of 2 x 2 (area 4).
  void SetUp() override {
    WriteProject(dir_, {"demo", 3, {"H1", "H2"}, "0 0 2 2 1 3\n1 1 1\n"});
    // H1: 40 20 8 -> 2; 8 8 0 -> 0; 0 0 20 -> 5.  H2: 0 0 -20 -> -5; 1 1 4 -> 1; 0 0 -8 -> -2.
    WriteFile(dir_ / "demo.dou", "40 20 8  8 8 0  0 0 20\n0 0 -20  1 1 4  0 0 -8\n");
  }
};

TEST_F(OilUnexpelled, TakesThePresentDayValueOnly) {
  auto run = Run({"--interval", "1"});
  EXPECT_EQ(run.exitStatus, 0);
  std::string header = "   0.0   0.0    -2.0     6.0   0.0   0.0   2.0   2.0     1     3\n";
  EXPECT_EQ(Map("H1.uo1"), Gbk("H1层各时期累计未排油强度图") + header + Gbk("(万吨/平方公里)\n") +
                               "     6    0       0-1       1-2       2-3       3-4       4-5\n"
                               "  3  1  6\n");
  // Negative present values get class 1 and leave the maximum at 0.
  EXPECT_TRUE(Map("H2.uo2").ends_with("     2    0       0-1\n  1  2  1\n"));
  // Totals -3, 1, 3: the largest of the finished sums is 3.
  EXPECT_TRUE(Map("demo.uot").ends_with("     4    0       0-1       1-2       2-3\n  1  2  4\n"));
  auto messages = RecordsOfType(run, "message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(Contains(messages[0],
                       "\"text\":\"未排油强度图文件生成.\\n\\n分别在文件demo*.uo?和demo.uot中\""));
  auto dialogs = RecordsOfType(run, "dialog");
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_TRUE(
      Contains(dialogs[0], "\"1043\":\"本层各网格中现最大未排油强度为:    5.00万吨/平方公里\""));
  EXPECT_TRUE(Contains(dialogs[1], "\"1041\":\"输入H2层现未排油强度间距值(万吨/平方公里):\""));
  EXPECT_TRUE(
      Contains(dialogs[1], "\"1043\":\"本层各网格中现最大未排油强度为:    1.00万吨/平方公里\""));
  EXPECT_TRUE(
      Contains(dialogs[2], "\"1043\":\"所有层各网格中现最大未排油强度为:    3.00万吨/平方公里\""));
  EXPECT_TRUE(RecordsOfType(run, "wait").empty());
}

TEST_F(OilUnexpelled, EveryDeclineEndsWithFailure) {
  WriteFile(dir_ / "H2.uo2", "old");
  auto run = Run({});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "H1.uo1"));
  EXPECT_EQ(Map("H2.uo2"), "old");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "demo.uot"));
  EXPECT_TRUE(RecordsOfType(run, "message").empty());

  WriteFile(dir_ / "demo.uot", "old");
  EXPECT_EQ(Run({"--overwrite", "yes,yes,no"}).exitStatus, 1);
  EXPECT_EQ(Map("demo.uot"), "old");
}

TEST_F(OilUnexpelled, CancelKeepsTheDefaultExceptInTheStaticBuild) {
  auto run = Run({"--interval", "cancel"});
  EXPECT_EQ(run.exitStatus, 0);
  // The default interval of a largest value of 5 is 0, written as 1.
  EXPECT_TRUE(Map("H1.uo1").ends_with("  3  1  6\n"));

  TempDir other;
  WriteProject(other, {"demo", 3, {"H1", "H2"}, "0 0 2 2 1 3\n1 1 1\n"});
  WriteFile(other / "demo.dou", ReadFile(dir_ / "demo.dou").value());
  run = RunHost(other.path(),
                {"-p", "demo", "--library", "static", "--interval", "cancel", "oil-unexpelled"});
  EXPECT_EQ(run.exitStatus, 1);
  // Nothing is left of the cancelled map, and a map it was to replace stays.
  EXPECT_FALSE(std::filesystem::exists(other / "H1.uo1"));
  WriteFile(other / "H1.uo1", "old");
  run = RunHost(other.path(), {"-p", "demo", "--library", "static", "--interval", "cancel",
                               "--overwrite", "yes", "oil-unexpelled"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(ReadFile(other / "H1.uo1"), "old");
  EXPECT_FALSE(std::filesystem::exists(other / "H2.uo2"));
}

TEST_F(OilUnexpelled, AMapThatCannotBeStoredLeavesTheOldOne) {
  // A row of 1000 cells makes maps of some 3 KB; the disk takes files of 2 KB.
  std::string mask;
  for (int i = 0; i < 1000; ++i) mask += "1 ";
  WriteProject(dir_, {"demo", 1, {"H1"}, "0 0 2 2 1 1000\n" + mask + "\n"});
  WriteFile(dir_ / "demo.dou", mask + "\n");
  WriteFile(dir_ / "H1.uo1", "old");
  auto run = Run({"--overwrite", "yes"}, 2048);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(run.transcript.back(), "\"text\":\"生成未排油强度文件H1.uo1错\""));
  EXPECT_EQ(Map("H1.uo1"), "old");
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    EXPECT_FALSE(entry.path().string().ends_with(".partial")) << entry.path();
  }
}

TEST_F(OilUnexpelled, MemoryThatRunsOutAllTheSameEndsWithAMessage) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's own memory does not fit the limit";
#endif
  // Two million cells take 8 MB per map's values; the host may allocate 10 MiB.
  std::string mask;
  for (int i = 0; i < 2000000; ++i) mask += "1 ";
  WriteProject(dir_, {"demo", 1, {"H1"}, "0 0 2 2 1 2000000\n" + mask + "\n"});
  WriteFile(dir_ / "demo.dou", mask + "\n");
  WriteFile(dir_ / "H1.uo1", "old");
  for (const char* library : {"shared", "static"}) {
    auto run = Run({"--library", library, "--overwrite", "yes"}, 0, 10 << 20);
    EXPECT_EQ(run.exitStatus, 1) << library;
    ASSERT_FALSE(run.transcript.empty()) << library;
    EXPECT_TRUE(Contains(run.transcript.back(), "\"text\":\"内存不足,无法完成计算\""))
        << library << ": " << run.transcript.back();
    EXPECT_EQ(Map("H1.uo1"), "old");
    EXPECT_EQ(Map("demo.uot"), "<missing>");
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      EXPECT_FALSE(entry.path().string().ends_with(".partial")) << entry.path();
    }
  }
}

TEST_F(OilUnexpelled, QuantityFileMissingOrShort) {
  WriteFile(dir_ / "demo.dou", "40 20 8  8 8 0  0 0 20\n0 0\n");
  auto run = Run({});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(run.transcript.back(), "文件demo.dou数据有误或不全(第2行)"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "H1.uo1"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "H2.uo2"));

  std::filesystem::remove(dir_ / "demo.dou");
  run = Run({});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(run.transcript.back(), "\"text\":\"打开未排油量文件demo.dou错\""));
}

}  // namespace
