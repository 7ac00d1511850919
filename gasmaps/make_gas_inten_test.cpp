// The gas intensity maps and the gas intensity file, through the host program.
#include <gtest/gtest.h>

#include <cstdio>

#include "gasmaps/gas_intensity_file.h"
#include "testing/host_harness.h"

namespace {

using namespace test_support;

// A record: cell, horizon and the seven amounts.
std::string Record(int cell, int horizon, const std::vector<float>& amounts) {
  std::string line = std::to_string(cell) + " 7 7 " + std::to_string(horizon) + " 7";
  char text[32];
  for (float amount : amounts) {
    std::snprintf(text, sizeof text, " %.9g", static_cast<double>(amount));
    line += text;
  }
  return line + "\n";
}

// generated only (the other six amounts 0).
std::string Generated(int cell, int horizon, float generated) {
  return Record(cell, horizon, {generated, 0, 0, 0, 0, 0, 0});
}

class GasMaps : public ExportTest {
 protected:
  GasMaps() : ExportTest("gas") {}
  // One row of three cells, the middle one outside: two active cells.
  void SetUp() override {
    WriteProject(dir_, {"demo", 1, {"H1", "H2", "H3"}, "0 0 2 2 1 3\n1 0 1\n"});
  }
  HostRun Run(const std::string& records, std::vector<std::string> args) {
    WriteFile(dir_ / "gasr.out", records);
    return ExportTest::Run(std::move(args));
  }
  std::string LastMessage(const HostRun& run) {
    auto messages = RecordsOfType(run, "message");
    return messages.empty() ? "" : messages.back();
  }
};

TEST_F(GasMaps, ChecksOfTheFileInTheirOrder) {
  struct Case {
    std::string records;
    const char* message;
  } cases[] = {
      {"", "本区无该值,不必计算"},
      {Generated(2, 1, -1), "本区无该值,不必计算"},
      {Generated(2, 1, 0.00005f), "本区该值太小,不必计算"},
      {"2 0 0 1 0 0.0001 0 0 0 0 0 0\n", "本区该值太小,不必计算"},  // just below the double 0.0001
      {Generated(2, 1, 5) + Generated(1, 1, 5), "你所用的生排气强度文件gasr.out不对，请查验."},
      {Generated(4, 1, 5) + Generated(2, 1, 5), "你所用的生排气强度文件gasr.out不对，请查验."},
      // Cell 3 is in the grid but beyond the two active cells: no cell of the map.
      {Generated(3, 1, 99999) + Generated(2, 1, 5), "你所用的生排气强度文件gasr.out不对，请查验."},
      {Generated(0, 1, 5) + Generated(2, 1, 5), "你所用的生排气强度文件gasr.out不对，请查验."},
      {Generated(2, 4, 5), "你所用的生排气强度文件gasr.out不对，请查验."},
      {Generated(2, 1, 5) + "2 0 0 1 0 1 2 3\n", "文件gasr.out数据有误或不全(第2行)"},
      {Generated(2, 1, 5) + "2 0 0 1 0 1 x 3 4 5 6 7\n", "文件gasr.out数据有误或不全(第2行)"},
  };
  for (const Case& c : cases) {
    auto run = Run(c.records, {});
    EXPECT_EQ(run.exitStatus, 1) << c.records;
    EXPECT_TRUE(Contains(LastMessage(run), std::string("\"text\":\"") + c.message + "\""))
        << c.records << LastMessage(run);
    auto waits = RecordsOfType(run, "wait");
    ASSERT_EQ(waits.size(), 2u);
    EXPECT_TRUE(Contains(waits[1], "\"text\":\" \",\"show\":false"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "H1.sg1"));
  }
}

TEST_F(GasMaps, HorizonGridsThatCannotFitAreRefusedBeforeAnythingIsRead) {
  WriteHorizonsBeyondMemory(dir_);
  for (const char* library : {"shared", "static"}) {
    auto run = Run(Generated(1000000, 1, 5), {"--library", library});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_TRUE(Contains(LastMessage(run),
                         "\"text\":\"生油层层位文件demo.isc列出100000个层位,"
                         "在1000000个网格上计算需要内存381474MB,可用内存只有"))
        << LastMessage(run);
    EXPECT_TRUE(RecordsOfType(run, "wait").empty()) << "gasr.out is not read";
  }
}

TEST_F(GasMaps, RecordsAddUpAndMaximaRun) {
  // H1: cell 1 gets 2 + 3 = 5; cell 2 gets +5 then -3 (its maximum stays 5).
  // H2: 12 in cell 2. Smallest maximum 0 (H3 has no record): values x 100.
  std::string records = Generated(1, 1, 2) + Generated(1, 1, 3) + Generated(2, 1, 5) +
                        Generated(2, 1, -3) + Generated(2, 2, 12);
  auto run = Run(records, {"--interval", "100"});
  EXPECT_EQ(run.exitStatus, 0);
  std::string header = "   0.0   0.0    -2.0     6.0   0.0   0.0   2.0   2.0     1     3\n";
  EXPECT_EQ(Map("H1.sg1"),
            Gbk("H1层各时期累计生气强度图") + header + Gbk("(百万方/平方公里)\n") +
                "     6    0       0-100     100-200     200-300     300-400     400-500\n"
                "  6  0  3\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "H3.sg3"));
  // The total: 500 and 1400, its legend in fields of 10.
  EXPECT_TRUE(Map("demo.sgt")
                  .ends_with("    15    0         0-100       100-200       200-300"
                             "       300-400       400-500       500-600       600-700"
                             "       700-800       800-900       900-1000      1000-1100"
                             "      1100-1200      1200-1300      1300-1400\n  6  0 15\n"));
  auto messages = RecordsOfType(run, "message");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_TRUE(
      Contains(messages[0], "\"text\":\"H3层的强度值太小，不必计算\\n\\n请按“确定”钮继续\""));
  EXPECT_TRUE(Contains(messages[1], "生气强度图文件生成.\\n\\n分别在文件demo*.sg?和demo.sgt中"));
  auto dialogs = RecordsOfType(run, "dialog");
  ASSERT_EQ(dialogs.size(), 4u);
  EXPECT_TRUE(Contains(dialogs[1], "\"2000\":\"50\"")) << "default of 500";
  EXPECT_TRUE(Contains(dialogs[1],
                       "\"1043\":\"本层各网格中最大累积生气强度为:    500.00(百万方/平方公里)\""));
  EXPECT_TRUE(Contains(dialogs[1], "\"1041\":\"输入H1层生气强度间距值(百万方/平方公里):\""));
  EXPECT_TRUE(Contains(dialogs[1], "\"title\":\"输入生(排)气强度间距值\""));
  EXPECT_TRUE(Contains(dialogs[3], "\"1041\":\"输入所有层总生气强度间距值(百万方/平方公里):\""));
}

TEST_F(GasMaps, LargeValuesKeepTheirUnitAndSkippedHorizonsKeepTheirNumbers) {
  // Kind 1 (total expulsion), maxima 12, 0.0000008 and 20.
  auto expelled = [](int cell, int horizon, float value) {
    return Record(cell, horizon, {0, value, 0, 0, 0, 0, 0});
  };
  std::string records = expelled(1, 1, 12) + expelled(1, 2, 0.0000008f) + expelled(2, 3, 20);
  auto run = Run(records, {"--kind", "pg"});
  EXPECT_EQ(run.exitStatus, 0);
  // The smallest maximum, 0.00005, is below 10: every value x 100, and H2 is
  // still below the threshold after it.
  EXPECT_TRUE(Contains(Map("H1.pg1"), Gbk("(百万方/平方公里)")));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "H2.pg2"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "H3.pg3"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "demo.pgt"));

  records = expelled(1, 1, 12) + expelled(1, 2, 35.5f) + expelled(2, 3, 20);
  run = Run(records, {"--kind", "pg", "--overwrite", "yes"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_TRUE(Contains(Map("H2.pg2"), Gbk("(亿方/平方公里)")));
  auto dialogs = RecordsOfType(run, "dialog");
  EXPECT_TRUE(Contains(dialogs.at(2), "本层各网格中最大累积排气强度为:     35.50(亿方/平方公里)"));
}

TEST_F(GasMaps, ThresholdAppliesAfterScaling) {
  std::string records =
      Generated(1, 1, 0.0000008f) + Generated(1, 2, 0.000002f) + Generated(2, 3, 1);
  auto run = Run(records, {});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "H1.sg1"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "H2.sg2"));
}

TEST(GasQuantity, DerivedKindsInDouble) {
  using strataplot::GasQuantity;
  strataplot::GasRecord record{1, 3, 0, 0, 0, 0, 0};
  EXPECT_EQ(GasQuantity(strataplot::kUnexpelledGas, record), 2.0);
  record = {4, 2, 0, 0, 0, 0, 1};
  EXPECT_EQ(GasQuantity(strataplot::kDeepExpulsion, record), 0.5);
  record.generated = 0;
  EXPECT_FALSE(GasQuantity(strataplot::kDeepExpulsion, record));
  record = {1, 2, 3, 4, 5, 6, 7};
  for (int kind = 0; kind < 6; ++kind) {
    EXPECT_EQ(GasQuantity(static_cast<strataplot::GasMapKind>(kind), record), kind + 1.0);
  }
  EXPECT_EQ(GasQuantity(strataplot::kDeepGeneration, record), 7.0);
}

TEST_F(GasMaps, DeepExpulsionWithoutGeneratedGasHasNoValue) {
  auto run = Run(Record(2, 1, {0, 2, 0, 0, 0, 0, 1}), {"--kind", "ag"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(LastMessage(run), "本区无该值,不必计算"));
}

TEST_F(GasMaps, CancelAndDecline) {
  std::string records = Generated(1, 1, 20) + Generated(2, 2, 20) + Generated(2, 3, 20);
  auto run = Run(records, {"--kind", "cancel"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(RecordsOfType(run, "wait").empty()) << "nothing is read";

  // Cancel at the total map, in either build: nothing is left of it, and a
  // map it was to replace stays as it was.
  for (const char* library : {"shared", "static"}) {
    std::filesystem::remove(dir_ / "demo.sgt");
    run = Run(records, {"--library", library, "--interval", "default,default,default,cancel"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_TRUE(std::filesystem::exists(dir_ / "H3.sg3"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "demo.sgt"));
    EXPECT_TRUE(RecordsOfType(run, "message").empty());
    WriteFile(dir_ / "demo.sgt", "old");
    run = Run(records, {"--library", library, "--overwrite", "yes", "--interval",
                        "default,default,default,cancel"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(Map("demo.sgt"), "old");
  }

  // Declining the second horizon map: the first stays, nothing more.
  std::filesystem::remove(dir_ / "demo.sgt");
  run = Run(records, {"--overwrite", "yes,no"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "demo.sgt"));
}

TEST_F(GasMaps, StaticBuildTextsAndDialogs) {
  auto run = Run("", {"--library", "static"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(LastMessage(run),
                       "\"text\":\"本区无该值，不必计算\",\"caption\":\"\",\"icon\":\"error\""));
  EXPECT_TRUE(Contains(RecordsOfType(run, "dialog").at(0), "\"template\":\"GetGasTypeDlg\""));

  std::string records = Record(1, 1, {0, 0, 0, 0, 0, 0, 30}) +
                        Record(2, 2, {0, 0, 0, 0, 0, 0, 30}) +
                        Record(2, 3, {0, 0, 0, 0, 0, 0, 123.4f});
  run = Run(records, {"--library", "static", "--kind", "eg"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "H3.eg3"));
  auto dialogs = RecordsOfType(run, "dialog");
  ASSERT_EQ(dialogs.size(), 5u);
  EXPECT_TRUE(Contains(dialogs[1], "\"template\":\"GETGASINTENDLG\""));
  EXPECT_TRUE(Contains(dialogs[3], "\"1045\":\"12\"")) << "123.4 / 10";
  EXPECT_TRUE(Contains(LastMessage(run), "\"caption\":\"\",\"icon\":\"none\""));
}

// "default" after a refused text puts back the suggested interval: every map
// is written as with "default" alone. The static-framework build refuses
// nothing: 1.5 reads as 0 there and the next map takes "default".
TEST_F(GasMaps, DefaultAfterARefusedTextIsTheSuggestedInterval) {
  std::string records = Generated(1, 1, 20) + Generated(2, 2, 20) + Generated(2, 3, 20);
  for (const char* library : {"shared", "static"}) {
    auto plain = Run(records, {"--library", library, "--overwrite", "yes"});
    ASSERT_EQ(plain.exitStatus, 0) << library;
    std::string firstMap = Map("H1.sg1");
    std::string total = Map("demo.sgt");
    auto run = Run(records, {"--library", library, "--overwrite", "yes", "--interval=1.5,default"});
    EXPECT_EQ(run.exitStatus, 0) << library;
    auto dialogs = RecordsOfType(run, "dialog");
    ASSERT_EQ(dialogs.size(), 5u) << library;
    EXPECT_EQ(Map("demo.sgt"), total) << library;
    if (std::string(library) == "shared") {
      EXPECT_EQ(Map("H1.sg1"), firstMap);
      EXPECT_TRUE(Contains(dialogs[1], "\"answer\":\"default\",\"result\":\"ok\"")) << dialogs[1];
      EXPECT_TRUE(Contains(RecordsOfType(run, "message").at(0), "请输入一个整数."));
    } else {
      EXPECT_TRUE(Contains(dialogs[1], "\"answer\":\"1.5\",\"result\":\"ok\"")) << dialogs[1];
      EXPECT_TRUE(Contains(dialogs[2], "\"answer\":\"default\",\"result\":\"ok\"")) << dialogs[2];
    }
  }
}

}  // namespace
