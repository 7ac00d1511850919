#include "desktop/project_panel.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <utility>

namespace desktop {
namespace {

// The kinds of map by the two letters of their extension (HORIZON.poN,
// PROJECT.pot), in the order the panel lists them.
struct MapKind {
  const char* code;
  const char* group;
  const char* description;  // of a map of the kind, for the file dialog
};
constexpr MapKind kMapKinds[] = {
    {"po", "Oil expulsion", "oil expulsion map"},
    {"pp", "Deep-layer oil expulsion", "deep-layer oil expulsion map"},
    {"uo", "Unexpelled oil", "unexpelled oil map"},
    {"so", "Oil generation", "oil generation map"},
    {"sg", "Gas generation", "gas generation map"},
    {"pg", "Gas expulsion", "gas expulsion map"},
    {"fg", "Free-phase gas expulsion", "free-phase gas expulsion map"},
    {"wg", "Water-dissolved gas expulsion", "water-dissolved gas expulsion map"},
    {"og", "Oil-dissolved gas expulsion", "oil-dissolved gas expulsion map"},
    {"kg", "Diffusion gas expulsion", "diffusion gas expulsion map"},
    {"ug", "Unexpelled gas", "unexpelled gas map"},
    {"eg", "Deep-layer gas generation", "deep-layer gas generation map"},
    {"ag", "Deep-layer gas expulsion", "deep-layer gas expulsion map"},
};
constexpr int kKindCount = static_cast<int>(std::size(kMapKinds));
constexpr int kLast = 1 << 30;  // the order of totals and of files of no horizon

const char* const kProfiles = "Saturation profiles (.dsa)";
const char* const kHistory = "History";

QString GroupOf(const MapKind& kind) {
  return QString("%1 (.%2N, .%2t)").arg(kind.group, kind.code);
}

struct MapName {
  int kind = 0;
  QString base;    // the horizon or the project
  int number = 0;  // the horizon's number; 0 for a total
};

std::optional<MapName> ParseMapName(const QString& name) {
  static const QRegularExpression pattern("^(.+)\\.([a-z]{2})(t|[1-9][0-9]{0,8})$");
  const QRegularExpressionMatch match = pattern.match(name);
  if (!match.hasMatch()) return std::nullopt;
  for (int kind = 0; kind < kKindCount; ++kind) {
    if (match.captured(2) == kMapKinds[kind].code) {
      const bool total = match.captured(3) == "t";
      return MapName{kind, match.captured(1), total ? 0 : match.captured(3).toInt()};
    }
  }
  return std::nullopt;
}

// A map or a profile by its own name.
std::optional<ProjectFile> SourceFile(const QString& name) {
  if (std::optional<MapName> map = ParseMapName(name)) {
    return ProjectFile{ProjectFile::Role::Map, GroupOf(kMapKinds[map->kind]), name,
                       map->number > 0 ? QString("horizon %1: %2").arg(map->number).arg(map->base)
                                       : "total: " + map->base,
                       map->number > 0 ? map->number : kLast};
  }
  if (name.size() > 4 && name.endsWith(".dsa")) {
    return ProjectFile{ProjectFile::Role::Profile, kProfiles, name, name.chopped(4), 0};
  }
  return std::nullopt;
}

// What is written beside a map or profile, named after it with an extension
// added (the grids and contours of --grids and --contours, pictures, the
// history's time series).
struct Derived {
  const char* extension;
  ProjectFile::Role role;
  const char* what;
};
constexpr Derived kDerived[] = {
    {".history.tif", ProjectFile::Role::Grid, "time series (GeoTIFF)"},
    {".tif", ProjectFile::Role::Grid, "grid (GeoTIFF)"},
    {".asc", ProjectFile::Role::Grid, "grid (Arc/Info ASCII)"},
    {".zmap", ProjectFile::Role::Grid, "grid (ZMap Plus)"},
    {".grd", ProjectFile::Role::Grid, "grid (Surfer 7)"},
    {".xyz", ProjectFile::Role::Grid, "grid (XYZ)"},
    {".gpkg", ProjectFile::Role::Contours, "contours (GeoPackage)"},
    {".geojson", ProjectFile::Role::Contours, "contours (GeoJSON)"},
    {".shp", ProjectFile::Role::Contours, "contours (shapefile)"},
    {".png", ProjectFile::Role::Picture, "picture (PNG)"},
    {".svg", ProjectFile::Role::Picture, "picture (SVG)"},
    {".pdf", ProjectFile::Role::Picture, "picture (PDF)"},
};

constexpr const char* kHistoryFiles[][2] = {{"csv", "table (CSV)"},
                                            {"nc", "cube (NetCDF)"},
                                            {"png", "chart (PNG)"},
                                            {"svg", "chart (SVG)"},
                                            {"pdf", "chart (PDF)"}};

}  // namespace

std::optional<ProjectFile> ClassifyProjectFile(const QString& name) {
  if (std::optional<ProjectFile> source = SourceFile(name)) return source;
  // A frame of the history: MAP.P3.png.
  static const QRegularExpression frame("^(.+)\\.P([1-9][0-9]{0,8})\\.png$");
  if (const QRegularExpressionMatch match = frame.match(name); match.hasMatch()) {
    if (std::optional<ProjectFile> source = SourceFile(match.captured(1));
        source && source->role == ProjectFile::Role::Map) {
      const int period = match.captured(2).toInt();
      return ProjectFile{ProjectFile::Role::Picture, source->group, source->source,
                         QString("frame of period %1 (PNG)").arg(period), period};
    }
  }
  for (const Derived& derived : kDerived) {
    if (!name.endsWith(derived.extension)) continue;
    const QString sourceName = name.chopped(static_cast<int>(qstrlen(derived.extension)));
    std::optional<ProjectFile> source = SourceFile(sourceName);
    if (!source) continue;
    // Pictures only of profiles: the grids are the maps'.
    if (source->role == ProjectFile::Role::Profile && derived.role != ProjectFile::Role::Picture)
      continue;
    return ProjectFile{derived.role, source->group, source->source, derived.what, 0};
  }
  for (const auto& [extension, what] : kHistoryFiles) {
    const QString suffix = QString(".history.") + extension;
    if (name.size() > suffix.size() && name.endsWith(suffix)) {
      return ProjectFile{ProjectFile::Role::History, kHistory, QString(),
                         QString("%1: %2").arg(name.chopped(static_cast<int>(suffix.size())), what),
                         0};
    }
  }
  return std::nullopt;
}

QString ViewableFile(const QString& path) {
  const QFileInfo info(path);
  std::optional<ProjectFile> file = ClassifyProjectFile(info.fileName());
  if (!file) return {};
  if (file->role == ProjectFile::Role::Map || file->role == ProjectFile::Role::Profile) return path;
  if (file->role != ProjectFile::Role::Grid) return {};
  const QString map = info.dir().filePath(file->source);
  return QFileInfo(map).isFile() ? map : QString();
}

QStringList OpenFileFilters() {
  // Horizons numbered up to 999: a wildcard cannot say "digits only".
  auto patterns = [](const char* code) {
    return QString("*.%1[1-9] *.%1[1-9][0-9] *.%1[1-9][0-9][0-9] *.%1t").arg(code);
  };
  QStringList all, oil, gas;
  for (int kind = 0; kind < kKindCount; ++kind) {
    (kind < 4 ? oil : gas).append(patterns(kMapKinds[kind].code));
  }
  all << oil << gas << "*.dsa"
      << "*.tif";
  QStringList filters;
  filters << QString("Maps, profiles and grids of maps (%1)").arg(all.join(' '));
  for (int kind = 0; kind < 4; ++kind) {
    filters << QString("%1 maps (%2)").arg(kMapKinds[kind].group, patterns(kMapKinds[kind].code));
  }
  filters << QString("Gas maps (%1)").arg(gas.join(' ')) << "Saturation profiles (*.dsa)"
          << "GeoTIFF grids of maps (*.tif)"
          << "All files (*)";
  return filters;
}

QString FileTypeDescription(const QString& name) {
  if (std::optional<MapName> map = ParseMapName(name)) {
    const QString kind = kMapKinds[map->kind].description;
    return map->number > 0 ? QString("%1, horizon %2").arg(kind).arg(map->number)
                           : kind + ", total";
  }
  std::optional<ProjectFile> file = ClassifyProjectFile(name);
  if (!file) return {};
  switch (file->role) {
    case ProjectFile::Role::Profile:
      return "saturation profile";
    case ProjectFile::Role::History:
      return "history " + file->what.section(": ", 1);
    default:
      return file->what + " of " + file->source;
  }
}

namespace {

class FileTypes final : public QFileIconProvider {
 public:
  QString type(const QFileInfo& info) const override {
    if (info.isFile()) {
      const QString ours = FileTypeDescription(info.fileName());
      if (!ours.isEmpty()) return ours;
    }
    return QFileIconProvider::type(info);
  }
};

}  // namespace

std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* parent, const QString& directory) {
  static FileTypes types;  // the dialog does not own it
  auto dialog = std::make_unique<QFileDialog>(parent, "Open a map, profile or grid", directory);
  // Qt's own dialog: it asks the provider for the types it shows.
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setOption(QFileDialog::HideNameFilterDetails);
  dialog->setIconProvider(&types);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setNameFilters(OpenFileFilters());
  return dialog;
}

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFileRole = Qt::UserRole + 1;  // the ProjectFile::Role of a listed file

}  // namespace

ProjectPanel::ProjectPanel(QWidget* parent)
    : QWidget(parent), tree_(new QTreeWidget), opener_(&QDesktopServices::openUrl) {
  tree_->setObjectName("projectFiles");
  tree_->setColumnCount(2);
  tree_->setHeaderLabels({"Map or file", "File"});
  tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  tree_->setToolTip(
      "The maps, profiles, grids and pictures in the project directory.\n"
      "Click a map or profile to show it; double-click another file to open it.");
  connect(tree_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { ActOn(item, false); });
  connect(tree_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { ActOn(item, true); });
  connect(tree_, &QTreeWidget::customContextMenuRequested, this, &ProjectPanel::ShowMenu);

  auto* refresh = new QPushButton("Re&fresh");
  refresh->setToolTip("List the project directory again");
  connect(refresh, &QPushButton::clicked, this, &ProjectPanel::Refresh);
  auto* folder = new QPushButton("Open containing &folder");
  folder->setObjectName("openFolder");
  folder->setToolTip("Show the project directory in the file manager");
  connect(folder, &QPushButton::clicked, this, &ProjectPanel::OpenContainingFolder);
  auto* buttons = new QHBoxLayout;
  auto* title = new QLabel("Files of the project directory");
  title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);  // never widens the window
  buttons->addWidget(title, 1);
  buttons->addWidget(refresh);
  buttons->addWidget(folder);
  auto* layout = new QVBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(buttons);
  layout->addWidget(tree_, 1);
  setLayout(layout);
}

void ProjectPanel::SetDirectory(const QString& directory) {
  if (directory != directory_) tree_->clear();
  directory_ = directory;
  Refresh();
}

void ProjectPanel::Refresh() {
  // What was expanded and selected stays so.
  // A group that appears opens, to show what the last run wrote.
  QSet<QString> expanded, listed;
  for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
    if ((*it)->isExpanded()) expanded.insert((*it)->text(0) + '\n' + (*it)->text(1));
    if ((*it)->parent() == nullptr) listed.insert((*it)->text(0));
  }
  QString selected;
  if (QTreeWidgetItem* item = tree_->currentItem()) selected = item->data(0, kPathRole).toString();
  tree_->clear();
  if (directory_.isEmpty()) return;

  // group -> source -> files of it
  struct Source {
    int order = kLast;
    QString what;
    bool exists = false;
    std::vector<std::pair<ProjectFile, QString>> files;  // beside the source
  };
  std::map<QString, std::map<QString, Source>> groups;
  const QDir dir(directory_);
  for (const QFileInfo& info : dir.entryInfoList(QDir::Files, QDir::Name)) {
    std::optional<ProjectFile> file = ClassifyProjectFile(info.fileName());
    if (!file) continue;
    const bool own =
        file->role == ProjectFile::Role::Map || file->role == ProjectFile::Role::Profile;
    const QString key = file->role == ProjectFile::Role::History ? info.fileName() : file->source;
    Source& source = groups[file->group][key];
    if (own || file->role == ProjectFile::Role::History) {
      source.exists = true;
      source.order = file->order;
      source.what = file->what;
    } else {
      if (!source.exists && source.what.isEmpty()) {
        // The map is not (or not yet) there: its name tells the horizon.
        std::optional<ProjectFile> map = ClassifyProjectFile(file->source);
        if (map) {
          source.order = map->order;
          source.what = map->what;
        }
      }
      source.files.emplace_back(*file, info.absoluteFilePath());
    }
  }

  std::vector<QString> order;
  for (const MapKind& kind : kMapKinds) order.push_back(GroupOf(kind));
  order.push_back(kProfiles);
  order.push_back(kHistory);
  QTreeWidgetItem* current = nullptr;
  for (const QString& group : order) {
    auto found = groups.find(group);
    if (found == groups.end()) continue;
    auto* groupItem = new QTreeWidgetItem(tree_, {group});
    std::vector<std::pair<QString, const Source*>> sources;
    for (const auto& [name, source] : found->second) sources.emplace_back(name, &source);
    std::stable_sort(sources.begin(), sources.end(), [](const auto& a, const auto& b) {
      return a.second->order < b.second->order;
    });
    for (const auto& [name, source] : sources) {
      auto* sourceItem = new QTreeWidgetItem(groupItem, {source->what, name});
      if (source->exists) {
        const QString path = dir.absoluteFilePath(name);
        sourceItem->setData(0, kPathRole, path);
        sourceItem->setToolTip(0, path);
        if (path == selected) current = sourceItem;
      } else {
        sourceItem->setText(1, name + " (not in the directory)");
        sourceItem->setForeground(1, palette().brush(QPalette::Disabled, QPalette::Text));
      }
      std::vector<std::pair<ProjectFile, QString>> files = source->files;
      std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return std::pair(static_cast<int>(a.first.role), a.first.order) <
               std::pair(static_cast<int>(b.first.role), b.first.order);
      });
      for (const auto& [file, path] : files) {
        auto* item = new QTreeWidgetItem(sourceItem, {file.what, QFileInfo(path).fileName()});
        item->setData(0, kPathRole, path);
        item->setData(0, kFileRole, static_cast<int>(file.role));
        item->setToolTip(0, path);
        if (path == selected) current = item;
      }
      sourceItem->setExpanded(expanded.contains(sourceItem->text(0) + '\n' + sourceItem->text(1)));
    }
    groupItem->setExpanded(!listed.contains(group) || expanded.contains(group + '\n'));
  }
  if (current != nullptr) tree_->setCurrentItem(current);
}

QStringList ProjectPanel::Rows() const {
  QStringList rows;
  for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
    const QTreeWidgetItem* item = *it;
    if (item->data(0, kPathRole).toString().isEmpty()) continue;
    QStringList parts;
    for (const QTreeWidgetItem* up = item->parent(); up != nullptr; up = up->parent())
      parts.prepend(up->text(0));
    parts << (item->parent() != nullptr && item->parent()->parent() == nullptr &&
                      item->parent()->text(0) != kHistory
                  ? item->text(0)
                  : QString())
          << QFileInfo(item->data(0, kPathRole).toString()).fileName();
    parts.removeAll(QString());
    rows << parts.join(" / ");
  }
  return rows;
}

QTreeWidgetItem* ProjectPanel::Find(const QString& path) const {
  for (QTreeWidgetItemIterator it(tree_); *it != nullptr; ++it) {
    if ((*it)->data(0, kPathRole).toString() == path) return *it;
  }
  return nullptr;
}

bool ProjectPanel::Click(const QString& path) {
  QTreeWidgetItem* item = Find(path);
  return item != nullptr && ActOn(item, false);
}

bool ProjectPanel::Activate(const QString& path) {
  QTreeWidgetItem* item = Find(path);
  return item != nullptr && ActOn(item, true);
}

bool ProjectPanel::ActOn(QTreeWidgetItem* item, bool activated) {
  const QString path = item->data(0, kPathRole).toString();
  if (path.isEmpty()) return false;
  const QString shown = ViewableFile(path);
  if (!shown.isEmpty()) {
    emit showRequested(shown);
    return true;
  }
  return activated && opener_(QUrl::fromLocalFile(path));
}

bool ProjectPanel::OpenContainingFolder() {
  return !directory_.isEmpty() && opener_(QUrl::fromLocalFile(directory_));
}

void ProjectPanel::ShowMenu(const QPoint& at) {
  QTreeWidgetItem* item = tree_->itemAt(at);
  const QString path = item != nullptr ? item->data(0, kPathRole).toString() : QString();
  QMenu menu(this);
  if (!path.isEmpty()) {
    const QString shown = ViewableFile(path);
    if (!shown.isEmpty()) {
      menu.addAction("&Show in the viewer", this, [this, shown] { emit showRequested(shown); });
    }
    menu.addAction("Open with the &system's application", this,
                   [this, path] { opener_(QUrl::fromLocalFile(path)); });
  }
  menu.addAction("Open containing &folder", this, &ProjectPanel::OpenContainingFolder);
  menu.exec(tree_->viewport()->mapToGlobal(at));
}

}  // namespace desktop
