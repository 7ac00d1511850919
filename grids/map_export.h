// A completed map written as standard grids of its values and as contour
// lines at its contour interval, through GDAL.
//
// Grids: 32-bit reals in the map's unit, the grid's origin and cell sizes,
// row 0 at the top (at originY), "no data" outside the modelled area: -9999,
// or when a value of the map is -9999 a round value below (-1e5 ... -1e10)
// that every format holds exactly. ZMap Plus, Surfer 7 and XYZ grids need two
// rows and two columns. Contours: one line feature per line, with its `level`
// (a multiple of the interval) and an `id`, computed from the same grid.
#pragma once

#include <string>
#include <vector>

#include "grids/formats.h"
#include "platform/completed_map.h"

namespace grids {

// The name of a format's file: the map file's name (UTF-8) with the format's
// extension added.
std::string ExportName(const std::string& mapFile, const Format& format);

// Writes every grid and contour file of the map, next to its map file. An
// existing file of the same name is replaced. Returns one message per file
// that could not be written, naming the file and giving GDAL's reason; such a
// file is removed. Empty: everything was written.
std::vector<std::string> ExportMap(const platform::CompletedMap& map,
                                   const std::vector<Format>& gridFormats,
                                   const std::vector<Format>& contourFormats);
// The same, named after mapFile (UTF-8) instead of the map's own file name:
// for a map read back from its file, whose name need not be GBK.
std::vector<std::string> ExportMapAs(const platform::CompletedMap& map, const std::string& mapFile,
                                     const std::vector<Format>& gridFormats,
                                     const std::vector<Format>& contourFormats);

// A grid read back: the first band of a raster, as 32-bit reals, row 0 at the
// top; NaN where it holds no data. Its geometry as the maps give theirs: row
// 0's top edge at originY, column 0's left edge at originX.
struct RasterGrid {
  int rowCount = 0, columnCount = 0;
  double originX = 0, originY = 0;
  double cellSizeX = 0, cellSizeY = 0;
  std::vector<float> cells;  // row by row
};

// Reads the grid at path (UTF-8); false with the reason, naming the file, when
// it cannot be read, holds no cells, is rotated or too large to hold.
bool ReadRasterGrid(const std::string& path, RasterGrid& grid, std::string& error);

}  // namespace grids
