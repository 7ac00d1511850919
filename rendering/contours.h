// Bands and contour lines of a map's values, by marching squares on the cell
// centres (as the grids' contours are made): the squares between four active
// cells are contoured with linear interpolation along their edges, a saddle
// decided by the mean of its corners. Geometry only, in the grid's
// coordinates (x to the right, y upward); the pictures paint it.
#pragma once

#include <QPainterPath>
#include <QPointF>
#include <span>
#include <vector>

namespace rendering {

// Values at the cell centres, row by row; NaN outside the modelled area.
// Row r's centre lies at originY - (r + 0.5) x cellHeight, column c's at
// originX + (c + 0.5) x cellWidth.
struct ValueGrid {
  int rowCount = 0, columnCount = 0;
  double originX = 0, originY = 0, cellWidth = 1, cellHeight = 1;
  std::span<const float> cells;
};

// A band level: the region at or above `level` (above it when strict).
struct BandLevel {
  double level = 0;
  bool strict = false;
};

// The regions of the levels (ascending), one path each, to be filled in
// order, each over the ones before: level k's path covers every part of a
// square at or above level k except squares wholly at or above a higher
// level, which only that level's path covers. A point thus ends up in the
// colour of the highest level it reaches. Level 0 may be unbounded below.
std::vector<QPainterPath> BandPaths(const ValueGrid& grid, const std::vector<BandLevel>& levels);

struct ContourLine {
  double level = 0;
  std::vector<QPointF> points;  // in order along the line
  bool closed = false;          // the last point joins the first
};

// The lines at one level: the squares' segments joined end to end.
std::vector<ContourLine> TraceContours(const ValueGrid& grid, double level);

// The multiples of interval from the lowest to the highest value of the
// grid, as the grids' contour layers hold them; none without values or
// when there would be more than `most`.
std::vector<double> ContourLevels(const ValueGrid& grid, double interval, int most = 2000);

}  // namespace rendering
