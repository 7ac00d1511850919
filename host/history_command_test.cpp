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

// Outputs that cannot be written whole (files are limited in size, as on a
// full disk): the run ends with 1 naming what failed and leaves the directory
// as it was, whether the cube fails as it is made, or as it is closed (the
// netCDF library's HDF5 then keeps it open, and used to crash the process as
// it ended).
TEST_F(HistoryCommand, OutputsThatCannotBeWrittenLeaveNothing) {
  const std::set<std::string> before = FilesIn(Dir());
  for (long limit : {10000L, 24L << 10, 100000L}) {
    HostRun run = RunHost(Dir(), {"-p", "demo", "history"}, limit);
    EXPECT_EQ(run.exitStatus, 1) << limit << ": " << run.errorOutput;
    EXPECT_TRUE(Contains(run.errorOutput, "cannot write")) << limit << ": " << run.errorOutput;
    EXPECT_EQ(FilesIn(Dir()), before) << limit;
  }
}

}  // namespace

namespace {

// The system's name and the origin of a grid, as GDAL reads it.
struct Placed {
  std::string system;  // empty: none declared
  double originX = 0, originY = 0;
};
std::optional<Placed> PlacedGrid(const std::string& path) {
  GDALAllRegister();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  if (!dataset) return std::nullopt;
  Placed placed;
  if (const OGRSpatialReference* system = dataset->GetSpatialRef())
    placed.system = system->GetName();
  double transform[6] = {};
  dataset->GetGeoTransform(transform);
  placed.originX = transform[0];
  placed.originY = transform[3];
  return placed;
}

// The reference system of a run: NAME.prj of the project directory (the
// sample's is in metres, its grid in km), --crs over it, --grid-unit; a system
// that is not projected, a NAME.prj that is not one, and GeoJSON without one
// refused with status 2 before anything is written.
TEST_F(HistoryCommand, ReferenceSystemOfTheRun) {
  const std::string demo = "CGCS2000_Transverse_Mercator_117E_35N_demo_basin";
  const std::string gauss = "CGCS2000 / 3-degree Gauss-Kruger CM 114E";
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* prj;  // demo.prj's contents; nullptr: the sample's, "": none
    int status;
    std::string said;    // part of standard error
    std::string grid;    // the file whose system is checked
    std::string system;  // its system's name
    double origin;       // its originX
  } cases[] = {
      {"the project's",
       {"--grids", "gtiff", "--contours", "geojson", "oil-unexpelled"},
       nullptr,
       0,
       "",
       "demo.uot.tif",
       demo,
       540000},
      {"--crs over it, in m",
       {"--crs", "EPSG:4547", "--grid-unit", "m", "--grids", "gtiff", "oil-unexpelled"},
       nullptr,
       0,
       "",
       "demo.uot.tif",
       gauss,
       540},
      {"none", {"--grids", "gtiff", "oil-unexpelled"}, "", 0, "", "demo.uot.tif", "", 540},
      {"history", {"history"}, nullptr, 0, "", "demo.pot.history.tif", demo, 540000},
      {"history, --crs",
       {"--crs", "EPSG:4547", "history"},
       "",
       0,
       "",
       "demo.pot.history.tif",
       gauss,
       540000},
      {"geographic",
       {"--crs", "EPSG:4326", "--grids", "gtiff", "oil-unexpelled"},
       nullptr,
       2,
       "cannot use the reference system of --crs EPSG:4326: WGS 84 is not a projected",
       "",
       "",
       0},
      {"geographic, history",
       {"--crs", "EPSG:4326", "history"},
       nullptr,
       2,
       "not a projected reference system",
       "",
       "",
       0},
      {"a .prj of no system",
       {"--grids", "gtiff", "oil-unexpelled"},
       "PROJCS[garbage",
       2,
       "cannot use the reference system of demo.prj: it describes no reference system",
       "",
       "",
       0},
      {"GeoJSON without one",
       {"--contours", "gpkg,geojson", "oil-unexpelled"},
       "",
       2,
       "--contours geojson: GeoJSON holds WGS 84 longitude and latitude, so the grid needs a "
       "projected reference system to be transformed from: give it with --crs (EPSG:n, WKT or a "
       "PROJ string) or as WKT in demo.prj in the project directory",
       "",
       "",
       0},
  };
  const std::string sample = *ReadFile(Dir() / "demo.prj");
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    for (const char* old : {"demo.uot.tif", "demo.uot", "demo.pot.history.tif"}) {
      fs::remove(Dir() / old);
    }
    fs::remove(Dir() / "demo.prj");
    const std::string prj = test.prj == nullptr ? sample : test.prj;
    if (!prj.empty()) WriteFile(Dir() / "demo.prj", prj);
    std::vector<std::string> args = test.args;
    if (args.back() != "history") args.insert(args.end() - 1, {"--overwrite", "yes"});
    const HostRun run = Run(args);
    EXPECT_EQ(run.exitStatus, test.status) << run.errorOutput;
    EXPECT_TRUE(Contains(run.errorOutput, test.said)) << run.errorOutput;
    if (test.status != 0) {
      EXPECT_FALSE(fs::exists(Dir() / "demo.uot"));
      continue;
    }
    std::optional<Placed> placed = PlacedGrid((Dir() / test.grid).string());
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->system, test.system);
    EXPECT_EQ(placed->originX, test.origin);
  }
  // The history's cube declares the system too, its coordinates in metres.
  GDALDatasetUniquePtr cube(GDALDataset::Open(
      ("NETCDF:\"" + (Dir() / "demo.history.nc").string() + "\":expelled_total").c_str(),
      GDAL_OF_RASTER | GDAL_OF_READONLY));
  ASSERT_TRUE(cube);
  ASSERT_NE(cube->GetSpatialRef(), nullptr);
  EXPECT_EQ(std::string(cube->GetSpatialRef()->GetName()), gauss);
  double transform[6] = {};
  cube->GetGeoTransform(transform);
  EXPECT_NEAR(transform[0], 540000, 1e-6);
  EXPECT_NEAR(transform[1], 2000, 1e-6);
}

}  // namespace
