// strataplot-desktop [DIR]: the desktop application. Picks a project
// directory (DIR, or the current directory), a project and a build of the
// library, and runs the commands with windows.
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstring>

#include "desktop/main_window.h"
#include "host/gui_run.h"

int main(int argc, char** argv) {
  if (argc > 2 ||
      (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
    std::fputs("usage: strataplot-desktop [DIR]\n", argc == 2 ? stdout : stderr);
    return argc == 2 ? 0 : host::kExitHostError;
  }
  QString directory = argc == 2 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
  std::unique_ptr<QApplication> app = host::MakeWindowedApplication("strataplot-desktop:");
  if (!app) return host::kExitHostError;
  desktop::MainWindow window;
  window.OpenDirectory(directory);
  window.show();
  return QApplication::exec();
}
