// A project's history as standard grids: one GeoTIFF per map through time (a
// band per period, through GDAL), and one netCDF file holding every kind of the
// history over horizon, period and grid (through the netCDF library).
//
// Like the grids of single maps: 32-bit reals, row 0 at the top (at originY),
// "no data" (-9999, or the lowest 32-bit real when a value is -9999) outside
// the modelled area. Paths, names and texts are UTF-8. The reasons these
// functions give are GDAL's, the netCDF library's or ours; they do not repeat
// the path, which the caller (who may write to a temporary name) names in its
// own message. The values of a series lie band by band (period by period),
// each band's values those of the active cells in row order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "grids/reference.h"

namespace grids {

// The simulation grid: row 0 lies at originY (top edge, as the GeoTIFF geotransform of
// map_export.cpp has it: {originX, cellSizeX, 0, originY, 0, -cellSizeY}), column c at
// originX + c x cellSizeX.
// With a reference system, coordinates and cell sizes are scaled into its unit
// and the GeoTIFFs and the cube declare it.
struct GridGeometry {
  float originX = 0, originY = 0, cellSizeX = 0, cellSizeY = 0;
  int rowCount = 0, columnCount = 0;
  std::span<const std::uint8_t> mask;  // rowCount x columnCount, row by row; non-zero: active
  Reference reference = {};            // none: the grid's own coordinates, nothing declared
};

class HistoryCube;

// A part of the history cube: a variable of a horizon, or its _total.
struct CubePart {
  HistoryCube* cube = nullptr;  // none
  std::size_t variable = 0;
  int horizon = 0;  // from 0, or -1 for the _total
};

// One map through time: a band per period.
struct TimeSeries {
  std::string path;                  // UTF-8: the GeoTIFF to write (replaced if it exists)
  std::string title, unit, project;  // UTF-8 metadata (TITLE, unit type of every band, PROJECT)
  std::vector<std::string> bandDescriptions;  // one per band, UTF-8 ("Es1 65.00 Ma")
  // bands x active cells, band by band
  std::span<const float> values;
  // Where the same values go in the cube, if anywhere: written along with the
  // GeoTIFF, each band's rows spread over the grid once for both files.
  CubePart cube = {};
};

// Writes the series as a GeoTIFF of bandDescriptions.size() Float32 bands; band k holds value
// [k * active cells + a] at the a-th active cell, no data outside the area (-9999, or the lowest
// float when a value is exactly -9999, as map_export.cpp). nullopt when written; otherwise the
// reason (GDAL's message), and nothing is left at path. With a part of the cube, the part
// is written too (as HistoryCube::Write writes it); when that failed, the reason is the
// cube's, and the cube says it Failed.
std::optional<std::string> WriteTimeSeries(const GridGeometry& grid, const TimeSeries& series);

// NAME.history.nc: every variable of the history over horizon, period, y and x.
struct CubeVariable {
  std::string name;      // "expelled", "unexpelled", "generated", "deep_expelled"
  std::string longName;  // UTF-8
  std::string unit;      // UTF-8, e.g. "10^4 t/km2"
};
struct CubeLayout {
  std::string path;     // UTF-8, replaced if it exists
  std::string project;  // UTF-8
  GridGeometry grid;
  std::vector<std::string> horizons;    // UTF-8 names, file order
  std::vector<std::string> periods;     // UTF-8 names, period order
  std::vector<float> ages;              // Ma, one per period
  std::vector<CubeVariable> variables;  // each gets NAME(horizon, period, y, x) and
                                        // NAME_total(period, y, x)
  // The fill value of every data variable is -9999, or the lowest float when
  // this is set. netCDF fixes a variable's fill value before its first value
  // is stored, so the caller says beforehand whether any value the cube will
  // hold is exactly -9999. A value inside the area equal to the fill value
  // makes Write fail instead of turning into "no data".
  bool valuesHoldMinus9999 = false;
};
class HistoryCube {
 public:
  // Creates the file with every dimension, coordinate and variable; nullptr with the reason.
  static std::unique_ptr<HistoryCube> Create(const CubeLayout& layout, std::string& error);
  // Without a successful Close the file is incomplete: it is removed.
  // Inline: the host, which has neither GDAL nor netCDF, holds cubes the grid module makes
  // (its sanitizer checks need the class's type information).
  virtual ~HistoryCube() = default;
  // values: periods x active cells, period by period (as TimeSeries::values).
  // horizon from 0, or -1 for the variable's _total. Each (variable, horizon) written once,
  // in any order; cells outside the area get the fill value. After a failed Write the cube
  // takes nothing more, and Close fails.
  virtual bool Write(std::size_t variable, int horizon, std::span<const float> values,
                     std::string& error) = 0;
  // Whether a part of it failed (then it takes nothing more). Parts may be
  // written on several threads at once, each with its GeoTIFF.
  virtual bool Failed() const = 0;
  // Closes the file; false with the reason when anything of it was not stored (a
  // (variable, horizon) never written included), and the file is then removed.
  virtual bool Close(std::string& error) = 0;
};

}  // namespace grids
