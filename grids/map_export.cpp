#include "grids/map_export.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_alg.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "grids/gdal_support.h"

namespace grids {
namespace {

// The no-data value of a map's grids: -9999, unless a value of the map is
// exactly -9999; then the highest of -1e5, -1e6, ... -1e10 below every value,
// or failing that the first of them that no value equals. Each is exact as a
// 32-bit real and as text in every format: a ZMap header keeps six
// significant digits of it, ZMap cells seven decimals. nullopt when the map
// holds every one of them.
std::optional<double> GridNoData(std::span<const float> values) {
  auto held = [&](double candidate) {
    return std::find(values.begin(), values.end(), static_cast<float>(candidate)) != values.end();
  };
  if (!held(kNoData)) return kNoData;
  static constexpr double kLower[] = {-1e5, -1e6, -1e7, -1e8, -1e9, -1e10};
  const float lowest = *std::min_element(values.begin(), values.end());  // -9999 at most
  for (double candidate : kLower) {
    if (candidate < lowest) return candidate;
  }
  for (double candidate : kLower) {
    if (!held(candidate)) return candidate;
  }
  return std::nullopt;
}

// Why the map's grid cannot be written in the format, nullopt when it can.
// GDAL refuses to write or read a ZMap Plus grid of a single row or column,
// gives a Surfer 7 one the node spacing 0/0, and finds an XYZ grid's cell
// size from the spacing of its points, two in each direction at least. A
// Surfer grid's cell equal to its blank value would read back as blank.
std::optional<std::string> CannotHold(const Format& format, const platform::CompletedMap& map) {
  const std::string_view driver = format.driver;
  if ((map.rowCount == 1 || map.columnCount == 1) &&
      (driver == "ZMap" || driver == "GS7BG" || driver == "XYZ")) {
    const char* grid = driver == "ZMap"    ? "a ZMap Plus grid"
                       : driver == "GS7BG" ? "a Surfer 7 grid"
                                           : "an XYZ grid";
    return std::string(grid) +
           " needs two rows and two columns at least: with fewer, GDAL cannot write or read back "
           "its cell size (gtiff and aaigrid hold a single row or column)";
  }
  constexpr float kSurferBlank = 1.701410009187828e+38f;  // GDAL's, Surfer's own
  if (driver == "GS7BG" &&
      std::find(map.values.begin(), map.values.end(), kSurferBlank) != map.values.end()) {
    return "a value of the map is 1.70141e+38, the blank value of Surfer 7 grids";
  }
  return std::nullopt;
}

GDALDriver* WritingDriver(const Format& format, const char* capability, std::string& error) {
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(format.driver);
  if (driver == nullptr) {
    error = std::string("this GDAL has no ") + format.driver + " driver";
    return nullptr;
  }
  if (!CPLFetchBool(driver->GetMetadata(), capability, false) &&
      !CPLFetchBool(driver->GetMetadata(), GDAL_DCAP_CREATE, false)) {
    error = std::string("GDAL's ") + format.driver + " driver cannot write files";
    return nullptr;
  }
  return driver;
}

// The map's values as a raster in memory: row 0 at the top, no data outside.
GDALDatasetUniquePtr InMemory(const platform::CompletedMap& map, double noData,
                              std::string& error) {
  std::optional<std::vector<float>> raster = platform::CellsOf(map, static_cast<float>(noData));
  if (map.rowCount <= 0 || map.columnCount <= 0 || !raster) {
    error = "the map's grid holds no cells or its values do not match its active cells";
    return nullptr;
  }
  GDALDriver* memory = GetGDALDriverManager()->GetDriverByName("MEM");
  GDALDatasetUniquePtr dataset(memory == nullptr ? nullptr
                                                 : memory->Create("", map.columnCount, map.rowCount,
                                                                  1, GDT_Float32, nullptr));
  if (!dataset) {
    error = "cannot make the grid in memory: " + LastError();
    return nullptr;
  }
  double transform[6] = {map.originX, map.cellSizeX, 0, map.originY, 0, -map.cellSizeY};
  GDALRasterBand* band = dataset->GetRasterBand(1);
  if (dataset->SetGeoTransform(transform) != CE_None || band->SetNoDataValue(noData) != CE_None ||
      band->RasterIO(GF_Write, 0, 0, map.columnCount, map.rowCount, raster->data(), map.columnCount,
                     map.rowCount, GDT_Float32, 0, 0, nullptr) != CE_None) {
    error = "cannot make the grid in memory: " + LastError();
    return nullptr;
  }
  band->SetUnitType(platform::GbkForDisplay(map.unit).c_str());
  dataset->SetMetadataItem("TITLE", platform::GbkForDisplay(map.title).c_str());
  return dataset;
}

bool WriteGrid(GDALDataset& source, GDALDriver& driver, const std::string& path,
               std::string& error) {
  CPLErrorReset();
  GDALDatasetUniquePtr written(
      driver.CreateCopy(path.c_str(), &source, FALSE, nullptr, nullptr, nullptr));
  if (written && CloseDataset(written)) return true;
  error = LastError();
  return false;
}

bool WriteContours(GDALDataset& source, double noData, int interval, GDALDriver& driver,
                   const std::string& path, std::string& error) {
  CPLErrorReset();
  GDALDatasetUniquePtr written(driver.Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  // The grid's coordinates are the basin model's own, in no known system. A
  // GeoPackage takes a layer without one as geographic unless told otherwise.
  OGRSpatialReference cartesian;
  cartesian.SetLocalCS("Undefined cartesian SRS");
  const bool geoPackage = std::string_view(driver.GetDescription()) == "GPKG";
  OGRLayer* layer = written ? written->CreateLayer("contours", geoPackage ? &cartesian : nullptr,
                                                   wkbLineString, nullptr)
                            : nullptr;
  OGRFieldDefn id("id", OFTInteger);
  OGRFieldDefn level("level", OFTReal);
  if (layer == nullptr || layer->CreateField(&id) != OGRERR_NONE ||
      layer->CreateField(&level) != OGRERR_NONE) {
    error = LastError();
    return false;
  }
  CPLStringList options;
  options.SetNameValue("LEVEL_INTERVAL", CPLSPrintf("%d", interval));
  options.SetNameValue("ID_FIELD", CPLSPrintf("%d", layer->FindFieldIndex("id", TRUE)));
  options.SetNameValue("ELEV_FIELD", CPLSPrintf("%d", layer->FindFieldIndex("level", TRUE)));
  options.SetNameValue("NODATA", CPLSPrintf("%.17g", noData));
  const bool transaction = written->StartTransaction() == OGRERR_NONE;
  if (GDALContourGenerateEx(source.GetRasterBand(1), layer, options.List(), nullptr, nullptr) !=
          CE_None ||
      (transaction && written->CommitTransaction() != OGRERR_NONE)) {
    error = LastError();
    return false;
  }
  if (CloseDataset(written)) return true;
  error = LastError();
  return false;
}

}  // namespace

std::string ExportName(const std::string& mapFile, const Format& format) {
  return mapFile + format.extension;
}

std::vector<std::string> ExportMap(const platform::CompletedMap& map,
                                   const std::vector<Format>& gridFormats,
                                   const std::vector<Format>& contourFormats) {
  if (gridFormats.empty() && contourFormats.empty()) return {};
  const std::optional<std::string> mapFile = platform::GbkToUtf8(map.fileName);
  if (!mapFile) {
    return {"cannot write the grids and contours of " + platform::GbkForDisplay(map.fileName) +
            ": its name does not convert to UTF-8"};
  }
  return ExportMapAs(map, *mapFile, gridFormats, contourFormats);
}

std::vector<std::string> ExportMapAs(const platform::CompletedMap& map, const std::string& mapFile,
                                     const std::vector<Format>& gridFormats,
                                     const std::vector<Format>& contourFormats) {
  std::vector<std::string> failures;
  if (gridFormats.empty() && contourFormats.empty()) return failures;
  GdalScope scope;
  std::string error;
  const std::optional<double> noData = GridNoData(map.values);
  if (!noData) error = "its values leave no no-data value free (-9999 and -1e5 to -1e10)";
  GDALDatasetUniquePtr grid = noData ? InMemory(map, *noData, error) : nullptr;
  if (!grid) {
    failures.push_back("cannot write the grids and contours of " + mapFile + ": " + error);
    return failures;
  }
  auto write = [&](const Format& format, const char* capability, auto&& writeFile) {
    const std::string path = ExportName(mapFile, format);
    GDALDriver* driver = WritingDriver(format, capability, error);
    if (driver != nullptr) {
      if (MakeRoom(*driver, path, error) && writeFile(*driver, path)) return;
      // What was written, and a shapefile's older parts beside whatever is in the way.
      Remove(*driver, path);
    }
    failures.push_back("cannot write " + path + ": " + error);
  };
  for (const Format& format : gridFormats) {
    write(format, GDAL_DCAP_CREATECOPY, [&](GDALDriver& driver, const std::string& path) {
      if (std::optional<std::string> reason = CannotHold(format, map)) {
        error = *reason;
        return false;
      }
      return WriteGrid(*grid, driver, path, error);
    });
  }
  for (const Format& format : contourFormats) {
    write(format, GDAL_DCAP_CREATE, [&](GDALDriver& driver, const std::string& path) {
      return WriteContours(*grid, *noData, map.interval, driver, path, error);
    });
  }
  return failures;
}

bool ReadRasterGrid(const std::string& path, RasterGrid& grid, std::string& error) {
  GdalScope scope;
  CPLErrorReset();
  GDALDatasetUniquePtr dataset(
      GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr));
  if (!dataset) {
    error = "cannot read " + path + ": " + LastError();
    return false;
  }
  const int columns = dataset->GetRasterXSize();
  const int rows = dataset->GetRasterYSize();
  double transform[6] = {0, 1, 0, 0, 0, 1};
  if (dataset->GetRasterCount() < 1 || rows <= 0 || columns <= 0) {
    error = "cannot read " + path + ": it holds no grid";
    return false;
  }
  if (dataset->GetGeoTransform(transform) != CE_None || transform[2] != 0 || transform[4] != 0) {
    error = "cannot read " + path + ": it has no grid geometry, or a rotated one";
    return false;
  }
  // Cells are kept as 32-bit reals: refuse what would not fit in memory at
  // all rather than fail on allocation.
  constexpr long long kLargest = 1LL << 30;
  if (static_cast<long long>(rows) * columns > kLargest) {
    error = "cannot read " + path + ": its grid of " + std::to_string(rows) + " x " +
            std::to_string(columns) + " cells is too large to show";
    return false;
  }
  RasterGrid read;
  read.rowCount = rows;
  read.columnCount = columns;
  read.originX = transform[0];
  read.cellSizeX = transform[1];
  read.originY = transform[3];
  read.cellSizeY = -transform[5];
  try {
    read.cells.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
  } catch (const std::bad_alloc&) {
    error = "cannot read " + path + ": its grid does not fit in memory";
    return false;
  }
  GDALRasterBand* band = dataset->GetRasterBand(1);
  if (band->RasterIO(GF_Read, 0, 0, columns, rows, read.cells.data(), columns, rows, GDT_Float32, 0,
                     0, nullptr) != CE_None) {
    error = "cannot read " + path + ": " + LastError();
    return false;
  }
  int hasNoData = 0;
  const double noData = band->GetNoDataValue(&hasNoData);
  if (hasNoData != 0) {
    const float missing = static_cast<float>(noData);
    for (float& cell : read.cells) {
      if (cell == missing) cell = std::numeric_limits<float>::quiet_NaN();
    }
  }
  grid = std::move(read);
  return true;
}

}  // namespace grids
