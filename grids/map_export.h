// A completed map written as standard grids of its values and as contour
// lines at its contour interval, through GDAL.
//
// Grids: 32-bit reals in the map's unit, the grid's origin and cell sizes,
// row 0 at the top (at originY), "no data" outside the modelled area: -9999,
// or when a value of the map is -9999 a round value below (-1e5 ... -1e10)
// that every format holds exactly. ZMap Plus, Surfer 7 and XYZ grids need two
// rows and two columns. Contours: one line feature per line, with its `level`
// (a multiple of the interval) and an `id`, computed from the same grid.
//
// With a reference system, coordinates and cell sizes are scaled from the
// grid unit into the system's unit and every file declares the system (the
// GeoTIFF's keys, the GeoPackage's SRS, MAPFILE.prj beside the .asc, .shp,
// .zmap, .grd and .xyz); GeoJSON holds WGS 84 longitude and latitude (RFC
// 7946), transformed, and is refused without a system. Without one the
// coordinates are the grid's own and MAPFILE.prj of an earlier run goes.
// Each file carries the map's metadata as far as its format can hold it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "grids/formats.h"
#include "grids/reference.h"
#include "platform/completed_map.h"

namespace grids {

// What a run knows of its maps beyond each map itself.
struct ExportContext {
  Reference reference;  // none declared: coordinates as the grid holds them
  std::string project;  // UTF-8; empty: not named in the metadata
};

// The metadata every file of the map carries as far as it can, in order:
// TITLE, UNIT, CONTOUR_INTERVAL, PROJECT, HORIZON, MAP_KIND, COORDINATE_UNIT,
// CRS, PROGRAM, VERSION (UTF-8; items the map or the run does not know are
// left out).
std::vector<std::pair<std::string, std::string>> MapMetadata(const platform::CompletedMap& map,
                                                             const ExportContext& context);

// The name of the file beside a map's .asc, .shp, .zmap, .grd and .xyz that
// declares their reference system: the map file's name and ".prj".
std::string ReferenceFileName(const std::string& mapFile);

// The name of a format's file: the map file's name (UTF-8) with the format's
// extension added.
std::string ExportName(const std::string& mapFile, const Format& format);

// Writes every grid and contour file of the map, next to its map file. An
// existing file of the same name is replaced. Returns one message per file
// that could not be written, naming the file and giving GDAL's reason; such a
// file is removed. Empty: everything was written.
std::vector<std::string> ExportMap(const platform::CompletedMap& map,
                                   const std::vector<Format>& gridFormats,
                                   const std::vector<Format>& contourFormats,
                                   const ExportContext& context = {});
// The same, named after mapFile (UTF-8) instead of the map's own file name:
// for a map read back from its file, whose name need not be GBK.
std::vector<std::string> ExportMapAs(const platform::CompletedMap& map, const std::string& mapFile,
                                     const std::vector<Format>& gridFormats,
                                     const std::vector<Format>& contourFormats,
                                     const ExportContext& context = {});

// A grid read back: the first band of a raster, as 32-bit reals, row 0 at the
// top; NaN where it holds no data. Its geometry as the maps give theirs: row
// 0's top edge at originY, column 0's left edge at originX.
struct RasterGrid {
  int rowCount = 0, columnCount = 0;
  double originX = 0, originY = 0;
  double cellSizeX = 0, cellSizeY = 0;
  std::vector<float> cells;    // row by row
  std::string coordinateUnit;  // its COORDINATE_UNIT metadata ("km", "metre"); empty: none
};

// Reads the grid at path (UTF-8); false with the reason, naming the file, when
// it cannot be read, holds no cells, is rotated or too large to hold.
bool ReadRasterGrid(const std::string& path, RasterGrid& grid, std::string& error);

}  // namespace grids
