// QGIS styles of a map's grids and layers, in the pictures' colours: a .qml
// beside the GeoTIFF that colours its classes, and the GeoPackage's styles
// (contour lines labelled by level; bands in their classes' colours). Plain
// text, without GDAL.
#pragma once

#include <string>

namespace grids {

// The classes of a map: its contour interval and its highest class code.
struct ClassScale {
  int interval = 1;
  int highestCode = 2;
  std::string unit;  // UTF-8, for the legend's title
};

// The GeoTIFF's style: each class's values in its colour, labelled with its
// range as the pictures' legend has it.
std::string RasterStyle(const ClassScale& scale);

// The contour lines: thin dark lines, labelled along them with their level.
std::string ContourStyle();

// The bands: filled in the colour of the class whose upper bound is their max.
std::string BandStyle(const ClassScale& scale);

}  // namespace grids
