// The desktop application's window: the projects of a directory, and a
// command run through it with its messages and files in the log.
#include "desktop/main_window.h"

#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>
#include <filesystem>

#include "qtui/testing/gui_driver.h"
#include "rendering/pictures.h"
#include "testing/host_harness.h"

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

}  // namespace
}  // namespace desktop
