// The map file format and its classing, byte for byte.
#include "mapfile/map_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <sstream>

#include "testing/host_harness.h"

namespace strataplot {
namespace {

SimulationGrid Grid(int rows, int columns, std::vector<std::uint8_t> mask) {
  SimulationGrid grid;
  grid.originX = 100;
  grid.originY = 200;
  grid.cellSizeX = 2;
  grid.cellSizeY = 2.5f;
  grid.rowCount = rows;
  grid.columnCount = columns;
  grid.cellCount = rows * columns;
  grid.mask = std::move(mask);
  for (auto m : grid.mask) grid.activeCount += m;
  return grid;
}

class MapFileTest : public ::testing::Test {
 protected:
  // Writes with the given writer into a fresh file and returns its bytes.
  template <typename Writer>
  std::string Written(Writer writer) {
    std::string name = (dir_ / "map").string();
    HFILE file = platform::OpenFile(name.c_str(), platform::OF_CREATE_WRITE);
    EXPECT_NE(file, HFILE_ERROR);
    writer(file);
    EXPECT_EQ(platform::_lclose(file), 0);
    return test_support::ReadFile(name).value_or("<missing>");
  }
  std::string Body(const SimulationGrid& grid, std::vector<float> values, float largest,
                   int interval, int legendWidth = 8) {
    return Written([&](HFILE file) {
      EXPECT_TRUE(WriteMapBody(file, grid, values, largest, interval, legendWidth));
    });
  }
  test_support::TempDir dir_;
};

TEST_F(MapFileTest, HeadHoldsTitleGridHeaderAndUnit) {
  SimulationGrid grid = Grid(3, 4, std::vector<std::uint8_t>(12, 1));
  std::string bytes =
      Written([&](HFILE file) { WriteMapHead(file, "标题", grid, "(万吨/平方公里)"); });
  EXPECT_EQ(bytes,
            "标题 100.0 200.0    -7.5     8.0 100.0 200.0   2.0   2.5     3     4\n"
            "(万吨/平方公里)\n");
}

TEST_F(MapFileTest, WideOriginIsSeparatedFromTheTitle) {
  SimulationGrid grid = Grid(1, 1, {1});
  grid.originX = 1234.5f;
  std::string bytes = Written([&](HFILE file) { WriteMapHead(file, "T", grid, "u"); });
  EXPECT_EQ(bytes.substr(0, 14), "T 1234.5 200.0");
}

TEST_F(MapFileTest, ClassesAndLegendFollowTheInterval) {
  // Largest 35, interval 10: four classes; values 35 12 20 0 -3 and one cell outside.
  SimulationGrid grid = Grid(2, 3, {1, 1, 1, 0, 1, 1});
  EXPECT_EQ(Body(grid, {35, 12, 20, 0, -3}, 35, 10),
            "     4    0       0-10      10-20      20-30\n"
            "  4  2  3\n"
            "  0  1  1\n");
}

TEST_F(MapFileTest, ClassCodesAtTheBoundaries) {
  struct Case {
    float value;
    int code;
  } cases[] = {{-3, 1},     {0, 1},  {0.5f, 2},  {10, 2}, {15, 2},
               {19.99f, 2}, {20, 3}, {29.9f, 3}, {30, 4}};
  for (const Case& c : cases) EXPECT_EQ(ClassCode(c.value, 10), c.code) << c.value;
  EXPECT_EQ(ClassCount(30, 10), 4);
  EXPECT_EQ(ClassCount(9, 10), 1);
  EXPECT_EQ(ClassCount(0, 10), 1);
}

TEST_F(MapFileTest, OneClassLegendHoldsOnlyTheCounts) {
  SimulationGrid grid = Grid(1, 3, {1, 1, 0});
  EXPECT_EQ(Body(grid, {9, 0}, 9, 10), "     1    0\n  2  1  0\n");
}

TEST_F(MapFileTest, GridWithoutActiveCellsIsAllZeros) {
  SimulationGrid grid = Grid(2, 2, {0, 0, 0, 0});
  EXPECT_EQ(Body(grid, {}, 0, 10), "     1    0\n  0  0\n  0  0\n");
}

TEST_F(MapFileTest, IntervalBelowOneIsTakenAsOne) {
  SimulationGrid grid = Grid(1, 3, {1, 0, 1});
  std::string expected = "     3    0       0-1       1-2\n  3  0  2\n";
  EXPECT_EQ(Body(grid, {2, 1}, 2, 0), expected);
  EXPECT_EQ(Body(grid, {2, 1}, 2, -5), expected);
}

TEST_F(MapFileTest, WideCodesAndBoundsNeverRunTogether) {
  // Codes of three digits in fields of 3, and a legend width of 10.
  SimulationGrid grid = Grid(1, 2, {1, 1});
  std::string bytes = Body(grid, {1495, 995}, 1495, 10, 10);
  EXPECT_NE(bytes.find("\n150 100\n"), std::string::npos) << bytes;
  EXPECT_EQ(bytes.substr(0, 11), "   150    0");
  EXPECT_NE(bytes.find("      1480-1490"), std::string::npos);
}

TEST_F(MapFileTest, RefusesValuesThatCannotBeClassed) {
  SimulationGrid grid = Grid(1, 2, {1, 1});
  auto refused = [&](std::vector<float> values, float largest, int interval) {
    std::string name = (dir_ / "refused").string();
    HFILE file = platform::OpenFile(name.c_str(), platform::OF_CREATE_WRITE);
    bool written = WriteMapBody(file, grid, values, largest, interval, 8);
    platform::_lclose(file);
    if (!written) {
      EXPECT_EQ(test_support::ReadFile(name), "") << "nothing is written when refused";
    }
    return !written;
  };
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_TRUE(refused({3e38f, 1}, 3e38f, 1));
  EXPECT_TRUE(refused({inf, 1}, inf, 10));
  EXPECT_TRUE(refused({std::numeric_limits<float>::quiet_NaN(), 1}, 1, 10));
  EXPECT_FALSE(refused({2e9f, 1}, 2e9f, 100000000));
  // At most kMostClasses classes: 9999.9 at 1 is 10000 of them, 10000 one more.
  EXPECT_FALSE(refused({9999.9f, 1}, 9999.9f, 1));
  EXPECT_TRUE(refused({10000, 1}, 10000, 1));
  EXPECT_TRUE(refused({1e9f, 1}, 1e9f, 1));
  EXPECT_EQ(ClassCount(9999.9f, 1), kMostClasses);
  EXPECT_EQ(ClassCount(1e9f, 1), std::nullopt);
}

TEST_F(MapFileTest, AMapNotFinishedLeavesNoFile) {
  SimulationGrid grid = Grid(1, 2, {1, 1});
  std::string name = (dir_ / "m.po1").string();
  {
    MapFile map;
    ASSERT_EQ(map.Create(name, "%s"), MapFile::Opened::Created);
    map.WriteHead("T", grid, "u");
  }
  MapFile refused;
  ASSERT_EQ(refused.Create(name, "%s"), MapFile::Opened::Created);
  refused.WriteHead("T", grid, "u");
  EXPECT_FALSE(refused.WriteBody(grid, {{1e9f, 1}}, 1e9f, 1, 8));
  EXPECT_EQ(refused.FailureText(), "文件" + name + "的强度值过大,无法分级");
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

}  // namespace
}  // namespace strataplot
