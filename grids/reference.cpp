#include "grids/reference.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include "grids/gdal_support.h"

namespace grids {

std::optional<Reference> ParseReference(const std::string& text, GridUnit gridUnit,
                                        std::string& error) {
  GdalScope scope(Drivers::None);
  OGRSpatialReference system;
  CPLStringList options;
  options.SetNameValue("ALLOW_NETWORK_ACCESS", "NO");
  CPLErrorReset();
  if (text.find_first_not_of(" \t\r\n") == std::string::npos ||
      system.SetFromUserInput(text.c_str(), options.List()) != OGRERR_NONE) {
    error = "it describes no reference system";
    if (CPLGetLastErrorType() >= CE_Failure) error += " (" + LastError() + ")";
    return std::nullopt;
  }
  const char* name = system.GetName();
  const std::string named = name != nullptr ? name : "unnamed";
  if (!system.IsProjected()) {
    error = named +
            " is not a projected reference system: the grid's coordinates need one "
            "with a linear unit (a geographic system has none)";
    return std::nullopt;
  }
  const char* unitName = nullptr;
  const double metresPerUnit = system.GetLinearUnits(&unitName);
  if (!(metresPerUnit > 0)) {
    error = named + " has no linear unit to scale the grid's coordinates into";
    return std::nullopt;
  }
  char* wkt = nullptr;
  const char* const wktOptions[] = {"FORMAT=WKT2_2019", nullptr};
  if (system.exportToWkt(&wkt, wktOptions) != OGRERR_NONE || wkt == nullptr) {
    CPLFree(wkt);
    error = named + " cannot be written as WKT: " + LastError();
    return std::nullopt;
  }
  Reference reference;
  reference.wkt = wkt;
  CPLFree(wkt);
  reference.name = named;
  reference.linearUnit = unitName != nullptr ? unitName : "";
  reference.gridUnit = gridUnit;
  reference.scale = MetresPer(gridUnit) / metresPerUnit;
  return reference;
}

std::optional<GridPlacement> ReadGridPlacement(const std::string& path, std::string& error) {
  GdalScope scope;
  CPLErrorReset();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY,
                                                 nullptr, nullptr, nullptr));
  double transform[6] = {};
  if (!dataset || dataset->GetGeoTransform(transform) != CE_None) {
    error = dataset ? "it has no geotransform" : LastError();
    return std::nullopt;
  }
  if (transform[2] != 0 || transform[4] != 0 || !(transform[1] > 0) || !(transform[5] < 0)) {
    error = "its grid is rotated or not north up";
    return std::nullopt;
  }
  GridPlacement placement{transform[0],
                          transform[3],
                          transform[1],
                          -transform[5],
                          dataset->GetRasterYSize(),
                          dataset->GetRasterXSize(),
                          "",
                          "",
                          "",
                          ""};
  if (const char* project = dataset->GetMetadataItem("PROJECT")) placement.project = project;
  if (const OGRSpatialReference* system = dataset->GetSpatialRef()) {
    const char* name = system->GetName();
    const char* unit = nullptr;
    if (system->IsProjected()) system->GetLinearUnits(&unit);
    placement.system = name != nullptr ? name : "unnamed";
    placement.linearUnit = unit != nullptr ? unit : "";
    char* wkt = nullptr;
    const char* const wktOptions[] = {"FORMAT=WKT2_2019", nullptr};
    if (system->exportToWkt(&wkt, wktOptions) == OGRERR_NONE && wkt != nullptr) placement.wkt = wkt;
    CPLFree(wkt);
  }
  return placement;
}

}  // namespace grids
