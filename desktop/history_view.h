// The desktop application's history view: a project through its periods, as
// `strataplot history` wrote it. A horizon (or all of them) is chosen, a
// slider or Play steps through the periods, and the horizon's cumulative
// expelled oil intensity at that period is shown as a map, on one colour
// scale for all its periods, beside the project's history chart.
#pragma once

#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/history_command.h"
#include "mapreader/map_reader.h"
#include "rendering/history_data.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace rendering {
class HistoryChart;
class MapPicture;
struct FrameScale;
}  // namespace rendering

namespace desktop {

// What the view shows of a project's history.
struct HistoryFrames {
  QString project;       // UTF-8
  QStringList horizons;  // UTF-8, in the horizon file's order
  QStringList periods;   // name and age, "Ng 30.23 Ma", in the age file's order
  int periodCount = 0;
  mapreader::MapGeometry geometry;
  std::vector<std::uint8_t> mask;  // a byte per grid cell, row by row, non-zero: active
  // The cumulative expelled oil intensity of each horizon, then of the total
  // over every horizon: periods x active cells, period by period, each
  // period's cells in row order. Empty for a series that was not
  // written (no expelled oil file).
  std::vector<std::vector<float>> expelled;
  rendering::HistoryChartData chart;
};

// Keeps what the history command hands over as it writes (on the thread that
// runs it): the expelled series and the chart. Read it only once the command
// has returned.
class HistoryRecorder final : public host::HistoryObserver {
 public:
  explicit HistoryRecorder(std::string gbkProject) : gbkProject_(std::move(gbkProject)) {}

  bool Take(const history::ProjectHistory& history, const history::SeriesGrids& grids) override;
  void Said(const std::string& message) override {
    messages_.append(QString::fromStdString(message));
  }
  void Wrote(const std::string& path) override { files_.append(QString::fromStdString(path)); }
  void Finished(const history::ProjectHistory& history) override;

  // What the command said (why it failed, or a note), and the files it wrote
  // (absolute paths), once it has returned.
  const QStringList& Messages() const { return messages_; }
  const QStringList& Files() const { return files_; }
  // False when the series did not fit in memory: they are then left out, and
  // the files are written all the same.
  bool Kept() const { return kept_; }
  HistoryFrames& Frames() { return frames_; }

 private:
  void Start(const history::ProjectHistory& history);

  std::string gbkProject_;
  bool started_ = false, kept_ = true;
  QStringList messages_, files_;
  HistoryFrames frames_;
};

class HistoryView final : public QWidget {
  Q_OBJECT

 public:
  explicit HistoryView(QWidget* parent = nullptr);
  ~HistoryView() override;

  // Shows the first horizon at the last period.
  void SetFrames(HistoryFrames frames);

  QComboBox* HorizonChooser() const { return horizons_; }  // the horizons, then "all horizons"
  QSlider* Slider() const { return slider_; }              // the period, from 0
  QPushButton* PlayButton() const { return play_; }
  QString PeriodText() const;
  // The frame shown (nullptr when the chosen series was not written), the
  // chart, and where the frame is painted.
  const rendering::MapPicture* Map() const { return picture_.get(); }
  const rendering::HistoryChart* Chart() const { return chart_.get(); }
  QWidget* MapCanvas() const;

  // The value of a cell in the frame shown; nullopt outside the modelled area.
  std::optional<float> ValueAt(int row, int column) const;
  // The hover text of the cell under a point of the map canvas ("" off the grid).
  QString CellText(const QPointF& point) const;
  QString Message() const;

  // Play steps through the periods, one every interval, from the one shown
  // (the first when the last is shown) to the last, and stops there.
  void Play();
  void Pause();
  bool Playing() const;
  void SetPlayInterval(int milliseconds);

 private:
  class FrameCanvas;
  class ChartCanvas;

  void ShowFrame();
  void Step();

  HistoryFrames frames_;
  std::vector<rendering::FrameScale> scales_;  // per series, from its last period
  std::vector<int> activeIndex_;               // per grid cell: its active cell, or -1
  std::vector<float> frame_;                   // the frame shown, per active cell
  std::unique_ptr<rendering::MapPicture> picture_;
  std::unique_ptr<rendering::HistoryChart> chart_;
  std::optional<QPointF> hovered_;

  QComboBox* horizons_;
  QPushButton* play_;
  QSlider* slider_;
  QLabel* period_;
  FrameCanvas* mapCanvas_;
  ChartCanvas* chartCanvas_;
  QLabel* message_;
  QTimer* timer_;
};

}  // namespace desktop
