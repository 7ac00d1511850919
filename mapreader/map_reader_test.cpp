// The reader against the library's writer, against every kind of map the host
// writes, and against damaged and cut-short files.
#include "mapreader/map_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "mapfile/map_file.h"
#include "testing/host_harness.h"
#include "testing/small_map.h"

namespace {

using namespace test_support;
namespace fs = std::filesystem;

struct WrittenMap {
  const char* what;
  std::string title, unit;  // UTF-8
  float originX, originY, cellSizeX, cellSizeY;
  int rows, columns;
  std::vector<std::uint8_t> mask;
  std::vector<float> values;
  int interval;
  int legendWidth;
};

float Largest(const std::vector<float>& values) {
  float largest = 0;
  for (float v : values) largest = std::max(largest, v);
  return largest;
}

TEST(MapReader, ReadsWhatTheWriterWrote) {
  const std::string oil = "(万吨/平方公里)";
  WrittenMap cases[] = {
      {"four classes",
       "沙三段层各时期累计排油强度图",
       oil,
       540,
       340,
       2,
       2,
       2,
       3,
       {1, 1, 1, 0, 1, 1},
       {35, 12, 20, 0, -3},
       10,
       8},
      {"a title with blanks, wide negative origin",
       "demo 地区 总图",
       "(亿方/平方公里)",
       -12345.5f,
       98765.5f,
       250,
       125,
       3,
       2,
       {1, 1, 1, 1, 0, 1},
       {1, 2, 3, 4, 900},
       100,
       10},
      {"cell sizes finer than one decimal", "T", "(百万方/平方公里)", 0, 0, 0.25f, 2.37f, 3, 4,
       std::vector<std::uint8_t>(12, 1), std::vector<float>(12, 5), 1, 8},
      {"one class: positive cells get 2", "T", oil, 0, 0, 1, 1, 1, 3, {1, 1, 0}, {0, 9}, 10, 8},
      {"interval 0 is taken as 1", "T", oil, 0, 0, 1, 1, 1, 2, {1, 1}, {0.5f, 3}, 0, 8},
      {"no active cell", "T", oil, 0, 0, 1, 1, 2, 2, {0, 0, 0, 0}, {}, 10, 8},
      {"bounds that wrap in 32 bits", "T", oil, 0, 0, 1, 1, 1, 2, {1, 1}, {7e9f, 1}, 2000000000, 8},
  };
  TempDir dir;
  for (const WrittenMap& c : cases) {
    SCOPED_TRACE(c.what);
    strataplot::SimulationGrid grid;
    grid.originX = c.originX;
    grid.originY = c.originY;
    grid.cellSizeX = c.cellSizeX;
    grid.cellSizeY = c.cellSizeY;
    grid.rowCount = c.rows;
    grid.columnCount = c.columns;
    grid.cellCount = c.rows * c.columns;
    grid.mask = c.mask;
    const std::string path = (dir / "map").string();
    HFILE file = platform::OpenFile(path.c_str(), platform::OF_CREATE_WRITE);
    strataplot::WriteMapHead(file, Gbk(c.title), grid, Gbk(c.unit));
    ASSERT_TRUE(strataplot::WriteMapBody(file, grid, c.values, Largest(c.values), c.interval,
                                         c.legendWidth));
    ASSERT_EQ(platform::_lclose(file), 0);

    mapreader::IntensityMap map;
    std::string error;
    ASSERT_TRUE(mapreader::ReadIntensityMap(path, map, error)) << error;
    EXPECT_EQ(map.title, c.title);
    EXPECT_EQ(map.unit, c.unit);
    const mapreader::MapGeometry& g = map.geometry;
    EXPECT_NEAR(g.originX, c.originX, 0.05);
    EXPECT_NEAR(g.originY, c.originY, 0.05);
    EXPECT_NEAR(g.cellSizeX, c.cellSizeX, 0.05 / c.columns);
    EXPECT_NEAR(g.cellSizeY, c.cellSizeY, 0.05 / c.rows);
    EXPECT_EQ(g.rowCount, c.rows);
    EXPECT_EQ(g.columnCount, c.columns);
    const int interval = std::max(c.interval, 1);
    EXPECT_EQ(map.classCount, strataplot::ClassCount(Largest(c.values), interval));
    if (map.classCount > 1) {
      EXPECT_EQ(map.interval, static_cast<std::uint32_t>(interval));
    }
    std::vector<std::int32_t> expected;
    std::size_t next = 0;
    for (std::uint8_t active : c.mask) {
      expected.push_back(active ? strataplot::ClassCode(c.values[next++], interval) : 0);
    }
    EXPECT_EQ(map.codes, expected);
  }
}

TEST(MapReader, ClassRangesFollowTheClassingRule) {
  mapreader::IntensityMap map;
  map.classCount = 4;
  map.interval = 10;
  struct Case {
    int code;
    const char* label;
  } cases[] = {{1, "≤ 0"}, {2, "0 – 20"}, {3, "20 – 30"}, {4, "30 – 40"}};
  for (const Case& c : cases) EXPECT_EQ(map.RangeOf(c.code).Label(), c.label);
  map.classCount = 1;
  map.interval.reset();
  EXPECT_EQ(map.RangeOf(2).Label(), "> 0");
}

// Every kind of map and the profile, as the host writes them for the sample project.
TEST(MapReader, ReadsEveryKindTheHostWrites) {
  TempDir dir;
  test_support::CopySample(dir.path());
  std::vector<std::vector<std::string>> runs = {
      {"oil-expulsion", "--deep", "yes"}, {"oil-unexpelled"}, {"oil-generation"}, {"saturation"}};
  for (const char* kind : {"sg", "pg", "fg", "wg", "og", "kg", "ug", "eg", "ag"}) {
    runs.push_back({"gas", "--kind", kind});
  }
  for (std::vector<std::string> args : runs) {
    args.insert(args.begin(), {"-p", "demo"});
    HostRun run = RunHost(dir.path(), args);
    EXPECT_EQ(run.exitStatus, 0) << args[2] << run.errorOutput;
  }
  const std::vector<std::string> units = {"(万吨/平方公里)", "(亿方/平方公里)",
                                          "(百万方/平方公里)"};
  std::set<std::string> kinds;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    const std::string extension = entry.path().extension().string();
    std::string error;
    if (extension == ".dsa") {
      mapreader::SaturationProfile profile;
      ASSERT_TRUE(mapreader::ReadSaturationProfile(entry.path().string(), profile, error)) << error;
      EXPECT_EQ(profile.name, "all");
      EXPECT_FALSE(profile.samples.empty());
      kinds.insert("dsa");
      continue;
    }
    if (extension.size() != 4 || name.find(".i") != std::string::npos || extension == ".doe" ||
        extension == ".dou" || extension == ".peo" || extension == ".dgr" || extension == ".out" ||
        extension == ".prj") {
      continue;
    }
    SCOPED_TRACE(name);
    mapreader::IntensityMap map;
    ASSERT_TRUE(mapreader::ReadIntensityMap(entry.path().string(), map, error)) << error;
    EXPECT_NE(map.title.find("强度图"), std::string::npos) << map.title;
    EXPECT_NE(std::find(units.begin(), units.end(), map.unit), units.end()) << map.unit;
    EXPECT_EQ(map.geometry.rowCount, 24);
    EXPECT_EQ(map.geometry.columnCount, 30);
    EXPECT_EQ(std::count(map.codes.begin(), map.codes.end(), 0), 720 - 360);
    kinds.insert(extension.substr(1, 2));
  }
  // po pp uo so and the nine gas kinds, each with its total map; and the profile.
  EXPECT_EQ(kinds.size(), 4u + 9u + 1u);
}

const std::string& kMap = test_support::kSmallMap;

const std::string kProfile =
    " all\n"
    "        1500        4.00\n"
    "        1520       12.50\n"
    "        0.00        0.00\n"
    "           0        2000         100\n"
    "        0.00       15.00        2.50\n"
    "       Sa(%)    Depth(m)";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// Reads the text (UTF-8, written as GBK) as a map or as a profile; the error, or "".
std::string ReadError(const TempDir& dir, const std::string& text, bool profile) {
  const fs::path path = dir / (profile ? "p.dsa" : "m.po1");
  WriteFile(path, Gbk(text));
  std::string error;
  mapreader::IntensityMap map;
  mapreader::SaturationProfile samples;
  bool read = profile ? mapreader::ReadSaturationProfile(path.string(), samples, error)
                      : mapreader::ReadIntensityMap(path.string(), map, error);
  EXPECT_EQ(read, error.empty());
  return error.empty() ? "" : error.substr(path.string().size());
}

TEST(MapReader, SmallMapAndProfileRead) {
  TempDir dir;
  EXPECT_EQ(ReadError(dir, kMap, false), "");
  mapreader::SaturationProfile profile;
  std::string error;
  WriteFile(dir / "p.dsa", kProfile);
  ASSERT_TRUE(mapreader::ReadSaturationProfile((dir / "p.dsa").string(), profile, error));
  ASSERT_EQ(profile.samples.size(), 2u);
  EXPECT_EQ(profile.samples[1].depth, 1520);
  EXPECT_EQ(profile.samples[1].saturation, 12.5);
  EXPECT_EQ(profile.depthAxis.last, 2000);
  EXPECT_EQ(profile.saturationAxis.tick, 2.5);
}

TEST(MapReader, DamagedFilesNameTheLine) {
  struct Case {
    bool profile;
    std::string from, to, error;
  } cases[] = {
      {false, "     4\n", "     x\n", ":1: 'x' is not a column count"},
      {false, "  2.5     3", "  2.5    -3", ":1: the grid has a negative count"},
      {false, "     3     4\n", "     3\n", ":1: '标题' is not a number"},
      {false, "100.0 200.0   2.0", "101.0 200.0   2.0", ":1: the origin is written twice"},
      {false, "    -7.5", "   -70.5", ":1: the grid's height 70.5 does not match 3 cells"},
      {false, "     3    0", "     0    0", ":3: the class count is below 1"},
      {false, "     3    0", "     3    1", ":3: the class count is not followed by 0"},
      {false, "0-10      10-20\n", "0-10\n", ":3: the legend holds 1 ranges where its 3 classes"},
      {false, "10-20\n", "10-20 20-30\n", ":3: the legend holds more ranges"},
      {false, "10-20", "10-25", ":3: the legend range '10-25' does not follow the interval 10"},
      {false, "10-20", "10:20", ":3: '10:20' is not a legend range"},
      {false, "  1  2  3  0\n", "  1  2  3\n", ":5: the row holds 3 class codes, not 4"},
      {false, "  1  2  3  0\n", "  1  2  3  0  1\n", ":5: the row holds more than 4 class codes"},
      {false, "  0  0  1  1\n", "  0  0  1  4\n",
       ":6: '4' is not a class code of this map (0 to 3)"},
      {false, "  0  0  1  1\n", "  0  0  1 -1\n", ":6: '-1' is not a class code"},
      {false, "  0  0  1  1\n", "  0  0  1  1\n  1\n", ":7: more follows the 3 rows"},
      {true, "        1520       12.50\n", "        1520\n", ":3: the line is not a sample"},
      {true, "        1520", "      1520.5", ":3: the zero line holds something else"},
      {true, "       12.50", "        12,5", ":3: '12,5' is not a saturation"},
      {true, "         100\n", "\n", ":5: the line is not the depth axis"},
      {true, "       2.50\n", "       x\n", ":6: 'x' is not a number"},
      {true, "Depth(m)", "Depth(m)\nmore", ":8: more follows the axis labels"},
      {true, "Depth(m)", "Depth", ":7: the axis labels are not Sa(%) and Depth(m)"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    std::string error =
        ReadError(dir, Replaced(c.profile ? kProfile : kMap, c.from, c.to), c.profile);
    EXPECT_EQ(error.substr(0, c.error.size()), c.error) << error;
  }
}

// Cut anywhere before its last byte, a file is refused with a message naming it.
TEST(MapReader, CutShortFilesAreRefused) {
  TempDir dir;
  for (bool profile : {false, true}) {
    const std::string text = Gbk(profile ? kProfile : kMap);
    const fs::path path = dir / "cut";
    for (std::size_t length = 0; length + 1 < text.size(); ++length) {
      WriteFile(path, text.substr(0, length));
      std::string error;
      mapreader::IntensityMap map;
      mapreader::SaturationProfile samples;
      bool read = profile ? mapreader::ReadSaturationProfile(path.string(), samples, error)
                          : mapreader::ReadIntensityMap(path.string(), map, error);
      EXPECT_FALSE(read) << "cut at " << length;
      EXPECT_EQ(error.rfind(path.string() + ":", 0), 0u) << error;
    }
  }
  std::string error;
  mapreader::IntensityMap map;
  EXPECT_FALSE(mapreader::ReadIntensityMap((dir / "missing").string(), map, error));
  EXPECT_NE(error.find("missing: cannot be opened"), std::string::npos) << error;
}

}  // namespace
