// The viewer: a small known map opened from disk, its cells in their class
// colours, the text of a hovered cell, zooming about the pointer; a damaged
// map; a profile.
#include "desktop/map_viewer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "rendering/pictures.h"
#include "testing/host_harness.h"
#include "testing/small_map.h"

namespace desktop {
namespace {

using test_support::TempDir;

const std::string& kMap = test_support::kSmallMap;

QPointF Centre(const MapViewer& viewer, const rendering::Cell& cell) {
  const auto* map = dynamic_cast<const rendering::MapPicture*>(viewer.Picture());
  return map->CellRect(QRectF(viewer.Canvas()->rect()), cell).center();
}

void Hover(const MapViewer& viewer, const QPointF& point) {
  QMouseEvent move(QEvent::MouseMove, point, viewer.Canvas()->mapToGlobal(point), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(viewer.Canvas(), &move);
}

TEST(MapViewer, ShowsAMapFromDiskWithTheTextOfTheHoveredCell) {
  TempDir dir;
  test_support::WriteFile(dir / "m.po1", test_support::Gbk(kMap));
  MapViewer viewer(nullptr);
  viewer.resize(800, 600);
  viewer.show();
  ASSERT_TRUE(viewer.Show({QString::fromStdString((dir / "m.po1").string())}, 0))
      << viewer.Message().toStdString();

  const QImage image = viewer.Canvas()->grab().toImage();
  EXPECT_EQ(image.pixelColor(Centre(viewer, {1, 2}).toPoint()), rendering::ClassColour(3, 3));
  EXPECT_EQ(image.pixelColor(Centre(viewer, {0, 0}).toPoint()), QColor(Qt::white));

  struct Case {
    rendering::Cell cell;
    QString text;
  };
  for (const Case& c : {Case{{0, 3}, "row 0, column 3: 20 – 30 (万吨/平方公里)"},
                        Case{{2, 2}, "row 2, column 2: ≤ 0 (万吨/平方公里)"},
                        Case{{2, 0}, "row 2, column 0: outside the modelled area"}}) {
    Hover(viewer, Centre(viewer, c.cell));
    EXPECT_EQ(viewer.Message().toStdString(), c.text.toStdString());
  }

  // Zooming keeps the cell under the pointer there, and draws it larger.
  const QPointF point = Centre(viewer, {1, 1});
  const double width = dynamic_cast<const rendering::MapPicture*>(viewer.Picture())
                           ->CellRect(QRectF(viewer.Canvas()->rect()), {1, 1})
                           .width();
  viewer.Zoom(2, point);
  EXPECT_NEAR(Centre(viewer, {1, 1}).x(), point.x(), 1);
  EXPECT_EQ(viewer.CellText(point).left(15), "row 1, column 1");
  EXPECT_GT(dynamic_cast<const rendering::MapPicture*>(viewer.Picture())
                ->CellRect(QRectF(viewer.Canvas()->rect()), {1, 1})
                .width(),
            1.5 * width);

  // A file that cannot be read says why and shows nothing.
  test_support::WriteFile(dir / "cut.po1", test_support::Gbk(kMap.substr(0, kMap.size() - 10)));
  EXPECT_FALSE(viewer.Show({QString::fromStdString((dir / "cut.po1").string())}, 0));
  EXPECT_TRUE(viewer.Message().contains("cut.po1")) << viewer.Message().toStdString();
  EXPECT_EQ(viewer.Picture(), nullptr);

  // A profile shows as its plot, with no cells to hover.
  test_support::WriteFile(
      dir / "p.dsa",
      " all\n        1500        4.00\n        1520       12.50\n        0.00        0.00\n"
      "           0        2000         100\n        0.00       15.00        2.50\n"
      "       Sa(%)    Depth(m)");
  ASSERT_TRUE(viewer.Show({QString::fromStdString((dir / "p.dsa").string())}, 0))
      << viewer.Message().toStdString();
  EXPECT_NE(dynamic_cast<const rendering::ProfilePicture*>(viewer.Picture()), nullptr);
  EXPECT_EQ(viewer.CellText(QRectF(viewer.Canvas()->rect()).center()), "");
}

}  // namespace
}  // namespace desktop
