// A project's oil through its periods, per source-rock horizon: the history
// chart (when each horizon expelled its oil) and the frames of the cumulative
// expelled intensity, one map per horizon and period, that can be flipped
// through on one colour scale.
//
// The chart: time runs left to right (age in Ma decreasing, the youngest age
// at the right). Per horizon, in its own colour: the cumulative expelled oil
// as a solid line with points and the generated oil as a dashed line (both on
// the left axis), the oil expelled in each period as a bar at the period's
// age (side by side per horizon, on the right axis), and a triangle with the
// value at the period of largest expulsion. The period names run along the
// top of the plot, slanted or thinned out when they do not fit. Values that
// are not finite are left out, as are periods whose age is not finite or lies
// beyond a million Ma.
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "mapreader/map_reader.h"
#include "rendering/history_data.h"
#include "rendering/pictures.h"

namespace rendering {

// The colour of the horizon at index (0 up): a qualitative palette of eight
// colours told apart with the common colour-vision deficiencies, then hues
// spread around the circle.
QColor HorizonColour(std::size_t index);

// Where the parts of the history chart lie in a target rectangle.
struct HistoryChartLayout {
  QRectF title;
  QRectF plot;    // the axes' frame
  QRectF legend;  // horizons, then the key of the marks
  // A colour swatch per horizon, in the data's order.
  std::vector<QRectF> swatches;
  // The periods whose names are written along the time axis (every period,
  // or every n-th when they do not fit), and whether they are slanted.
  std::vector<std::size_t> namedPeriods;
  bool namesSlanted = false;
};

// The chart as a Picture (so RenderToFile writes it as PNG, SVG or PDF and a
// widget can paint it).
class HistoryChart final : public Picture {
 public:
  explicit HistoryChart(HistoryChartData data);

  const HistoryChartData& Data() const { return data_; }
  std::string Title() const override { return data_.title; }
  double HeightForWidth(double width) const override;
  void Paint(QPainter& painter, const QRectF& target) const override;

  HistoryChartLayout Layout(const QRectF& target) const;
  // The point of a horizon's cumulative expelled oil in a period, where it
  // is drawn; nullopt when it is not (no such value, or not finite).
  std::optional<QPointF> CumulativePoint(const QRectF& target, std::size_t horizon,
                                         std::size_t period) const;
  // The period of a horizon's largest expulsion, which the chart marks: by
  // the oil expelled per period, or, when that is not known, by the rise of
  // the cumulative oil from the period before in age. nullopt when nothing
  // positive was expelled.
  std::optional<std::size_t> PeakPeriod(std::size_t horizon) const;

 private:
  struct Range {
    double low = 0, high = 1;
  };
  // The left axis: the cumulative and generated oil, or the oil per period
  // when there are no lines; the oil per period on the right when there are.
  const Range& LeftAxis() const { return HasLines() ? cumulative_ : perPeriod_; }
  bool HasLines() const { return hasCumulative_ || hasGenerated_; }
  bool HasRightAxis() const { return HasLines() && hasBars_; }
  // The left edge (in Ma) of a horizon's bar at a period.
  double BarFrom(std::size_t period, std::size_t slot) const;

  HistoryChartData data_;
  std::vector<std::size_t> periods_;   // the periods with a usable age, oldest first
  double ageLeft_ = 1, ageRight_ = 0;  // the time axis, left to right
  double barWidth_ = 0;                // one horizon's bar, in Ma
  Range cumulative_, perPeriod_;
  bool hasCumulative_ = false, hasGenerated_ = false, hasBars_ = false;
  // Per horizon: its place among the horizons with bars, if it has any; the
  // period of its largest expulsion and the amount.
  std::vector<std::optional<std::size_t>> slots_;
  std::size_t slotCount_ = 0;
  std::vector<std::optional<std::size_t>> peaks_;
  std::vector<double> peakValues_;
};

// The classing of a series of frames: one interval for all of them, from the
// largest value of the last frame (a round 1-2-5 step giving about 10 classes;
// at least 1 when the largest is <= 0).
// And a frame: values (active cells, row order) over the grid classed with
// that interval into an IntensityMap (codes as mapreader's ClassRange
// documents: 1 for <= 0, 2 for above 0 up to 2 intervals, c >= 3 from c-1
// intervals), its classCount fixed for the whole series so the colours mean
// the same in every frame. Values are classed in single precision as the
// library's map files are; a value above the series' largest class takes that
// class, a value that is not a number is left blank (code 0, as outside the
// modelled area), as is an active cell without a value. mask holds a byte per
// grid cell, row by row, non-zero for an active cell (cells beyond it are
// outside); counts below 0 are taken as 0.
struct FrameScale {
  std::uint32_t interval;
  int classCount;
};
FrameScale ScaleForFrames(std::span<const float> lastFrame);
mapreader::IntensityMap FrameMap(const std::string& title, const std::string& unit,
                                 const mapreader::MapGeometry& geometry,
                                 std::span<const std::uint8_t> mask, std::span<const float> values,
                                 const FrameScale& scale);

}  // namespace rendering
