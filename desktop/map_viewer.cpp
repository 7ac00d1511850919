#include "desktop/map_viewer.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <tuple>

#include "grids/formats.h"
#include "host/grid_export.h"
#include "host/library.h"
#include "host/modules.h"
#include "platform/platform.h"
#include "rendering/painting.h"
#include "rendering/pictures.h"

namespace desktop {

namespace {

// The values of a completed map or of a grid read back, on the geometry
// they come with.
template <typename Source>
std::shared_ptr<MapValues::Grid> GridOnItsGeometry(const Source& source, std::vector<float> cells) {
  auto grid = std::make_shared<MapValues::Grid>();
  grid->rowCount = source.rowCount;
  grid->columnCount = source.columnCount;
  grid->originX = source.originX;
  grid->originY = source.originY;
  grid->cellSizeX = source.cellSizeX;
  grid->cellSizeY = source.cellSizeY;
  grid->cells = std::move(cells);
  return grid;
}

}  // namespace

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
  auto grid = GridOnItsGeometry(map, std::move(*cells));
  grids_[path] = std::move(grid);
}

std::optional<float> MapValues::Grid::At(int row, int column) const {
  if (row < 0 || row >= rowCount || column < 0 || column >= columnCount) return std::nullopt;
  const std::size_t index = static_cast<std::size_t>(row) * static_cast<std::size_t>(columnCount) +
                            static_cast<std::size_t>(column);
  if (index >= cells.size() || std::isnan(cells[index])) return std::nullopt;
  return cells[index];
}

std::optional<float> MapValues::ValueAt(const QString& path, int row, int column) const {
  std::shared_ptr<const Grid> grid = GridOf(path);
  return grid ? grid->At(row, column) : std::nullopt;
}

std::shared_ptr<const MapValues::Grid> MapValues::GridOf(const QString& path) const {
  std::lock_guard lock(mutex_);
  auto found = grids_.find(path);
  return found != grids_.end() ? found->second : nullptr;
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

// The depths first to last moved back inside the whole axis.
std::pair<double, double> InsideDepth(double first, double last, const mapreader::Axis& whole) {
  const double span = last - first;
  if (span >= whole.last - whole.first) return {whole.first, whole.last};
  first = std::clamp(first, whole.first, whole.last - span);
  return {first, first + span};
}

// The grid module, loaded once when a viewer first needs it (to read a map's
// GeoTIFF or export a map); nullptr with the reason when it cannot be loaded.
const host::MapGridTools* GridTools(std::string& error) {
  // It stays loaded until the process ends: GDAL is not unloaded under its
  // own feet while anything still holds its state.
  static const host::Library* module = nullptr;
  static host::MapGridTools tools{};
  static std::string failure;
  if (module == nullptr && failure.empty()) {
    std::unique_ptr<host::Library> loaded =
        host::LoadModule(host::kGridModule, host::kMapGridTools, failure);
    if (loaded) {
      tools = loaded->FindFunction<host::GetMapGridTools>(host::kMapGridTools)();
      module = loaded.release();
    }
  }
  if (module == nullptr) {
    error = failure;
    return nullptr;
  }
  return &tools;
}

// Whether a grid read back, its coordinates divided by scale, lies where the
// map file says the map lies. The map file holds its origin and extent with
// one decimal.
template <typename Grid>  // MapValues::Grid or grids::GridPlacement
bool SameGeometry(const Grid& grid, const mapreader::MapGeometry& map, double scale) {
  auto near = [](double a, double b) {
    return std::abs(a - b) <= 0.05 + 1e-6 * std::max(std::abs(a), std::abs(b));
  };
  return grid.rowCount == map.rowCount && grid.columnCount == map.columnCount &&
         near(grid.originX / scale, map.originX) && near(grid.originY / scale, map.originY) &&
         near(grid.cellSizeX / scale, map.cellSizeX) && near(grid.cellSizeY / scale, map.cellSizeY);
}
// A grid written in a reference system has the map's coordinates times one
// factor (kilometres in metres, say): it is taken back into the map's.
template <typename Grid>
bool SameGeometry(const Grid& grid, const mapreader::MapGeometry& map) {
  const double scale = map.cellSizeX > 0 && grid.cellSizeX > 0 ? grid.cellSizeX / map.cellSizeX : 1;
  return SameGeometry(grid, map, scale);
}

// The projected system a map's .tif on its grid declares, as `--crs` gives it
// to a run whose grid unit (km or m) scales the map's coordinates into the
// .tif's; nullopt with the reason when the system does not read or neither
// unit does.
std::optional<grids::Reference> ExportReference(const host::MapGridTools& tools,
                                                const grids::GridPlacement& placement,
                                                const mapreader::MapGeometry& map,
                                                std::string& error) {
  for (const grids::GridUnit unit : {grids::GridUnit::Kilometre, grids::GridUnit::Metre}) {
    std::optional<grids::Reference> reference = tools.parseReference(placement.wkt, unit, error);
    if (!reference) return std::nullopt;
    if (SameGeometry(placement, map, reference->scale)) return reference;
  }
  error = "its coordinates are not the map's in kilometres or metres of " + placement.system;
  return std::nullopt;
}

// The decimals that tell apart the coordinates of neighbouring pixels.
int DecimalsFor(double unitsPerPixel) {
  if (!(unitsPerPixel > 0) || !std::isfinite(unitsPerPixel)) return 0;
  return std::clamp(static_cast<int>(std::ceil(-std::log10(unitsPerPixel))), 0, 9);
}

// A unit of length as the coordinates' hover text gives it: "m" for GDAL's
// "metre", "km"; any other by its name.
QString UnitSymbol(const std::string& unit) {
  const QString name = QString::fromStdString(unit).toLower();
  if (name == "metre" || name == "meter") return "m";
  if (name == "kilometre" || name == "kilometer") return "km";
  return QString::fromStdString(unit);
}

const rendering::ProfilePicture* ProfileOf(const rendering::Picture* picture) {
  return dynamic_cast<const rendering::ProfilePicture*>(picture);
}

}  // namespace

// The canvas: paints the picture over its whole area, a map's scale bar over
// it, and turns the pointer and keys into hovering, zooming and panning.
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
  rendering::ProfilePicture* Profile() const {
    return dynamic_cast<rendering::ProfilePicture*>(viewer_->picture_.get());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (viewer_->picture_) viewer_->picture_->Paint(painter, QRectF(rect()));
    // A contour map paints its own scale bar; a map of cells gets it here.
    if (const rendering::MapPicture* map = Map(); map != nullptr && !map->HasValues()) {
      rendering::DrawScaleBar(painter, map->ScaleBar(QRectF(rect())), QString());
    }
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) dragFrom_ = event->position();
  }
  void mouseReleaseEvent(QMouseEvent*) override { dragFrom_.reset(); }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (dragFrom_ && (event->buttons() & Qt::LeftButton)) {
      Pan(event->position() - *dragFrom_);
      dragFrom_ = event->position();
      update();
    }
    viewer_->message_->setText(viewer_->CellText(event->position()));
    viewer_->coordinates_->setText(viewer_->PositionText(event->position()));
  }
  void leaveEvent(QEvent*) override { viewer_->coordinates_->clear(); }
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
  // The grid, or the profile's depths, follow the pointer.
  void Pan(const QPointF& moved) {
    if (rendering::MapPicture* map = Map()) {
      const QRectF plot = map->Layout(QRectF(rect())).plot;
      const QRectF view = map->View();
      if (!plot.isEmpty()) {
        map->SetView(Inside(view.translated(-moved.x() / plot.width() * view.width(),
                                            moved.y() / plot.height() * view.height()),
                            map->WholeGrid()));
      }
    } else if (rendering::ProfilePicture* profile = Profile()) {
      const QRectF plot = profile->PlotRect(QRectF(rect()));
      const mapreader::Axis view = profile->DepthView();
      if (plot.height() > 0) {
        const double shift = -moved.y() / plot.height() * (view.last - view.first);
        const auto [first, last] =
            InsideDepth(view.first + shift, view.last + shift, profile->WholeDepth());
        profile->SetDepthView(first, last);
      }
    }
  }

  MapViewer* viewer_;
  std::optional<QPointF> dragFrom_;
};

MapViewer::MapViewer(const MapValues* values, QWidget* parent)
    : QWidget(parent),
      values_(values),
      canvas_(new View(this)),
      previous_(new QPushButton("Pre&vious")),
      next_(new QPushButton("&Next")),
      save_(new QPushButton("Save &picture...")),
      export_(new QPushButton("E&xport grids...")),
      position_(new QLabel),
      message_(new QLabel),
      coordinates_(new QLabel) {
  connect(previous_, &QPushButton::clicked, this, &MapViewer::Previous);
  connect(next_, &QPushButton::clicked, this, &MapViewer::Next);
  save_->setToolTip("Save the map or profile as shown as a PNG, SVG or PDF file");
  export_->setToolTip(
      "Write the map's values as grids and contour lines beside it, in the formats of "
      "--grids and --contours");
  connect(save_, &QPushButton::clicked, this, &MapViewer::SaveAs);
  connect(export_, &QPushButton::clicked, this, &MapViewer::Export);
  auto* bar = new QHBoxLayout;
  bar->addWidget(previous_);
  bar->addWidget(next_);
  bar->addWidget(position_, 1);
  bar->addWidget(save_);
  bar->addWidget(export_);
  position_->setMinimumWidth(1);
  previous_->setToolTip("The file written before this one by the same run");
  next_->setToolTip("The file written after this one by the same run");
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  message_->setMinimumWidth(1);
  coordinates_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  coordinates_->setMinimumWidth(1);  // a system's long name never widens the window
  auto* status = new QHBoxLayout;
  status->addWidget(message_, 1);
  status->addWidget(coordinates_);
  auto* layout = new QVBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(bar);
  layout->addWidget(canvas_, 1);
  layout->addLayout(status);
  setLayout(layout);
  Update();
}

MapViewer::~MapViewer() = default;

bool MapViewer::Show(const QStringList& files, int index) {
  files_ = files;
  index_ = files.isEmpty() ? -1 : std::clamp(index, 0, static_cast<int>(files.size()) - 1);
  picture_.reset();
  coordinates_->clear();
  bool shown = true;
  if (index_ >= 0) {
    std::string error;
    picture_ = rendering::LoadPicture(files_[index_].toStdString(), error);
    shown = picture_ != nullptr;
    message_->setText(shown ? QString() : QString::fromStdString(error));
  }
  FindValues();
  Update();
  return shown;
}

void MapViewer::FindValues() {
  fileValues_.reset();
  system_.reset();
  project_.clear();
  valuesSource_.clear();
  rendering::MapPicture* shown = canvas_->Map();
  if (shown == nullptr) return;
  const QString path = Current();
  // The GeoTIFF grid --grids gtiff wrote beside it, and the system it was
  // written in (--crs): the same cells in that system's coordinates.
  const QString tif = path + ".tif";
  const QString name = QFileInfo(tif).fileName();
  const bool tifBeside = QFileInfo(tif).isFile();
  std::string error;
  const host::MapGridTools* tools = tifBeside ? GridTools(error) : nullptr;
  const mapreader::MapGeometry& own = shown->Map().geometry;
  if (tools != nullptr && own.cellSizeX > 0 && own.cellSizeY > 0) {
    std::string unread;
    const std::optional<grids::GridPlacement> placement =
        tools->readPlacement(tif.toStdString(), unread);
    if (placement) project_ = placement->project;
    // A geographic system has no unit of length (nor a grid in it).
    if (placement && !placement->linearUnit.empty() && SameGeometry(*placement, own)) {
      system_ = System{QString::fromStdString(placement->system),
                       UnitSymbol(placement->linearUnit),
                       placement->originX,
                       placement->originY,
                       placement->cellSizeX,
                       placement->cellSizeY,
                       std::nullopt,
                       {}};
      std::string unusable;
      system_->reference = ExportReference(*tools, *placement, own, unusable);
      system_->unusable = QString::fromStdString(unusable);
    }
  }
  if (std::shared_ptr<const MapValues::Grid> grid =
          values_ != nullptr ? values_->GridOf(path) : nullptr) {
    valuesSource_ = "values of this session's run";
    shown->SetValues(grid->cells);  // painted as a contour map when they fit
    return;
  }
  if (!tifBeside) return;
  grids::RasterGrid raster;
  if (tools == nullptr || !tools->readGrid(tif.toStdString(), raster, error)) {
    valuesSource_ = "no values: " + QString::fromStdString(error);
    return;
  }
  auto grid = GridOnItsGeometry(raster, std::move(raster.cells));
  if (!SameGeometry(*grid, shown->Map().geometry)) {
    valuesSource_ = "no values: " + name + " is not on the map's grid";
    return;
  }
  // In the map's coordinates: the .tif's taken back from its system's (more
  // digits than the map file holds), else the map file's.
  const double scale = system_ && system_->reference ? system_->reference->scale : 0;
  grid->originX = scale > 0 ? grid->originX / scale : own.originX;
  grid->originY = scale > 0 ? grid->originY / scale : own.originY;
  grid->cellSizeX = scale > 0 ? grid->cellSizeX / scale : own.cellSizeX;
  grid->cellSizeY = scale > 0 ? grid->cellSizeY / scale : own.cellSizeY;
  shown->SetValues(grid->cells);  // painted as a contour map when they fit
  fileValues_ = std::move(grid);
  valuesSource_ = "values from " + name;
}

bool MapViewer::Previous() { return index_ > 0 && Show(files_, index_ - 1); }
bool MapViewer::Next() { return index_ + 1 < files_.size() && Show(files_, index_ + 1); }

QString MapViewer::Current() const { return index_ >= 0 ? files_[index_] : QString(); }
QString MapViewer::Message() const { return message_->text(); }
QString MapViewer::Position() const { return coordinates_->text(); }
QString MapViewer::ValuesSource() const { return valuesSource_; }
QWidget* MapViewer::Canvas() const { return canvas_; }

void MapViewer::Update() {
  previous_->setEnabled(index_ > 0);
  next_->setEnabled(index_ + 1 < files_.size());
  save_->setEnabled(!locked_ && picture_ != nullptr);
  export_->setEnabled(!locked_ && canvas_->Map() != nullptr);
  QString text = index_ < 0 ? QString("No map: run a command or open a file")
                            : QString("%1 of %2: %3")
                                  .arg(index_ + 1)
                                  .arg(files_.size())
                                  .arg(QFileInfo(files_[index_]).fileName());
  if (!valuesSource_.isEmpty()) text += " (" + valuesSource_ + ")";
  position_->setText(text);
  position_->setToolTip(text);
  canvas_->update();
}

void MapViewer::SetLocked(bool locked) {
  locked_ = locked;
  Update();
}

std::optional<float> MapViewer::ValueAt(int row, int column) const {
  std::optional<float> value =
      values_ != nullptr ? values_->ValueAt(Current(), row, column) : std::nullopt;
  if (!value && fileValues_) value = fileValues_->At(row, column);
  return value;
}

QString MapViewer::CellText(const QPointF& point) const {
  if (const rendering::ProfilePicture* profile = ProfileOf(picture_.get())) {
    const std::optional<double> depth = profile->DepthAt(QRectF(canvas_->rect()), point);
    const std::optional<mapreader::SaturationSample> sample =
        depth ? profile->NearestSample(*depth) : std::nullopt;
    if (!sample) return {};
    return QString("depth %1 m: Sa %2 %").arg(sample->depth).arg(sample->saturation, 0, 'f', 2);
  }
  const rendering::MapPicture* map = canvas_->Map();
  if (map == nullptr) return {};
  const std::optional<rendering::Cell> cell = map->CellAt(QRectF(canvas_->rect()), point);
  if (!cell) return {};
  // Values of another version of the file (it was written again since) would
  // not lie in the cell's class: those are not shown.
  std::optional<float> value = ValueAt(cell->row, cell->column);
  const int code = map->Map().Code(cell->row, cell->column);
  if (value && (code <= 0 || code > map->Map().HighestCode() ||
                !map->Map().RangeOf(code).Contains(*value))) {
    value.reset();
  }
  return CellDescription(*map, *cell, value);
}

QString MapViewer::PositionText(const QPointF& point) const {
  const rendering::MapPicture* map = canvas_->Map();
  if (map == nullptr) return {};
  const QRectF plot = map->Layout(QRectF(canvas_->rect())).plot;
  if (plot.isEmpty() || !plot.contains(point)) return {};
  const QRectF view = map->View();
  const double x = view.left() + (point.x() - plot.left()) / plot.width() * view.width();
  const double y = view.bottom() - (point.y() - plot.top()) / plot.height() * view.height();
  const int decimals = DecimalsFor(view.width() / plot.width());
  QString text = QString("x %1, y %2").arg(x, 0, 'f', decimals).arg(y, 0, 'f', decimals);
  if (!system_) return text;
  // The .tif's cells are the map's: the point lies at the same fraction of
  // its cell in both.
  const mapreader::MapGeometry& g = map->Map().geometry;
  const double scaleX = system_->cellSizeX / g.cellSizeX;
  const double scaleY = system_->cellSizeY / g.cellSizeY;
  const double east = system_->originX + (x - g.originX) * scaleX;
  const double north = system_->originY - (g.originY - y) * scaleY;
  const int systemDecimals = DecimalsFor(view.width() / plot.width() * scaleX);
  return text + QString("; E %1 %3, N %2 %3 (%4)")
                    .arg(east, 0, 'f', systemDecimals)
                    .arg(north, 0, 'f', systemDecimals)
                    .arg(system_->unit, system_->name);
}

void MapViewer::Zoom(double factor, const QPointF& about) {
  if (rendering::ProfilePicture* profile = canvas_->Profile()) {
    const mapreader::Axis whole = profile->WholeDepth();
    const mapreader::Axis view = profile->DepthView();
    const QRectF plot = profile->PlotRect(QRectF(canvas_->rect()));
    if (factor <= 0 || plot.height() <= 0) {
      profile->SetDepthView(whole.first, whole.last);
    } else {
      // The depth under `about` stays there; no closer than a metre in view.
      const double anchor =
          profile->DepthAt(QRectF(canvas_->rect()), about)
              .value_or(profile->DepthAt(QRectF(canvas_->rect()), plot.center()).value_or(0));
      const double span = view.last - view.first;
      const double scale = std::max(1 / factor, std::min(1.0 / span, 1.0));
      const auto [first, last] = InsideDepth(anchor - (anchor - view.first) * scale,
                                             anchor + (view.last - anchor) * scale, whole);
      profile->SetDepthView(first, last);
    }
    canvas_->update();
    return;
  }
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

std::pair<double, QRectF> MapViewer::ScaleBar() const {
  const rendering::MapPicture* map = canvas_->Map();
  if (map == nullptr) return {0, QRectF()};
  const rendering::ScaleBarPlace place = map->ScaleBar(QRectF(canvas_->rect()));
  return {place.length, place.bar};
}

bool MapViewer::SavePicture(const QString& path, int width, QString& error) const {
  if (!picture_) {
    error = "no map or profile is shown";
    return false;
  }
  std::string reason;
  if (!rendering::RenderToFile(*picture_, path.toStdString(), width, reason)) {
    error = QString::fromStdString(reason);
    return false;
  }
  return true;
}

bool MapViewer::ExportGrids(const std::vector<std::string>& gridNames,
                            const std::vector<std::string>& contourNames, QStringList& written,
                            QStringList& failures) const {
  written.clear();
  failures.clear();
  const rendering::MapPicture* picture = canvas_->Map();
  const QString path = Current();
  const QString name = QFileInfo(path).fileName();
  if (picture == nullptr) {
    failures << "no map is shown";
    return false;
  }
  auto chosenOf = [&](const std::vector<std::string>& names,
                      const std::vector<grids::Format>& known) {
    std::vector<grids::Format> chosen;
    for (const grids::Format& format : known) {
      if (std::find(names.begin(), names.end(), format.name) != names.end())
        chosen.push_back(format);
    }
    return chosen;
  };
  const std::vector<grids::Format> gridFormats = chosenOf(gridNames, grids::GridFormats());
  const std::vector<grids::Format> contourFormats = chosenOf(contourNames, grids::ContourFormats());

  // In the system the map's .tif declares, as the run that wrote it with
  // --crs; else in the grid's own coordinates.
  grids::ExportContext context;
  if (system_ && !system_->reference) {
    failures << name + ".tif declares " + system_->name +
                    ", which the grids cannot be written in: " + system_->unusable;
    return false;
  }
  if (system_) context.reference = *system_->reference;
  context.project = project_;
  const bool geoJson = std::any_of(
      contourFormats.begin(), contourFormats.end(),
      [](const grids::Format& format) { return std::string(format.name) == "geojson"; });
  if (geoJson && !context.reference.Declared()) {
    failures << "GeoJSON holds WGS 84 longitude and latitude, transformed from the map's "
                "projected reference system, and " +
                    name + " has none: " + name +
                    ".tif beside it, on the map's grid, declares one when a run wrote it with "
                    "--grids gtiff and --crs (or the project's NAME.prj)";
    return false;
  }

  // The values at hand, over the map's modelled area, each in its cell's class.
  std::shared_ptr<const MapValues::Grid> grid =
      values_ != nullptr ? values_->GridOf(path) : nullptr;
  if (!grid) grid = fileValues_;
  const mapreader::IntensityMap& map = picture->Map();
  if (!grid) {
    failures << "no values of " + name + " at hand: they come from a run of this session or from " +
                    name + ".tif beside it";
    return false;
  }
  std::vector<std::uint8_t> mask(map.codes.size());
  std::vector<float> values;
  for (int row = 0; row < map.geometry.rowCount; ++row) {
    for (int column = 0; column < map.geometry.columnCount; ++column) {
      const int code = map.Code(row, column);
      if (code <= 0) continue;
      const std::optional<float> value = grid->At(row, column);
      if (!value || code > map.HighestCode() || !map.RangeOf(code).Contains(*value)) {
        failures << QString(
                        "the values at hand do not agree with %1 at row %2, column %3 (was "
                        "it written again since?)")
                        .arg(name)
                        .arg(row)
                        .arg(column);
        return false;
      }
      mask[static_cast<std::size_t>(row) * static_cast<std::size_t>(map.geometry.columnCount) +
           static_cast<std::size_t>(column)] = 1;
      values.push_back(*value);
    }
  }
  // The grids hold the geometry in 32-bit reals.
  for (double coordinate : {grid->originX, grid->originY, grid->cellSizeX, grid->cellSizeY}) {
    if (!(std::abs(coordinate) <= std::numeric_limits<float>::max())) {
      failures << "the grid of " + name + " lies beyond what a grid file's coordinates hold";
      return false;
    }
  }
  std::string error;
  const host::MapGridTools* tools = GridTools(error);
  if (tools == nullptr) {
    failures << QString::fromStdString(error);
    return false;
  }
  const std::string title = platform::Utf8ToGbk(map.title).value_or("");
  const std::string unit = platform::Utf8ToGbk(map.unit).value_or("");
  const std::string fileName = path.toStdString();
  platform::CompletedMap completed;
  completed.fileName = fileName;
  completed.title = title;
  completed.unit = unit;
  completed.interval = static_cast<int>(
      std::clamp<std::uint32_t>(map.interval.value_or(1), 1, std::numeric_limits<int>::max()));
  completed.originX = static_cast<float>(grid->originX);
  completed.originY = static_cast<float>(grid->originY);
  completed.cellSizeX = static_cast<float>(grid->cellSizeX);
  completed.cellSizeY = static_cast<float>(grid->cellSizeY);
  completed.rowCount = map.geometry.rowCount;
  completed.columnCount = map.geometry.columnCount;
  completed.mask = mask;
  completed.values = values;
  for (const std::string& failure :
       tools->exportMap(completed, fileName, gridFormats, contourFormats, context))
    failures << QString::fromStdString(failure);
  for (const auto* formats : {&gridFormats, &contourFormats}) {
    for (const grids::Format& format : *formats) {
      const QString file = path + format.extension;
      if (QFileInfo(file).isFile() && !failures.join('\n').contains(file)) written << file;
    }
  }
  return failures.isEmpty();
}

void MapViewer::SaveAs() {
  if (!picture_) return;
  QFileDialog dialog(this, "Save the picture shown", Current() + ".png");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  const QStringList filters = {"PNG picture (*.png)", "SVG picture (*.svg)",
                               "PDF document (*.pdf)"};
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix("png");
  connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
    dialog.setDefaultSuffix(filter.section("*.", 1).chopped(1));
  });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().constFirst();
  QString error;
  // As wide as render's pictures, or as the canvas when it is wider.
  if (SavePicture(path, std::max(1200, canvas_->width()), error)) {
    emit logged("saved: " + path, {});
    emit filesWritten();
  } else {
    emit logged("not saved: " + error, {});
    QMessageBox::warning(this, "Save the picture shown", error);
  }
}

void MapViewer::Export() {
  if (canvas_->Map() == nullptr) return;
  QDialog dialog(this);
  dialog.setWindowTitle("Export grids and contours");
  auto* layout = new QVBoxLayout(&dialog);
  const QString name = QFileInfo(Current()).fileName();
  auto* where =
      new QLabel("Written beside " + name + ", " +
                 (system_ ? "in " + system_->name + " as " + name + ".tif declares it:"
                          : QString("in the grid's own coordinates (no reference system):")));
  where->setWordWrap(true);
  layout->addWidget(where);
  std::vector<std::pair<QCheckBox*, std::string>> gridBoxes, contourBoxes;
  for (const auto& [formats, boxes, checked] :
       {std::tuple(&grids::GridFormats(), &gridBoxes, "gtiff"),
        std::tuple(&grids::ContourFormats(), &contourBoxes, "gpkg")}) {
    for (const grids::Format& format : *formats) {
      auto* box = new QCheckBox(QString("%1 (%2)").arg(format.name, format.extension));
      box->setChecked(std::string(format.name) == checked);
      layout->addWidget(box);
      boxes->emplace_back(box, format.name);
    }
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return;
  std::vector<std::string> gridNames, contourNames;
  QStringList existing;
  for (const auto& [boxes, names, formats] :
       {std::tuple(&gridBoxes, &gridNames, &grids::GridFormats()),
        std::tuple(&contourBoxes, &contourNames, &grids::ContourFormats())}) {
    for (std::size_t i = 0; i < boxes->size(); ++i) {
      if (!(*boxes)[i].first->isChecked()) continue;
      names->push_back((*boxes)[i].second);
      const QString file = Current() + (*formats)[i].extension;
      if (QFileInfo::exists(file)) existing << QFileInfo(file).fileName();
    }
  }
  if (gridNames.empty() && contourNames.empty()) return;
  if (!existing.isEmpty() && QMessageBox::question(this, "Export grids and contours",
                                                   "Replace these files?\n" + existing.join('\n'),
                                                   QMessageBox::Yes | QMessageBox::No,
                                                   QMessageBox::No) != QMessageBox::Yes) {
    return;
  }
  QStringList written, failures;
  const bool done = ExportGrids(gridNames, contourNames, written, failures);
  for (const QString& file : written) emit logged("written: " + file, {});
  for (const QString& failure : failures) emit logged("not exported: " + failure, {});
  if (!written.isEmpty()) emit filesWritten();
  if (!done) QMessageBox::warning(this, "Export grids and contours", failures.join('\n'));
}

}  // namespace desktop
