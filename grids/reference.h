// Where a project's grid lies: the projected reference system its maps are
// declared in, and the unit of the grid's own coordinates and cell sizes.
// Plain data, without GDAL, so that the host can hand it on; ParseReference
// (in the grid module) makes one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace grids {

// The unit of the project's grid coordinates and cell sizes (--grid-unit).
// The cell area the intensities are divided by is in the grid unit squared;
// the intensities themselves never change with it.
enum class GridUnit { Kilometre, Metre };

// "km" or "m"; nullopt for anything else. (Inline, as the host's options
// take it without linking GDAL.)
inline std::optional<GridUnit> GridUnitNamed(std::string_view name) {
  if (name == "km") return GridUnit::Kilometre;
  if (name == "m") return GridUnit::Metre;
  return std::nullopt;
}
// "km" or "m".
inline const char* GridUnitName(GridUnit unit) { return unit == GridUnit::Kilometre ? "km" : "m"; }
// Metres in one grid unit: 1000 or 1.
inline double MetresPer(GridUnit unit) { return unit == GridUnit::Kilometre ? 1000 : 1; }

// The reference system of the grids, contours and pictures of a run. Without
// one (wkt empty) coordinates are written as the grid holds them and no file
// declares a system.
struct Reference {
  std::string wkt;         // WKT2 of a projected system; empty: none
  std::string name;        // the system's name ("CGCS2000 / 3-degree Gauss-Kruger CM 114E")
  std::string linearUnit;  // the system's unit of length ("metre")
  GridUnit gridUnit = GridUnit::Kilometre;
  // Grid coordinates and cell sizes times scale are the system's coordinates:
  // metres per grid unit over metres per linear unit; 1 without a system.
  double scale = 1;

  bool Declared() const { return !wkt.empty(); }
};

// The reference system described by text (what GDAL's SetFromUserInput takes:
// EPSG:n, WKT of any flavour, a PROJ string; never looked up on the network),
// for a grid in gridUnit. nullopt with the reason when the text describes no
// system or a system that is not projected (a geographic one has no linear
// unit to scale the grid into). Needs the grid module: GDAL.
std::optional<Reference> ParseReference(const std::string& text, GridUnit gridUnit,
                                        std::string& error);

// Where a grid file (a map's .tif) lies: its geotransform and size, and the
// name, unit and WKT of the system it declares (empty when it declares none).
struct GridPlacement {
  double originX = 0, originY = 0, cellSizeX = 0, cellSizeY = 0;  // cellSizeY positive
  int rowCount = 0, columnCount = 0;
  std::string system;      // the system's name
  std::string linearUnit;  // its unit of length ("metre"); empty when not projected
  std::string wkt;         // the system as WKT2, for ParseReference
  std::string project;     // its PROJECT metadata item (UTF-8); empty when it has none
};

// Reads the placement of the raster at path (UTF-8); nullopt with GDAL's
// reason when it does not open as a north-up raster. Needs the grid module.
std::optional<GridPlacement> ReadGridPlacement(const std::string& path, std::string& error);

}  // namespace grids
