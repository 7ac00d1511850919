#include "rendering/contours.h"

#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace rendering {
namespace {

// A square between the centres of cells (row, column) and (row + 1, column
// + 1). Corners in order: 0 top left, 1 top right, 2 bottom right, 3 bottom
// left; edge i runs from corner i to corner i + 1.
struct Square {
  std::array<double, 4> values;
  std::array<QPointF, 4> corners;
  std::array<std::int64_t, 4> edges;  // a key per edge, shared with the neighbour
};

bool SquareAt(const ValueGrid& grid, int row, int column, Square& square) {
  const int rows[4] = {row, row, row + 1, row + 1};
  const int columns[4] = {column, column + 1, column + 1, column};
  for (int i = 0; i < 4; ++i) {
    const float value = grid.cells[static_cast<std::size_t>(rows[i]) * grid.columnCount +
                                   static_cast<std::size_t>(columns[i])];
    if (std::isnan(value)) return false;
    square.values[i] = value;
    square.corners[i] = QPointF(grid.originX + (columns[i] + 0.5) * grid.cellWidth,
                                grid.originY - (rows[i] + 0.5) * grid.cellHeight);
  }
  // Horizontal edges at even keys, vertical ones at odd keys.
  auto key = [&](int r, int c, bool vertical) {
    return 2 * (static_cast<std::int64_t>(r) * grid.columnCount + c) + (vertical ? 1 : 0);
  };
  square.edges = {key(row, column, false), key(row, column + 1, true), key(row + 1, column, false),
                  key(row, column, true)};
  return true;
}

bool In(double value, const BandLevel& level) {
  return level.strict ? value > level.level : value >= level.level;
}

// Where the level crosses edge i (its corners on either side of it).
QPointF Crossing(const Square& square, int i, double level) {
  const int j = (i + 1) % 4;
  const double from = square.values[i], to = square.values[j];
  const double t = to == from ? 0.5 : std::clamp((level - from) / (to - from), 0.0, 1.0);
  return square.corners[i] + t * (square.corners[j] - square.corners[i]);
}

// A saddle: two opposite corners in, the other two out.
bool IsSaddle(const std::array<bool, 4>& in) {
  return in[0] == in[2] && in[1] == in[3] && in[0] != in[1];
}

double Mean(const Square& square) {
  return (square.values[0] + square.values[1] + square.values[2] + square.values[3]) / 4;
}

// The part of the square in the level, added to path (every part the same
// way round, so that touching parts fill as one).
void AddRegion(const Square& square, const BandLevel& level, QPainterPath& path) {
  std::array<bool, 4> in;
  for (int i = 0; i < 4; ++i) in[i] = In(square.values[i], level);
  if (IsSaddle(in) && !In(Mean(square), level)) {
    // Two corners apart: a triangle each.
    for (int i = 0; i < 4; ++i) {
      if (!in[i]) continue;
      path.addPolygon(QPolygonF({square.corners[i], Crossing(square, i, level.level),
                                 Crossing(square, (i + 3) % 4, level.level)}));
      path.closeSubpath();
    }
    return;
  }
  QPolygonF polygon;
  for (int i = 0; i < 4; ++i) {
    if (in[i]) polygon << square.corners[i];
    if (in[i] != in[(i + 1) % 4]) polygon << Crossing(square, i, level.level);
  }
  path.addPolygon(polygon);
  path.closeSubpath();
}

struct Segment {
  std::int64_t from, to;  // edge keys
  QPointF a, b;
};

}  // namespace

std::vector<QPainterPath> BandPaths(const ValueGrid& grid, const std::vector<BandLevel>& levels) {
  std::vector<QPainterPath> paths(levels.size());
  for (QPainterPath& path : paths) path.setFillRule(Qt::WindingFill);
  if (levels.empty()) return paths;
  Square square;
  for (int row = 0; row + 1 < grid.rowCount; ++row) {
    // Squares wholly in one level and no higher, run together along the row.
    int runLevel = -1;
    QPointF runTopLeft, runBottomRight;
    auto flush = [&] {
      if (runLevel >= 0) {
        const QRectF run(runTopLeft, runBottomRight);
        paths[static_cast<std::size_t>(runLevel)].addPolygon(
            QPolygonF({run.topLeft(), run.topRight(), run.bottomRight(), run.bottomLeft()}));
        paths[static_cast<std::size_t>(runLevel)].closeSubpath();
      }
      runLevel = -1;
    };
    for (int column = 0; column + 1 < grid.columnCount; ++column) {
      if (!SquareAt(grid, row, column, square)) {
        flush();
        continue;
      }
      // The highest level the whole square reaches takes it whole.
      int whole = -1;
      for (std::size_t k = 0; k < levels.size(); ++k) {
        const bool all = std::all_of(square.values.begin(), square.values.end(),
                                     [&](double value) { return In(value, levels[k]); });
        if (!all) break;
        whole = static_cast<int>(k);
      }
      const auto higher = static_cast<std::size_t>(whole + 1);
      const bool partial = higher < levels.size() &&
                           std::any_of(square.values.begin(), square.values.end(),
                                       [&](double value) { return In(value, levels[higher]); });
      if (whole >= 0 && !partial) {
        if (whole != runLevel) {
          flush();
          runLevel = whole;
          runTopLeft = square.corners[0];
        }
        runBottomRight = square.corners[2];
        continue;
      }
      flush();
      if (whole >= 0) {
        paths[static_cast<std::size_t>(whole)].addPolygon(QPolygonF(
            {square.corners[0], square.corners[1], square.corners[2], square.corners[3]}));
        paths[static_cast<std::size_t>(whole)].closeSubpath();
      }
      for (std::size_t k = higher; k < levels.size(); ++k) {
        const bool any = std::any_of(square.values.begin(), square.values.end(),
                                     [&](double value) { return In(value, levels[k]); });
        if (!any) break;
        AddRegion(square, levels[k], paths[k]);
      }
    }
    flush();
  }
  return paths;
}

std::vector<ContourLine> TraceContours(const ValueGrid& grid, double level) {
  const BandLevel at{level, false};
  std::vector<Segment> segments;
  Square square;
  for (int row = 0; row + 1 < grid.rowCount; ++row) {
    for (int column = 0; column + 1 < grid.columnCount; ++column) {
      if (!SquareAt(grid, row, column, square)) continue;
      std::array<bool, 4> in;
      for (int i = 0; i < 4; ++i) in[i] = In(square.values[i], at);
      auto add = [&](int i, int j) {
        segments.push_back({square.edges[i], square.edges[j], Crossing(square, i, level),
                            Crossing(square, j, level)});
      };
      if (IsSaddle(in)) {
        // The mean decides which corners the lines cut off.
        if (in[0] == In(Mean(square), at)) {
          add(0, 1), add(2, 3);
        } else {
          add(3, 0), add(1, 2);
        }
        continue;
      }
      int first = -1;
      for (int i = 0; i < 4; ++i) {
        if (in[i] == in[(i + 1) % 4]) continue;
        if (first < 0) {
          first = i;
        } else {
          add(first, i);
        }
      }
    }
  }

  // Segments joined where they share an edge: each edge has at most two.
  std::unordered_map<std::int64_t, std::vector<std::size_t>> byEdge;
  for (std::size_t s = 0; s < segments.size(); ++s) {
    byEdge[segments[s].from].push_back(s);
    byEdge[segments[s].to].push_back(s);
  }
  std::vector<bool> used(segments.size(), false);
  // The segment beyond `edge` from segment s, if unused; and the end it continues from.
  auto next = [&](std::size_t s, std::int64_t edge) -> std::optional<std::size_t> {
    for (std::size_t other : byEdge[edge]) {
      if (other != s && !used[other]) return other;
    }
    return std::nullopt;
  };
  std::vector<ContourLine> lines;
  for (std::size_t start = 0; start < segments.size(); ++start) {
    if (used[start]) continue;
    used[start] = true;
    std::vector<QPointF> forward{segments[start].a, segments[start].b};
    std::vector<QPointF> backward;
    bool closed = false;
    // Onward from the end, then back from the start.
    for (int direction = 0; direction < 2 && !closed; ++direction) {
      std::int64_t edge = direction == 0 ? segments[start].to : segments[start].from;
      std::size_t current = start;
      while (std::optional<std::size_t> s = next(current, edge)) {
        used[*s] = true;
        const Segment& segment = segments[*s];
        const bool along = segment.from == edge;
        edge = along ? segment.to : segment.from;
        (direction == 0 ? forward : backward).push_back(along ? segment.b : segment.a);
        current = *s;
        if (direction == 0 && edge == segments[start].from) {
          closed = true;
          forward.pop_back();  // the start again
          break;
        }
      }
    }
    ContourLine line;
    line.level = level;
    line.closed = closed;
    line.points.assign(backward.rbegin(), backward.rend());
    line.points.insert(line.points.end(), forward.begin(), forward.end());
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<double> ContourLevels(const ValueGrid& grid, double interval, int most) {
  if (!(interval > 0)) return {};
  double low = INFINITY, high = -INFINITY;
  for (float value : grid.cells) {
    if (std::isnan(value)) continue;
    low = std::min(low, static_cast<double>(value));
    high = std::max(high, static_cast<double>(value));
  }
  if (!(low <= high) || !std::isfinite(low) || !std::isfinite(high)) return {};
  const double first = std::ceil(low / interval), last = std::floor(high / interval);
  if (last - first + 1 > most) return {};
  std::vector<double> levels;
  for (double k = first; k <= last; ++k) levels.push_back(k * interval == 0 ? 0 : k * interval);
  return levels;
}

}  // namespace rendering
