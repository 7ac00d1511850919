// Grids and contour layers read back through GDAL: geometry, the no-data
// mask, the values; contour levels and the number of lines per level.
#include "grids/map_export.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string_view>
#include <utility>

#include "mapreader/map_reader.h"
#include "testing/host_harness.h"

namespace {

using namespace test_support;
namespace fs = std::filesystem;

struct Raster {
  double transform[6] = {};
  int rows = 0, columns = 0;
  std::optional<double> noData;
  std::vector<float> values;
};

Raster ReadRaster(const std::string& path) {
  GDALAllRegister();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  Raster raster;
  EXPECT_TRUE(dataset) << path;
  if (!dataset) return raster;
  dataset->GetGeoTransform(raster.transform);
  raster.rows = dataset->GetRasterYSize();
  raster.columns = dataset->GetRasterXSize();
  GDALRasterBand* band = dataset->GetRasterBand(1);
  int hasNoData = 0;
  double noData = band->GetNoDataValue(&hasNoData);
  if (hasNoData) raster.noData = noData;
  raster.values.resize(static_cast<std::size_t>(raster.rows) * raster.columns);
  EXPECT_EQ(band->RasterIO(GF_Read, 0, 0, raster.columns, raster.rows, raster.values.data(),
                           raster.columns, raster.rows, GDT_Float32, 0, 0, nullptr),
            CE_None);
  return raster;
}

// Lines per level of a contour layer.
std::map<double, int> ReadContours(const std::string& path) {
  GDALAllRegister();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  std::map<double, int> lines;
  EXPECT_TRUE(dataset) << path;
  if (!dataset || dataset->GetLayerCount() != 1) return lines;
  for (auto& feature : dataset->GetLayer(0)) {
    EXPECT_EQ(wkbFlatten(feature->GetGeometryRef()->getGeometryType()), wkbLineString);
    ++lines[feature->GetFieldAsDouble("level")];
  }
  return lines;
}

// XYZ records no no-data value: its cells outside the area hold -9999.
bool IsNoData(const Raster& raster, float value) {
  return value == static_cast<float>(raster.noData.value_or(-9999));
}

// Two hills of 15 in a plain of 0, one with a top of 25; the corners lie
// outside the modelled area.
TEST(MapExport, EveryFormatHoldsTheGridAndItsContours) {
  const int rows = 5, columns = 7, cells = rows * columns;
  std::vector<std::uint8_t> mask(cells, 1);
  mask[0] = mask[columns - 1] = mask[cells - columns] = mask[cells - 1] = 0;
  const float grid[rows][columns] = {{0, 0, 0, 0, 0, 0, 0},
                                     {0, 15, 15, 0, 15, 15, 0},
                                     {0, 15, 25, 0, 15, 15, 0},
                                     {0, 15, 15, 0, 15, 15, 0},
                                     {0, 0, 0, 0, 0, 0, 0}};
  std::vector<float> values;
  for (int cell = 0; cell < cells; ++cell) {
    if (mask[cell]) values.push_back(grid[cell / columns][cell % columns]);
  }
  TempDir dir;
  const std::string name = (dir / "沙三段.po1").string();
  const std::string gbkName = Gbk(name), title = Gbk("标题"), unit = Gbk("(万吨/平方公里)");
  const platform::CompletedMap map{gbkName, title, unit, 10,      540,  340,
                                   2,       2.5f,  rows, columns, mask, values};
  EXPECT_EQ(grids::ExportMap(map, grids::GridFormats(), grids::ContourFormats()),
            std::vector<std::string>());

  for (const grids::Format& format : grids::GridFormats()) {
    SCOPED_TRACE(format.name);
    const Raster raster = ReadRaster(grids::ExportName(name, format));
    ASSERT_EQ(raster.rows, rows);
    ASSERT_EQ(raster.columns, columns);
    const double expected[6] = {540, 2, 0, 340, 0, -2.5};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(raster.transform[i], expected[i], 1e-6) << i;
    for (int cell = 0; cell < cells; ++cell) {
      const float value = raster.values[cell];
      if (mask[cell]) {
        EXPECT_EQ(value, grid[cell / columns][cell % columns]) << cell;
      } else {
        EXPECT_TRUE(IsNoData(raster, value)) << cell << ": " << value;
      }
    }
  }
  for (const grids::Format& format : grids::ContourFormats()) {
    EXPECT_EQ(ReadContours(grids::ExportName(name, format)),
              (std::map<double, int>{{10, 2}, {20, 1}}))
        << format.name;
  }
  EXPECT_FALSE(fs::exists(name + ".tif.aux.xml"));
}

// A map of rows x columns at (540, 340) in cells of 2 x 2.5: cell 0 outside
// the area, the others holding `front`, then 1, 2, 3 ...
struct SmallGrid {
  SmallGrid(const TempDir& dir, int rowCount, int columnCount, std::vector<float> front = {})
      : name(dir.File("m.po1")), rows(rowCount), columns(columnCount), mask(rows * columns, 1) {
    mask[0] = 0;
    values = front;
    while (values.size() + 1 < mask.size()) values.push_back(static_cast<float>(values.size()));
  }
  platform::CompletedMap Map() const {
    return {name, "t", "u", 10, 540, 340, 2, 2.5f, rows, columns, mask, values};
  }
  // The value at the cell, `outside` outside the area.
  float At(int cell, float outside) const { return cell == 0 ? outside : values[cell - 1]; }

  std::string name;  // ASCII: the same bytes in GBK
  int rows, columns;
  std::vector<std::uint8_t> mask;
  std::vector<float> values;
};

// A map written under a name of the caller's reads back as it was: the
// geometry of its map file, its values, NaN outside the area; files that hold
// no grid are refused naming the file.
TEST(MapExport, GridReadBackAsTheViewerReadsIt) {
  TempDir dir;
  const SmallGrid small(dir, 2, 3, {-9999, 1.5f});
  const std::string name = (dir / "沙三段.po1").string();
  EXPECT_EQ(grids::ExportMapAs(small.Map(), name, {grids::GridFormats()[0]}, {}),
            std::vector<std::string>());
  grids::RasterGrid grid;
  std::string error;
  ASSERT_TRUE(grids::ReadRasterGrid(name + ".tif", grid, error)) << error;
  EXPECT_EQ(grid.rowCount, 2);
  EXPECT_EQ(grid.columnCount, 3);
  EXPECT_EQ(std::vector<double>({grid.originX, grid.originY, grid.cellSizeX, grid.cellSizeY}),
            std::vector<double>({540, 340, 2, 2.5}));
  ASSERT_EQ(grid.cells.size(), 6u);
  EXPECT_TRUE(std::isnan(grid.cells[0]));
  for (int cell = 1; cell < 6; ++cell) EXPECT_EQ(grid.cells[cell], small.At(cell, 0)) << cell;

  WriteFile(dir / "text.tif", "not a grid");
  for (const std::string& path : {(dir / "text.tif").string(), (dir / "none.tif").string()}) {
    EXPECT_FALSE(grids::ReadRasterGrid(path, grid, error));
    EXPECT_TRUE(Contains(error, path)) << error;
  }
}

// A value of -9999 stays a value: no data moves to a round value below every
// value (or, with values below them all, one that none equals), which every
// format records exactly (Surfer its own blank; XYZ holds it as a value).
TEST(MapExport, NoDataNeverEqualsAValue) {
  struct Case {
    std::vector<float> front;
    double noData;
  } cases[] = {{{-9999}, -1e5},
               {{-9999, -250000}, -1e6},
               {{-9999, -2e10f}, -1e5},
               {{-9999, -1e5, -2e10f}, -1e6}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.noData);
    TempDir dir;
    const SmallGrid grid(dir, 3, 4, test.front);
    ASSERT_EQ(grids::ExportMap(grid.Map(), grids::GridFormats(), {}), std::vector<std::string>());
    for (const grids::Format& format : grids::GridFormats()) {
      SCOPED_TRACE(format.name);
      const Raster raster = ReadRaster(grids::ExportName(grid.name, format));
      const std::string_view driver = format.driver;
      ASSERT_EQ(raster.noData.has_value(), driver != "XYZ");
      const double outside = driver == "GS7BG" ? *raster.noData : test.noData;
      EXPECT_EQ(raster.noData.value_or(outside), outside);
      ASSERT_EQ(raster.values.size(), 12u);
      for (int cell = 0; cell < 12; ++cell) {
        EXPECT_EQ(raster.values[cell], grid.At(cell, static_cast<float>(outside))) << cell;
      }
    }
  }
  TempDir dir;
  const SmallGrid blank(dir, 3, 4, {1.701410009187828e+38f});
  EXPECT_EQ(grids::ExportMap(blank.Map(), grids::GridFormats(), {}),
            std::vector<std::string>{"cannot write " + blank.name +
                                     ".grd: a value of the map is 1.70141e+38, the blank value "
                                     "of Surfer 7 grids"});
}

// ZMap Plus, Surfer 7 and XYZ grids of a single row or column are refused
// (an older file of the name goes); the others hold the grid and its cell size.
TEST(MapExport, OneRowOrOneColumn) {
  for (const auto& [rows, columns] : {std::pair{1, 6}, std::pair{5, 1}}) {
    SCOPED_TRACE(std::to_string(rows) + " x " + std::to_string(columns));
    TempDir dir;
    const SmallGrid grid(dir, rows, columns);
    WriteFile(grid.name + ".zmap", "from an earlier run");
    const std::vector<std::string> failures =
        grids::ExportMap(grid.Map(), grids::GridFormats(), grids::ContourFormats());
    ASSERT_EQ(failures.size(), 3u);
    const char* refused[][2] = {
        {".zmap", "a ZMap Plus"}, {".grd", "a Surfer 7"}, {".xyz", "an XYZ"}};
    for (int i = 0; i < 3; ++i) {
      const std::string path = grid.name + refused[i][0];
      EXPECT_EQ(failures[i].rfind("cannot write " + path + ": " + refused[i][1] + " grid needs", 0),
                0u)
          << failures[i];
      EXPECT_FALSE(fs::exists(path));
    }
    for (const char* extension : {".tif", ".asc"}) {
      const Raster raster = ReadRaster(grid.name + extension);
      ASSERT_EQ(raster.values.size(), grid.mask.size()) << extension;
      const double expected[6] = {540, 2, 0, 340, 0, -2.5};
      for (int i = 0; i < 6; ++i) EXPECT_EQ(raster.transform[i], expected[i]) << extension << i;
      for (int cell = 1; cell < rows * columns; ++cell) {
        EXPECT_EQ(raster.values[cell], grid.At(cell, 0)) << extension;
      }
    }
  }
}

// A shapefile that cannot be written leaves none of its parts, this run's or
// an earlier one's; what is in the way stays, and so does the .prj, which an
// Arc/Info ASCII grid of the map shares.
TEST(MapExport, AShapefileThatCannotBeWrittenLeavesNoParts) {
  const std::vector<grids::Format> shapefile = {grids::ContourFormats()[2]};
  for (const std::string blocked : {".shp", ".shx", ".dbf"}) {
    SCOPED_TRACE(blocked);
    TempDir dir;
    const SmallGrid grid(dir, 3, 4);
    ASSERT_EQ(grids::ExportMap(grid.Map(), {}, shapefile), std::vector<std::string>());
    WriteFile(dir / "m.po1.prj", "the grid's");
    fs::remove(grid.name + blocked);
    fs::create_directory(grid.name + blocked);

    const std::vector<std::string> failures = grids::ExportMap(grid.Map(), {}, shapefile);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(Contains(failures[0], "cannot write " + grid.name + ".shp: ")) << failures[0];
    for (const std::string part : {".shp", ".shx", ".dbf"}) {
      EXPECT_EQ(fs::exists(grid.name + part), part == blocked) << part;
    }
    EXPECT_TRUE(fs::is_directory(grid.name + blocked));
    EXPECT_EQ(TempDir::Contents(dir / "m.po1.prj"), "the grid's");
  }
}

TEST(MapExport, FormatListsOnTheCommandLine) {
  std::string error;
  auto formats = grids::ParseFormatList("xyz,gtiff,xyz", grids::GridFormats(), error);
  ASSERT_TRUE(formats);
  ASSERT_EQ(formats->size(), 2u);
  EXPECT_STREQ((*formats)[0].extension, ".xyz");
  EXPECT_FALSE(grids::ParseFormatList("gtiff,", grids::GridFormats(), error));
  EXPECT_FALSE(grids::ParseFormatList("gpkg", grids::GridFormats(), error));
  EXPECT_EQ(error, "'gpkg' is not one of gtiff aaigrid zmap surfer xyz");
}

// Through the host: every grid of every completed map agrees with the map
// file's classes; a file that cannot be written fails the run; a cancelled
// map gets none.
TEST(MapExport, CompletedMapsOfARunAgreeWithTheirMapFiles) {
  TempDir dir;
  test_support::CopySample(dir.path());
  fs::create_directory(dir / "Ek1.po3.xyz");  // in the way of two files, and left alone
  fs::create_directory(dir / "Ek1.po3.shp");
  WriteFile(dir / "Ek1.po3.shp" / "other.shp", "a file of the user's");
  HostRun run = RunHost(dir.path(), {"-p", "demo", "--deep", "yes", "--interval", "30", "--grids",
                                     "gtiff,aaigrid,zmap,surfer,xyz", "--contours",
                                     "gpkg,geojson,shp", "oil-expulsion"});
  EXPECT_EQ(run.exitStatus, 2);  // the maps are written, one grid is not
  EXPECT_TRUE(Contains(run.errorOutput, "cannot write Ek1.po3.xyz: ")) << run.errorOutput;
  EXPECT_TRUE(Contains(run.errorOutput, "cannot write Ek1.po3.shp: ")) << run.errorOutput;
  EXPECT_TRUE(fs::exists(dir / "Ek1.po3.shp" / "other.shp"));

  run =
      RunHost(dir.path(), {"-p", "demo", "--interval", "5,5,5,cancel", "--grids", "gtiff", "gas"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(fs::exists(dir / "沙三段.sg1.tif"));
  EXPECT_FALSE(fs::exists(dir / "demo.sgt.tif"));  // the total map was cancelled

  for (const char* mapName : {"沙三段.po1", "沙四段.po2", "Ek1.po3", "demo.pot", "demo.ppt"}) {
    SCOPED_TRACE(mapName);
    const std::string path = (dir / mapName).string();
    mapreader::IntensityMap map;
    std::string error;
    ASSERT_TRUE(mapreader::ReadIntensityMap(path, map, error)) << error;
    for (const grids::Format& format : grids::GridFormats()) {
      if (std::string(mapName) == "Ek1.po3" && format.name == std::string("xyz")) continue;
      SCOPED_TRACE(format.name);
      const Raster raster = ReadRaster(grids::ExportName(path, format));
      ASSERT_EQ(raster.rows, map.geometry.rowCount);
      ASSERT_EQ(raster.columns, map.geometry.columnCount);
      EXPECT_NEAR(raster.transform[0], map.geometry.originX, 0.05);
      EXPECT_NEAR(raster.transform[3], map.geometry.originY, 0.05);
      EXPECT_NEAR(raster.transform[1], map.geometry.cellSizeX, 0.05);
      EXPECT_NEAR(raster.transform[5], -map.geometry.cellSizeY, 0.05);
      for (std::size_t cell = 0; cell < map.codes.size(); ++cell) {
        const float value = raster.values[cell];
        const int code = map.codes[cell];
        if (code == 0) {
          EXPECT_TRUE(IsNoData(raster, value)) << cell;
          continue;
        }
        const mapreader::ClassRange range = map.RangeOf(code);
        const double slack = 1e-5 * std::fabs(value);  // the classing divides in single precision
        EXPECT_TRUE((!range.lower || value >= *range.lower - slack) &&
                    (!range.upper || value <= *range.upper + slack))
            << cell << ": " << value << " in class " << range.Label();
      }
    }
    for (const grids::Format& format : grids::ContourFormats()) {
      if (std::string(mapName) == "Ek1.po3" && format.name == std::string("shp")) continue;
      const std::map<double, int> lines = ReadContours(grids::ExportName(path, format));
      EXPECT_FALSE(lines.empty()) << format.name;
      for (const auto& [level, count] : lines) {
        EXPECT_EQ(std::fmod(level, 30.0), 0) << format.name << ": " << level;
      }
    }
  }
}

}  // namespace
