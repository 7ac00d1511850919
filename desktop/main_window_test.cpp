// The desktop application's window: the projects of a directory, and a
// command run through it with its messages and files in the log.
#include "desktop/main_window.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSplitter>
#include <QTest>
#include <QTextBrowser>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "qtui/progress_window.h"
#include "qtui/testing/gui_driver.h"
#include "rendering/pictures.h"
#include "strataplot_version.h"
#include "testing/host_harness.h"
#include "testing/long_read.h"

namespace desktop {
namespace {

using qtui::testing::Press;
using test_support::TempDir;
using test_support::WriteFile;

TEST(DesktopWindow, ListsOneProjectPerAgeFile) {
  TempDir dir;
  for (const char* name : {"b.iga", "a.iga", "c.txt", "D.IGA", "x.iga.bak"})
    WriteFile(dir / name, "");
  MainWindow window;
  window.OpenDirectory(QString::fromStdString(dir.path().string()));
  EXPECT_EQ(window.Projects(), (QStringList{"a", "b"}));
  window.OpenDirectory(QString::fromStdString((dir / "missing").string()));
  EXPECT_TRUE(window.Projects().isEmpty());
  EXPECT_TRUE(window.LogLines().last().startsWith("no such directory"))
      << window.LogLines().last().toStdString();
}

TEST(DesktopWindow, CommandLogsEveryMessageAndEveryFileAsItIsWritten) {
  TempDir dir;
  test_support::CopySample(dir.path());
  QString project = QString::fromStdString(dir.path().string());
  MainWindow window;
  window.show();
  window.OpenDirectory(project);
  ASSERT_EQ(window.Projects(), QStringList{"demo"});
  int result = 99;
  QObject::connect(&window, &MainWindow::commandFinished, [&](int returned) { result = returned; });
  ASSERT_TRUE(window.Start(host::Command::OilUnexpelled));
  EXPECT_FALSE(window.Start(host::Command::Gas));  // one command at a time

  auto interval = [&](QWidget* dialog) {
    EXPECT_EQ(dialog->parentWidget(), &window);  // owned by the main window
    Press(dialog, Qt::Key_Return);
  };
  // The maps are listed before the message that names them is answered.
  QStringList maps = {project + "/沙三段.uo1", project + "/沙四段.uo2", project + "/Ek1.uo3",
                      project + "/demo.uot"};
  auto done = [&](QWidget* box) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.WrittenFiles() == maps; }, 5000))
        << window.WrittenFiles().join(' ').toStdString();
    Press(box, Qt::Key_Return);
  };
  const QString title = "输入油强度间距值";
  ASSERT_TRUE(qtui::testing::Drive({{title, interval},
                                    {title, interval},
                                    {title, interval},
                                    {title, interval},
                                    {"Strataplot", done}}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return result != 99; }, 20000));
  EXPECT_EQ(result, 1);
  QStringList log = window.LogLines();
  EXPECT_TRUE(log.contains("written: " + project + "/demo.uot"));
  EXPECT_TRUE(log.filter("message [Strataplot]: 未排油强度图文件生成.").size() == 1)
      << log.join('\n').toStdString();
  EXPECT_EQ(log.last(), "oil-unexpelled returned 1: done");
  // Each interval chosen, with the prompt that names its map.
  EXPECT_EQ(log.filter("dialog [").size(), 4);
  EXPECT_TRUE(
      log.contains("dialog [输入油强度间距值] 输入沙三段层现未排油强度间距值(万吨/平方公里): 5"))
      << log.join('\n').toStdString();
  // The project panel lists the run's maps.
  EXPECT_TRUE(window.Panel()->Rows().contains(
      "Unexpelled oil (.uoN, .uot) / horizon 2: 沙四段 / 沙四段.uo2"))
      << window.Panel()->Rows().join('\n').toStdString();
  ASSERT_FALSE(window.RecentProjects().empty());
  EXPECT_EQ(window.RecentProjects().front(), (MainWindow::RecentProject{project, "demo"}));

  // The viewer shows the run's last map and walks back through the horizons;
  // a modelled cell tells its value, which lies in its class.
  MapViewer& viewer = *window.Viewer();
  EXPECT_EQ(viewer.Current(), maps.last());
  EXPECT_FALSE(viewer.Next());
  ASSERT_TRUE(viewer.Previous());
  EXPECT_EQ(viewer.Current(), maps[2]);
  const auto* map = dynamic_cast<const rendering::MapPicture*>(viewer.Picture());
  ASSERT_NE(map, nullptr);
  const QRectF canvas(viewer.Canvas()->rect());
  const std::vector<std::int32_t>& codes = map->Map().codes;
  const auto modelled =
      std::find_if(codes.begin(), codes.end(), [](std::int32_t code) { return code >= 2; });
  ASSERT_NE(modelled, codes.end());
  const int row = static_cast<int>(modelled - codes.begin()) / map->Map().geometry.columnCount;
  const int column = static_cast<int>(modelled - codes.begin()) % map->Map().geometry.columnCount;
  const QString text = viewer.CellText(map->CellRect(canvas, {row, column}).center());
  EXPECT_TRUE(text.startsWith(QString("row %1, column %2: ").arg(row).arg(column)))
      << text.toStdString();
  EXPECT_TRUE(text.contains(", value ")) << text.toStdString();
  ASSERT_TRUE(window.OpenFile(maps[0]));
  EXPECT_FALSE(viewer.Previous());
  EXPECT_TRUE(viewer.Next());
  EXPECT_EQ(viewer.Current(), maps[1]);
}

QString Path(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

// Help > About and Manual, tooltips, a window that fits a small screen, and a
// log that wraps its lines, highlights failures and drops a note about a
// directory chosen before.
TEST(DesktopWindow, HelpTooltipsSizeAndLog) {
  TempDir dir;
  std::filesystem::create_directory(dir / "empty");
  WriteFile(dir / "a.iga", "");
  MainWindow window;
  window.show();
  EXPECT_LE(window.width(), 1024);
  EXPECT_LE(window.height(), 640 - 40);              // and a title bar
  EXPECT_LT(window.minimumSizeHint().width(), 800);  // it was 873

  for (QPushButton* button : window.findChildren<QPushButton*>())
    EXPECT_FALSE(button->toolTip().isEmpty()) << button->text().toStdString();
  for (const char* name : {"project", "build", "mode"})
    EXPECT_FALSE(window.findChild<QComboBox*>(name)->toolTip().isEmpty()) << name;

  window.findChild<QAction*>("aboutAction")->trigger();
  auto* about = window.findChild<QMessageBox*>("about");
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->text().startsWith("Strataplot Desktop " STRATAPLOT_VERSION))
      << about->text().toStdString();
  EXPECT_TRUE(about->text().contains("Qt " + QString(qVersion()))) << about->text().toStdString();
  EXPECT_TRUE(about->text().contains(QRegularExpression("GDAL \\d+\\.\\d+")))
      << about->text().toStdString();
  about->close();
  window.findChild<QAction*>("manualAction")->trigger();
  auto* manual = window.findChild<QTextBrowser*>("manual");
  ASSERT_NE(manual, nullptr);
  EXPECT_TRUE(manual->isVisible());
  EXPECT_TRUE(manual->toPlainText().contains("Map and profile generators"));

  window.OpenDirectory(Path(dir / "empty"));
  window.OpenDirectory(Path(dir / "missing"));
  QStringList log = window.LogLines();
  ASSERT_EQ(log.size(), 1);  // the note about the empty directory went
  EXPECT_TRUE(log[0].startsWith("no such directory")) << log[0].toStdString();
  auto* list = window.findChild<QListWidget*>();
  EXPECT_TRUE(list->wordWrap());
  EXPECT_TRUE(list->item(0)->font().bold());  // a failure
  window.OpenDirectory(Path(dir.path()));
  EXPECT_TRUE(window.LogLines().isEmpty());
}

// Stopped while the second horizon's quantities are read: the command ends
// with -1 and the log says "cancelled"; the first map stays, the second keeps
// what it had, no temporary file is left; in both builds, by the Stop button,
// Run > Stop, and by closing the window, which then closes.
TEST(DesktopStop, DuringALongReadKeepsTheMapFinishedBeforeAndNothingOfTheOneBeingWritten) {
  const std::map<std::string, std::function<void(MainWindow&)>> ways = {
      {"the Stop button",
       [](MainWindow& window) {
         QTest::mouseClick(window.findChild<QPushButton*>("stop"), Qt::LeftButton);
       }},
      {"Run > Stop",
       [](MainWindow& window) { window.findChild<QAction*>("stopAction")->trigger(); }},
      {"closing the window", [](MainWindow& window) { EXPECT_FALSE(window.close()); }},
  };
  for (int build : {0, 1}) {
    for (const auto& [way, stop] : ways) {
      SCOPED_TRACE(way + (build == 0 ? ", shared" : ", static"));
      TempDir dir;
      test_support::LongReadProject project(dir);
      MainWindow window;
      window.show();
      window.OpenDirectory(Path(dir.path()));
      window.findChild<QComboBox*>("build")->setCurrentIndex(build);
      auto* stopButton = window.findChild<QPushButton*>("stop");
      EXPECT_FALSE(stopButton->isEnabled());
      int result = 99;
      QObject::connect(&window, &MainWindow::commandFinished,
                       [&](int returned) { result = returned; });
      ASSERT_TRUE(window.Start(host::Command::OilExpulsion));
      ASSERT_TRUE(qtui::testing::Drive({
          {"输入油强度间距值", [](QWidget* dialog) { Press(dialog, Qt::Key_Return); }},
          {"Strataplot", [](QWidget* box) { Press(box, Qt::Key_Y, Qt::AltModifier); }},
      }));
      auto* progress = window.findChild<qtui::ProgressWindow*>();
      ASSERT_NE(progress, nullptr);
      EXPECT_TRUE(
          QTest::qWaitFor([&] { return progress->ReadingText() == "读取 demo.doe 3.1 MB"; }, 20000))
          << progress->ReadingText().toStdString();
      // Of the form, the commands, the viewer's and the project panel's
      // buttons, Stop is the one thing that acts; the viewer shows the map
      // written, and no other file.
      const QStringList locked = {"&Choose...",
                                  "Oil &expulsion",
                                  "&Unexpelled oil",
                                  "Oil &generation",
                                  "G&as",
                                  "&Saturation",
                                  "&History",
                                  "Save &picture...",
                                  "E&xport grids...",
                                  "Re&fresh",
                                  "Open containing &folder"};
      auto expectLocked = [&](bool expected) {
        int seen = 0;
        for (QPushButton* button : window.findChildren<QPushButton*>()) {
          if (!locked.contains(button->text())) continue;
          ++seen;
          EXPECT_EQ(!button->isEnabled(), expected) << button->text().toStdString();
        }
        EXPECT_EQ(seen, locked.size());
      };
      ASSERT_TRUE(QTest::qWaitFor([&] { return window.Viewer()->Current().endsWith("H1.po1"); }));
      expectLocked(true);
      EXPECT_TRUE(stopButton->isEnabled());
      for (const char* name : {"project", "build", "mode"})
        EXPECT_FALSE(window.findChild<QComboBox*>(name)->isEnabled()) << name;
      EXPECT_FALSE(window.OpenFile(Path(dir / "H1.po1")));
      stop(window);
      project.ReadOn();
      ASSERT_TRUE(QTest::qWaitFor([&] { return result != 99; }, 20000));
      EXPECT_EQ(result, -1);
      EXPECT_EQ(window.LogLines().last(), "oil-expulsion returned -1: cancelled");
      EXPECT_TRUE(TempDir::Contents(dir / "H1.po1").ends_with("\n"));
      EXPECT_EQ(TempDir::Contents(dir / "H2.po2"), "old");
      EXPECT_FALSE(std::filesystem::exists(dir / "demo.pot"));
      EXPECT_EQ(project.PartialFiles(), 0);
      if (way == "closing the window") {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 5000));
      } else {
        EXPECT_TRUE(window.isVisible());
        EXPECT_FALSE(stopButton->isEnabled());
        expectLocked(false);
      }
    }
  }
}

// The horizon confirmed in mode 2 is shown for mode 3 with the build that
// keeps it, even when its profile then fails (Ek1 has no profiles), and
// never for the other build.
TEST(DesktopWindow, TheHorizonMode3TakesIsShownForItsBuild) {
  TempDir dir;
  test_support::CopySample(dir.path());
  MainWindow window;
  window.show();
  window.OpenDirectory(QString::fromStdString(dir.path().string()));
  const QString none = "mode 3: no horizon chosen in this build yet";
  EXPECT_EQ(window.Mode3Horizon(), none);
  int result = 99;
  QObject::connect(&window, &MainWindow::commandFinished, [&](int returned) { result = returned; });
  window.findChild<QComboBox*>("mode")->setCurrentIndex(1);
  ASSERT_TRUE(window.Start(host::Command::Saturation));
  ASSERT_TRUE(
      qtui::testing::Drive({{"选择层位",
                             [](QWidget* dialog) {
                               Press(dialog, Qt::Key_S, Qt::AltModifier);
                               Press(dialog, Qt::Key_End);
                               Press(dialog, Qt::Key_Return);
                             }},
                            {"Strataplot", [](QWidget* box) { Press(box, Qt::Key_Return); }}}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return result != 99; }, 20000));
  EXPECT_EQ(result, -1);
  EXPECT_EQ(window.Mode3Horizon(), "mode 3 takes Ek1");
  window.findChild<QComboBox*>("build")->setCurrentIndex(1);
  EXPECT_EQ(window.Mode3Horizon(), none);
  window.findChild<QComboBox*>("build")->setCurrentIndex(0);
  EXPECT_EQ(window.Mode3Horizon(), "mode 3 takes Ek1");
}

TEST(DesktopSettings, SavedOnCloseAndRestoredByANewWindow) {
  TempDir dir;
  std::filesystem::create_directory(dir / "projects");
  WriteFile(dir / "projects/a.iga", "");
  const QString projects = Path(dir / "projects");
  const QString file = Path(dir / "settings.ini");
  QList<int> sizes, lists;
  {
    QSettings settings(file, QSettings::IniFormat);
    MainWindow window(&settings);
    EXPECT_TRUE(window.LastDirectory().isEmpty());  // a first session
    window.OpenDirectory(projects);
    window.findChild<QComboBox*>("build")->setCurrentIndex(1);
    window.findChild<QComboBox*>("mode")->setCurrentIndex(2);
    window.resize(1100, 700);
    window.show();
    auto* splitter = window.findChild<QSplitter*>("splitter");
    splitter->setSizes({600, 300});
    sizes = splitter->sizes();
    auto* panelAndLog = window.findChild<QSplitter*>("lists");
    panelAndLog->setSizes({100, 400});
    lists = panelAndLog->sizes();
    EXPECT_TRUE(window.close());
  }
  QSettings settings(file, QSettings::IniFormat);
  MainWindow window(&settings);
  EXPECT_EQ(window.LastDirectory(), projects);
  EXPECT_EQ(window.findChild<QComboBox*>("build")->currentData().toString(), "static");
  EXPECT_EQ(window.findChild<QComboBox*>("mode")->currentData().toInt(), 3);
  window.show();
  EXPECT_EQ(window.size(), QSize(1100, 700));
  EXPECT_EQ(window.findChild<QSplitter*>("splitter")->sizes(), sizes);
  EXPECT_EQ(window.findChild<QSplitter*>("lists")->sizes(), lists);

  std::filesystem::remove_all(dir / "projects");
  EXPECT_TRUE(window.LastDirectory().isEmpty());  // the current directory instead
}

TEST(DesktopSettings, RecentProjectsMostRecentFirstAtMostEightVanishedLeftOut) {
  TempDir dir;
  const QString file = Path(dir / "settings.ini");
  std::vector<MainWindow::RecentProject> opened;
  for (int i = 0; i < 10; ++i) {
    std::filesystem::create_directory(dir / ("d" + std::to_string(i)));
    WriteFile(dir / ("d" + std::to_string(i)) / "x.iga", "");
    WriteFile(dir / ("d" + std::to_string(i)) / "y.iga", "");
    opened.push_back({Path(dir / ("d" + std::to_string(i))), "y"});
  }
  QSettings settings(file, QSettings::IniFormat);
  MainWindow window(&settings);
  for (const auto& recent : opened) ASSERT_TRUE(window.OpenRecent(recent));
  ASSERT_TRUE(window.OpenRecent(opened[5]));  // again: moves first, not twice
  const std::vector<MainWindow::RecentProject> expected = {
      opened[5], opened[9], opened[8], opened[7], opened[6], opened[4], opened[3], opened[2]};
  EXPECT_EQ(window.RecentProjects(), expected);

  // Kept in the settings; a vanished directory is left out of the menu.
  std::filesystem::remove_all(dir / "d8");
  QSettings again(file, QSettings::IniFormat);
  MainWindow next(&again);
  std::vector<MainWindow::RecentProject> shown = expected;
  std::erase(shown, opened[8]);
  EXPECT_EQ(next.RecentProjects(), shown);
  auto* menu = next.findChild<QMenu*>("recent");
  ASSERT_NE(menu, nullptr);
  emit menu->aboutToShow();
  ASSERT_EQ(menu->actions().size(), 7);
  EXPECT_EQ(menu->actions()[1]->text(), "y in " + opened[9].directory);

  // Choosing one opens its directory with the project chosen.
  menu->actions()[1]->trigger();
  EXPECT_EQ(next.Projects(), (QStringList{"x", "y"}));
  EXPECT_EQ(next.findChild<QComboBox*>("project")->currentText(), "y");
  EXPECT_EQ(next.RecentProjects().front(), opened[9]);

  // A project gone from its directory is not chosen, and says so.
  std::filesystem::remove(dir / "d7/y.iga");
  EXPECT_FALSE(next.OpenRecent(opened[7]));
  EXPECT_TRUE(next.LogLines().last().startsWith("no project y"))
      << next.LogLines().last().toStdString();
}

}  // namespace
}  // namespace desktop
