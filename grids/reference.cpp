#include "grids/reference.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <ogr_spatialref.h>

#include "grids/gdal_support.h"

namespace grids {

std::optional<GridUnit> GridUnitNamed(std::string_view name) {
  if (name == "km") return GridUnit::Kilometre;
  if (name == "m") return GridUnit::Metre;
  return std::nullopt;
}

const char* GridUnitName(GridUnit unit) { return unit == GridUnit::Kilometre ? "km" : "m"; }

double MetresPer(GridUnit unit) { return unit == GridUnit::Kilometre ? 1000 : 1; }

std::optional<Reference> ParseReference(const std::string& text, GridUnit gridUnit,
                                        std::string& error) {
  GdalScope scope;
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

}  // namespace grids
