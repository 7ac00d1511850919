// The desktop application's viewer: the maps and profiles a run wrote, or a
// file opened from disk, painted as `strataplot render` paints them, one after
// another, a map with a scale bar. Hovering a cell tells its row, column,
// position in the grid's coordinates, class range and value (when a run of
// this session handed the values over, or the map's GeoTIFF grid MAP.tif lies
// beside it), and its position in the projected reference system MAP.tif
// declares; hovering a profile tells the sample nearest in depth. The wheel
// or + and - zoom (a profile in depth), a drag pans, 0 shows the whole again.
// The picture shown can be saved as PNG, SVG or PDF, and a map with values
// exported as the grids and contours of `--grids` and `--contours`, in the
// system MAP.tif declares.
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

#include "grids/reference.h"
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
  struct Grid {
    int rowCount = 0, columnCount = 0;
    double originX = 0, originY = 0, cellSizeX = 0, cellSizeY = 0;
    std::vector<float> cells;  // row by row; NaN outside the modelled area
    // nullopt outside the grid or the modelled area.
    std::optional<float> At(int row, int column) const;
  };

  void MapCompleted(const platform::CompletedMap& map) override;
  // The value of a cell of the map last completed under that path; nullopt
  // outside the modelled area or when no values of it are at hand.
  std::optional<float> ValueAt(const QString& path, int row, int column) const;
  // The values of the map last completed under that path, or nullptr.
  std::shared_ptr<const Grid> GridOf(const QString& path) const;
  void Forget(const QString& path);

 private:
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
  QString Message() const;   // the hovered cell or sample, or why nothing is shown
  QString Position() const;  // the hovered point's coordinates (PositionText)
  // Where the values of the map shown come from ("values from 沙三段.po1.tif"),
  // or why its grid beside it gives none; empty when there are none.
  QString ValuesSource() const;
  QWidget* Canvas() const;  // where the picture is painted
  const rendering::Picture* Picture() const { return picture_.get(); }

  // The hover text of the cell or sample under a point of the canvas ("" off
  // the plot), and of the point's position in the grid's coordinates
  // ("x 20500, y 31500"; "" off a map's plot), followed, where the map's .tif
  // lies on its grid and declares a projected system, by the position in that
  // system ("; E 20500000 m, N 31500000 m (CGCS2000 / ...)").
  QString CellText(const QPointF& point) const;
  QString PositionText(const QPointF& point) const;
  // Zooms by factor (above 1: closer; 0: the whole) about a point of the canvas.
  void Zoom(double factor, const QPointF& about);
  // The scale bar of the map shown: its length in the grid's units and where
  // it lies on the canvas; an empty rectangle for none.
  std::pair<double, QRectF> ScaleBar() const;

  // Writes the picture shown, as in view, width pixels wide: PNG, SVG or PDF
  // by the name's extension. False with the reason in error.
  bool SavePicture(const QString& path, int width, QString& error) const;
  // Writes the map shown as grids and contours beside its file (an existing
  // file of the name is replaced), in the projected system its .tif on its
  // grid declares (as `--crs` writes them) or else in the grid's own
  // coordinates: the files written, or false with the reasons (the values at
  // hand do not cover the map or disagree with it, GeoJSON without a system,
  // or a file could not be written).
  bool ExportGrids(const std::vector<std::string>& gridFormats,
                   const std::vector<std::string>& contourFormats, QStringList& written,
                   QStringList& failures) const;
  // While a run writes into the project directory, Save and Export are not
  // usable.
  void SetLocked(bool locked);

 signals:
  // What the viewer did that belongs in a log: files saved or exported, and
  // failures.
  void logged(const QString& line, const QString& path);
  void filesWritten();

 private:
  class View;

  void Update();
  // The values of the map at index_: the session's, else its .tif's; and
  // the system its .tif declares.
  void FindValues();
  std::optional<float> ValueAt(int row, int column) const;
  // Asks where, then saves; asks which formats, then exports.
  void SaveAs();
  void Export();

  const MapValues* values_;
  QStringList files_;
  int index_ = -1;
  bool locked_ = false;
  std::unique_ptr<rendering::Picture> picture_;
  std::shared_ptr<const MapValues::Grid> fileValues_;  // from the map's .tif
  // The projected system the map's .tif declares, and where the .tif's grid
  // lies in it (on the map's rows and columns); the system the grids are
  // exported in, or why they cannot be.
  struct System {
    QString name, unit;
    double originX = 0, originY = 0, cellSizeX = 0, cellSizeY = 0;
    std::optional<grids::Reference> reference;
    QString unusable;
  };
  std::optional<System> system_;
  std::string project_;  // the project the .tif beside the map names, if any
  QString valuesSource_;
  View* canvas_;
  QPushButton* previous_;
  QPushButton* next_;
  QPushButton* save_;
  QPushButton* export_;
  QLabel* position_;
  QLabel* message_;
  QLabel* coordinates_;
};

}  // namespace desktop
