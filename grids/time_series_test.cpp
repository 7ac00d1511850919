// Time-series GeoTIFFs and the history cube read back through GDAL: values
// bit for bit, no data and fill, geometry, metadata, the cube's dimensions
// and coordinates; what a failure leaves at the path.
#include "grids/time_series.h"

#include <cpl_conv.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>

#include "testing/temp_dir.h"

namespace {

using test_support::TempDir;
namespace fs = std::filesystem;

// 3 x 4 cells; cells 1 and 6 lie outside the area, 10 are active.
const std::vector<std::uint8_t> kMask = {1, 0, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1};
constexpr std::size_t kActive = 10;
const grids::GridGeometry kGrid{.originX = 540,
                                .originY = 340,
                                .cellSizeX = 2,
                                .cellSizeY = 2.5f,
                                .rowCount = 3,
                                .columnCount = 4,
                                .mask = kMask};

// Values whose bits are easily lost: a subnormal, -0, the largest float, a
// neighbour of -9999; the rest distinct per cell and band or period. Band by
// band, as the series hold them.
std::vector<float> SeriesValues(std::size_t perCell, float base = 0) {
  std::vector<float> values;
  for (int k = 0; k < static_cast<int>(perCell); ++k) {
    for (int a = 0; a < static_cast<int>(kActive); ++a) {
      values.push_back(base + 10.f * static_cast<float>(a) + 0.125f * static_cast<float>(k));
    }
  }
  values[1] = 1e-40f;
  values[2] = -0.0f;
  values[4] = std::numeric_limits<float>::max();
  values[5] = std::nextafter(-9999.f, 0.f);
  return values;
}

GDALDatasetUniquePtr OpenRead(const std::string& path, unsigned kind) {
  GDALAllRegister();
  return GDALDatasetUniquePtr(GDALDataset::Open(path.c_str(), kind | GDAL_OF_READONLY));
}

// Checks every band of the GeoTIFF against the series.
void ExpectSeries(const grids::TimeSeries& series, double noData) {
  GDALDatasetUniquePtr dataset = OpenRead(series.path, GDAL_OF_RASTER);
  ASSERT_TRUE(dataset);
  const std::size_t bands = series.bandDescriptions.size();
  ASSERT_EQ(dataset->GetRasterCount(), static_cast<int>(bands));
  ASSERT_EQ(dataset->GetRasterXSize(), 4);
  ASSERT_EQ(dataset->GetRasterYSize(), 3);
  double transform[6] = {};
  dataset->GetGeoTransform(transform);
  EXPECT_EQ(std::vector<double>(transform, transform + 6),
            (std::vector<double>{540, 2, 0, 340, 0, -2.5}));
  EXPECT_STREQ(dataset->GetMetadataItem("TITLE"), series.title.c_str());
  EXPECT_STREQ(dataset->GetMetadataItem("PROJECT"), series.project.c_str());
  for (std::size_t k = 0; k < bands; ++k) {
    GDALRasterBand* band = dataset->GetRasterBand(static_cast<int>(k) + 1);
    EXPECT_EQ(band->GetDescription(), series.bandDescriptions[k]);
    EXPECT_EQ(band->GetUnitType(), series.unit);
    int hasNoData = 0;
    EXPECT_EQ(band->GetNoDataValue(&hasNoData), noData);
    EXPECT_TRUE(hasNoData);
    std::vector<float> cells(kMask.size());
    ASSERT_EQ(band->RasterIO(GF_Read, 0, 0, 4, 3, cells.data(), 4, 3, GDT_Float32, 0, 0, nullptr),
              CE_None);
    for (std::size_t cell = 0, a = 0; cell < cells.size(); ++cell) {
      const float expected = kMask[cell] ? series.values[k * kActive + a++] : float(noData);
      EXPECT_EQ(std::bit_cast<std::uint32_t>(cells[cell]), std::bit_cast<std::uint32_t>(expected))
          << "band " << k << " cell " << cell << ": " << cells[cell];
    }
  }
}

TEST(TimeSeries, EveryBandHoldsItsPeriodBitForBit) {
  TempDir dir;
  const std::vector<float> values = SeriesValues(3);
  grids::TimeSeries series{dir.File("沙三段.po.tif"),
                           "排油强度",
                           "(万吨/平方公里)",
                           "demo",
                           {"Es3 43.50 Ma", "Es1 32.80 Ma", "Nm 5.10 Ma"},
                           values};
  test_support::WriteFile(series.path, "an older file");  // replaced
  EXPECT_EQ(grids::WriteTimeSeries(kGrid, series), std::nullopt);
  ExpectSeries(series, -9999);
  EXPECT_FALSE(fs::exists(series.path + ".aux.xml"));

  // A value of -9999 (in the last band: the bands before it are written
  // again) is kept; no data becomes the lowest float.
  std::vector<float> holding = values;
  holding[2 * kActive + 7] = -9999;
  series.values = holding;
  EXPECT_EQ(grids::WriteTimeSeries(kGrid, series), std::nullopt);
  ExpectSeries(series, std::numeric_limits<float>::lowest());
}

TEST(TimeSeries, AFailureLeavesNothingAtThePath) {
  TempDir dir;
  const std::vector<float> values = SeriesValues(2);
  const std::vector<std::uint8_t> shortMask(11, 1);
  fs::create_directory(dir / "taken.tif");
  test_support::WriteFile(dir / "file", "");
  struct Case {
    const char* name;
    std::string path;
    grids::GridGeometry grid;
    std::size_t valueCount;
    const char* reason;
  };
  grids::GridGeometry shortGrid = kGrid, flatGrid = kGrid;
  shortGrid.mask = shortMask;
  flatGrid.cellSizeY = 0;
  for (const Case& test : {
           Case{"a file as directory", dir.File("file/x.tif"), kGrid, values.size(), ""},
           Case{"a directory in the way", dir.File("taken.tif"), kGrid, values.size(),
                "not a file is in the way"},
           Case{"a value short", dir.File("a.tif"), kGrid, values.size() - 1,
                "19 values, not one per active cell (10) and band (2)"},
           Case{"a mask short", dir.File("a.tif"), shortGrid, values.size(), "mask has 11 cells"},
           Case{"cells of no height", dir.File("a.tif"), flatGrid, values.size(), "cell sizes"},
       }) {
    SCOPED_TRACE(test.name);
    const grids::TimeSeries series{
        test.path, "t", "u", "p", {"one", "two"}, std::span(values).first(test.valueCount)};
    const std::optional<std::string> failure = grids::WriteTimeSeries(test.grid, series);
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find(test.reason), std::string::npos) << *failure;
    EXPECT_FALSE(failure->empty());
    EXPECT_EQ(fs::is_directory(test.path), std::string(test.name) == "a directory in the way");
    EXPECT_FALSE(fs::is_regular_file(test.path));
  }
}

// The cube: two horizons, three periods, two kinds.
grids::CubeLayout Layout(const std::string& path) {
  return {.path = path,
          .project = "demo",
          .grid = kGrid,
          .horizons = {"沙三段", "Ek1"},
          .periods = {"Es3", "Es1", "Nm"},
          .ages = {43.5f, 32.8f, 5.1f},
          .variables = {{"expelled", "oil expelled", "10^4 t/km2"},
                        {"generated", "oil generated", "10^4 t/km2"}}};
}

// Distinct values per variable, horizon (-1: the total), cell and period.
std::vector<float> CubeValues(std::size_t variable, int horizon) {
  return SeriesValues(3,
                      1000.f * static_cast<float>(variable) + 100.f * static_cast<float>(horizon));
}

std::vector<float> ReadAll(const GDALMDArray& array) {
  std::vector<GUInt64> start;
  std::vector<size_t> count;
  std::size_t total = 1;
  for (const auto& dimension : array.GetDimensions()) {
    start.push_back(0);
    count.push_back(dimension->GetSize());
    total *= dimension->GetSize();
  }
  std::vector<float> values(total);
  EXPECT_TRUE(array.Read(start.data(), count.data(), nullptr, nullptr,
                         GDALExtendedDataType::Create(GDT_Float32), values.data()));
  return values;
}

std::string Text(const GDALIHasAttribute& owner, const char* name) {
  const auto attribute = owner.GetAttribute(name);
  return attribute && attribute->ReadAsString() ? attribute->ReadAsString() : "(none)";
}

// One (period, y, x) band block of the cube's variable against the values
// written for it: fill outside the area.
void ExpectSlab(const std::vector<float>& read, std::size_t offset,
                const std::vector<float>& written) {
  for (std::size_t period = 0; period < 3; ++period) {
    for (std::size_t cell = 0, a = 0; cell < kMask.size(); ++cell) {
      const float expected = kMask[cell] ? written[period * kActive + a++] : -9999.f;
      const float value = read[offset + period * kMask.size() + cell];
      EXPECT_EQ(std::bit_cast<std::uint32_t>(value), std::bit_cast<std::uint32_t>(expected))
          << "period " << period << " cell " << cell << ": " << value;
    }
  }
}

// Rows of 70 000 cells are written a row at a time: runs of active cells
// that go on into the next row, or end or begin with a row, are split. The
// GeoTIFF is written with a horizon's part of the cube (each piece spread
// once for both files, the cube's with its own fill value); the total alone.
TEST(TimeSeries, WideGridsRowByRow) {
  TempDir dir;
  constexpr std::size_t kColumns = 70000, kRows = 3, kCells = kColumns * kRows;
  std::vector<std::uint8_t> mask(kCells, 1);
  for (std::size_t cell :
       {std::size_t{0}, std::size_t{12345}, kColumns + 7, 2 * kColumns + 5, kCells - 2}) {
    mask[cell] = 0;
  }
  const auto active = static_cast<std::size_t>(std::count(mask.begin(), mask.end(), 1));
  const grids::GridGeometry grid{.originX = 0,
                                 .originY = 3,
                                 .cellSizeX = 1,
                                 .cellSizeY = 1,
                                 .rowCount = kRows,
                                 .columnCount = kColumns,
                                 .mask = mask};
  std::vector<float> values(2 * active);  // two bands or periods
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(i) + 0.5f;
  std::vector<std::size_t> index(kCells);  // of each cell among the active ones
  for (std::size_t cell = 0, a = 0; cell < kCells; ++cell) index[cell] = mask[cell] ? a++ : 0;
  // What cell `cell` of band k holds.
  auto expected = [&](std::size_t k, std::size_t cell, float outside) {
    return mask[cell] == 0 ? outside : values[k * active + index[cell]];
  };

  grids::CubeLayout layout{.path = dir.File("wide.nc"),
                           .project = "p",
                           .grid = grid,
                           .horizons = {"H"},
                           .periods = {"one", "two"},
                           .ages = {2, 1},
                           .variables = {{"expelled", "oil", "u"}},
                           .valuesHoldMinus9999 = true};
  std::string error;
  auto cube = grids::HistoryCube::Create(layout, error);
  ASSERT_TRUE(cube) << error;
  const grids::TimeSeries series{dir.File("wide.tif"), "t", "u", "p", {"one", "two"}, values,
                                 {cube.get(), 0, 0}};
  ASSERT_EQ(grids::WriteTimeSeries(grid, series), std::nullopt);
  GDALDatasetUniquePtr tif = OpenRead(series.path, GDAL_OF_RASTER);
  ASSERT_TRUE(tif);
  ASSERT_TRUE(cube->Write(0, -1, values, error) && cube->Close(error)) << error;
  cube.reset();
  GDALDatasetUniquePtr nc = OpenRead(layout.path, GDAL_OF_MULTIDIM_RASTER);
  ASSERT_TRUE(nc);
  const auto root = nc->GetRootGroup();
  const std::vector<float> cubeValues = ReadAll(*root->OpenMDArray("expelled"));
  ASSERT_EQ(cubeValues, ReadAll(*root->OpenMDArray("expelled_total")));
  ASSERT_EQ(cubeValues.size(), 2 * kCells);
  constexpr float kLowest = std::numeric_limits<float>::lowest();

  for (std::size_t k = 0; k < 2; ++k) {
    std::vector<float> band(kCells);
    ASSERT_EQ(tif->GetRasterBand(static_cast<int>(k) + 1)
                  ->RasterIO(GF_Read, 0, 0, kColumns, kRows, band.data(), kColumns, kRows,
                             GDT_Float32, 0, 0, nullptr),
              CE_None);
    std::size_t wrong = 0, wrongInCube = 0;
    for (std::size_t cell = 0; cell < kCells; ++cell) {
      wrong += band[cell] != expected(k, cell, -9999) ? 1 : 0;
      wrongInCube += cubeValues[k * kCells + cell] != expected(k, cell, kLowest) ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0u) << "band " << k;
    EXPECT_EQ(wrongInCube, 0u) << "period " << k;
  }
}

TEST(HistoryCube, ReadsBackThroughTheMultidimensionalApi) {
  TempDir dir;
  const std::string path = dir.File("demo.history.nc");
  std::string error;
  std::unique_ptr<grids::HistoryCube> cube = grids::HistoryCube::Create(Layout(path), error);
  ASSERT_TRUE(cube) << error;
  for (const auto& [variable, horizon] :
       std::vector<std::pair<std::size_t, int>>{{1, -1}, {0, 1}, {1, 0}, {0, -1}, {0, 0}, {1, 1}}) {
    EXPECT_TRUE(cube->Write(variable, horizon, CubeValues(variable, horizon), error)) << error;
  }
  ASSERT_TRUE(cube->Close(error)) << error;
  cube.reset();

  GDALDatasetUniquePtr dataset = OpenRead(path, GDAL_OF_MULTIDIM_RASTER);
  ASSERT_TRUE(dataset);
  const std::shared_ptr<GDALGroup> root = dataset->GetRootGroup();
  EXPECT_EQ(Text(*root, "Conventions"), "CF-1.8");
  EXPECT_EQ(Text(*root, "project"), "demo");
  EXPECT_EQ(Text(*root, "source"), "strataplot");
  const auto expelled = root->OpenMDArray("expelled");
  const auto total = root->OpenMDArray("generated_total");
  ASSERT_TRUE(expelled && total);
  std::vector<std::string> dimensions;
  for (const auto& dimension : expelled->GetDimensions()) {
    dimensions.push_back(dimension->GetName() + " " + std::to_string(dimension->GetSize()));
  }
  EXPECT_EQ(dimensions, (std::vector<std::string>{"horizon 2", "period 3", "y 3", "x 4"}));
  const auto age = expelled->GetDimensions()[1]->GetIndexingVariable();
  ASSERT_TRUE(age);
  EXPECT_EQ(age->GetName(), "age");
  EXPECT_EQ(ReadAll(*age), (std::vector<float>{43.5f, 32.8f, 5.1f}));
  EXPECT_EQ(Text(*age, "units"), "Ma");
  EXPECT_EQ(ReadAll(*root->OpenMDArray("x")), (std::vector<float>{541, 543, 545, 547}));
  EXPECT_EQ(ReadAll(*root->OpenMDArray("y")), (std::vector<float>{338.75f, 336.25f, 333.75f}));
  EXPECT_EQ(Text(*expelled, "units"), "10^4 t/km2");
  EXPECT_EQ(Text(*expelled, "long_name"), "oil expelled");
  bool hasFill = false;
  EXPECT_EQ(expelled->GetNoDataValueAsDouble(&hasFill), -9999);
  EXPECT_TRUE(hasFill);

  const auto horizonName = root->OpenMDArray("horizon_name");
  ASSERT_TRUE(horizonName);
  char* names[2] = {};
  const GUInt64 start[1] = {0};
  const size_t count[1] = {2};
  ASSERT_TRUE(horizonName->Read(start, count, nullptr, nullptr,
                                GDALExtendedDataType::CreateString(), names));
  EXPECT_STREQ(names[0], "沙三段");
  EXPECT_STREQ(names[1], "Ek1");
  for (char* name : names) CPLFree(name);

  const std::vector<float> perHorizon = ReadAll(*expelled);
  ExpectSlab(perHorizon, 0, CubeValues(0, 0));
  ExpectSlab(perHorizon, 3 * kMask.size(), CubeValues(0, 1));
  ExpectSlab(ReadAll(*total), 0, CubeValues(1, -1));
}

TEST(HistoryCube, AnIncompleteOrMisusedCubeLeavesNoFile) {
  TempDir dir;
  const std::string path = dir.File("demo.history.nc");
  const std::vector<float> good = CubeValues(0, 0);
  std::vector<float> minus9999 = good;
  minus9999[3] = -9999;
  using Use = std::function<bool(grids::HistoryCube&, std::string&)>;
  struct Case {
    const char* name;
    Use use;
    const char* reason;
  };
  auto write = [&](std::size_t variable, int horizon, const std::vector<float>& values) {
    return [=](grids::HistoryCube& cube, std::string& error) {
      return cube.Write(variable, horizon, values, error);
    };
  };
  for (const Case& test : {
           Case{
               "too few values", write(0, 0, std::vector<float>(29)),
               "expelled of horizon 沙三段 has 29 values, not one per active cell (10) and period"},
           Case{"no such horizon", write(0, 2, good), "no horizon 2"},
           Case{"below the total", write(0, -2, good), "no horizon -2"},
           Case{"no such variable", write(2, 0, good), "no variable 2"},
           Case{"the fill value", write(1, -1, minus9999), "generated_total holds the value -9999"},
           Case{"the fill value, with its GeoTIFF",
                [&](grids::HistoryCube&cube, std::string&error) {
                  const grids::TimeSeries series{dir.File("a.tif"), "t",       "u",           "p",
                                                 {"a", "b", "c"},   minus9999, {&cube, 1, -1}};
                  error = grids::WriteTimeSeries(kGrid, series).value_or("");
                  EXPECT_TRUE(cube.Failed());
                  EXPECT_FALSE(fs::exists(series.path));
                  return error.empty();
                },
                "generated_total holds the value -9999"},
           Case{"written twice",
                [&](grids::HistoryCube&cube, std::string&error) {
                  return cube.Write(0, 1, good, error) && cube.Write(0, 1, good, error);
                },
                "expelled of horizon Ek1 is written already"},
       }) {
    SCOPED_TRACE(test.name);
    std::string error;
    std::unique_ptr<grids::HistoryCube> cube = grids::HistoryCube::Create(Layout(path), error);
    ASSERT_TRUE(cube) << error;
    EXPECT_FALSE(test.use(*cube, error));
    EXPECT_NE(error.find(test.reason), std::string::npos) << error;
    EXPECT_FALSE(cube->Write(1, 1, good, error));  // nothing more after a failure
    EXPECT_FALSE(cube->Close(error));
    EXPECT_FALSE(fs::exists(path));
  }

  std::string error;
  auto cube = grids::HistoryCube::Create(Layout(path), error);
  ASSERT_TRUE(cube) << error;
  EXPECT_TRUE(cube->Write(0, 0, good, error)) << error;
  cube.reset();  // not closed
  EXPECT_FALSE(fs::exists(path));

  cube = grids::HistoryCube::Create(Layout(path), error);
  ASSERT_TRUE(cube) << error;
  for (int horizon : {-1, 0, 1}) EXPECT_TRUE(cube->Write(0, horizon, good, error)) << error;
  EXPECT_TRUE(cube->Write(1, -1, good, error)) << error;
  EXPECT_TRUE(cube->Write(1, 1, good, error)) << error;
  EXPECT_FALSE(cube->Close(error));
  EXPECT_EQ(error, "generated of horizon 沙三段 was not written");
  EXPECT_FALSE(fs::exists(path));

  grids::CubeLayout layout = Layout(dir.File("file/demo.history.nc"));
  test_support::WriteFile(dir / "file", "");
  EXPECT_FALSE(grids::HistoryCube::Create(layout, error));
  EXPECT_FALSE(error.empty());
  layout.path = path;
  layout.ages.pop_back();
  EXPECT_FALSE(grids::HistoryCube::Create(layout, error));
  EXPECT_EQ(error, "2 ages for 3 periods");
}

// Said beforehand, a value of -9999 is kept, and the lowest float fills.
TEST(HistoryCube, ValuesOfMinus9999WithTheLowestFloatAsFill) {
  TempDir dir;
  grids::CubeLayout layout = Layout(dir.File("demo.history.nc"));
  layout.horizons.pop_back();
  layout.variables.pop_back();
  layout.valuesHoldMinus9999 = true;
  std::vector<float> values = CubeValues(0, 0);
  values[3] = -9999;
  std::string error;
  auto cube = grids::HistoryCube::Create(layout, error);
  ASSERT_TRUE(cube) << error;
  ASSERT_TRUE(cube->Write(0, 0, values, error) && cube->Write(0, -1, values, error)) << error;
  ASSERT_TRUE(cube->Close(error)) << error;
  GDALDatasetUniquePtr dataset = OpenRead(layout.path, GDAL_OF_MULTIDIM_RASTER);
  ASSERT_TRUE(dataset);
  const auto expelled = dataset->GetRootGroup()->OpenMDArray("expelled_total");
  ASSERT_TRUE(expelled);
  EXPECT_EQ(expelled->GetNoDataValueAsDouble(), std::numeric_limits<float>::lowest());
  const std::vector<float> read = ReadAll(*expelled);
  EXPECT_EQ(read[1], std::numeric_limits<float>::lowest());  // outside the area
  EXPECT_EQ(read[4], -9999);                                 // period 1, cell 4 (active 3)
}

}  // namespace
