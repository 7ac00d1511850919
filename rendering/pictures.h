// Maps and saturation profiles as pictures, painted with Qt onto any
// QPainter: the render command's PNG, SVG and PDF files and a viewer's widget
// are the same painting on different devices. Needs a QGuiApplication (for
// fonts); no display: the offscreen platform will do.
//
// A picture lays itself out in the target rectangle it is given: the title on
// top, the plot with axes in the grid's own coordinates, and (for a map) the
// legend of its classes with the unit on the right. A map whose values are at
// hand is a contour map: filled bands between the classes' bounds over its
// cells, smooth contour lines at every multiple of the interval labelled with
// their level, and a scale bar; a map file alone shows its cells' classes.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mapreader/map_reader.h"

namespace rendering {

// The colour of a class: the perceptually uniform sequential palette
// (viridis) sampled evenly over the codes 1 to highestCode.
QColor ClassColour(int code, int highestCode);

class Picture {
 public:
  virtual ~Picture() = default;
  virtual std::string Title() const = 0;
  // The height the picture wants for a width (in the device's pixels).
  virtual double HeightForWidth(double width) const = 0;
  virtual void Paint(QPainter& painter, const QRectF& target) const = 0;
};

struct Cell {
  int row = 0, column = 0;
};

// Where the parts of a map picture lie in a target rectangle.
struct MapLayout {
  QRectF title;
  QRectF plot;  // the part of the grid in view
  QRectF legend;
  // The legend's entries: a swatch each, for the codes listed (all codes from
  // 1 up, or every n-th code when they do not all fit).
  std::vector<int> legendCodes;
  std::vector<QRectF> swatches;
};

// A contour line's label: its level, centred on the line and turned along it
// (degrees clockwise, upright).
struct ContourLabel {
  QString text;
  QPointF centre;
  double angle = 0;
  QSizeF size;  // of its box before turning
};

// A scale bar: a round length of the grid's coordinates and where it lies.
struct ScaleBarPlace {
  double length = 0;
  QRectF bar;  // empty: none (the plot is too small)
};
ScaleBarPlace ScaleBarFor(const QRectF& view, const QRectF& plot, double inset, double height);
// The bar with end ticks, its length and unit above it, on a light ground.
void DrawScaleBar(QPainter& painter, const ScaleBarPlace& place, const QString& unit);

class MapPicture final : public Picture {
 public:
  explicit MapPicture(mapreader::IntensityMap map);

  const mapreader::IntensityMap& Map() const { return map_; }
  std::string Title() const override { return map_.title; }
  double HeightForWidth(double width) const override;
  void Paint(QPainter& painter, const QRectF& target) const override;

  // The part of the grid in view, in the grid's coordinates (x to the right,
  // y upward): the whole grid unless a viewer zooms or pans (a view of
  // positive width and height). Cell sizes that are not positive are drawn
  // as 1.
  QRectF WholeGrid() const;
  QRectF View() const { return view_; }
  void SetView(const QRectF& view) { view_ = view; }

  // A line under the x axis saying what the axes' coordinates are (UTF-8:
  // "x, y in metre of CGCS2000 / ..."); empty: none, the grid's own.
  const std::string& AxesNote() const { return axesNote_; }
  void SetAxesNote(std::string note) { axesNote_ = std::move(note); }
  // The unit of the grid's coordinates ("km", "metre"), for the scale bar
  // and, without an axes note, a note "x, y in UNIT"; empty: not known.
  void SetCoordinateUnit(std::string unit) { coordinateUnit_ = std::move(unit); }

  // The map's values: one per cell over the whole grid, row by row, NaN
  // outside the modelled area. Taken, and the picture becomes a contour map,
  // when they cover the grid and each lies in its cell's class; false (the
  // picture stays as it was) otherwise.
  bool SetValues(std::vector<float> cells);
  bool HasValues() const { return !values_.empty(); }
  const std::vector<float>& Values() const { return values_; }
  // The levels of the contour lines (every multiple of the interval the
  // values reach); none without values.
  std::vector<double> ContourLevels() const;
  // The labels of the contour lines in a target, as painted.
  std::vector<ContourLabel> Labels(const QRectF& target) const;
  // The scale bar in a target: inside the plot at its lower left.
  ScaleBarPlace ScaleBar(const QRectF& target) const;

  MapLayout Layout(const QRectF& target) const;
  // The cell under a point of the target, if any; the rectangle a cell covers.
  std::optional<Cell> CellAt(const QRectF& target, const QPointF& point) const;
  QRectF CellRect(const QRectF& target, const Cell& cell) const;

 private:
  struct Band {
    QPainterPath region;  // grid coordinates
    int code;
  };
  // The note under the axes: the one set, else the coordinate unit's.
  std::string Note() const;
  QTransform GridToDevice(const QRectF& plot) const;
  std::vector<ContourLabel> LabelsIn(const QRectF& plot, double textSize) const;
  void PaintContours(QPainter& painter, const MapLayout& layout, double textSize) const;

  mapreader::IntensityMap map_;
  double cellWidth_, cellHeight_;  // the grid's cell sizes, or 1 where they are not usable
  QRectF view_;
  std::string axesNote_;
  std::string coordinateUnit_;
  std::vector<float> values_;
  std::vector<Band> bands_;                                     // in painting order
  std::vector<std::pair<double, std::vector<QPointF>>> lines_;  // level, points (closed: repeated)
};

// A .dsa profile: depth downward, Sa (%) across, on the axes of its trailer
// (widened where a sample lies beyond them).
class ProfilePicture final : public Picture {
 public:
  explicit ProfilePicture(mapreader::SaturationProfile profile);

  std::string Title() const override;
  double HeightForWidth(double width) const override;
  void Paint(QPainter& painter, const QRectF& target) const override;
  // Where the plot lies in a target rectangle, and the point of a sample in it.
  QRectF PlotRect(const QRectF& target) const;
  QPointF SamplePoint(const QRectF& target, const mapreader::SaturationSample& sample) const;

  const mapreader::SaturationProfile& Profile() const { return profile_; }
  // The depths drawn, from the top of the plot to its bottom: the whole depth
  // axis unless a viewer zooms or pans (first below last).
  mapreader::Axis WholeDepth() const { return depth_; }
  mapreader::Axis DepthView() const { return view_; }
  void SetDepthView(double first, double last);
  // The depth at a point of the plot (nullopt outside it), and the sample
  // nearest to that depth (nullopt without samples).
  std::optional<double> DepthAt(const QRectF& target, const QPointF& point) const;
  std::optional<mapreader::SaturationSample> NearestSample(double depth) const;

 private:
  mapreader::SaturationProfile profile_;
  mapreader::Axis depth_, saturation_;  // the whole axes
  mapreader::Axis view_;                // the depths in view
};

// Reads a map file, or a profile when the name ends in ".dsa"; nullptr with
// the reader's message in error when the file cannot be read.
std::unique_ptr<Picture> LoadPicture(const std::string& path, std::string& error);

// True when out names a picture RenderToFile can write: it ends in ".png",
// ".svg" or ".pdf", in any case.
bool IsPictureName(const std::string& out);

// Writes the picture width pixels wide (and as high as it wants) to out: PNG,
// SVG or PDF by out's extension (".png", ".svg", ".pdf"). False with the
// reason in error when out has another extension or cannot be written.
bool RenderToFile(const Picture& picture, const std::string& out, int width, std::string& error);

}  // namespace rendering
