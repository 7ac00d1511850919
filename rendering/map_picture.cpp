#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

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
  const double note = axesNote_.empty() ? 0 : m.lineHeight;
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
                            (axesNote_.empty() ? 0 : m.lineHeight) + m.margin;
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
  painter.setClipping(false);

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
  if (!axesNote_.empty()) {
    painter.drawText(QRectF(layout.plot.left(), layout.plot.bottom() + m.tick + m.lineHeight,
                            layout.legend.right() - layout.plot.left(), m.lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, Text(axesNote_));
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

}  // namespace rendering
