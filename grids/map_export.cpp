#include "grids/map_export.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_alg.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
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
  std::vector<std::string> failures;
  if (gridFormats.empty() && contourFormats.empty()) return failures;
  GdalScope scope;
  const std::optional<std::string> mapFile = platform::GbkToUtf8(map.fileName);
  std::string error;
  const std::optional<double> noData = GridNoData(map.values);
  if (!noData) error = "its values leave no no-data value free (-9999 and -1e5 to -1e10)";
  GDALDatasetUniquePtr grid = mapFile && noData ? InMemory(map, *noData, error) : nullptr;
  const std::string shown = mapFile.value_or(platform::GbkForDisplay(map.fileName));
  if (!grid) {
    failures.push_back("cannot write the grids and contours of " + shown + ": " +
                       (mapFile ? error : "its name does not convert to UTF-8"));
    return failures;
  }
  auto write = [&](const Format& format, const char* capability, auto&& writeFile) {
    const std::string path = ExportName(*mapFile, format);
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

}  // namespace grids
