#include "desktop/map_viewer.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include "platform/platform.h"
#include "rendering/pictures.h"

namespace desktop {

QString AbsolutePath(const std::string& utf8) {
  return QString::fromStdString(std::filesystem::absolute(utf8).lexically_normal().string());
}

void MapValues::MapCompleted(const platform::CompletedMap& map) {
  std::optional<std::string> name = platform::GbkToUtf8(map.fileName);
  if (!name) return;
  // Relative names are relative to the project directory, the current one.
  const QString path = AbsolutePath(*name);
  std::optional<std::vector<float>> cells =
      platform::CellsOf(map, std::numeric_limits<float>::quiet_NaN());
  std::lock_guard lock(mutex_);
  if (!cells) {
    grids_.erase(path);  // values that do not fit their grid are not shown
    return;
  }
  auto grid = std::make_shared<Grid>();
  grid->rowCount = map.rowCount;
  grid->columnCount = map.columnCount;
  grid->cells = std::move(*cells);
  grids_[path] = std::move(grid);
}

std::optional<float> MapValues::ValueAt(const QString& path, int row, int column) const {
  std::lock_guard lock(mutex_);
  auto found = grids_.find(path);
  if (found == grids_.end()) return std::nullopt;
  const Grid& grid = *found->second;
  if (row < 0 || row >= grid.rowCount || column < 0 || column >= grid.columnCount)
    return std::nullopt;
  const float value =
      grid.cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(grid.columnCount) +
                 static_cast<std::size_t>(column)];
  if (std::isnan(value)) return std::nullopt;
  return value;
}

void MapValues::Forget(const QString& path) {
  std::lock_guard lock(mutex_);
  grids_.erase(path);
}

QString CellDescription(const rendering::MapPicture& map, const rendering::Cell& cell,
                        std::optional<float> value) {
  QString text = QString("row %1, column %2: ").arg(cell.row).arg(cell.column);
  const int code = map.Map().Code(cell.row, cell.column);
  if (code <= 0 || code > map.Map().HighestCode()) return text + "outside the modelled area";
  text += QString::fromStdString(map.Map().RangeOf(code).Label() + " " + map.Map().unit);
  if (value) text += QString(", value %1").arg(static_cast<double>(*value), 0, 'g', 7);
  return text;
}

namespace {

// The view moved back inside the whole grid, as far as it fits.
QRectF Inside(QRectF view, const QRectF& whole) {
  if (view.width() >= whole.width() || view.height() >= whole.height()) return whole;
  view.moveLeft(std::clamp(view.left(), whole.left(), whole.right() - view.width()));
  view.moveTop(std::clamp(view.top(), whole.top(), whole.bottom() - view.height()));
  return view;
}

}  // namespace

// The canvas: paints the picture over its whole area and turns the pointer
// and keys into hovering, zooming and panning.
class MapViewer::View final : public QWidget {
 public:
  explicit View(MapViewer* viewer) : viewer_(viewer) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(240, 200);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }
  rendering::MapPicture* Map() const {
    return dynamic_cast<rendering::MapPicture*>(viewer_->picture_.get());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (viewer_->picture_) viewer_->picture_->Paint(painter, QRectF(rect()));
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) dragFrom_ = event->position();
  }
  void mouseReleaseEvent(QMouseEvent*) override { dragFrom_.reset(); }
  void mouseMoveEvent(QMouseEvent* event) override {
    rendering::MapPicture* map = Map();
    if (dragFrom_ && map != nullptr && (event->buttons() & Qt::LeftButton)) {
      // The grid follows the pointer.
      const QRectF plot = map->Layout(QRectF(rect())).plot;
      const QRectF view = map->View();
      const QPointF moved = event->position() - *dragFrom_;
      if (!plot.isEmpty()) {
        map->SetView(Inside(view.translated(-moved.x() / plot.width() * view.width(),
                                            moved.y() / plot.height() * view.height()),
                            map->WholeGrid()));
      }
      dragFrom_ = event->position();
      update();
    }
    viewer_->message_->setText(viewer_->CellText(event->position()));
  }
  void wheelEvent(QWheelEvent* event) override {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches != 0) viewer_->Zoom(std::pow(1.25, notches), event->position());
  }
  void keyPressEvent(QKeyEvent* event) override {
    const QPointF centre = QRectF(rect()).center();
    switch (event->key()) {
      case Qt::Key_Plus:
      case Qt::Key_Equal:
        viewer_->Zoom(1.25, centre);
        break;
      case Qt::Key_Minus:
        viewer_->Zoom(0.8, centre);
        break;
      case Qt::Key_0:
        viewer_->Zoom(0, centre);
        break;
      default:
        QWidget::keyPressEvent(event);
    }
  }

 private:
  MapViewer* viewer_;
  std::optional<QPointF> dragFrom_;
};

MapViewer::MapViewer(const MapValues* values, QWidget* parent)
    : QWidget(parent),
      values_(values),
      canvas_(new View(this)),
      previous_(new QPushButton("Pre&vious")),
      next_(new QPushButton("&Next")),
      position_(new QLabel),
      message_(new QLabel) {
  connect(previous_, &QPushButton::clicked, this, &MapViewer::Previous);
  connect(next_, &QPushButton::clicked, this, &MapViewer::Next);
  auto* bar = new QHBoxLayout;
  bar->addWidget(previous_);
  bar->addWidget(next_);
  bar->addWidget(position_, 1);
  previous_->setToolTip("The file written before this one by the same run");
  next_->setToolTip("The file written after this one by the same run");
  // Long texts (a path, a cell's description) never widen the window.
  position_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  message_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  message_->setWordWrap(true);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* layout = new QVBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(bar);
  layout->addWidget(canvas_, 1);
  layout->addWidget(message_);
  setLayout(layout);
  Update();
}

MapViewer::~MapViewer() = default;

bool MapViewer::Show(const QStringList& files, int index) {
  files_ = files;
  index_ = files.isEmpty() ? -1 : std::clamp(index, 0, static_cast<int>(files.size()) - 1);
  picture_.reset();
  bool shown = true;
  if (index_ >= 0) {
    std::string error;
    picture_ = rendering::LoadPicture(files_[index_].toStdString(), error);
    shown = picture_ != nullptr;
    message_->setText(shown ? QString() : QString::fromStdString(error));
  }
  Update();
  return shown;
}

bool MapViewer::Previous() { return index_ > 0 && Show(files_, index_ - 1); }
bool MapViewer::Next() { return index_ + 1 < files_.size() && Show(files_, index_ + 1); }

QString MapViewer::Current() const { return index_ >= 0 ? files_[index_] : QString(); }
QString MapViewer::Message() const { return message_->text(); }
QWidget* MapViewer::Canvas() const { return canvas_; }

void MapViewer::Update() {
  previous_->setEnabled(index_ > 0);
  next_->setEnabled(index_ + 1 < files_.size());
  position_->setText(index_ < 0 ? QString("No map: run a command or open a file")
                                : QString("%1 of %2: %3")
                                      .arg(index_ + 1)
                                      .arg(files_.size())
                                      .arg(QFileInfo(files_[index_]).fileName()));
  canvas_->update();
}

QString MapViewer::CellText(const QPointF& point) const {
  const rendering::MapPicture* map = canvas_->Map();
  if (map == nullptr) return {};
  const std::optional<rendering::Cell> cell = map->CellAt(QRectF(canvas_->rect()), point);
  if (!cell) return {};
  // Values of another version of the file (it was written again since) would
  // not lie in the cell's class: those are not shown.
  std::optional<float> value =
      values_ != nullptr ? values_->ValueAt(Current(), cell->row, cell->column) : std::nullopt;
  const int code = map->Map().Code(cell->row, cell->column);
  if (value && (code <= 0 || code > map->Map().HighestCode() ||
                !map->Map().RangeOf(code).Contains(*value))) {
    value.reset();
  }
  return CellDescription(*map, *cell, value);
}

void MapViewer::Zoom(double factor, const QPointF& about) {
  rendering::MapPicture* map = canvas_->Map();
  if (map == nullptr) return;
  const QRectF whole = map->WholeGrid();
  const QRectF view = map->View();
  const QRectF plot = map->Layout(QRectF(canvas_->rect())).plot;
  if (factor <= 0 || plot.isEmpty()) {
    map->SetView(whole);
  } else {
    // The grid's point under `about` stays there; no closer than two cells.
    const QPointF anchor = plot.contains(about) ? about : plot.center();
    const double x = view.left() + (anchor.x() - plot.left()) / plot.width() * view.width();
    const double y = view.bottom() - (anchor.y() - plot.top()) / plot.height() * view.height();
    const mapreader::MapGeometry& g = map->Map().geometry;
    const double closest = std::min(2 * whole.width() / std::max(g.columnCount, 1) / view.width(),
                                    2 * whole.height() / std::max(g.rowCount, 1) / view.height());
    const double scale = std::max(1 / factor, std::min(closest, 1.0));
    const QRectF zoomed(x - (x - view.left()) * scale, y - (y - view.top()) * scale,
                        view.width() * scale, view.height() * scale);
    map->SetView(Inside(zoomed, whole));
  }
  canvas_->update();
}

}  // namespace desktop
