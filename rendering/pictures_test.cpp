// Pictures checked the way a person would look at them, tolerant of fonts:
// sizes, the colours of known cells and of the legend's swatches, the title
// in the SVG, a profile's curve where its samples are.
#include "rendering/pictures.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <limits>

#include "rendering/contours.h"
#include "rendering/painting.h"
#include "testing/host_harness.h"

namespace {

using test_support::TempDir;

// 3 rows, 4 columns, four classes of interval 10; two cells outside.
mapreader::IntensityMap SmallMap() {
  mapreader::IntensityMap map;
  map.title = "沙三段层各时期累计排油强度图";
  map.unit = "(万吨/平方公里)";
  map.geometry = {540, 340, 2, 2, 3, 4};
  map.classCount = 4;
  map.interval = 10;
  map.codes = {1, 2, 3, 4,  //
               0, 2, 2, 4,  //
               1, 1, 3, 0};
  return map;
}

QImage Rendered(const rendering::Picture& picture, const TempDir& dir, int width) {
  const std::string out = (dir / "picture.png").string();
  std::string error;
  EXPECT_TRUE(rendering::RenderToFile(picture, out, width, error)) << error;
  return QImage(QString::fromStdString(out));
}

TEST(Pictures, MapCellsAndLegendInTheirColours) {
  TempDir dir;
  const rendering::MapPicture picture(SmallMap());
  for (int width : {300, 1200}) {
    const QImage image = Rendered(picture, dir, width);
    ASSERT_EQ(image.width(), width);
    EXPECT_EQ(image.height(), static_cast<int>(std::ceil(picture.HeightForWidth(width))));
    const QRectF target(0, 0, image.width(), image.height());
    for (int row = 0; row < 3; ++row) {
      for (int column = 0; column < 4; ++column) {
        const int code = picture.Map().Code(row, column);
        const QPoint centre = picture.CellRect(target, {row, column}).center().toPoint();
        const QColor expected = code == 0 ? QColor(Qt::white) : rendering::ClassColour(code, 4);
        EXPECT_EQ(image.pixelColor(centre), expected) << width << ": " << row << "," << column;
      }
    }
    const rendering::MapLayout layout = picture.Layout(target);
    ASSERT_EQ(layout.swatches.size(), 4u);  // one entry per class
    for (std::size_t i = 0; i < layout.swatches.size(); ++i) {
      EXPECT_EQ(image.pixelColor(layout.swatches[i].center().toPoint()),
                rendering::ClassColour(static_cast<int>(i) + 1, 4));
    }
  }
}

TEST(Pictures, PaletteRunsFromDarkToLightInEveryClassCount) {
  auto luma = [](const QColor& colour) { return qGray(colour.rgb()); };
  for (int highest : {2, 3, 11, 200}) {
    for (int code = 2; code <= highest; ++code) {
      EXPECT_GE(luma(rendering::ClassColour(code, highest)),
                luma(rendering::ClassColour(code - 1, highest)))
          << code << " of " << highest;
    }
    EXPECT_LT(luma(rendering::ClassColour(1, highest)) + 100,
              luma(rendering::ClassColour(highest, highest)));
  }
}

// A viewer maps the pointer to a cell and back, zoomed in or not.
TEST(Pictures, CellUnderAPointIsTheCellDrawnThere) {
  rendering::MapPicture picture(SmallMap());
  const QRectF target(0, 0, 800, 600);
  for (bool zoomed : {false, true}) {
    if (zoomed) picture.SetView(QRectF(542, 336, 4, 3));
    for (rendering::Cell cell : {rendering::Cell{0, 1}, rendering::Cell{1, 2}}) {
      auto found = picture.CellAt(target, picture.CellRect(target, cell).center());
      ASSERT_TRUE(found);
      EXPECT_EQ(found->row, cell.row);
      EXPECT_EQ(found->column, cell.column);
    }
  }
  EXPECT_FALSE(picture.CellAt(target, QPointF(1, 1)));
}

TEST(Pictures, SvgAndPdfHoldTheMap) {
  TempDir dir;
  const rendering::MapPicture picture(SmallMap());
  std::string error;
  ASSERT_TRUE(rendering::RenderToFile(picture, (dir / "m.svg").string(), 800, error)) << error;
  ASSERT_TRUE(rendering::RenderToFile(picture, (dir / "m.PDF").string(), 800, error)) << error;
  EXPECT_NE(test_support::ReadFile(dir / "m.svg")->find(">" + SmallMap().title + "</text>"),
            std::string::npos);
  EXPECT_EQ(test_support::ReadFile(dir / "m.PDF")->substr(0, 5), "%PDF-");
  EXPECT_FALSE(rendering::RenderToFile(picture, (dir / "m.gif").string(), 800, error));
  EXPECT_NE(error.find("must end in .png, .svg or .pdf"), std::string::npos) << error;
  EXPECT_FALSE(rendering::RenderToFile(picture, (dir / "no/m.png").string(), 800, error));
  EXPECT_NE(error.find("cannot be written"), std::string::npos) << error;
}

TEST(Pictures, ProfileCurvePassesThroughItsSamples) {
  mapreader::SaturationProfile profile;
  profile.name = "all";
  profile.samples = {{1500, 4}, {2500, 12.5}, {3520, 8}};
  profile.depthAxis = {0, 3500, 300};  // the deepest sample lies beyond it
  profile.saturationAxis = {0, 15, 2.5};
  const rendering::ProfilePicture picture(profile);
  TempDir dir;
  const QImage image = Rendered(picture, dir, 600);
  ASSERT_EQ(image.width(), 600);
  const QRectF target(0, 0, image.width(), image.height());
  const QColor curve = rendering::ClassColour(3, 9);
  for (const mapreader::SaturationSample& sample : profile.samples) {
    const QPointF point = picture.SamplePoint(target, sample);
    EXPECT_TRUE(picture.PlotRect(target).contains(point)) << sample.depth;
    EXPECT_EQ(image.pixelColor(point.toPoint()), curve) << sample.depth;
  }
}

// The trailer of a profile without samples: 0.00 0.00 / 0 500 0 / 0.00 0.00 1.00.
TEST(Pictures, EmptyProfileIsDrawnOnItsAxes) {
  mapreader::SaturationProfile profile;
  profile.depthAxis = {0, 500, 0};
  profile.saturationAxis = {0, 0, 1};
  const rendering::ProfilePicture picture(profile);
  TempDir dir;
  EXPECT_EQ(Rendered(picture, dir, 400).width(), 400);
  EXPECT_GT(picture.PlotRect(QRectF(0, 0, 400, 520)).width(), 0);
}

// Coordinates far from 0, where the grid's cells or the axis's span lie below
// the spacing of doubles or beyond their range, still give a picture, with a
// tick at least, instead of ticks without end.
TEST(Pictures, FarCoordinatesStillGiveAPicture) {
  EXPECT_EQ(rendering::Ticks(0, 100, 6), (std::vector<double>{0, 20, 40, 60, 80, 100}));
  EXPECT_EQ(rendering::Ticks(-0.5, 0.5, 4), (std::vector<double>{-0.5, 0, 0.5}));
  for (auto [from, to] :
       {std::pair{1e17, 1e17 + 4}, std::pair{-1.5e308, 1.5e308}, std::pair{1.5e308, 1.7e308}}) {
    const std::vector<double> ticks = rendering::Ticks(from, to, 8);
    EXPECT_GE(ticks.size(), 1u) << from;
    EXPECT_LE(ticks.size(), 1000u) << from;
  }
  TempDir dir;
  mapreader::IntensityMap map = SmallMap();
  map.geometry.originX = 1e17;
  EXPECT_EQ(Rendered(rendering::MapPicture(map), dir, 400).width(), 400);
  mapreader::SaturationProfile profile;
  profile.samples = {{100, 1}};
  profile.depthAxis = {0, 500, 100};
  profile.saturationAxis = {-1.5e308, 1.5e308, 1};
  EXPECT_EQ(Rendered(rendering::ProfilePicture(profile), dir, 400).width(), 400);
}

// 4 rows, 5 columns of interval 10, the values rising to the right:
// -5 | 5, 18, 28, 35, 45 by column; one cell outside.
mapreader::IntensityMap RampMap() {
  mapreader::IntensityMap map;
  map.title = "ramp";
  map.unit = "(万吨/平方公里)";
  map.geometry = {0, 40, 10, 10, 4, 5};
  map.classCount = 5;
  map.interval = 10;
  map.codes = {1, 2, 3, 4, 5,  //
               2, 2, 3, 4, 5,  //
               2, 2, 3, 4, 5,  //
               2, 2, 3, 4, 0};
  return map;
}
std::vector<float> RampValues() {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  return {-5, 18, 28, 35, 45,  //
          5,  18, 28, 35, 45,  //
          5,  18, 28, 35, 45,  //
          5,  18, 28, 35, nan};
}

bool DarkPixelIn(const QImage& image, const QRectF& box) {
  for (int y = static_cast<int>(box.top()); y < box.bottom(); ++y) {
    for (int x = static_cast<int>(box.left()); x < box.right(); ++x) {
      if (qGray(image.pixel(x, y)) < 90) return true;
    }
  }
  return false;
}

// With values, the bands between the class bounds: each cell's centre in
// its class's colour, and between centres the colour of the value there
// (the level 20 crosses 18 to 28 a fifth of the way, inside the cell of 18);
// without values, or values that do not fit the classes, the cells' blocks.
TEST(ContourPictures, BandsLinesLabelsAndTheBlocksWithoutValues) {
  TempDir dir;
  const int width = 1200;
  rendering::MapPicture blocks(RampMap());
  rendering::MapPicture contoured(RampMap());
  ASSERT_TRUE(contoured.SetValues(RampValues()));
  EXPECT_EQ(contoured.ContourLevels(), (std::vector<double>{0, 10, 20, 30, 40}));

  std::vector<float> wrong = RampValues();
  wrong[1] = 25;  // not in its cell's class 2
  EXPECT_FALSE(blocks.SetValues(wrong));
  wrong = RampValues();
  wrong[19] = 1;  // a value outside the area
  EXPECT_FALSE(blocks.SetValues(wrong));
  EXPECT_FALSE(blocks.SetValues(std::vector<float>(19, 1)));
  EXPECT_FALSE(blocks.HasValues());

  const QImage banded = Rendered(contoured, dir, width);
  const QImage plain = Rendered(blocks, dir, width);
  const QRectF target(0, 0, width, banded.height());
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 5; ++column) {
      const QPoint centre = contoured.CellRect(target, {row, column}).center().toPoint();
      const QColor expected = rendering::ClassColour(RampMap().Code(row, column), 5);
      EXPECT_EQ(banded.pixelColor(centre), expected) << row << "," << column;
      EXPECT_EQ(plain.pixelColor(centre), expected) << row << "," << column;
    }
  }
  const QRectF cell = contoured.CellRect(target, {1, 1});
  const QPoint nearEdge(static_cast<int>(cell.right() - 0.15 * cell.width()),
                        static_cast<int>(cell.center().y()));
  EXPECT_EQ(banded.pixelColor(nearEdge), rendering::ClassColour(3, 5));
  EXPECT_EQ(plain.pixelColor(nearEdge), rendering::ClassColour(2, 5));

  // Labels on the lines, each with its level written in it; none on blocks.
  const std::vector<rendering::ContourLabel> labels = contoured.Labels(target);
  ASSERT_FALSE(labels.empty());
  bool twenty = false;
  for (const rendering::ContourLabel& label : labels) {
    twenty = twenty || label.text == "20";
    EXPECT_TRUE(DarkPixelIn(
        banded, QRectF(label.centre - QPointF(label.size.height() / 2, label.size.height() / 2),
                       QSizeF(label.size.height(), label.size.height()))))
        << label.text.toStdString();
  }
  EXPECT_TRUE(twenty);
  EXPECT_TRUE(blocks.Labels(target).empty());

  // A scale bar of a round length inside the plot.
  const rendering::ScaleBarPlace bar = contoured.ScaleBar(target);
  EXPECT_EQ(bar.length, 10);
  EXPECT_TRUE(contoured.Layout(target).plot.contains(bar.bar));
  EXPECT_EQ(banded.pixelColor(QPointF(bar.bar.center().x(), bar.bar.bottom()).toPoint()),
            QColor(Qt::black));
}

// Marching squares: a peak gives one closed line through the edges' middles;
// a saddle is decided by the mean of its corners.
TEST(ContourPictures, LinesAroundAPeakAndThroughASaddle) {
  const std::vector<float> peak = {0, 0, 0, 0, 10, 0, 0, 0, 0};
  const rendering::ValueGrid grid{3, 3, 0, 3, 1, 1, peak};
  const std::vector<rendering::ContourLine> lines = rendering::TraceContours(grid, 5);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].closed);
  ASSERT_EQ(lines[0].points.size(), 4u);
  for (const QPointF& point : lines[0].points) {
    EXPECT_DOUBLE_EQ(std::abs(point.x() - 1.5) + std::abs(point.y() - 1.5), 0.5);
  }
  EXPECT_TRUE(rendering::TraceContours(grid, 11).empty());

  // Corners 10, 0 / 0, x: the mean says whether the two high corners are
  // joined across the middle; two lines either way.
  for (float x : {10.0f, 9.0f}) {
    const std::vector<float> cells = {10, 0, 1 - x / 10, x};
    const rendering::ValueGrid saddle{2, 2, 0, 2, 1, 1, cells};
    EXPECT_EQ(rendering::TraceContours(saddle, 5).size(), 2u) << x;
    const bool joined = (10 + cells[2] + x) / 4 >= 5;
    EXPECT_EQ(joined, x == 10);
    EXPECT_EQ(rendering::BandPaths(saddle, {{5, false}})[0].contains(QPointF(1, 1)), joined) << x;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
