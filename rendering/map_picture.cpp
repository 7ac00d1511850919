#include <QFontMetricsF>
#include <QLineF>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "rendering/contours.h"
#include "rendering/painting.h"
#include "rendering/pictures.h"

namespace rendering {
namespace {

constexpr int kAxisTicks = 6;

// The legend's width: the unit above, a swatch and its range per entry.
double LegendWidth(const mapreader::IntensityMap& map, const Metrics& m) {
  QFontMetricsF metrics(m.textFont);
  double widest = metrics.horizontalAdvance(Text(map.unit));
  for (int code : {1, 2, 3, map.HighestCode()}) {
    if (code > map.HighestCode()) continue;
    widest = std::max(
        widest, m.swatch + m.gap + metrics.horizontalAdvance(Text(map.RangeOf(code).Label())));
  }
  return widest + m.margin;
}

// The codes the legend lists when it has room for at most room entries.
std::vector<int> LegendCodes(int highest, int room) {
  std::vector<int> codes;
  const int step = room >= highest ? 1 : (highest + std::max(room, 1) - 1) / std::max(room, 1);
  for (int code = 1; code <= highest; code += step) codes.push_back(code);
  codes.back() = highest;
  return codes;
}

}  // namespace

QColor ClassColour(int code, int highestCode) {
  const auto [r, g, b] = mapreader::ClassRgb(code, highestCode);
  return QColor(r, g, b);
}

MapPicture::MapPicture(mapreader::IntensityMap map) : map_(std::move(map)) {
  auto usable = [](double size) { return std::isfinite(size) && size > 0 ? size : 1.0; };
  cellWidth_ = usable(map_.geometry.cellSizeX);
  cellHeight_ = usable(map_.geometry.cellSizeY);
  view_ = WholeGrid();
}

QRectF MapPicture::WholeGrid() const {
  const mapreader::MapGeometry& g = map_.geometry;
  const double height = std::max(1, g.rowCount) * cellHeight_;
  return QRectF(g.originX, g.originY - height, std::max(1, g.columnCount) * cellWidth_, height);
}

MapLayout MapPicture::Layout(const QRectF& target) const {
  const Metrics m(target.width());
  MapLayout layout;
  layout.title = QRectF(target.left() + m.margin, target.top() + m.margin,
                        target.width() - 2 * m.margin, m.titleHeight);
  const double top = layout.title.bottom() + m.gap;
  const double legendWidth = LegendWidth(map_, m);
  layout.legend = QRectF(target.right() - m.margin - legendWidth, top, legendWidth,
                         target.bottom() - m.margin - top);

  // The plot: what is left of the axes' labels, in the view's proportions.
  const std::vector<double> yTicks = Ticks(view_.top(), view_.bottom(), kAxisTicks);
  const double left = target.left() + m.margin + WidestLabel(m.textFont, yTicks) + m.tick + m.gap;
  const double note = Note().empty() ? 0 : m.lineHeight;
  const double bottom = target.bottom() - m.margin - m.lineHeight - m.tick - m.gap - note;
  QRectF box(left, top + m.lineHeight * 0.5, layout.legend.left() - m.margin - left,
             bottom - top - m.lineHeight * 0.5);
  if (box.width() > 0 && box.height() > 0) {
    const double scale = std::min(box.width() / view_.width(), box.height() / view_.height());
    layout.plot = QRectF(box.left(), box.top(), view_.width() * scale, view_.height() * scale);
  }

  // The legend: the unit, then one entry per class (or every n-th class).
  const double entriesTop = layout.legend.top() + m.lineHeight + m.gap;
  const int room = static_cast<int>((layout.legend.bottom() - entriesTop) / m.entry);
  layout.legendCodes = LegendCodes(map_.HighestCode(), room);
  for (std::size_t i = 0; i < layout.legendCodes.size(); ++i) {
    layout.swatches.emplace_back(layout.legend.left(),
                                 entriesTop + static_cast<double>(i) * m.entry, m.swatch, m.swatch);
  }
  return layout;
}

double MapPicture::HeightForWidth(double width) const {
  const Metrics m(width);
  // In a target tall enough, the plot takes the whole width left to it.
  const MapLayout layout = Layout(QRectF(0, 0, width, 100 * width));
  const double plotHeight = layout.plot.width() * view_.height() / view_.width();
  const double plotBottom = layout.plot.top() + plotHeight + m.tick + m.gap + m.lineHeight +
                            (Note().empty() ? 0 : m.lineHeight) + m.margin;
  const double legendBottom = layout.legend.top() + m.lineHeight + m.gap +
                              std::min(map_.HighestCode(), 30) * m.entry + m.margin;
  return std::min(4 * width, std::max(plotBottom, legendBottom));
}

std::optional<Cell> MapPicture::CellAt(const QRectF& target, const QPointF& point) const {
  const QRectF plot = Layout(target).plot;
  if (!plot.contains(point)) return std::nullopt;
  const double x = view_.left() + (point.x() - plot.left()) / plot.width() * view_.width();
  const double y = view_.bottom() - (point.y() - plot.top()) / plot.height() * view_.height();
  const mapreader::MapGeometry& g = map_.geometry;
  const double column = std::floor((x - g.originX) / cellWidth_);
  const double row = std::floor((g.originY - y) / cellHeight_);
  if (column < 0 || column >= g.columnCount || row < 0 || row >= g.rowCount) return std::nullopt;
  return Cell{static_cast<int>(row), static_cast<int>(column)};
}

QRectF MapPicture::CellRect(const QRectF& target, const Cell& cell) const {
  const QRectF plot = Layout(target).plot;
  const mapreader::MapGeometry& g = map_.geometry;
  const AxisMap x{view_.left(), view_.right(), plot.left(), plot.right()};
  const AxisMap y{view_.bottom(), view_.top(), plot.top(), plot.bottom()};
  return QRectF(
      QPointF(x(g.originX + cell.column * cellWidth_), y(g.originY - cell.row * cellHeight_)),
      QPointF(x(g.originX + (cell.column + 1) * cellWidth_),
              y(g.originY - (cell.row + 1) * cellHeight_)));
}

void MapPicture::Paint(QPainter& painter, const QRectF& target) const {
  const Metrics m(target.width());
  const MapLayout layout = Layout(target);
  const mapreader::MapGeometry& g = map_.geometry;
  const int highest = map_.HighestCode();
  painter.save();
  painter.fillRect(target, Qt::white);
  painter.setPen(Qt::black);
  painter.setFont(m.titleFont);
  painter.drawText(layout.title, Qt::AlignCenter, Text(map_.title));
  if (layout.plot.isEmpty()) {
    painter.restore();
    return;
  }

  // The cells in view, one rectangle per run of equal codes in a row; cells
  // outside the modelled area stay blank. The colours of the first classes
  // are worked out once (a map may have far more classes than it shows).
  std::vector<QColor> colours(static_cast<std::size_t>(std::min(highest, 4096)) + 1);
  for (int code = 1; code < static_cast<int>(colours.size()); ++code) {
    colours[code] = ClassColour(code, highest);
  }
  auto colour = [&](int code) {
    return code < static_cast<int>(colours.size()) ? colours[code] : ClassColour(code, highest);
  };
  const AxisMap x{view_.left(), view_.right(), layout.plot.left(), layout.plot.right()};
  const AxisMap y{view_.bottom(), view_.top(), layout.plot.top(), layout.plot.bottom()};
  auto clampedIndex = [](double value, int count) {
    return static_cast<int>(std::clamp(value, 0.0, static_cast<double>(count)));
  };
  const int firstColumn =
      clampedIndex(std::floor((view_.left() - g.originX) / cellWidth_), g.columnCount);
  const int endColumn =
      clampedIndex(std::ceil((view_.right() - g.originX) / cellWidth_), g.columnCount);
  const int firstRow =
      clampedIndex(std::floor((g.originY - view_.bottom()) / cellHeight_), g.rowCount);
  const int endRow = clampedIndex(std::ceil((g.originY - view_.top()) / cellHeight_), g.rowCount);
  // Vector pictures (SVG, PDF) are smoothed by their viewers, which shows
  // hairlines between touching rectangles: there each run reaches a little
  // under its right and lower neighbours, which are painted after it.
  const int device = painter.device() != nullptr ? painter.device()->devType() : 0;
  const double bleed =
      device == QInternal::Image || device == QInternal::Pixmap || device == QInternal::Widget
          ? 0
          : 0.4;
  painter.setClipRect(layout.plot);
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (int row = firstRow; row < endRow; ++row) {
    const double top = y(g.originY - row * cellHeight_);
    const double bottom = y(g.originY - (row + 1) * cellHeight_);
    for (int column = firstColumn; column < endColumn;) {
      const int code = map_.Code(row, column);
      int end = column + 1;
      while (end < endColumn && map_.Code(row, end) == code) ++end;
      if (code > 0) {
        painter.fillRect(QRectF(QPointF(x(g.originX + column * cellWidth_), top),
                                QPointF(x(g.originX + end * cellWidth_) + bleed, bottom + bleed)),
                         colour(code));
      }
      column = end;
    }
  }
  if (HasValues()) PaintContours(painter, layout, m.text);
  painter.setClipping(false);
  if (HasValues()) {
    painter.setFont(m.textFont);
    DrawScaleBar(painter, ScaleBar(target), Text(coordinateUnit_));
  }

  // The frame and the axes in the grid's coordinates.
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(Qt::black, 0));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(layout.plot);
  painter.setFont(m.textFont);
  const std::vector<double> xTicks = Ticks(view_.left(), view_.right(), kAxisTicks);
  const std::vector<double> yTicks = Ticks(view_.top(), view_.bottom(), kAxisTicks);
  const double xStep = TickStep(xTicks);
  const double yStep = TickStep(yTicks);
  for (double tick : xTicks) {
    const double at = x(tick);
    painter.drawLine(QPointF(at, layout.plot.bottom()), QPointF(at, layout.plot.bottom() + m.tick));
    painter.drawText(
        QRectF(at - 50 * m.text, layout.plot.bottom() + m.tick, 100 * m.text, m.lineHeight),
        Qt::AlignHCenter | Qt::AlignTop, TickLabel(tick, xStep));
  }
  for (double tick : yTicks) {
    DrawLeftTick(painter, m, target, layout.plot, y(tick), TickLabel(tick, yStep));
  }
  if (const std::string note = Note(); !note.empty()) {
    painter.drawText(QRectF(layout.plot.left(), layout.plot.bottom() + m.tick + m.lineHeight,
                            layout.legend.right() - layout.plot.left(), m.lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, Text(note));
  }

  // The legend: the unit, then a swatch and the range of each class listed.
  painter.drawText(
      QRectF(layout.legend.left(), layout.legend.top(), layout.legend.width(), m.lineHeight),
      Qt::AlignLeft | Qt::AlignVCenter, Text(map_.unit));
  for (std::size_t i = 0; i < layout.swatches.size(); ++i) {
    const int code = layout.legendCodes[i];
    const QRectF& swatch = layout.swatches[i];
    painter.fillRect(swatch, colour(code));
    painter.drawRect(swatch);
    painter.drawText(QRectF(swatch.right() + m.gap, swatch.center().y() - m.lineHeight / 2,
                            layout.legend.right() - swatch.right() - m.gap, m.lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, Text(map_.RangeOf(code).Label()));
  }
  painter.restore();
}

std::string MapPicture::Note() const {
  if (!axesNote_.empty() || coordinateUnit_.empty()) return axesNote_;
  return "x, y in " + coordinateUnit_;
}

bool MapPicture::SetValues(std::vector<float> cells) {
  const mapreader::MapGeometry& g = map_.geometry;
  if (g.rowCount <= 0 || g.columnCount <= 0 ||
      cells.size() !=
          static_cast<std::size_t>(g.rowCount) * static_cast<std::size_t>(g.columnCount)) {
    return false;
  }
  const int highest = map_.HighestCode();
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const int code = map_.codes[i];
    const bool outside = std::isnan(cells[i]);
    if (code == 0 ? !outside : outside || code > highest || !map_.RangeOf(code).Contains(cells[i]))
      return false;
  }
  values_ = std::move(cells);

  // The bands between the classes' bounds: code 1 up to 0, code 2 above 0,
  // code c from c - 1 intervals on; the lines at every multiple of it.
  const ValueGrid grid{g.rowCount, g.columnCount, g.originX, g.originY,
                       cellWidth_, cellHeight_,   values_};
  std::vector<BandLevel> levels{{-INFINITY, false}, {0, true}};
  if (map_.interval) {
    for (int code = 3; code <= highest; ++code)
      levels.push_back({static_cast<double>(code - 1) * *map_.interval, false});
  }
  std::vector<QPainterPath> regions = BandPaths(grid, levels);
  bands_.clear();
  for (std::size_t k = 0; k < regions.size(); ++k) {
    if (!regions[k].isEmpty()) bands_.push_back({std::move(regions[k]), static_cast<int>(k) + 1});
  }
  lines_.clear();
  for (double level : ContourLevels()) {
    for (ContourLine& line : TraceContours(grid, level)) {
      if (line.points.size() < 2) continue;
      if (line.closed) line.points.push_back(line.points.front());
      lines_.emplace_back(level, std::move(line.points));
    }
  }
  return true;
}

std::vector<double> MapPicture::ContourLevels() const {
  if (!HasValues() || !map_.interval) return {};
  const mapreader::MapGeometry& g = map_.geometry;
  return rendering::ContourLevels(
      ValueGrid{g.rowCount, g.columnCount, g.originX, g.originY, cellWidth_, cellHeight_, values_},
      *map_.interval);
}

QTransform MapPicture::GridToDevice(const QRectF& plot) const {
  const double sx = plot.width() / view_.width();
  const double sy = plot.height() / view_.height();
  return QTransform(sx, 0, 0, -sy, plot.left() - view_.left() * sx,
                    plot.top() + view_.bottom() * sy);
}

namespace {

// A smooth curve through the points (Catmull-Rom, as cubic Béziers); a line
// whose last point repeats its first closes smoothly.
QPainterPath SmoothThrough(const std::vector<QPointF>& given) {
  std::vector<QPointF> points;
  for (const QPointF& point : given) {
    if (points.empty() || QLineF(points.back(), point).length() > 1e-9) points.push_back(point);
  }
  QPainterPath path;
  if (points.size() < 2) return path;
  const bool closed = points.size() > 3 && QLineF(points.front(), points.back()).length() < 1e-9;
  if (closed) points.pop_back();
  const auto n = static_cast<long>(points.size());
  auto at = [&](long i) {
    if (closed) return points[static_cast<std::size_t>(((i % n) + n) % n)];
    return points[static_cast<std::size_t>(std::clamp(i, 0L, n - 1))];
  };
  path.moveTo(points.front());
  const long segments = closed ? n : n - 1;
  for (long i = 0; i < segments; ++i) {
    const QPointF c1 = at(i) + (at(i + 1) - at(i - 1)) / 6;
    const QPointF c2 = at(i + 1) - (at(i + 2) - at(i)) / 6;
    path.cubicTo(c1, c2, at(i + 1));
  }
  return path;
}

QString LevelText(double level) { return QString::number(level, 'g', 12); }

}  // namespace

std::vector<ContourLabel> MapPicture::LabelsIn(const QRectF& plot, double textSize) const {
  std::vector<ContourLabel> labels;
  if (plot.isEmpty()) return labels;
  const QTransform toDevice = GridToDevice(plot);
  const Metrics m(textSize * 75);
  const QFontMetricsF metrics(m.textFont);
  std::vector<QPolygonF> placed;  // the boxes taken, turned
  const QRectF inside = plot.adjusted(m.gap, m.gap, -m.gap, -m.gap);
  for (const auto& [level, points] : lines_) {
    const QString text = LevelText(level);
    const QSizeF size(metrics.horizontalAdvance(text) + m.gap, m.lineHeight);
    std::vector<QPointF> device;
    device.reserve(points.size());
    double length = 0;
    for (const QPointF& point : points) {
      device.push_back(toDevice.map(point));
      if (device.size() > 1) length += QLineF(device[device.size() - 2], device.back()).length();
    }
    if (length < 3 * size.width()) continue;
    // One label per stretch of about half the plot's width, in the middle of each.
    const double spacing = std::max(plot.width() / 2, 6 * size.width());
    const int count = std::max(1, static_cast<int>(length / spacing));
    for (int k = 0; k < count; ++k) {
      double wanted = (k + 0.5) * length / count;
      for (std::size_t i = 1; i < device.size(); ++i) {
        const QLineF piece(device[i - 1], device[i]);
        if (piece.length() < wanted) {
          wanted -= piece.length();
          continue;
        }
        ContourLabel label{text, piece.pointAt(wanted / std::max(piece.length(), 1e-12)), 0, size};
        double angle = -piece.angle();  // QLineF counts anticlockwise
        while (angle > 90) angle -= 180;
        while (angle <= -90) angle += 180;
        label.angle = angle;
        const QPolygonF box =
            QTransform()
                .translate(label.centre.x(), label.centre.y())
                .rotate(angle)
                .map(QPolygonF(QRectF(QPointF(-size.width() / 2, -size.height() / 2), size)));
        const bool fits = inside.contains(box.boundingRect()) &&
                          std::none_of(placed.begin(), placed.end(), [&](const QPolygonF& other) {
                            return other.intersects(box);
                          });
        if (fits) {
          placed.push_back(box);
          labels.push_back(label);
        }
        break;
      }
    }
  }
  return labels;
}

std::vector<ContourLabel> MapPicture::Labels(const QRectF& target) const {
  return LabelsIn(Layout(target).plot, Metrics(target.width()).text);
}

void MapPicture::PaintContours(QPainter& painter, const MapLayout& layout, double textSize) const {
  const QTransform toDevice = GridToDevice(layout.plot);
  const int highest = map_.HighestCode();
  painter.save();
  // The bands unsmoothed: one over the other, smoothed edges would blend
  // where the squares end; between bands the lines cover their edges.
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (const Band& band : bands_) {
    painter.fillPath(toDevice.map(band.region), ClassColour(band.code, highest));
  }
  painter.setRenderHint(QPainter::Antialiasing, true);
  const Metrics m(textSize * 75);
  painter.setPen(QPen(QColor(30, 30, 30), std::max(1.0, m.text / 9), Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  for (const auto& [level, points] : lines_) {
    std::vector<QPointF> device;
    device.reserve(points.size());
    for (const QPointF& point : points) device.push_back(toDevice.map(point));
    painter.drawPath(SmoothThrough(device));
  }
  painter.setFont(m.textFont);
  for (const ContourLabel& label : LabelsIn(layout.plot, textSize)) {
    painter.save();
    painter.translate(label.centre);
    painter.rotate(label.angle);
    const QRectF box(QPointF(-label.size.width() / 2, -label.size.height() / 2), label.size);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 215));
    painter.drawRoundedRect(box, box.height() / 4, box.height() / 4);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignCenter, label.text);
    painter.restore();
  }
  painter.restore();
}

ScaleBarPlace MapPicture::ScaleBar(const QRectF& target) const {
  const Metrics m(target.width());
  return ScaleBarFor(view_, Layout(target).plot, m.margin, m.tick * 1.5);
}

ScaleBarPlace ScaleBarFor(const QRectF& view, const QRectF& plot, double inset, double height) {
  const double span = view.width();
  if (plot.width() < 80 || plot.height() < 40 || !(span > 0)) return {};
  // A round length of about a fifth of the width in view, at the bottom left.
  const double length = NiceStep(span, 5);
  const double pixels = length / span * plot.width();
  return {length, QRectF(plot.left() + inset, plot.bottom() - inset - height, pixels, height)};
}

void DrawScaleBar(QPainter& painter, const ScaleBarPlace& place, const QString& unit) {
  if (place.bar.isEmpty()) return;
  const QRectF& bar = place.bar;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QFontMetricsF metrics(painter.font());
  QString label = TickLabel(place.length, place.length);
  if (!unit.isEmpty()) label += " " + unit;
  const QRectF text(bar.left(), bar.top() - metrics.height() - 2, bar.width(), metrics.height());
  const double margin = 4;
  const QRectF ground = text.united(bar).adjusted(-margin, -margin, margin, margin);
  painter.fillRect(
      ground.united(QRectF(ground.topLeft(),
                           QSizeF(metrics.horizontalAdvance(label) + 2 * margin, ground.height()))),
      QColor(255, 255, 255, 200));
  painter.setPen(QPen(Qt::black, std::max(1.0, bar.height() / 3)));
  painter.drawLine(QPointF(bar.left(), bar.bottom()), QPointF(bar.right(), bar.bottom()));
  painter.drawLine(bar.topLeft(), bar.bottomLeft());
  painter.drawLine(bar.topRight(), bar.bottomRight());
  painter.setPen(Qt::black);
  painter.drawText(text, Qt::AlignLeft | Qt::AlignBottom | Qt::TextDontClip, label);
  painter.restore();
}

}  // namespace rendering
