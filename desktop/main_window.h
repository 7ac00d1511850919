// The desktop application's main window: the project directory and its
// projects, the build of the library, the five commands and the history, a
// log of every message shown and every file written, the viewer of the maps
// and the history view.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/map_viewer.h"
#include "desktop/project_panel.h"
#include "host/export_runner.h"
#include "platform/written_files.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QAction;
class QMenu;
class QPushButton;
class QSettings;
class QSplitter;
class QTextBrowser;

namespace host {
class WindowedRun;
}
namespace qtui {
class ExportThread;
}

namespace desktop {

class HistoryRecorder;
class HistoryView;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // With settings (the application's, or a test's file), the window takes
  // the build, the saturation mode, its geometry and the splitters' sizes
  // from them, and keeps them there with the project directory when it
  // closes, the recent projects as they change. Without, it remembers
  // nothing.
  explicit MainWindow(QSettings* settings = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The project directory of the last session, or empty when there was none
  // or it no longer exists.
  QString LastDirectory() const;

  // Lists the projects of the directory (one per *.iga file).
  void OpenDirectory(const QString& directory);
  // Runs the command on the chosen project with the chosen build; false, with
  // the reason in the log, when it cannot start. The saturation profile takes
  // the mode chosen in the window.
  bool Start(host::Command command);
  // Writes the chosen project's history (`strataplot history`) into its
  // directory on a worker thread, then shows it in the history view; false,
  // with the reason in the log, when it cannot start.
  bool StartHistory();
  bool Running() const;
  // Stops the running command or history (the Stop button and Run > Stop):
  // an open dialog or message box closes, and the command ends at its next
  // read, step or dialog; the map being written is not kept, those written
  // before are. The log then says "cancelled". False when nothing runs.
  bool Stop();

  QStringList Projects() const;
  QStringList LogLines() const;
  // The files written by the commands so far, with absolute paths, in order.
  QStringList WrittenFiles() const { return written_; }

  // Shows a map or profile in the viewer (for a grid of a map, MAP.tif, the
  // map): among the files of the run that wrote it last, else alone. False
  // when it cannot be read (the reason is in the log), or during a run (the
  // viewer then shows the run's files).
  bool OpenFile(const QString& path);

  // A project of File > Recent projects: its directory and name.
  struct RecentProject {
    QString directory;
    QString project;
    bool operator==(const RecentProject&) const = default;
  };
  // The projects run successfully or opened, most recent first (at most
  // kRecentCount), whose directory still exists: what the menu lists.
  std::vector<RecentProject> RecentProjects() const;
  static constexpr int kRecentCount = 8;
  // Opens the project's directory and chooses the project; false (the
  // reason in the log) when either is gone.
  bool OpenRecent(const RecentProject& recent);
  MapViewer* Viewer() const { return viewer_; }
  // The files already in the project directory, listed again after each run.
  ProjectPanel* Panel() const { return panel_; }
  // The history view, once a history was written (a window of its own).
  HistoryView* History() const { return history_; }
  // What the line beside the saturation mode says of the horizon that mode 3
  // takes in the chosen build: the one chosen last in mode 2 while the build
  // stayed loaded (never saved: the build forgets it when unloaded).
  QString Mode3Horizon() const;

 signals:
  // A map or profile a command created and closed (absolute path).
  void fileWritten(const QString& path);
  // The command returned (1, 0 or -1).
  void commandFinished(int result);
  // The history returned its exit status (0 written, 1 or 2 failed).
  void historyFinished(int status);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class FileLog;  // hears of written files on the export's thread

  // Appends a line to the log (wrapped to its width); a failure's is
  // highlighted.
  QListWidgetItem* Log(const QString& line, const QString& path = {});
  QListWidgetItem* LogFailure(const QString& line);
  // Help > About and Help > Manual.
  void ShowAbout();
  void ShowManual();
  // The chosen project (GBK), its directory made the current one and what
  // runs that did not finish left there removed; nullopt with the reason.
  std::optional<std::string> EnterProject(std::string& error);
  void ChooseDirectory();
  void ChooseFile();
  void Finished(int result);
  void HistoryFinished(int status);
  void UpdateButtons();
  void ShowMode3Horizon();
  // Puts the chosen project of the listed directory first in the recent ones.
  void RememberProject();
  void UpdateRecentMenu();
  void SaveSettings();
  void SyncSettings();  // says so when they cannot be written

  QLineEdit* directory_;
  QComboBox* projects_;
  QComboBox* builds_;
  QComboBox* modes_;
  std::vector<QWidget*> form_;  // not usable while a command runs
  std::map<host::Command, QPushButton*> commands_;
  QPushButton* historyButton_;
  QPushButton* stopButton_;
  QAction* stopAction_;
  QAction* openAction_;
  bool closeWhenStopped_ = false;  // the window was closed during a run
  QListWidget* log_;
  QSplitter* splitter_;  // the controls beside the viewer
  QSplitter* lists_;     // the project panel above the log
  QMenu* recentMenu_;
  QSettings* settings_;                // not owned; may be nullptr
  std::vector<RecentProject> recent_;  // most recent first, vanished ones too

  QString current_;  // the directory whose projects are listed
  // The line that says the directory chosen last has no projects: it goes
  // when one that has them is chosen.
  QListWidgetItem* directoryNote_ = nullptr;
  QStringList written_;
  std::vector<QStringList> runs_;  // the files of each run, for the viewer to walk
  MapValues values_;               // of the maps completed in this session
  MapViewer* viewer_;
  ProjectPanel* panel_;
  std::unique_ptr<FileLog> fileLog_;
  // Builds stay loaded between commands: their state (the chosen horizon)
  // lasts as it does in a workstation's session.
  std::map<std::string, std::unique_ptr<host::LoadedLibrary>> libraries_;
  std::map<std::string, QString> mode3Horizons_;  // by build: its horizon for mode 3
  QLabel* mode3Horizon_;                          // in the form
  std::string runLibrary_;                        // the build of the run
  bool runChoosesHorizon_ = false;                // the run is a saturation profile in mode 2
  std::unique_ptr<host::WindowedRun> run_;
  QString runName_;
  // The history's run and what it hands over.
  std::unique_ptr<qtui::ExportThread> historyRun_;
  std::unique_ptr<HistoryRecorder> recorder_;
  HistoryView* history_ = nullptr;
  QTextBrowser* manual_ = nullptr;  // Help > Manual, once opened
};

}  // namespace desktop
