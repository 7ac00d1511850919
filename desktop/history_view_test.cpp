// The history through the desktop window: the sample project's history
// written in-process and flipped through in its view, against the GeoTIFFs
// the same run wrote; Play; a damaged quantity file.
#include "desktop/history_view.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "desktop/main_window.h"
#include "rendering/history_chart.h"
#include "rendering/pictures.h"
#include "testing/host_harness.h"

namespace desktop {
namespace {

using test_support::TempDir;

struct Band {
  std::vector<float> values;  // row by row
  std::string description;
};

Band ReadBand(const std::string& path, int band /* from 1 */) {
  static const bool registered = (GDALAllRegister(), true);
  (void)registered;
  Band result;
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  GDALRasterBand* raster = dataset ? dataset->GetRasterBand(band) : nullptr;
  if (raster == nullptr) return result;
  const int width = dataset->GetRasterXSize(), height = dataset->GetRasterYSize();
  result.values.resize(static_cast<std::size_t>(width) * height);
  if (raster->RasterIO(GF_Read, 0, 0, width, height, result.values.data(), width, height,
                       GDT_Float32, 0, 0, nullptr) != CE_None) {
    result.values.clear();
  }
  result.description = raster->GetDescription();
  return result;
}

// Runs the history through the window; its exit status.
int RunHistory(MainWindow& window) {
  int status = -1;
  auto connection =
      QObject::connect(&window, &MainWindow::historyFinished, [&](int s) { status = s; });
  EXPECT_TRUE(window.StartHistory());
  EXPECT_FALSE(window.Start(host::Command::Gas));  // one command at a time
  EXPECT_FALSE(window.StartHistory());
  EXPECT_TRUE(QTest::qWaitFor([&] { return status != -1; }, 60000));
  QObject::disconnect(connection);
  return status;
}

TEST(DesktopHistory, ShowsEachHorizonsFramesAsTheRunWroteThem) {
  TempDir dir;
  test_support::CopySample(dir.path());
  const QString project = QString::fromStdString(dir.path().string());
  MainWindow window;
  window.show();
  window.OpenDirectory(project);
  ASSERT_EQ(RunHistory(window), 0);
  const QStringList log = window.LogLines();
  EXPECT_TRUE(log.contains("written: " + project + "/demo.history.csv"));
  // A GeoTIFF per kind (4) for each horizon and the total, the cube, the
  // table and the chart.
  EXPECT_EQ(log.last(), "history written: 19 files") << log.join('\n').toStdString();

  HistoryView* view = window.History();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isVisible());
  QComboBox& horizons = *view->HorizonChooser();
  QSlider& slider = *view->Slider();
  ASSERT_EQ(horizons.count(), 4);
  EXPECT_EQ(horizons.itemText(3), "all horizons");
  ASSERT_EQ(slider.maximum(), 4);
  EXPECT_EQ(slider.value(), 4);  // the present day first
  ASSERT_NE(view->Chart(), nullptr);
  EXPECT_EQ(view->Chart()->Data().horizons.size(), 3u);

  // Every frame holds the values of its band, bit for bit, and the label
  // names the period as the band does.
  const QStringList grids = {"沙三段.po1", "沙四段.po2", "Ek1.po3", "demo.pot"};
  for (int h = 0; h < 4; ++h) {
    horizons.setCurrentIndex(h);
    std::vector<std::int32_t> codes[2];
    for (int k = 0; k < 5; ++k) {
      SCOPED_TRACE(grids[h].toStdString() + " period " + std::to_string(k + 1));
      slider.setValue(k);
      const Band band = ReadBand((dir / (grids[h] + ".history.tif").toStdString()).string(), k + 1);
      EXPECT_EQ(view->PeriodText().toStdString(), band.description);
      const rendering::MapPicture* map = view->Map();
      ASSERT_NE(map, nullptr);
      EXPECT_TRUE(QString::fromStdString(map->Title()).endsWith(view->PeriodText()));
      const mapreader::MapGeometry& g = map->Map().geometry;
      ASSERT_EQ(band.values.size(), static_cast<std::size_t>(g.rowCount) * g.columnCount);
      int compared = 0;
      for (int row = 0; row < g.rowCount; ++row) {
        for (int column = 0; column < g.columnCount; ++column) {
          const std::optional<float> value = view->ValueAt(row, column);
          if (!value) continue;
          const float expected =
              band.values[static_cast<std::size_t>(row) * g.columnCount + column];
          EXPECT_EQ(std::memcmp(&*value, &expected, sizeof expected), 0)
              << row << "," << column << ": " << *value << " != " << expected;
          ++compared;
        }
      }
      EXPECT_EQ(compared, 360);  // the active cells
      if (k == 0) codes[0] = map->Map().codes;
      if (k == 4) codes[1] = map->Map().codes;
    }
    EXPECT_NE(codes[0], codes[1]);  // the oil came over time
  }

  // Hovering a cell tells its value in the frame shown.
  horizons.setCurrentIndex(0);
  slider.setValue(2);
  const rendering::MapPicture& map = *view->Map();
  const std::vector<std::int32_t>& codes = map.Map().codes;
  const auto modelled =
      std::find_if(codes.begin(), codes.end(), [](std::int32_t code) { return code >= 2; });
  ASSERT_NE(modelled, codes.end());
  const int columns = map.Map().geometry.columnCount;
  const rendering::Cell cell{static_cast<int>(modelled - codes.begin()) / columns,
                             static_cast<int>(modelled - codes.begin()) % columns};
  const QPointF point = map.CellRect(QRectF(view->MapCanvas()->rect()), cell).center();
  QMouseEvent hover(QEvent::MouseMove, point, view->MapCanvas()->mapToGlobal(point), Qt::NoButton,
                    Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(view->MapCanvas(), &hover);
  const QString value =
      QString::number(static_cast<double>(*view->ValueAt(cell.row, cell.column)), 'g', 7);
  EXPECT_TRUE(
      view->Message().startsWith(QString("row %1, column %2: ").arg(cell.row).arg(cell.column)))
      << view->Message().toStdString();
  EXPECT_TRUE(view->Message().endsWith(", value " + value)) << view->Message().toStdString();

  // Play steps to the last period and stops there; from the last, it starts
  // again at the first.
  view->SetPlayInterval(10);
  slider.setValue(1);
  QTest::mouseClick(view->PlayButton(), Qt::LeftButton);
  EXPECT_TRUE(view->Playing());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !view->Playing(); }, 5000));
  EXPECT_EQ(slider.value(), 4);
  EXPECT_EQ(view->PlayButton()->text(), "&Play");
  view->SetPlayInterval(60000);
  QTest::mouseClick(view->PlayButton(), Qt::LeftButton);
  EXPECT_EQ(slider.value(), 0);
  EXPECT_TRUE(view->Playing());
  QTest::mouseClick(view->PlayButton(), Qt::LeftButton);
  EXPECT_FALSE(view->Playing());

  // Again: the files replaced, the same view on the new run's frames.
  ASSERT_EQ(RunHistory(window), 0);
  EXPECT_EQ(window.LogLines().last(), "history written: 19 files");
  EXPECT_EQ(window.History(), view);
  EXPECT_EQ(slider.value(), 4);
  EXPECT_EQ(horizons.currentIndex(), 0);
}

TEST(DesktopHistory, AFailureIsLoggedWithItsReason) {
  TempDir dir;
  test_support::CopySample(dir.path());
  std::filesystem::resize_file(dir / "demo.doe", std::filesystem::file_size(dir / "demo.doe") / 2);
  MainWindow window;
  window.OpenDirectory(QString::fromStdString(dir.path().string()));
  ASSERT_EQ(RunHistory(window), 1);
  const QStringList log = window.LogLines();
  EXPECT_EQ(log.last(), "history failed (status 1)");
  EXPECT_EQ(log.filter("demo.doe").size(), 1) << log.join('\n').toStdString();
  EXPECT_EQ(window.History(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(dir / "demo.history.csv"));
  EXPECT_FALSE(window.Running());
}

}  // namespace
}  // namespace desktop
