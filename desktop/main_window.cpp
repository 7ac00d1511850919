#include "desktop/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "desktop/history_view.h"
#include "host/grid_export.h"
#include "host/gui_run.h"
#include "host/history_command.h"
#include "host/library.h"
#include "host/modules.h"
#include "host/options.h"
#include "host/signals.h"
#include "platform/cancel.h"
#include "qtui/export_thread.h"
#include "qtui/qt_backend.h"
#include "strataplot_version.h"

namespace desktop {
namespace {

struct CommandButton {
  host::Command command;
  const char* label;
  const char* tip;
};
constexpr CommandButton kCommands[] = {
    {host::Command::OilExpulsion, "Oil &expulsion",
     "Oil expulsion intensity maps of every horizon and their total (strataplot "
     "oil-expulsion), then on request the deep-layer maps"},
    {host::Command::OilUnexpelled, "&Unexpelled oil",
     "Present-day unexpelled oil intensity maps (strataplot oil-unexpelled)"},
    {host::Command::OilGeneration, "Oil &generation",
     "Oil generation intensity maps: expelled oil of all periods plus the unexpelled "
     "(strataplot oil-generation)"},
    {host::Command::Gas, "G&as",
     "Gas intensity maps of the kind chosen in the library's dialog, from gasr.out "
     "(strataplot gas)"},
    {host::Command::Saturation, "&Saturation",
     "The chloroform bitumen \"A\" saturation profile, of the mode chosen above "
     "(strataplot saturation)"},
};

// The manual: the README installed beside the programs, else the one of the
// source tree the programs were built from.
QString ManualPath() {
  const QString programs = QCoreApplication::applicationDirPath();
  for (const QString& candidate :
       {programs + "/../share/doc/strataplot/README.md", programs + "/../README.md"}) {
    if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).canonicalFilePath();
  }
  return {};
}

QString ResultText(int result) {
  switch (result) {
    case 1:
      return "done";
    case 0:
      return "declined";
    default:
      return "failed or cancelled";
  }
}

QString AnswerText(int answer) {
  switch (answer) {
    case platform::IDYES:
      return "yes";
    case platform::IDNO:
      return "no";
    default:
      return "ok";
  }
}

}  // namespace

// Tells the window of the files a command writes, on the GUI thread and in
// the order they were written.
class MainWindow::FileLog final : public platform::WrittenFileObserver {
 public:
  explicit FileLog(MainWindow* window) : window_(window) {}
  void FileWritten(const std::string& path) override { Tell(path, true); }
  void FileRemoved(const std::string& path) override { Tell(path, false); }

 private:
  void Tell(const std::string& path, bool written) {
    // Relative names are relative to the project directory, the current one.
    QString absolute = AbsolutePath(path);
    QMetaObject::invokeMethod(
        window_,
        [window = window_, absolute, written] {
          if (written) {
            window->written_.append(absolute);
            QStringList& run = window->runs_.back();
            run.append(absolute);
            window->Log("written: " + absolute, absolute);
            window->viewer_->Show(run, static_cast<int>(run.size()) - 1);
            emit window->fileWritten(absolute);
          } else {
            window->written_.removeAll(absolute);
            for (QStringList& run : window->runs_) run.removeAll(absolute);
            window->values_.Forget(absolute);
            window->Log("removed: " + absolute);
          }
        },
        Qt::QueuedConnection);
  }
  MainWindow* window_;
};

MainWindow::MainWindow(QSettings* settings, QWidget* parent)
    : QMainWindow(parent),
      directory_(new QLineEdit),
      projects_(new QComboBox),
      builds_(new QComboBox),
      modes_(new QComboBox),
      log_(new QListWidget),
      splitter_(new QSplitter),
      lists_(new QSplitter(Qt::Vertical)),
      recentMenu_(nullptr),
      settings_(settings),
      viewer_(new MapViewer(&values_)),
      panel_(new ProjectPanel),
      fileLog_(std::make_unique<FileLog>(this)) {
  // Not the application's title alone: that is the title of its message boxes.
  setWindowTitle(QString::fromUtf8(qtui::kHostTitle) + " Desktop");

  auto* choose = new QPushButton("&Choose...");
  choose->setToolTip("Choose the directory that holds the project's files");
  directory_->setToolTip(
      "The project directory: its NAME.iga files are the projects; maps are written into it");
  connect(choose, &QPushButton::clicked, this, &MainWindow::ChooseDirectory);
  connect(directory_, &QLineEdit::returnPressed, this,
          [this] { OpenDirectory(directory_->text()); });
  auto* directoryRow = new QHBoxLayout;
  directoryRow->addWidget(directory_);
  directoryRow->addWidget(choose);

  builds_->addItem("shared-framework build (libstrataplot.so)", "shared");
  builds_->addItem("static-framework build (libstrataplot-static.so)", "static");
  projects_->setObjectName("project");
  builds_->setObjectName("build");
  modes_->setObjectName("mode");
  modes_->addItem("1: the project", 1);
  modes_->addItem("2: a horizon chosen from a list", 2);
  modes_->addItem("3: the horizon chosen last", 3);
  projects_->setToolTip("The project: one for every NAME.iga file of the directory");
  builds_->setToolTip(
      "The build of the library the commands run: the shared-framework or the "
      "static-framework build, as a workstation loads them");
  modes_->setToolTip(
      "The mode of the saturation profile: 1 the project's profile, 2 a horizon "
      "chosen from a list, 3 the horizon chosen last in mode 2 (kept while the "
      "build stays loaded)");
  // Short enough that the window can be narrow; the lists show the whole texts.
  for (QComboBox* box : {projects_, builds_, modes_}) {
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(12);
  }
  auto* form = new QFormLayout;
  auto* directoryLabel = new QLabel("Project &directory:");
  directoryLabel->setBuddy(directory_);
  form->addRow(directoryLabel, directoryRow);
  form->addRow("&Project:", projects_);
  form->addRow("&Library:", builds_);
  form->addRow("Saturation &mode:", modes_);
  mode3Horizon_ = new QLabel;
  mode3Horizon_->setObjectName("mode3Horizon");
  mode3Horizon_->setWordWrap(true);
  mode3Horizon_->setToolTip(
      "The horizon that mode 3 takes in the chosen build: the one chosen last in mode 2 "
      "since the build was loaded");
  form->addRow("", mode3Horizon_);
  connect(builds_, &QComboBox::currentIndexChanged, this, &MainWindow::ShowMode3Horizon);

  form_ = {directory_, choose, projects_, builds_, modes_};

  // Two rows of four, so that the window can be narrow.
  auto* buttons = new QGridLayout;
  auto add = [buttons](QPushButton* button) {
    const int index = buttons->count();
    buttons->addWidget(button, index / 4, index % 4);
  };
  for (const CommandButton& entry : kCommands) {
    auto* button = new QPushButton(entry.label);
    button->setToolTip(entry.tip);
    connect(button, &QPushButton::clicked, this,
            [this, command = entry.command] { Start(command); });
    commands_[entry.command] = button;
    add(button);
  }
  historyButton_ = new QPushButton("&History");
  historyButton_->setToolTip("The project through its periods: strataplot history");
  connect(historyButton_, &QPushButton::clicked, this, &MainWindow::StartHistory);
  add(historyButton_);
  stopButton_ = new QPushButton("S&top");
  stopButton_->setObjectName("stop");
  stopButton_->setToolTip(
      "Stop the running command (Ctrl+.): the map being written is not kept, those written "
      "before are");
  connect(stopButton_, &QPushButton::clicked, this, &MainWindow::Stop);
  add(stopButton_);
  log_->setWordWrap(true);
  log_->setTextElideMode(Qt::ElideNone);
  log_->setResizeMode(QListView::Adjust);
  log_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  log_->setToolTip("A double click on a written map or profile shows it in the viewer");

  auto* layout = new QVBoxLayout;
  layout->addLayout(form);
  layout->addLayout(buttons);
  // The project's files above the log, the split between them the user's.
  auto* logLayout = new QVBoxLayout;
  logLayout->setContentsMargins(0, 0, 0, 0);
  logLayout->addWidget(new QLabel("Log: messages shown and files written"));
  logLayout->addWidget(log_, 1);
  auto* logPane = new QWidget;
  logPane->setLayout(logLayout);
  lists_->setObjectName("lists");
  lists_->addWidget(panel_);
  lists_->addWidget(logPane);
  layout->addWidget(lists_, 1);
  connect(panel_, &ProjectPanel::showRequested, this, &MainWindow::OpenFile);
  connect(this, &MainWindow::fileWritten, panel_, &ProjectPanel::Refresh);
  connect(this, &MainWindow::commandFinished, panel_, &ProjectPanel::Refresh);
  connect(this, &MainWindow::historyFinished, panel_, &ProjectPanel::Refresh);
  connect(viewer_, &MapViewer::logged, this, &MainWindow::Log);
  connect(viewer_, &MapViewer::filesWritten, panel_, &ProjectPanel::Refresh);
  auto* controls = new QWidget;
  controls->setLayout(layout);
  splitter_->setObjectName("splitter");
  splitter_->addWidget(controls);
  splitter_->addWidget(viewer_);
  splitter_->setStretchFactor(1, 1);
  setCentralWidget(splitter_);
  // A written map or profile in the log opens in the viewer.
  connect(log_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    QString path = item->data(Qt::UserRole).toString();
    if (!path.isEmpty()) OpenFile(path);
  });
  QMenu* file = menuBar()->addMenu("&File");
  openAction_ = file->addAction("&Open map, profile or grid...", QKeySequence::Open, this,
                                &MainWindow::ChooseFile);
  recentMenu_ = file->addMenu("&Recent projects");
  recentMenu_->setObjectName("recent");
  // A directory may vanish while the window is open.
  connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdateRecentMenu);
  file->addAction("&Quit", QKeySequence::Quit, this, &QWidget::close);
  QMenu* run = menuBar()->addMenu("&Run");
  stopAction_ =
      run->addAction("S&top", QKeySequence(Qt::CTRL | Qt::Key_Period), this, &MainWindow::Stop);
  stopAction_->setObjectName("stopAction");
  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction("&Manual", QKeySequence::HelpContents, this, &MainWindow::ShowManual)
      ->setObjectName("manualAction");
  help->addAction("&About Strataplot Desktop", this, &MainWindow::ShowAbout)
      ->setObjectName("aboutAction");
  // Fits a screen of 1024 x 640 with its frame.
  resize(1000, 580);

  if (settings_ != nullptr) {
    int build = builds_->findData(settings_->value("build").toString());
    if (build >= 0) builds_->setCurrentIndex(build);
    int mode = modes_->findData(settings_->value("saturationMode").toInt());
    if (mode >= 0) modes_->setCurrentIndex(mode);
    restoreGeometry(settings_->value("geometry").toByteArray());
    splitter_->restoreState(settings_->value("splitter").toByteArray());
    lists_->restoreState(settings_->value("lists").toByteArray());
    int count = settings_->beginReadArray("recent");
    for (int i = 0; i < count && static_cast<int>(recent_.size()) < kRecentCount; ++i) {
      settings_->setArrayIndex(i);
      RecentProject recent{settings_->value("directory").toString(),
                           settings_->value("project").toString()};
      if (!recent.directory.isEmpty() && !recent.project.isEmpty()) recent_.push_back(recent);
    }
    settings_->endArray();
  }
  UpdateRecentMenu();
  UpdateButtons();
  ShowMode3Horizon();
}

MainWindow::~MainWindow() = default;

void MainWindow::ShowAbout() {
  // GDAL is the grid module's: loaded here as the history loads it.
  std::string error;
  QString gdal = "GDAL: not found (";
  if (std::unique_ptr<host::Library> module =
          host::LoadModule(host::kGridModule, host::kGdalVersion, error)) {
    gdal = QString("GDAL ") + module->FindFunction<host::GetGdalVersion>(host::kGdalVersion)();
  } else {
    gdal += QString::fromStdString(error) + ")";
  }
  auto* box = new QMessageBox(QMessageBox::Information, "About Strataplot Desktop",
                              QString("Strataplot Desktop %1\n\nQt %2 (built with %3)\n%4")
                                  .arg(STRATAPLOT_VERSION, qVersion(), QT_VERSION_STR, gdal),
                              QMessageBox::Ok, this);
  box->setObjectName("about");
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

void MainWindow::ShowManual() {
  const QString path = ManualPath();
  if (path.isEmpty()) {
    LogFailure(
        "no manual: the README is neither installed beside the programs nor in their "
        "source tree; `man strataplot-desktop` explains the window");
    return;
  }
  if (manual_ == nullptr) {
    manual_ = new QTextBrowser(this);
    manual_->setObjectName("manual");
    manual_->setWindowFlag(Qt::Window);
    manual_->setWindowTitle("Strataplot manual");
    manual_->setOpenExternalLinks(true);
    manual_->resize(760, 560);
  }
  manual_->setSearchPaths({QFileInfo(path).absolutePath()});
  manual_->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
  manual_->show();
  manual_->raise();
}

void MainWindow::ChooseDirectory() {
  QString chosen = QFileDialog::getExistingDirectory(this, "Project directory", current_);
  if (!chosen.isEmpty()) OpenDirectory(chosen);
}

void MainWindow::ChooseFile() {
  std::unique_ptr<QFileDialog> dialog = MakeOpenDialog(this, current_);
  if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
    OpenFile(dialog->selectedFiles().constFirst());
}

bool MainWindow::OpenFile(const QString& path) {
  if (Running()) return false;  // the viewer shows the run's files
  QString absolute = ViewableFile(QFileInfo(path).absoluteFilePath());
  if (absolute.isEmpty() && path.endsWith(".tif", Qt::CaseInsensitive)) {
    Log("no map beside " + path + " to show it with (MAP.tif shows with MAP)");
    return false;
  }
  if (absolute.isEmpty()) absolute = QFileInfo(path).absoluteFilePath();
  auto run = std::find_if(runs_.rbegin(), runs_.rend(),
                          [&](const QStringList& files) { return files.contains(absolute); });
  bool shown = run != runs_.rend() ? viewer_->Show(*run, static_cast<int>(run->indexOf(absolute)))
                                   : viewer_->Show({absolute}, 0);
  if (!shown) LogFailure(viewer_->Message());
  return shown;
}

void MainWindow::OpenDirectory(const QString& directory) {
  QDir dir(directory);
  directory_->setText(dir.absolutePath());
  projects_->clear();
  delete directoryNote_;  // about the directory chosen before
  directoryNote_ = nullptr;
  if (!dir.exists()) {
    current_.clear();
    panel_->SetDirectory({});
    directoryNote_ = LogFailure("no such directory: " + directory);
    UpdateButtons();
    return;
  }
  current_ = dir.absolutePath();
  panel_->SetDirectory(current_);
  QStringList files = dir.entryList({"*.iga"}, QDir::Files | QDir::CaseSensitive, QDir::Name);
  for (const QString& file : files) projects_->addItem(file.chopped(4));
  if (files.isEmpty()) directoryNote_ = Log("no project (no *.iga file) in " + current_);
  UpdateButtons();
}

QString MainWindow::LastDirectory() const {
  if (settings_ == nullptr) return {};
  QString directory = settings_->value("directory").toString();
  return !directory.isEmpty() && QFileInfo(directory).isDir() ? directory : QString();
}

std::vector<MainWindow::RecentProject> MainWindow::RecentProjects() const {
  std::vector<RecentProject> shown;
  for (const RecentProject& recent : recent_)
    if (QFileInfo(recent.directory).isDir()) shown.push_back(recent);
  return shown;
}

bool MainWindow::OpenRecent(const RecentProject& recent) {
  if (Running()) return false;
  OpenDirectory(recent.directory);
  if (current_.isEmpty()) return false;  // logged
  int index = projects_->findText(recent.project, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) {
    LogFailure("no project " + recent.project + " (no " + recent.project + ".iga) in " + current_);
    return false;
  }
  projects_->setCurrentIndex(index);
  RememberProject();
  return true;
}

void MainWindow::RememberProject() {
  if (current_.isEmpty() || projects_->currentIndex() < 0) return;
  RecentProject chosen{current_, projects_->currentText()};
  std::erase(recent_, chosen);
  recent_.insert(recent_.begin(), chosen);
  if (static_cast<int>(recent_.size()) > kRecentCount) recent_.resize(kRecentCount);
  if (settings_ != nullptr) {
    settings_->beginWriteArray("recent", static_cast<int>(recent_.size()));
    for (int i = 0; i < static_cast<int>(recent_.size()); ++i) {
      settings_->setArrayIndex(i);
      settings_->setValue("directory", recent_[i].directory);
      settings_->setValue("project", recent_[i].project);
    }
    settings_->endArray();
    SyncSettings();
  }
  UpdateRecentMenu();
}

void MainWindow::UpdateRecentMenu() {
  // Later: the action chosen may be the one that asks for the update.
  for (QAction* action : recentMenu_->actions()) {
    recentMenu_->removeAction(action);
    action->deleteLater();
  }
  for (const RecentProject& recent : RecentProjects()) {
    QAction* action = recentMenu_->addAction(recent.project + " in " + recent.directory);
    action->setEnabled(!Running());
    connect(action, &QAction::triggered, this, [this, recent] { OpenRecent(recent); });
  }
  recentMenu_->setEnabled(!recentMenu_->isEmpty());
}

void MainWindow::SaveSettings() {
  if (settings_ == nullptr) return;
  if (!current_.isEmpty()) settings_->setValue("directory", current_);
  settings_->setValue("build", builds_->currentData());
  settings_->setValue("saturationMode", modes_->currentData());
  settings_->setValue("geometry", saveGeometry());
  settings_->setValue("splitter", splitter_->saveState());
  settings_->setValue("lists", lists_->saveState());
  SyncSettings();
}

void MainWindow::SyncSettings() {
  settings_->sync();
  if (settings_->status() != QSettings::NoError) {
    QString message = "cannot write the settings to " + settings_->fileName();
    LogFailure(message);
    qWarning("strataplot-desktop: %s", qUtf8Printable(message));
  }
}

QStringList MainWindow::Projects() const {
  QStringList names;
  for (int i = 0; i < projects_->count(); ++i) names.append(projects_->itemText(i));
  return names;
}

QStringList MainWindow::LogLines() const {
  QStringList lines;
  for (int i = 0; i < log_->count(); ++i) lines.append(log_->item(i)->text());
  return lines;
}

bool MainWindow::Running() const { return run_ != nullptr || historyRun_ != nullptr; }

void MainWindow::UpdateButtons() {
  bool ready = !Running() && projects_->count() > 0;
  for (auto& [command, button] : commands_) button->setEnabled(ready);
  historyButton_->setEnabled(ready);
  for (QWidget* widget : form_) widget->setEnabled(!Running());
  // During a run, Stop is the one thing that acts: nothing else writes into
  // the directory or opens its files.
  openAction_->setEnabled(!Running());
  viewer_->SetLocked(Running());
  panel_->setEnabled(!Running());
  stopButton_->setEnabled(Running());
  stopAction_->setEnabled(Running());
}

bool MainWindow::Stop() {
  // A run whose work has returned is over: a request now would outlive it.
  const bool working = run_ != nullptr ? run_->Running() : historyRun_ && historyRun_->Running();
  if (!working) return false;
  if (run_ != nullptr) {
    run_->Cancel();
  } else {
    platform::RequestCancel();  // the history's reading ends
  }
  stopButton_->setEnabled(false);
  stopAction_->setEnabled(false);
  statusBar()->showMessage(runName_ + " is being stopped");
  return true;
}

QListWidgetItem* MainWindow::Log(const QString& line, const QString& path) {
  auto* item = new QListWidgetItem(line, log_);
  if (!path.isEmpty()) item->setData(Qt::UserRole, path);  // for a viewer to open
  log_->scrollToItem(item);
  return item;
}

QListWidgetItem* MainWindow::LogFailure(const QString& line) {
  QListWidgetItem* item = Log(line);
  item->setForeground(QColor(176, 0, 32));
  QFont font = item->font();
  font.setBold(true);
  item->setFont(font);
  item->setData(Qt::UserRole + 1, true);  // a failure
  return item;
}

std::optional<std::string> MainWindow::EnterProject(std::string& error) {
  std::optional<std::string> project =
      host::ProjectForLibrary(projects_->currentText().toStdString(), error);
  if (project && !QDir::setCurrent(current_)) {
    error = "cannot change to the directory " + current_.toStdString();
    return std::nullopt;
  }
  if (project) {
    const std::string removed = host::RemoveStalePartialFiles(current_.toStdString());
    if (!removed.empty()) Log(QString::fromStdString(removed));
  }
  return project;
}

bool MainWindow::Start(host::Command command) {
  if (Running()) return false;
  const QString name = host::CommandName(command);
  std::string error;
  std::optional<std::string> project = EnterProject(error);
  std::string path = host::LibraryPath(builds_->currentData().toString().toStdString());
  std::unique_ptr<host::LoadedLibrary>& library = libraries_[path];
  if (project && !library) library = host::LoadedLibrary::Load(path, error);
  if (!project || !error.empty() || !library || !library->Has(command, error)) {
    LogFailure(name + ": " + QString::fromStdString(error));
    return false;
  }

  runName_ = name;
  Log(QString("%1 on %2 (%3)")
          .arg(name, projects_->currentText(), builds_->currentData().toString()));
  int mode = modes_->currentData().toInt();
  runLibrary_ = path;
  runChoosesHorizon_ = command == host::Command::Saturation && mode == 2;
  run_ = std::make_unique<host::WindowedRun>(*library, command, *project, mode, nullptr, this);
  connect(
      &run_->Backend(), &qtui::QtBackend::messageShown, this,
      [this](const QString& caption, const QString& text, int answer, bool failure) {
        QString line =
            QString("message [%1]: %2 (%3)").arg(caption, text.simplified(), AnswerText(answer));
        if (failure) {
          LogFailure(line);
        } else {
          Log(line);
        }
      });
  // Each interval (and map kind, horizon) chosen.
  connect(&run_->Backend(), &qtui::QtBackend::dialogEnded, this,
          [this](const QString& title, const QString& prompt, const QString& chosen, bool ok) {
            QString line = "dialog [" + title + "]";
            if (!prompt.isEmpty()) line += " " + prompt;
            Log(line + " " + (ok ? chosen : QString("cancelled")));
            // The build keeps a horizon confirmed in mode 2, whatever the
            // profile's outcome, for mode 3.
            if (ok && runChoosesHorizon_) {
              mode3Horizons_[runLibrary_] = chosen;
              ShowMode3Horizon();
            }
          });
  connect(run_.get(), &host::WindowedRun::finished, this, &MainWindow::Finished);
  runs_.emplace_back();
  platform::InstallWrittenFileObserver(fileLog_.get());
  // The desktop writes no grids, so the values of the maps can be the sink's.
  platform::InstallCompletedMapSink(&values_);
  run_->Start();
  UpdateButtons();
  statusBar()->showMessage(name + " is running");
  return true;
}

QString MainWindow::Mode3Horizon() const { return mode3Horizon_->text(); }

void MainWindow::ShowMode3Horizon() {
  const auto found =
      mode3Horizons_.find(host::LibraryPath(builds_->currentData().toString().toStdString()));
  mode3Horizon_->setText(found == mode3Horizons_.end()
                             ? QString("mode 3: no horizon chosen in this build yet")
                             : "mode 3 takes " + found->second);
}

void MainWindow::Finished(int result) {
  platform::InstallWrittenFileObserver(nullptr);
  platform::InstallCompletedMapSink(nullptr);
  // The files it told of arrive before this (queued first); the run goes
  // once its signal has returned.
  const QString outcome = run_->Cancelled() ? QString("cancelled") : ResultText(result);
  const QString line = QString("%1 returned %2: %3").arg(runName_).arg(result).arg(outcome);
  if (result == -1 && !run_->Cancelled()) {
    LogFailure(line);
  } else {
    Log(line);
  }
  statusBar()->showMessage(runName_ + " " + outcome, 10000);
  if (result == 1) RememberProject();
  QMetaObject::invokeMethod(
      this,
      [this, result] {
        run_.reset();
        UpdateButtons();
        emit commandFinished(result);
        if (closeWhenStopped_) close();
      },
      Qt::QueuedConnection);
}

bool MainWindow::StartHistory() {
  if (Running()) return false;
  std::string error;
  std::optional<std::string> project = EnterProject(error);
  if (!project) {
    LogFailure("history: " + QString::fromStdString(error));
    return false;
  }

  runName_ = "history";
  Log("history of " + projects_->currentText());
  recorder_ = std::make_unique<HistoryRecorder>(*project);
  // Into the project's directory, the current one; nothing on standard output.
  platform::ResetCancel();
  historyRun_ = std::make_unique<qtui::ExportThread>(
      [this, gbkProject = *project, recorder = recorder_.get()] {
        return host::RunHistoryCommand({}, gbkProject, true, recorder);
      });
  connect(historyRun_.get(), &qtui::ExportThread::finished, this, &MainWindow::HistoryFinished);
  historyRun_->Start();
  UpdateButtons();
  statusBar()->showMessage("history is running");
  return true;
}

void MainWindow::HistoryFinished(int status) {
  platform::ResetCancel();
  for (const QString& message : recorder_->Messages()) Log("history: " + message);
  if (status == 0) {
    for (const QString& path : recorder_->Files()) {
      written_.append(path);
      Log("written: " + path);
    }
    Log(QString("history written: %1 files").arg(recorder_->Files().size()));
    RememberProject();
    statusBar()->showMessage("history written", 10000);
    if (!recorder_->Kept()) Log("history: the series did not fit in memory to be shown");
    if (recorder_->Frames().periodCount > 0 && !recorder_->Frames().horizons.isEmpty()) {
      if (history_ == nullptr) {
        history_ = new HistoryView(this);
        history_->setWindowFlag(Qt::Window);
      }
      history_->SetFrames(std::move(recorder_->Frames()));
      history_->show();
      history_->raise();
      history_->activateWindow();
    }
  } else {
    LogFailure(QString("history failed (status %1)").arg(status));
    statusBar()->showMessage("history failed", 10000);
  }
  // The thread goes once its signal has returned.
  QMetaObject::invokeMethod(
      this,
      [this, status] {
        historyRun_.reset();
        recorder_.reset();
        UpdateButtons();
        emit historyFinished(status);
        if (closeWhenStopped_) close();
      },
      Qt::QueuedConnection);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The run's thread cannot be left behind: the run is stopped, and the
  // window closes once it has ended (at once, but for a read in progress).
  if (Running()) {
    closeWhenStopped_ = true;
    Stop();
    statusBar()->showMessage(runName_ + " is being stopped; the window then closes");
    event->ignore();
    return;
  }
  if (history_ != nullptr) history_->close();  // the application ends with its main window
  SaveSettings();
  QMainWindow::closeEvent(event);
}

}  // namespace desktop
