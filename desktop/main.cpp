// strataplot-desktop [DIR]: the desktop application. Picks a project
// directory (DIR, the last session's, or the current directory), a project
// and a build of the library, and runs the commands with windows.
#include <QApplication>
#include <QDir>
#include <QSettings>
#include <memory>
#include <string>

#include "cli/cli.h"
#include "desktop/main_window.h"
#include "host/gui_run.h"

// Outside cli::Parse, which catches what parsing throws, CLI11 throws only
// on a parser built wrong (a name twice, say), which the tests of every
// program's --help and usage errors would show.
int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape)
  // The command line first: --help, --version and usage errors need no
  // display and open no window.
  std::string directory;
  std::unique_ptr<CLI::App> app =
      cli::MakeApp("strataplot-desktop",
                   "The desktop application: runs the commands of strataplot on a project with\n"
                   "windows, and shows the maps and profiles they write. Needs a display.");
  app->add_option("DIR", directory, "the project directory (default: the current directory)")
      ->type_name("");
  if (auto status = cli::Finish(cli::Parse(*app, {argv + 1, argv + argc}))) return *status;

  std::unique_ptr<QApplication> application = host::MakeWindowedApplication("strataplot-desktop:");
  if (!application) return host::kExitHostError;
  // ~/.config/Strataplot/strataplot-desktop.conf
  QSettings settings("Strataplot", "strataplot-desktop");
  desktop::MainWindow window(&settings);
  // DIR, else the directory of the last session while it exists, else the
  // current one.
  QString projectDirectory = QString::fromLocal8Bit(directory.c_str());
  if (projectDirectory.isEmpty()) projectDirectory = window.LastDirectory();
  if (projectDirectory.isEmpty()) projectDirectory = QDir::currentPath();
  window.OpenDirectory(projectDirectory);
  window.show();
  return QApplication::exec();
}
