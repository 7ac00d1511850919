#include "project/basin_inputs.h"

#include <gtest/gtest.h>

#include "project/texts.h"
#include "testing/host_harness.h"

namespace strataplot {
namespace {

using test_support::TempDir;
using test_support::WriteFile;

class BasinInputsTest : public ::testing::Test {
 protected:
  std::optional<BasinInputs> Load(const std::string& ages, const std::string& horizons,
                                  const std::string& grid) {
    WriteFile(dir_ / "p.iga", ages);
    WriteFile(dir_ / "p.isc", horizons);
    WriteFile(dir_ / "p.dgr", grid);
    failure_ = {};
    return LoadBasinInputs(Name(), failure_);
  }
  std::string Name() const { return (dir_ / "p").string(); }
  TempDir dir_;
  InputFailure failure_;
};

TEST_F(BasinInputsTest, ReadsAllThreeFiles) {
  auto inputs = Load("2 Q1 10.5 Q2 5\n3 1 2 3\n", "Es3 Es4\n\n沙三段\n",
                     "100 200 2.5 2.5 2 3\n0 1 1\n1 0 1\ntrailing 9 9\n");
  ASSERT_TRUE(inputs);
  EXPECT_EQ(inputs->periodCount, 2);
  EXPECT_EQ(inputs->periodNames, (std::vector<std::string>{"Q1", "Q2"}));
  EXPECT_EQ(inputs->periodAges, (std::vector<float>{10.5f, 5}));
  EXPECT_EQ(inputs->trailingValues, (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(inputs->horizonCount, 3);
  EXPECT_EQ(inputs->horizonNames[2], "沙三段");
  const SimulationGrid& grid = inputs->grid;
  EXPECT_EQ(grid.cellCount, 6);
  EXPECT_EQ(grid.activeCount, 4);
  EXPECT_EQ(grid.mask, (std::vector<std::uint8_t>{0, 1, 1, 1, 0, 1}));
  EXPECT_EQ(grid.cellArea, 6) << "2.5 x 2.5 truncates to 6";
}

TEST_F(BasinInputsTest, CellAreaIsTruncatedProductOfSingles) {
  struct Case {
    const char* sizes;
    int area;
  } cases[] = {{"2 3", 6}, {"2.5 2.5", 6}, {"0.4 2", 0}, {"-2 3", -6}, {"0.1 10", 1}};
  for (const Case& c : cases) {
    auto inputs = Load("0 0\n", "", std::string("0 0 ") + c.sizes + " 0 0\n");
    ASSERT_TRUE(inputs) << c.sizes;
    EXPECT_EQ(inputs->grid.cellArea, c.area) << c.sizes;
  }
}

TEST_F(BasinInputsTest, CellAreaBelowOneIsRefusedNamingTheGridFile) {
  SimulationGrid grid;
  for (int area : {1, 6}) {
    grid.cellArea = area;
    EXPECT_EQ(CellAreaTooSmall("p", grid), std::nullopt) << area;
  }
  for (int area : {0, -6}) {
    grid.cellArea = area;
    EXPECT_EQ(CellAreaTooSmall("p", grid), "模拟网格文件p.dgr的网格面积小于1,无法计算强度") << area;
  }
}

TEST_F(BasinInputsTest, EmptyAndZeroCounts) {
  auto inputs = Load("0\n-4\n", "", "0 0 1 1 0 5\n");
  ASSERT_TRUE(inputs);
  EXPECT_EQ(inputs->periodCount, 0);
  EXPECT_TRUE(inputs->trailingValues.empty()) << "a trailing count below 0 reads nothing";
  EXPECT_EQ(inputs->horizonCount, 0);
  EXPECT_EQ(inputs->grid.cellCount, 0);
  EXPECT_EQ(inputs->grid.activeCount, 0);
}

TEST_F(BasinInputsTest, RefusesDamagedOrUnsafeInputNamingTheFile) {
  struct Case {
    const char* ages;
    const char* horizons;
    const char* grid;
    std::string text;  // after the directory
  } cases[] = {
      {"1 Q1\n", "", "0 0 1 1 0 0\n", "/p.iga数据有误或不全(第1行)"},  // ends before the age
      {"-1\n", "", "0 0 1 1 0 0\n", "/p.iga数据有误或不全(第1行)"},
      {"0 0\n", "", "0 0 1 1e39 1 1\n1\n", "/p.dgr数据有误或不全(第1行)"},   // not finite
      {"0 0\n", "", "0 0 1e5 1e5 1 1\n1\n", "/p.dgr数据有误或不全(第1行)"},  // area too large
      {"0 0\n", "", "0 0 1 1 2 -1\n", "/p.dgr数据有误或不全(第1行)"},
      {"0 0\n", "", "0 0 1 1 65536 65536\n", "/p.dgr数据有误或不全(第1行)"},
      {"0 0\n", "ok ../up\n", "0 0 1 1 1 1\n1\n", "层位名../up不能用作文件名"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(Load(c.ages, c.horizons, c.grid)) << c.text;
    EXPECT_TRUE(failure_.text.ends_with(c.text)) << failure_.text;
    EXPECT_FALSE(failure_.ageOrHorizonFileMissing);
  }
  std::filesystem::remove(dir_ / "p.isc");
  EXPECT_FALSE(LoadBasinInputs(Name(), failure_));
  EXPECT_EQ(failure_.text, "打开生油层层位文件 " + Name() + ".isc 失败");
  EXPECT_TRUE(failure_.ageOrHorizonFileMissing);
  EXPECT_TRUE(IsSafeHorizonName("沙三段"));
  EXPECT_TRUE(IsSafeHorizonName("...a"));
  EXPECT_FALSE(IsSafeHorizonName(".."));
  EXPECT_FALSE(IsSafeHorizonName(std::string("a\0b", 3)));
}

TEST_F(BasinInputsTest, NamesWithANulByteAreRefusedAndShownReadably) {
  // 沙三段 is C9B3 C8FD B6CE in GBK; a NUL after a lead byte leaves it alone.
  struct Case {
    std::string name;
    std::string shown;
  } cases[] = {
      {std::string("a\0b", 3), "a\\0b"},
      {std::string("\xC9\xB3\0\xC8\xFD", 5), "沙\\0三"},
      {std::string("\xC9\0\xB3\xC8\xFD\xB6\xCE", 7), "\\xC9\\0\\xB3三段"},
      {std::string("\xB6\0", 2), "\\xB6\\0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadableName(c.name), c.shown);
    EXPECT_FALSE(Load("0 0\n", "ok " + c.name + "\n", "0 0 1 1 1 1\n1\n"));
    EXPECT_EQ(failure_.text, "层位名" + c.shown + "不能用作文件名");
  }
  EXPECT_EQ(ReadableName("沙三段/x"), "沙三段/x");
}

TEST_F(BasinInputsTest, HorizonArraysThatCannotFitAreRefusedNamingTheHorizonFile) {
  auto inputs = Load("0 0\n", "a b c\n", "0 0 1 1 1 1\n1\n");
  ASSERT_TRUE(inputs);
  EXPECT_EQ(HorizonArraysDoNotFit(Name(), *inputs, 4, 1000), std::nullopt);
  std::optional<std::string> text = HorizonArraysDoNotFit(Name(), *inputs, 1u << 31, 1 << 30);
  ASSERT_TRUE(text);
  EXPECT_TRUE(text->starts_with("生油层层位文件" + Name() +
                                ".isc列出3个层位,在1073741824个网格上"
                                "计算需要内存"))
      << *text;
}

}  // namespace
}  // namespace strataplot
