#include "desktop/history_view.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <new>
#include <span>

#include "desktop/map_viewer.h"
#include "platform/platform.h"
#include "rendering/history_chart.h"
#include "rendering/pictures.h"

namespace desktop {
namespace {

constexpr const char* kAllHorizons = "all horizons";
// The unit of the intensities, as the maps write it.
constexpr const char* kIntensityUnit = "(万吨/平方公里)";
constexpr int kPlayInterval = 700;  // milliseconds a period

}  // namespace

void HistoryRecorder::Start(const history::ProjectHistory& history) {
  started_ = true;
  const strataplot::BasinInputs& inputs = history.inputs;
  frames_.project = QString::fromStdString(platform::GbkForDisplay(gbkProject_));
  for (const std::string& name : inputs.horizonNames)
    frames_.horizons.append(QString::fromStdString(platform::GbkForDisplay(name)));
  frames_.periodCount = inputs.periodCount;
  for (int k = 0; k < inputs.periodCount; ++k)
    frames_.periods.append(QString::fromStdString(history::PeriodLabel(inputs, k)));
  const strataplot::SimulationGrid& grid = inputs.grid;
  frames_.geometry = {grid.originX,   grid.originY,  grid.cellSizeX,
                      grid.cellSizeY, grid.rowCount, grid.columnCount};
  frames_.mask = grid.mask;
  frames_.expelled.resize(inputs.horizonNames.size() + 1);
}

bool HistoryRecorder::Take(const history::ProjectHistory& history,
                           const history::SeriesGrids& grids) {
  if (!started_) Start(history);
  if (grids.series != history::Series::Expelled || !kept_) return true;
  const std::size_t slot = grids.horizon == history::kTotal
                               ? frames_.expelled.size() - 1
                               : static_cast<std::size_t>(grids.horizon);
  if (slot >= frames_.expelled.size()) return true;
  try {
    frames_.expelled[slot].assign(grids.values.begin(), grids.values.end());
  } catch (const std::bad_alloc&) {
    // The view goes without; the files are still written.
    kept_ = false;
    frames_.expelled.clear();
    frames_.expelled.shrink_to_fit();
  }
  return true;
}

void HistoryRecorder::Finished(const history::ProjectHistory& history) {
  if (!started_) Start(history);
  frames_.chart = host::HistoryChartOf(history, frames_.project.toStdString());
}

namespace {

// A canvas of the view: at least 320 x 240, growing with the window, white
// under what it draws.
class WhiteCanvas : public QWidget {
 public:
  WhiteCanvas() {
    setMinimumSize(320, 240);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }

 protected:
  void paintEvent(QPaintEvent*) final {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    Draw(painter, QRectF(rect()));
  }
  virtual void Draw(QPainter& painter, const QRectF& target) = 0;
};

}  // namespace

// The frame; hovering tells the cell.
class HistoryView::FrameCanvas final : public WhiteCanvas {
 public:
  explicit FrameCanvas(HistoryView* view) : view_(view) { setMouseTracking(true); }

 protected:
  void Draw(QPainter& painter, const QRectF& target) override {
    if (view_->picture_) view_->picture_->Paint(painter, target);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    view_->hovered_ = event->position();
    view_->message_->setText(view_->CellText(event->position()));
  }
  void leaveEvent(QEvent*) override { view_->hovered_.reset(); }

 private:
  HistoryView* view_;
};

// The chart, with a line at the age of the period shown.
class HistoryView::ChartCanvas final : public WhiteCanvas {
 public:
  explicit ChartCanvas(HistoryView* view) : view_(view) {}

 protected:
  void Draw(QPainter& painter, const QRectF& target) override {
    const rendering::HistoryChart* chart = view_->chart_.get();
    if (chart == nullptr) return;
    chart->Paint(painter, target);
    const auto period = static_cast<std::size_t>(view_->slider_->value());
    for (std::size_t h = 0; h < chart->Data().horizons.size(); ++h) {
      if (std::optional<QPointF> point = chart->CumulativePoint(target, h, period)) {
        const QRectF plot = chart->Layout(target).plot;
        painter.setPen(QPen(QColor(0, 0, 0, 110), 1.5, Qt::DashLine));
        painter.drawLine(QPointF(point->x(), plot.top()), QPointF(point->x(), plot.bottom()));
        break;
      }
    }
  }

 private:
  HistoryView* view_;
};

HistoryView::HistoryView(QWidget* parent)
    : QWidget(parent),
      horizons_(new QComboBox),
      play_(new QPushButton("&Play")),
      slider_(new QSlider(Qt::Horizontal)),
      period_(new QLabel),
      mapCanvas_(new FrameCanvas(this)),
      chartCanvas_(new ChartCanvas(this)),
      message_(new QLabel),
      timer_(new QTimer(this)) {
  timer_->setInterval(kPlayInterval);
  connect(timer_, &QTimer::timeout, this, &HistoryView::Step);
  connect(play_, &QPushButton::clicked, this, [this] { Playing() ? Pause() : Play(); });
  connect(horizons_, &QComboBox::currentIndexChanged, this, &HistoryView::ShowFrame);
  connect(slider_, &QSlider::valueChanged, this, &HistoryView::ShowFrame);
  slider_->setTickPosition(QSlider::TicksBelow);
  slider_->setPageStep(1);
  period_->setMinimumWidth(140);

  auto* horizonLabel = new QLabel("&Horizon:");
  horizonLabel->setBuddy(horizons_);
  auto* bar = new QHBoxLayout;
  bar->addWidget(horizonLabel);
  bar->addWidget(horizons_);
  bar->addWidget(play_);
  bar->addWidget(slider_, 1);
  bar->addWidget(period_);

  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* mapSide = new QWidget;
  auto* mapLayout = new QVBoxLayout;
  mapLayout->setContentsMargins(0, 0, 0, 0);
  mapLayout->addWidget(mapCanvas_, 1);
  mapLayout->addWidget(message_);
  mapSide->setLayout(mapLayout);
  auto* body = new QSplitter;
  body->addWidget(mapSide);
  body->addWidget(chartCanvas_);
  body->setSizes({1, 1});  // halves

  auto* layout = new QVBoxLayout;
  layout->addLayout(bar);
  layout->addWidget(body, 1);
  setLayout(layout);
  resize(1240, 560);
}

HistoryView::~HistoryView() = default;

void HistoryView::SetFrames(HistoryFrames frames) {
  Pause();
  frames_ = std::move(frames);
  setWindowTitle("History of " + frames_.project);
  chart_ = std::make_unique<rendering::HistoryChart>(frames_.chart);

  // Which active cell each grid cell is.
  const std::size_t cells = static_cast<std::size_t>(std::max(0, frames_.geometry.rowCount)) *
                            static_cast<std::size_t>(std::max(0, frames_.geometry.columnCount));
  activeIndex_.assign(cells, -1);
  int next = 0;
  for (std::size_t cell = 0; cell < cells && cell < frames_.mask.size(); ++cell)
    if (frames_.mask[cell] != 0) activeIndex_[cell] = next++;

  // One colour scale per series, from its last period.
  const auto periods = static_cast<std::size_t>(std::max(0, frames_.periodCount));
  scales_.clear();
  for (const std::vector<float>& series : frames_.expelled) {
    // Period by period: the last period's cells end the series.
    const std::size_t perPeriod = periods > 0 ? series.size() / periods : 0;
    scales_.push_back(rendering::ScaleForFrames(std::span(series).last(perPeriod)));
  }

  const QSignalBlocker blockHorizons(horizons_);
  const QSignalBlocker blockSlider(slider_);
  horizons_->clear();
  horizons_->addItems(frames_.horizons);
  horizons_->addItem(kAllHorizons);
  slider_->setRange(0, std::max(0, frames_.periodCount - 1));
  slider_->setValue(slider_->maximum());
  ShowFrame();
}

void HistoryView::ShowFrame() {
  const int horizon = horizons_->currentIndex();
  const int period = slider_->value();
  period_->setText(frames_.periods.value(period));
  picture_.reset();
  frame_.clear();
  const auto periods = static_cast<std::size_t>(std::max(0, frames_.periodCount));
  if (horizon >= 0 && static_cast<std::size_t>(horizon) < frames_.expelled.size() &&
      period < frames_.periodCount && !frames_.expelled[horizon].empty()) {
    const std::vector<float>& series = frames_.expelled[horizon];
    const std::size_t cells = series.size() / periods;
    const auto first =
        series.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(period) * cells);
    frame_.assign(first, first + static_cast<std::ptrdiff_t>(cells));
    const QString title = QString("cumulative expelled oil intensity of %1, %2")
                              .arg(horizons_->currentText(), PeriodText());
    picture_ = std::make_unique<rendering::MapPicture>(
        rendering::FrameMap(title.toStdString(), kIntensityUnit, frames_.geometry, frames_.mask,
                            frame_, scales_[horizon]));
  }
  if (picture_ == nullptr) {
    message_->setText(frames_.expelled.empty() ? "the series did not fit in memory"
                                               : "no expelled oil of this project (no .doe file)");
  } else {
    message_->setText(hovered_ ? CellText(*hovered_) : QString());
  }
  mapCanvas_->update();
  chartCanvas_->update();
}

QString HistoryView::PeriodText() const { return period_->text(); }
QWidget* HistoryView::MapCanvas() const { return mapCanvas_; }
QString HistoryView::Message() const { return message_->text(); }

std::optional<float> HistoryView::ValueAt(int row, int column) const {
  const mapreader::MapGeometry& g = frames_.geometry;
  if (row < 0 || row >= g.rowCount || column < 0 || column >= g.columnCount) return std::nullopt;
  const int index = activeIndex_[static_cast<std::size_t>(row) * g.columnCount + column];
  if (index < 0 || static_cast<std::size_t>(index) >= frame_.size()) return std::nullopt;
  const float value = frame_[static_cast<std::size_t>(index)];
  if (std::isnan(value)) return std::nullopt;
  return value;
}

QString HistoryView::CellText(const QPointF& point) const {
  if (picture_ == nullptr) return {};
  const std::optional<rendering::Cell> cell = picture_->CellAt(QRectF(mapCanvas_->rect()), point);
  if (!cell) return {};
  return CellDescription(*picture_, *cell, ValueAt(cell->row, cell->column));
}

void HistoryView::Play() {
  if (slider_->value() >= slider_->maximum()) slider_->setValue(slider_->minimum());
  if (slider_->value() >= slider_->maximum()) return;  // a single period
  timer_->start();
  play_->setText("&Pause");
}

void HistoryView::Pause() {
  timer_->stop();
  play_->setText("&Play");
}

bool HistoryView::Playing() const { return timer_->isActive(); }

void HistoryView::SetPlayInterval(int milliseconds) { timer_->setInterval(milliseconds); }

void HistoryView::Step() {
  if (slider_->value() < slider_->maximum()) slider_->setValue(slider_->value() + 1);
  if (slider_->value() >= slider_->maximum()) Pause();
}

}  // namespace desktop
