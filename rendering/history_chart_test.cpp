// The history chart as a person would look at it (the legend's colours, the
// points where the values are, time running to the right), its survival of
// unsound data, and the frames' classing against the reader's class ranges.
#include "rendering/history_chart.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <limits>

#include "testing/host_harness.h"

namespace {

using rendering::HistoryChart;
using rendering::HistoryChartData;
using test_support::TempDir;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Three horizons through eight periods from 100 Ma to the present.
HistoryChartData Example() {
  HistoryChartData data;
  data.title = "demo: oil expelled through time";
  data.amountUnit = "万吨";
  data.periodNames = {"Ek", "Es4", "Es3", "Es2", "Es1", "Ed", "Ng", "Q"};
  data.ages = {100, 65, 50, 43, 38, 32, 24, 0};
  data.horizons = {{"沙三段", {0, 1, 4, 12, 30, 22, 9, 3}, {}, {0, 2, 9, 28, 66, 98, 115, 121}},
                   {"沙四段", {2, 8, 20, 16, 10, 5, 2, 1}, {}, {3, 15, 42, 68, 84, 93, 97, 99}},
                   {"Ek1", {5, 9, 6, 3, 1, 0.5, 0.2, 0}, {}, {7, 22, 33, 38, 40, 41, 41.5, 41.5}}};
  for (HistoryChartData::Horizon& horizon : data.horizons) {
    double sum = 0;
    for (double expelled : horizon.expelled) horizon.expelledCumulative.push_back(sum += expelled);
  }
  return data;
}

QImage Rendered(const rendering::Picture& picture, const TempDir& dir, int width) {
  const std::string out = (dir / "chart.png").string();
  std::string error;
  EXPECT_TRUE(rendering::RenderToFile(picture, out, width, error)) << error;
  return QImage(QString::fromStdString(out));
}

TEST(HistoryChart, LegendAndPointsInTheHorizonsColours) {
  TempDir dir;
  const HistoryChart chart(Example());
  for (int width : {500, 1200}) {
    const QImage image = Rendered(chart, dir, width);
    ASSERT_EQ(image.width(), width);
    EXPECT_EQ(image.height(), static_cast<int>(std::ceil(chart.HeightForWidth(width))));
    EXPECT_NEAR(image.height(), 0.6 * width, 1);
    const QRectF target(0, 0, image.width(), image.height());
    const rendering::HistoryChartLayout layout = chart.Layout(target);
    ASSERT_EQ(layout.swatches.size(), 3u);
    for (std::size_t h = 0; h < 3; ++h) {
      const QRectF& swatch = layout.swatches[h];
      EXPECT_TRUE(target.contains(swatch)) << width;
      EXPECT_GE(swatch.top(), layout.plot.bottom()) << width;
      if (h > 0) {
        EXPECT_FALSE(swatch.intersects(layout.swatches[h - 1])) << width;
      }
      EXPECT_EQ(image.pixelColor(swatch.center().toPoint()), rendering::HorizonColour(h));
    }
    // The last horizon's points lie on top of everything but the marks.
    for (std::size_t period = 0; period < 8; ++period) {
      const std::optional<QPointF> point = chart.CumulativePoint(target, 2, period);
      ASSERT_TRUE(point);
      EXPECT_TRUE(layout.plot.contains(*point));
      EXPECT_EQ(image.pixelColor(point->toPoint()), rendering::HorizonColour(2)) << period;
    }
    // Time runs to the right: the present at the right edge, 100 Ma at the left.
    const QPointF oldest = *chart.CumulativePoint(target, 0, 0);
    const QPointF present = *chart.CumulativePoint(target, 0, 7);
    EXPECT_LT(oldest.x(), layout.plot.left() + layout.plot.width() * 0.1);
    EXPECT_GT(present.x(), layout.plot.right() - layout.plot.width() * 0.1);
    EXPECT_LT(present.y(), oldest.y());  // more oil, higher up
  }
  EXPECT_EQ(chart.Layout(QRectF(0, 0, 1200, 720)).namedPeriods.size(), 8u);
  EXPECT_FALSE(chart.Layout(QRectF(0, 0, 1200, 720)).namesSlanted);
}

TEST(HistoryChart, PeriodNamesThatDoNotFitAreSlantedAndThinnedOut) {
  HistoryChartData data = Example();
  data.periodNames.clear();
  data.ages.clear();
  for (int i = 0; i < 120; ++i) {
    data.periodNames.push_back("period " + std::to_string(i));
    data.ages.push_back(120 - i);
  }
  const rendering::HistoryChartLayout layout = HistoryChart(data).Layout(QRectF(0, 0, 600, 360));
  EXPECT_TRUE(layout.namesSlanted);
  ASSERT_FALSE(layout.namedPeriods.empty());
  EXPECT_LT(layout.namedPeriods.size(), 120u);
  EXPECT_EQ(layout.namedPeriods.back(), 119u);  // the present is always named
  EXPECT_FALSE(layout.plot.isEmpty());
}

// Whatever the data, the chart is drawn whole, at the size asked for.
TEST(HistoryChart, UnsoundDataIsDrawnWithoutFailing) {
  auto with = [](auto change) {
    HistoryChartData data = Example();
    change(data);
    return data;
  };
  const std::vector<std::pair<const char*, HistoryChartData>> cases = {
      {"empty", HistoryChartData()},
      {"no horizons", with([](HistoryChartData& d) { d.horizons.clear(); })},
      {"no periods", with([](HistoryChartData& d) { d.ages.clear(); })},
      {"one period", with([](HistoryChartData& d) { d.ages = {12}; })},
      {"equal ages", with([](HistoryChartData& d) { d.ages.assign(8, 30); })},
      {"unordered ages",
       with([](HistoryChartData& d) { d.ages = {0, 50, 100, 43, 24, 65, 38, 32}; })},
      {"unsound ages",
       with([](HistoryChartData& d) { d.ages = {kNaN, kInf, -kInf, 1e300, -1e300, 5, 5, 0}; })},
      {"unsound values", with([](HistoryChartData& d) {
         d.horizons[0].expelled = {kNaN, kInf, -kInf, 1e300, -5, 0, kNaN, 3};
         d.horizons[1].expelledCumulative.assign(8, kNaN);
         d.horizons[2].generated = {-kInf, 1e-300, 0};
       })},
      {"lists of any length", with([](HistoryChartData& d) {
         d.periodNames.resize(3);
         d.horizons[0].expelled.resize(20, 1);
         d.horizons[1].expelledCumulative.resize(2);
         d.horizons[2] = {};
       })},
      {"all zero", with([](HistoryChartData& d) {
         for (HistoryChartData::Horizon& h : d.horizons) h = {h.name, {0}, {0, 0}, {}};
       })},
      {"many horizons", with([](HistoryChartData& d) { d.horizons.resize(40, d.horizons[1]); })},
  };
  TempDir dir;
  for (const auto& [name, data] : cases) {
    const HistoryChart chart(data);
    for (int width : {200, 900}) {
      const QImage image = Rendered(chart, dir, width);
      EXPECT_EQ(image.width(), width) << name;
      EXPECT_EQ(image.height(), static_cast<int>(std::ceil(chart.HeightForWidth(width)))) << name;
      EXPECT_EQ(chart.Layout(QRectF(0, 0, width, image.height())).swatches.size(),
                data.horizons.size())
          << name;
    }
  }
  std::string error;
  ASSERT_TRUE(
      rendering::RenderToFile(HistoryChart(Example()), (dir / "c.svg").string(), 800, error))
      << error;
  EXPECT_NE(test_support::ReadFile(dir / "c.svg")->find(">沙四段</text>"), std::string::npos);
}

// The mark goes to the largest finite amount expelled in a period, or, without
// those, to the largest rise of the cumulative oil in the order of age.
TEST(HistoryChart, PeakIsTheLargestExpulsion) {
  struct Case {
    const char* name;
    std::vector<double> ages, expelled, cumulative;
    std::optional<std::size_t> peak;
  };
  const std::vector<Case> cases = {
      {"largest bar", {30, 20, 10}, {1, 5, 2}, {}, 1},
      {"not finite skipped", {30, 20, 10}, {kInf, kNaN, 2}, {}, 2},
      {"nothing expelled", {30, 20, 10}, {0, -1, 0}, {0, 0, 0}, std::nullopt},
      {"cumulative rise", {30, 20, 10}, {}, {4, 5, 10}, 2},
      {"first rise from zero", {30, 20, 10}, {}, {6, 7, 9}, 0},
      {"rise in the order of age", {0, 100, 50}, {}, {10, 1, 8}, 2},
      {"bars known but empty of values", {30, 20}, {kNaN, kNaN}, {1, 9}, 1},
      {"age not usable", {kNaN, 20, 10}, {50, 1, 2}, {}, 2},
  };
  for (const Case& c : cases) {
    HistoryChartData data;
    data.ages = c.ages;
    data.horizons = {{"h", c.expelled, c.cumulative, {}}};
    EXPECT_EQ(HistoryChart(data).PeakPeriod(0), c.peak) << c.name;
  }
}

TEST(HistoryChart, HorizonColoursAreDistinct) {
  for (std::size_t a = 0; a < 24; ++a) {
    for (std::size_t b = 0; b < a; ++b)
      EXPECT_NE(rendering::HorizonColour(a), rendering::HorizonColour(b)) << a << " " << b;
  }
}

TEST(Frames, ScaleFromTheLastFrame) {
  struct Case {
    std::vector<float> last;
    std::uint32_t interval;
    int classCount;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<Case> cases = {
      {{}, 1, 1},
      {{0, -3}, 1, 1},
      {{nan, 95, 3}, 10, 10},
      {{100}, 10, 11},
      {{7}, 1, 8},
      {{0.3f}, 1, 1},
      {{101}, 20, 6},
      {{2199023255552.0f}, 2000000000, 1100},
      {{3e38f}, 2000000000, 10000},
  };
  for (const Case& c : cases) {
    const rendering::FrameScale scale = rendering::ScaleForFrames(c.last);
    EXPECT_EQ(scale.interval, c.interval) << c.last.size();
    EXPECT_EQ(scale.classCount, c.classCount) << c.last.size();
  }
}

// Every frame of a series is classed on the last one's scale: every value in
// the range of its code, the class count the same, inactive cells blank.
TEST(Frames, EveryValueFallsInItsCodesRange) {
  const mapreader::MapGeometry geometry{540, 340, 2, 2, 3, 4};
  const std::vector<std::uint8_t> mask = {0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 0, 0};
  std::vector<std::vector<float>> frames;
  for (float growth : {0.0f, 0.1f, 0.45f, 1.0f})
    frames.push_back({-2 * growth, 3 * growth, 20 * growth, 40 * growth, 60 * growth,
                      79.9f * growth, 80 * growth});
  const rendering::FrameScale scale = rendering::ScaleForFrames(frames.back());
  EXPECT_EQ(scale.interval, 10u);
  for (const std::vector<float>& frame : frames) {
    const mapreader::IntensityMap map =
        rendering::FrameMap("t", "(万吨/平方公里)", geometry, mask, frame, scale);
    EXPECT_EQ(map.classCount, scale.classCount);
    ASSERT_EQ(map.codes.size(), 12u);
    std::size_t next = 0;
    for (std::size_t cell = 0; cell < 12; ++cell) {
      if (mask[cell] == 0) {
        EXPECT_EQ(map.codes[cell], 0);
        continue;
      }
      const float value = frame[next++];
      ASSERT_GE(map.codes[cell], 1);
      ASSERT_LE(map.codes[cell], map.HighestCode());
      EXPECT_TRUE(map.RangeOf(map.codes[cell]).Contains(value))
          << value << " in " << map.RangeOf(map.codes[cell]).Label();
    }
  }

  // Short masks and value lists, values past the scale, negative counts.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> few = {nan, 1e30f};
  mapreader::IntensityMap map =
      rendering::FrameMap("t", "u", geometry, std::span(mask).first(6), few, scale);
  EXPECT_EQ(map.codes, (std::vector<std::int32_t>{0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  map = rendering::FrameMap("t", "u", {0, 0, 1, 1, -3, 4}, mask, few, scale);
  EXPECT_TRUE(map.codes.empty());
  EXPECT_EQ(map.geometry.rowCount, 0);
}

}  // namespace
