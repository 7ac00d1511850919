// The desktop application's project panel: the maps, profiles, grids,
// contours, pictures and history files already in the project directory,
// grouped by the kind of map and by horizon. A click on a map or profile (or
// on a grid of a map) shows it in the viewer; a double click on any other file
// opens it with the system's application; "Open containing folder" shows the
// directory in the system's file manager.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QFileDialog;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;

namespace desktop {

// What a file of the project directory is to the panel.
struct ProjectFile {
  enum class Role { Map, Profile, Grid, Contours, Picture, History };
  Role role = Role::Map;
  QString group;  // the kind's heading: "Oil expulsion (.poN, .pot)"
  QString source;  // the map or profile the file belongs to ("沙三段.po1"); the file itself for one
  QString what;   // "horizon 1: 沙三段", "total: demo", "GeoTIFF grid", "picture (PNG)"...
  int order = 0;  // the horizon's number within its group (totals and others last)
};

// What the panel makes of a file name; nullopt for a file it does not list
// (the project's inputs, a shapefile's other parts).
std::optional<ProjectFile> ClassifyProjectFile(const QString& fileName);

// The file the viewer shows for one of the project's files: the file itself
// for a map or profile, the map of a grid beside it (MAP.tif, MAP.history.tif)
// while that map exists; empty for anything else.
QString ViewableFile(const QString& path);

// The name filters of File > Open: our maps by kind, profiles, the GeoTIFF
// grids of maps, everything.
QStringList OpenFileFilters();

// A description of the map and profile names for the file dialog's type
// column: "oil expulsion map, horizon 1", "saturation profile"; empty for
// other names.
QString FileTypeDescription(const QString& fileName);

// The dialog of File > Open: one existing file, the filters of
// OpenFileFilters(), our files' types described by FileTypeDescription
// (where a system's type database would take a map for something else).
std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* parent, const QString& directory);

class ProjectPanel final : public QWidget {
  Q_OBJECT

 public:
  explicit ProjectPanel(QWidget* parent = nullptr);

  // Lists the directory (absolute); an empty one clears the panel.
  void SetDirectory(const QString& directory);
  // Lists the directory again, keeping what was selected and expanded.
  void Refresh();
  QString Directory() const { return directory_; }

  // The files as listed, one line each: "GROUP / MAP / FILE", where MAP is
  // what the panel calls the map or profile ("horizon 1: 沙三段", "total:
  // demo") and FILE the name of the map itself or of a file beside it; a
  // history file is "History / FILE".
  QStringList Rows() const;
  QTreeWidget* Tree() const { return tree_; }

  // Acts as a click on the listed file (absolute path): shows it in the
  // viewer when it can; false when it is not listed.
  bool Click(const QString& path);
  // Acts as a double click: the viewer for what it shows, else the system's
  // application; false when it is not listed or cannot be opened.
  bool Activate(const QString& path);
  // Opens the project directory in the system's file manager.
  bool OpenContainingFolder();

  // What opens files and folders outside (QDesktopServices::openUrl unless a
  // test replaces it).
  void SetOpener(std::function<bool(const QUrl&)> opener) { opener_ = std::move(opener); }

 signals:
  // A map or profile to show in the viewer (absolute path).
  void showRequested(const QString& path);

 private:
  QTreeWidgetItem* Find(const QString& path) const;
  bool ActOn(QTreeWidgetItem* item, bool activated);
  void ShowMenu(const QPoint& at);

  QTreeWidget* tree_;
  QString directory_;
  std::function<bool(const QUrl&)> opener_;
};

}  // namespace desktop
