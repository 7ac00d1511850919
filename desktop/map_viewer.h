// The desktop application's viewer: the maps and profiles a run wrote, or a
// file opened from disk, painted as `strataplot render` paints them, one after
// another. Hovering a cell tells its row, column, class range and (when a run
// of this session handed them over) its value; the wheel or + and - zoom, a
// drag pans, 0 shows the whole grid again.
#pragma once

#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/completed_map.h"

class QLabel;
class QPushButton;

namespace rendering {
class MapPicture;
class Picture;
struct Cell;
}  // namespace rendering

namespace desktop {

// The absolute, normal form of a UTF-8 file name (relative names are relative
// to the current directory): how the file log and the map values name a map.
QString AbsolutePath(const std::string& utf8);

// What hovering a cell of a map tells: "row R, column C: RANGE UNIT" (from 0,
// row 0 at the top), with ", value V" when a value is given, or "row R,
// column C: outside the modelled area".
QString CellDescription(const rendering::MapPicture& map, const rendering::Cell& cell,
                        std::optional<float> value);

// The values of the maps completed while it is installed, kept per map file
// (absolute UTF-8 path). Maps arrive on the export's thread; the viewer asks
// on the GUI thread.
class MapValues final : public platform::CompletedMapSink {
 public:
  void MapCompleted(const platform::CompletedMap& map) override;
  // The value of a cell of the map last completed under that path; nullopt
  // outside the modelled area or when no values of it are at hand.
  std::optional<float> ValueAt(const QString& path, int row, int column) const;
  void Forget(const QString& path);

 private:
  struct Grid {
    int rowCount = 0, columnCount = 0;
    std::vector<float> cells;  // row by row; NaN outside the modelled area
  };
  mutable std::mutex mutex_;
  std::map<QString, std::shared_ptr<const Grid>> grids_;
};

class MapViewer final : public QWidget {
  Q_OBJECT

 public:
  // values (or nullptr) must outlive the viewer.
  explicit MapViewer(const MapValues* values, QWidget* parent = nullptr);
  ~MapViewer() override;

  // Shows the file at index of files (maps and .dsa profiles, absolute paths);
  // previous and next walk the list. False, with the reader's message shown,
  // when the file cannot be read.
  bool Show(const QStringList& files, int index);
  bool Previous();
  bool Next();

  QString Current() const;
  QString Message() const;  // the hovered cell, or why nothing is shown
  QWidget* Canvas() const;  // where the picture is painted
  const rendering::Picture* Picture() const { return picture_.get(); }

  // The hover text of the cell under a point of the canvas ("" off the grid).
  QString CellText(const QPointF& point) const;
  // Zooms by factor (above 1: closer) about a point of the canvas.
  void Zoom(double factor, const QPointF& about);

 private:
  class View;

  void Update();

  const MapValues* values_;
  QStringList files_;
  int index_ = -1;
  std::unique_ptr<rendering::Picture> picture_;
  View* canvas_;
  QPushButton* previous_;
  QPushButton* next_;
  QLabel* position_;
  QLabel* message_;
};

}  // namespace desktop
