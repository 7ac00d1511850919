// The oil expulsion maps through the host program, in batch, byte for byte.
#include <gtest/gtest.h>

#include "testing/host_harness.h"

namespace {

using namespace test_support;

// Two horizons, one period, one row of three cells with the middle one
// outside, cells of 2 x 2 (area 4).
class OilExpulsion : public ExportTest {
 protected:
  OilExpulsion() : ExportTest("oil-expulsion") {}
  void SetUp() override {
    WriteProject(dir_, {"demo", 1, {"H1", "沙三段"}, "100 200 2 2 1 3\n1 0 1\n"});
    WriteFile(dir_ / "demo.doe", "8 4\n12 0\n");
  }
};

const char* kHeader = " 100.0 200.0    -2.0     6.0 100.0 200.0   2.0   2.0     1     3\n";

TEST_F(OilExpulsion, WritesHorizonAndTotalMaps) {
  auto run = Run({"--interval", "1"});
  EXPECT_EQ(run.exitStatus, 3) << "No to the deep pass returns 0";
  // Horizon 1: intensities 2 and 1; horizon 2: 3 and 0; totals 5 and 1.
  EXPECT_EQ(Map("H1.po1"), Gbk("H1层各时期累计排油强度图") + kHeader + Gbk("(万吨/平方公里)\n") +
                               "     3    0       0-1       1-2\n  3  0  2\n");
  EXPECT_EQ(Map("沙三段.po2"), Gbk("沙三段层各时期累计排油强度图") + kHeader +
                                   Gbk("(万吨/平方公里)\n") +
                                   "     4    0       0-1       1-2       2-3\n  4  0  1\n");
  EXPECT_EQ(Map("demo.pot"), Gbk("demo地区各层各时期总排油强度图") + kHeader +
                                 Gbk("(万吨/平方公里)\n") +
                                 "     6    0       0-1       1-2       2-3       3-4       4-5\n"
                                 "  6  0  2\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "H1.pp1"));
}

TEST_F(OilExpulsion, AsksEachIntervalWithHintPromptAndCaption) {
  auto run = Run({});
  auto dialogs = RecordsOfType(run, "dialog");
  ASSERT_EQ(dialogs.size(), 3u);
  EXPECT_TRUE(Contains(dialogs[0], "\"template\":\"10002\""));
  EXPECT_TRUE(Contains(dialogs[0], "\"title\":\"输入油强度间距值\""));
  EXPECT_TRUE(Contains(dialogs[0], "\"2000\":\"0\""));
  EXPECT_TRUE(Contains(dialogs[0], "\"1041\":\"输入H1层排油强度间距值(万吨/平方公里):\""));
  EXPECT_TRUE(
      Contains(dialogs[0], "\"1043\":\"本层各网格中最大累积排油强度为:    2.00万吨/平方公里\""));
  EXPECT_TRUE(Contains(dialogs[1], "\"1041\":\"输入沙三段层排油强度间距值(万吨/平方公里):\""));
  EXPECT_TRUE(Contains(dialogs[2], "\"1041\":\"输入所有层总排油强度间距值(万吨/平方公里):\""));
  EXPECT_TRUE(
      Contains(dialogs[2], "\"1043\":\"所有层各网格中最大累积排油强度为:    5.00万吨/平方公里\""));

  auto messages = RecordsOfType(run, "message");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_TRUE(Contains(messages[0],
                       "\"text\":\"排油强度图文件生成.\\n\\n分别在文件demo*.po?和demo.pot中\""));
  EXPECT_TRUE(
      Contains(messages[0], "\"caption\":null,\"icon\":\"information\",\"buttons\":\"ok\""));
  EXPECT_TRUE(Contains(messages[1], "\"text\":\"请问您还想继续生成深层排油强度图吗?\""));
  EXPECT_TRUE(Contains(messages[1], "\"icon\":\"question\",\"buttons\":\"yesno\""));
  EXPECT_TRUE(Contains(messages[1], "\"answer\":\"no\""));

  auto progress = RecordsOfType(run, "progress");
  ASSERT_EQ(progress.size(), 3u);
  EXPECT_TRUE(Contains(progress[0], "\"total\":1,\"current\":0"));
  EXPECT_TRUE(Contains(progress[2], "\"total\":2,\"current\":1"));
}

TEST_F(OilExpulsion, TypedIntervalIsUsedAndRefusedTextsAreAskedAgain) {
  auto run = Run({"--interval", "1.5,10"});
  auto messages = RecordsOfType(run, "message");
  ASSERT_GE(messages.size(), 1u);
  EXPECT_FALSE(Contains(messages[0], "排油强度图文件生成")) << "the refusal comes first";
  std::string map = Map("H1.po1");
  EXPECT_TRUE(map.ends_with("     1    0\n  2  0  2\n")) << map;
}

// "default" after a refused text puts back the suggested interval, in both
// builds (the static-framework build refuses nothing: 1.5 reads as 0 there,
// and the maps after it take "default").
TEST_F(OilExpulsion, DefaultAfterARefusedTextIsTheSuggestedInterval) {
  for (const char* library : {"shared", "static"}) {
    auto plain = Run({"--library", library, "--overwrite", "yes"});
    ASSERT_EQ(plain.exitStatus, 3) << library;
    std::string second = Map("沙三段.po2");
    std::string total = Map("demo.pot");
    auto run = Run({"--library", library, "--overwrite", "yes", "--interval=1.5,default"});
    EXPECT_EQ(run.exitStatus, 3) << library;
    auto dialogs = RecordsOfType(run, "dialog");
    ASSERT_EQ(dialogs.size(), 3u) << library;
    EXPECT_TRUE(Contains(dialogs[0], std::string("\"answer\":\"") +
                                         (std::string(library) == "shared" ? "default" : "1.5") +
                                         "\""))
        << dialogs[0];
    EXPECT_TRUE(Contains(dialogs[1], "\"answer\":\"default\",\"result\":\"ok\"")) << dialogs[1];
    EXPECT_EQ(Map("沙三段.po2"), second) << library;
    EXPECT_EQ(Map("demo.pot"), total) << library;
  }
}

TEST_F(OilExpulsion, DeepPassReadsTheDeepQuantityFile) {
  WriteFile(dir_ / "demo.peo", "4 4\n0 8\n");
  auto run = Run({"--deep", "yes", "--interval", "1"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(Map("H1.pp1"), Gbk("H1层各时期深层累计排油强度图") + kHeader +
                               Gbk("(万吨/平方公里)\n") + "     2    0       0-1\n  2  0  2\n");
  EXPECT_TRUE(Contains(Map("demo.ppt"), Gbk("demo地区各层各时期深层总排油强度图")));
  EXPECT_TRUE(Contains(Map("demo.pot"), Gbk("demo地区各层各时期总排油强度图")));
  auto messages = RecordsOfType(run, "message");
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_TRUE(
      Contains(messages[2], "深层排油强度图文件生成.\\n\\n分别在文件demo*.pp?和demo.ppt中"));
}

TEST_F(OilExpulsion, MissingDeepQuantityFileEndsWithFailure) {
  auto run = Run({"--deep", "yes"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(run.transcript.back(), "打开文件 demo.peo 错!"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "demo.pot"));
}

TEST_F(OilExpulsion, DecliningToReplaceMaps) {
  WriteFile(dir_ / "沙三段.po2", "old");
  auto run = Run({});
  EXPECT_EQ(run.exitStatus, 3) << "a declined horizon map returns 0";
  EXPECT_EQ(Map("沙三段.po2"), "old");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "H1.po1"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "demo.pot"));
  EXPECT_TRUE(RecordsOfType(run, "message").empty());
  ASSERT_EQ(RecordsOfType(run, "overwrite").size(), 1u);

  std::filesystem::remove(dir_ / "沙三段.po2");
  WriteFile(dir_ / "demo.pot", "old");
  run = Run({"--overwrite", "yes,no"});
  EXPECT_EQ(run.exitStatus, 1) << "a declined total map returns -1";
  EXPECT_EQ(Map("demo.pot"), "old");
}

TEST_F(OilExpulsion, PeriodsAddUpAndNegativeSumsGetClassOne) {
  WriteProject(dir_, {"demo", 3, {"H1"}, "0 0 2 2 1 2\n1 1\n"});
  WriteFile(dir_ / "demo.doe", "4 4 8\n-4 -4 0\n");
  auto run = Run({"--interval", "1"});
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_TRUE(
      Contains(Map("H1.po1"), "     5    0       0-1       1-2       2-3       3-4\n  5  1\n"));
}

TEST_F(OilExpulsion, NoHorizonsStillWritesTheTotal) {
  WriteProject(dir_, {"demo", 2, {}, "0 0 2 2 1 2\n1 1\n"});
  auto run = Run({});
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_TRUE(Contains(Map("demo.pot"), "     1    0\n  1  1\n"));
  auto dialogs = RecordsOfType(run, "dialog");
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_TRUE(Contains(dialogs[0], "\"2000\":\"0\""));
}

TEST_F(OilExpulsion, MissingInputFilesAreNamed) {
  struct Case {
    const char* file;
    const char* message;
  } cases[] = {{"demo.iga", "打开地层年代文件 demo.iga 失败"},
               {"demo.isc", "打开生油层层位文件 demo.isc 失败"},
               {"demo.dgr", "打开模拟网格文件demo.dgr错"},
               {"demo.doe", "打开文件 demo.doe 错!"}};
  for (const Case& c : cases) {
    TempDir dir;
    WriteProject(dir, {"demo", 1, {"H1"}, "0 0 2 2 1 1\n1\n"});
    WriteFile(dir / "demo.doe", "1\n");
    std::filesystem::remove(dir / c.file);
    auto run = RunHost(dir.path(), {"-p", "demo", "oil-expulsion"});
    EXPECT_EQ(run.exitStatus, 1) << c.file;
    ASSERT_FALSE(run.transcript.empty()) << c.file;
    EXPECT_TRUE(Contains(run.transcript.back(), std::string("\"text\":\"") + c.message + "\""))
        << run.transcript.back();
  }
}

TEST_F(OilExpulsion, DamagedInputIsReportedWithItsLine) {
  struct Case {
    const char* file;
    const char* content;
    const char* message;
  } cases[] = {
      {"demo.iga", "1\nQ1 x10\n0\n", "文件demo.iga数据有误或不全(第2行)"},
      {"demo.iga", "-1\n0\n", "文件demo.iga数据有误或不全(第1行)"},
      {"demo.iga", "2\nQ1 1\n", "文件demo.iga数据有误或不全(第2行)"},
      {"demo.dgr", "100 200 2 2 1 3\n1 0\n", "文件demo.dgr数据有误或不全(第2行)"},
      {"demo.dgr", "100 200 2 2 1 -3\n", "文件demo.dgr数据有误或不全(第1行)"},
      {"demo.dgr", "100 200 2 2 65536 65536\n", "文件demo.dgr数据有误或不全(第1行)"},
      {"demo.doe", "8 4\n12\n", "文件demo.doe数据有误或不全(第2行)"},
      {"demo.doe", "8 4\n12 x\n", "文件demo.doe数据有误或不全(第2行)"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteProject(dir, {"demo", 1, {"H1", "H2"}, "100 200 2 2 1 3\n1 0 1\n"});
    WriteFile(dir / "demo.doe", "8 4\n12 0\n");
    WriteFile(dir / c.file, c.content);
    auto run = RunHost(dir.path(), {"-p", "demo", "oil-expulsion"});
    EXPECT_EQ(run.exitStatus, 1) << c.file << ": " << c.content;
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_TRUE(Contains(run.transcript.back(), c.message)) << run.transcript.back();
    // The map being written when the quantity file failed is removed; the one before stays.
    EXPECT_FALSE(std::filesystem::exists(dir / "H2.po2"));
    EXPECT_EQ(std::filesystem::exists(dir / "H1.po1"), std::string(c.file) == "demo.doe");
  }
}

TEST_F(OilExpulsion, RefusesGridsAndNamesItCannotUse) {
  WriteProject(dir_, {"demo", 1, {"H1"}, "0 0 0.4 2 1 1\n1\n"});
  auto run = Run({});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(run.transcript.back(), "模拟网格文件demo.dgr的网格面积小于1,无法计算强度"));

  for (const char* name : {"..", ".", "a/b"}) {
    WriteProject(dir_, {"demo", 1, {"H1", name}, "0 0 2 2 1 1\n1\n"});
    run = Run({});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_TRUE(Contains(run.transcript.back(), std::string("层位名") + name + "不能用作文件名"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "H1.po1")) << "nothing is written";
  }
}

TEST_F(OilExpulsion, LongHorizonNamesAreKeptWhole) {
  // Longer than a 20-byte slot, and more horizons than periods.
  std::string longName = "一个非常非常长的烃源岩层位名称";
  WriteProject(dir_, {"demo", 1, {"H1", "H2", longName}, "0 0 2 2 1 1\n1\n"});
  WriteFile(dir_ / "demo.doe", "1 2 3\n");
  auto run = Run({});
  EXPECT_EQ(run.exitStatus, 3);
  EXPECT_TRUE(Contains(Map(longName + ".po3"), Gbk(longName + "层各时期累计排油强度图")));
}

TEST_F(OilExpulsion, StaticBuildDiffersWhereItShould) {
  // Default interval: largest ÷ 10 (here 0, then taken as 1); captions and icons of its own;
  // Cancel ends the call; nothing is left of the map being written.
  auto run = Run({"--library", "static", "--interval", "default,cancel"});
  EXPECT_EQ(run.exitStatus, 1);
  auto dialogs = RecordsOfType(run, "dialog");
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_TRUE(Contains(dialogs[0], "\"template\":\"GetOilDlg\""));
  EXPECT_TRUE(Contains(dialogs[0], "\"result\":\"ok\""));
  EXPECT_TRUE(Contains(dialogs[1], "\"result\":\"cancel\""));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "沙三段.po2"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "demo.pot"));

  std::filesystem::remove(dir_ / "demo.isc");
  run = Run({"--library", "static"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(
      Contains(run.transcript.back(),
               "\"caption\":\" \",\"icon\":\"error\",\"buttons\":\"ok\",\"owner\":\"window\""));
}

TEST_F(OilExpulsion, StaticBuildCompletionHasNoIcon) {
  auto run = Run({"--library", "static", "--interval", "57"});
  EXPECT_EQ(run.exitStatus, 3);
  auto messages = RecordsOfType(run, "message");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_TRUE(Contains(messages[0], "\"caption\":\"\",\"icon\":\"none\""));
  EXPECT_TRUE(
      Contains(messages[1], "\"icon\":\"question\",\"buttons\":\"yesno\",\"owner\":\"window\""));
}

TEST(Host, RefusesWhatItCannotRun) {
  TempDir dir;
  EXPECT_EQ(RunHost(dir.path(), {"-p", "一二三四五六七八九十", "oil-expulsion"}).exitStatus, 2);
  EXPECT_EQ(RunHost(dir.path(), {"-p", "demo", "--library", "/nonexistent.so", "oil-expulsion"})
                .exitStatus,
            2);
  EXPECT_EQ(RunHost(dir.path(), {"-p", "demo", "bogus"}).exitStatus, 2);
}

}  // namespace
