// `strataplot history` through the host program, against the map exports'
// own grids.
#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "testing/host_harness.h"

namespace {

using namespace test_support;
namespace fs = std::filesystem;

// A band of a GeoTIFF as raw 32-bit reals, with the file's band count.
struct Band {
  int bandCount = 0;
  std::vector<float> values;
  std::string description;
};

std::optional<Band> ReadBand(const fs::path& path, int band /* from 1; 0: the last */) {
  static const bool registered = (GDALAllRegister(), true);
  (void)registered;
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  if (!dataset) return std::nullopt;
  Band result;
  result.bandCount = dataset->GetRasterCount();
  GDALRasterBand* raster = dataset->GetRasterBand(band == 0 ? result.bandCount : band);
  if (raster == nullptr) return std::nullopt;
  const int width = dataset->GetRasterXSize(), height = dataset->GetRasterYSize();
  result.values.resize(static_cast<std::size_t>(width) * height);
  if (raster->RasterIO(GF_Read, 0, 0, width, height, result.values.data(), width, height,
                       GDT_Float32, 0, 0, nullptr) != CE_None) {
    return std::nullopt;
  }
  result.description = raster->GetDescription();
  return result;
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

std::set<std::string> FilesIn(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

class HistoryCommand : public ::testing::Test {
 protected:
  HistoryCommand() { CopySample(dir_.path() / "p"); }
  fs::path Dir() const { return dir_.path() / "p"; }
  HostRun Run(std::vector<std::string> args) const {
    args.insert(args.begin(), {"-p", "demo"});
    return RunHost(Dir(), args);
  }
  TempDir dir_;
};

class HistoryGrids : public HistoryCommand, public ::testing::WithParamInterface<bool> {};

// The last band of every history grid equals the grid the map export writes
// for the same map, bit for bit; with and without the deep expelled oil file.
TEST_P(HistoryGrids, LastBandsAreTheExportsGrids) {
  const bool deep = GetParam();
  if (!deep) fs::remove(Dir() / "demo.peo");
  // Without the deep pass, the oil expulsion export ends with 3.
  EXPECT_EQ(Run({"--deep", deep ? "yes" : "no", "--grids", "gtiff", "oil-expulsion"}).exitStatus,
            deep ? 0 : 3);
  EXPECT_EQ(Run({"--grids", "gtiff", "oil-unexpelled"}).exitStatus, 0);
  EXPECT_EQ(Run({"--grids", "gtiff", "oil-generation"}).exitStatus, 0);
  // With the deep file, the frames too.
  HostRun run = Run(deep ? std::vector<std::string>{"history", "--frames"}
                         : std::vector<std::string>{"history"});
  ASSERT_EQ(run.exitStatus, 0) << run.errorOutput;

  int compared = 0;
  for (const std::string& name : FilesIn(Dir())) {
    if (!name.ends_with(".tif") || name.ends_with(".history.tif")) continue;
    const std::string map = name.substr(0, name.size() - 4);
    std::optional<Band> exported = ReadBand(Dir() / name, 1);
    std::optional<Band> last = ReadBand(Dir() / (map + ".history.tif"), 0);
    ASSERT_TRUE(exported && last) << map;
    EXPECT_EQ(last->bandCount, 5) << map;  // the sample's periods
    EXPECT_TRUE(SameBits(exported->values, last->values)) << map;
    ++compared;
  }
  // Four kinds (three without the deep file) of three horizons and the total.
  EXPECT_EQ(compared, deep ? 16 : 12);
  EXPECT_EQ(fs::exists(Dir() / "demo.ppt.history.tif"), deep);

  std::optional<Band> first = ReadBand(Dir() / "demo.pot.history.tif", 1);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->description, "Es1 60.46 Ma");
  // A row per horizon and period, and the total's.
  std::optional<std::string> csv = ReadFile(Dir() / "demo.history.csv");
  ASSERT_TRUE(csv);
  EXPECT_EQ(std::count(csv->begin(), csv->end(), '\n'), 1 + 4 * 5);
  EXPECT_TRUE(fs::exists(Dir() / "demo.history.nc"));
  EXPECT_TRUE(fs::exists(Dir() / "demo.history.png"));
  // A frame per period of each horizon's and the total's expelled intensity.
  int frames = 0;
  for (const std::string& name : FilesIn(Dir()))
    frames += name.ends_with(".png") && name.find(".P") != std::string::npos;
  EXPECT_EQ(frames, deep ? 4 * 5 : 0);
  EXPECT_TRUE(fs::exists(Dir() / "demo.pot.P5.png") == deep);
}

INSTANTIATE_TEST_SUITE_P(DeepFile, HistoryGrids, ::testing::Bool());

// Each file the history reads, damaged: a run that cannot go on ends with 1
// and a message naming the file, and leaves nothing of it behind (every file
// is written whole or not at all); what leaves a valid project ends with 0.
TEST(HistoryDamage, RefusedNamingTheFileAndLeavingNothing) {
  enum Damage { Missing, Directory, Empty, CutAfterLineOne, LastFieldGarbage };
  struct Case {
    const char* file;
    std::vector<int> statuses;  // by damage
  };
  const std::vector<Case> cases = {
      {"demo.iga", {1, 1, 1, 1, 1}},
      // Fewer horizons, or another name, is a project still.
      {"demo.isc", {1, 1, 0, 0, 0}},
      {"demo.dgr", {1, 1, 1, 1, 1}},
      // A missing quantity file leaves its columns and grids out.
      {"demo.doe", {0, 1, 1, 1, 1}},
      {"demo.peo", {0, 1, 1, 1, 1}},
      {"demo.dou", {0, 1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    for (int damage = Missing; damage <= LastFieldGarbage; ++damage) {
      TempDir dir;
      CopySample(dir / "p");
      const fs::path file = dir / "p" / c.file;
      const std::string text = ReadFile(file).value();
      fs::remove(file);
      if (damage == Directory) fs::create_directory(file);
      if (damage == Empty) WriteFile(file, "");
      if (damage == CutAfterLineOne) WriteFile(file, text.substr(0, text.find('\n') + 1));
      if (damage == LastFieldGarbage) {
        const std::size_t end = text.find_last_not_of(" \t\r\n");
        const std::size_t start = text.find_last_of(" \t\r\n", end) + 1;
        WriteFile(file, text.substr(0, start) + "1x" + text.substr(end + 1));
      }
      const std::set<std::string> before = FilesIn(dir / "p");
      HostRun run = RunHost(dir / "p", {"-p", "demo", "history"});
      const std::string what = std::string(c.file) + ", damage " + std::to_string(damage);
      EXPECT_EQ(run.exitStatus, c.statuses[static_cast<std::size_t>(damage)])
          << what << ": " << run.errorOutput;
      if (run.exitStatus == 1) {
        EXPECT_TRUE(Contains(run.errorOutput, c.file)) << what << ": " << run.errorOutput;
        EXPECT_EQ(FilesIn(dir / "p"), before) << what;
      }
    }
  }
}

// Series that do not fit in the memory the process may have are refused
// before they are read, naming the horizon file.
TEST(HistoryMemory, SeriesBeyondTheLimitAreRefused) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's own memory does not fit the limit";
#endif
  TempDir dir;
  std::string mask;
  for (int i = 0; i < 2000000; ++i) mask += "1 ";
  WriteProject(dir, {"demo", 5, {"H1"}, "0 0 2 2 1 2000000\n" + mask + "\n"});
  WriteFile(dir / "demo.dou", mask + mask + mask + mask + mask + "\n");
  // 2 x 2 000 000 cells x 5 periods x 4 bytes of the one kind: 77 MB; 60 MiB allowed.
  HostRun run = RunHost(dir.path(), {"-p", "demo", "history"}, 0, 60 << 20);
  EXPECT_EQ(run.exitStatus, 1) << run.errorOutput;
  EXPECT_TRUE(Contains(run.errorOutput, "demo.isc")) << run.errorOutput;
  EXPECT_FALSE(fs::exists(dir / "demo.history.csv"));
}

// The cell area below 1 and a project without periods; usage errors.
TEST_F(HistoryCommand, AreaPeriodsAndUsage) {
  const std::string grid = ReadFile(Dir() / "demo.dgr").value();
  WriteFile(Dir() / "demo.dgr", "0 0 0.5 0.5 2 2\n1 1 1 1\n");
  HostRun run = Run({"history"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(run.errorOutput, "demo.dgr")) << run.errorOutput;
  WriteFile(Dir() / "demo.dgr", grid);

  WriteFile(Dir() / "demo.iga", "0\n0\n");
  run = Run({"history"});
  EXPECT_EQ(run.exitStatus, 0) << run.errorOutput;
  EXPECT_TRUE(Contains(run.errorOutput, "no periods")) << run.errorOutput;
  const std::string csv = ReadFile(Dir() / "demo.history.csv").value();
  EXPECT_EQ(csv.find('\n'), csv.size() - 1);  // the header alone

  EXPECT_EQ(Run({"history", "--grids", "gtiff"}).exitStatus, 2);
  EXPECT_EQ(Run({"history", "-o", "nosuch"}).exitStatus, 1);
}

// A second run replaces every file of the first and leaves nothing besides;
// a directory in the way of one output fails the run and is left alone.
TEST_F(HistoryCommand, ARunReplacesThePreviousRunsFiles) {
  ASSERT_EQ(Run({"history"}).exitStatus, 0);
  const std::set<std::string> first = FilesIn(Dir());
  const std::string csv = ReadFile(Dir() / "demo.history.csv").value();
  WriteFile(Dir() / "demo.history.csv", "older");
  HostRun run = Run({"history"});
  ASSERT_EQ(run.exitStatus, 0) << run.errorOutput;
  EXPECT_EQ(FilesIn(Dir()), first);
  EXPECT_EQ(ReadFile(Dir() / "demo.history.csv"), csv);

  fs::remove(Dir() / "demo.history.png");
  fs::create_directories(Dir() / "demo.history.png" / "inside");
  run = Run({"history"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(run.errorOutput, "demo.history.png")) << run.errorOutput;
  EXPECT_TRUE(fs::is_directory(Dir() / "demo.history.png" / "inside"));
  EXPECT_EQ(FilesIn(Dir()), first);
}

}  // namespace
