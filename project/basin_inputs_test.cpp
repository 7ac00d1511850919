#include "project/basin_inputs.h"

#include <gtest/gtest.h>

#include "host/testing/host_harness.h"

namespace strataplot {
namespace {

using host::testing::TempDir;
using host::testing::WriteFile;

class BasinInputsTest : public ::testing::Test {
 protected:
  std::optional<BasinInputs> Load(const std::string& ages, const std::string& horizons,
                                  const std::string& grid) {
    WriteFile(dir_ / "p.iga", ages);
    WriteFile(dir_ / "p.isc", horizons);
    WriteFile(dir_ / "p.dgr", grid);
    return LoadBasinInputs(nullptr, (dir_ / "p").string(), flavour::Caption::Blank);
  }
  TempDir dir_;
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

TEST_F(BasinInputsTest, EmptyAndZeroCounts) {
  auto inputs = Load("0\n-4\n", "", "0 0 1 1 0 5\n");
  ASSERT_TRUE(inputs);
  EXPECT_EQ(inputs->periodCount, 0);
  EXPECT_TRUE(inputs->trailingValues.empty()) << "a trailing count below 0 reads nothing";
  EXPECT_EQ(inputs->horizonCount, 0);
  EXPECT_EQ(inputs->grid.cellCount, 0);
  EXPECT_EQ(inputs->grid.activeCount, 0);
}

TEST_F(BasinInputsTest, RefusesDamagedOrUnsafeInput) {
  EXPECT_FALSE(Load("1 Q1\n", "", "0 0 1 1 0 0\n")) << "ends before the age";
  EXPECT_FALSE(Load("0 0\n", "", "0 0 1 1e39 1 1\n1\n")) << "a size that is not finite";
  EXPECT_FALSE(Load("0 0\n", "", "0 0 1e5 1e5 1 1\n1\n")) << "an area that does not fit";
  EXPECT_FALSE(Load("0 0\n", "ok ../up\n", "0 0 1 1 1 1\n1\n"));
  EXPECT_TRUE(IsSafeHorizonName("沙三段"));
  EXPECT_TRUE(IsSafeHorizonName("...a"));
  EXPECT_FALSE(IsSafeHorizonName(".."));
  EXPECT_FALSE(IsSafeHorizonName(std::string("a\0b", 3)));
}

}  // namespace
}  // namespace strataplot
