#include "grids/gdal_support.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal_frmts.h>

#include <algorithm>
#include <limits>
#include <mutex>
#include <string_view>

namespace grids {

double NoDataFor(std::span<const float> values) {
  bool taken = std::find(values.begin(), values.end(), static_cast<float>(kNoData)) != values.end();
  return taken ? std::numeric_limits<float>::lowest() : kNoData;
}

std::mutex& NetCdfLibrary() {
  static std::mutex library;
  return library;
}

GdalScope::GdalScope(Drivers drivers) {
  static std::once_flag all, geoTiff;
  if (drivers == Drivers::All)
    std::call_once(all, [] {
      const std::lock_guard<std::mutex> cubes(NetCdfLibrary());
      GDALAllRegister();
    });
  if (drivers == Drivers::GeoTiff) std::call_once(geoTiff, GDALRegister_GTiff);
  CPLPushErrorHandler(CPLQuietErrorHandler);
  if (const char* pam = CPLGetThreadLocalConfigOption("GDAL_PAM_ENABLED", nullptr)) {
    pamBefore_ = pam;
  }
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", "NO");
}

GdalScope::~GdalScope() {
  // A scope within another leaves the outer one's setting as it was.
  CPLSetThreadLocalConfigOption("GDAL_PAM_ENABLED", pamBefore_ ? pamBefore_->c_str() : nullptr);
  CPLPopErrorHandler();
}

std::optional<OGRSpatialReference> SystemOf(const Reference& reference, std::string& error) {
  if (!reference.Declared()) return std::nullopt;
  OGRSpatialReference system;
  if (system.importFromWkt(reference.wkt.c_str()) != OGRERR_NONE) {
    error = "the WKT of the reference system " + reference.name + " does not read back";
    return std::nullopt;
  }
  system.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return system;
}

std::string CoordinateUnit(const Reference& reference) {
  return reference.Declared() ? reference.linearUnit : GridUnitName(reference.gridUnit);
}

std::string LastError() {
  const char* message = CPLGetLastErrorMsg();
  return message != nullptr && *message != '\0' ? message : "unknown error";
}

bool CloseDataset(GDALDatasetUniquePtr& dataset) {
  CPLErrorReset();
  dataset.reset();
  return CPLGetLastErrorType() < CE_Failure;
}

namespace {

bool IsPlainFile(const std::string& path) {
  VSIStatBufL stat;
  return VSIStatL(path.c_str(), &stat) == 0 && VSI_ISREG(stat.st_mode);
}

// A shapefile's parts beside its .shp that GDAL or a GIS may have written
// for it: index, attributes, code page and spatial indexes.
constexpr const char* kShapefileParts[] = {"shx", "dbf", "cpg", "qix", "sbn", "sbx"};

}  // namespace

void Remove(GDALDriver& driver, const std::string& path) {
  if (std::string_view(driver.GetDescription()) == "ESRI Shapefile") {
    // GDAL would remove the parts only beside a .shp that is a file, and
    // its .prj with them.
    const std::size_t dot = path.rfind('.');
    const std::string base = dot == std::string::npos || path.find('/', dot) != std::string::npos
                                 ? path + "."
                                 : path.substr(0, dot + 1);  // "沙三段.po1."
    for (const char* part : kShapefileParts) {
      if (IsPlainFile(base + part)) VSIUnlink((base + part).c_str());
    }
    if (IsPlainFile(path)) VSIUnlink(path.c_str());
    return;
  }
  if (!IsPlainFile(path)) return;
  if (driver.Delete(path.c_str()) != CE_None) VSIUnlink(path.c_str());
}

bool MakeRoom(GDALDriver& driver, const std::string& path, std::string& error) {
  VSIStatBufL stat;
  if (VSIStatL(path.c_str(), &stat) == 0 && !VSI_ISREG(stat.st_mode)) {
    error = "something that is not a file is in the way";
    return false;
  }
  Remove(driver, path);
  return true;
}

}  // namespace grids
