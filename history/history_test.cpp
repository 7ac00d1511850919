#include "history/history.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "history/history_csv.h"
#include "testing/host_harness.h"

namespace history {
namespace {

using test_support::TempDir;
using test_support::WriteFile;

// Keeps a copy of every series handed over, by kind and horizon.
class Recorder : public SeriesSink {
 public:
  bool Take(const ProjectHistory&, const SeriesGrids& grids) override {
    order.emplace_back(grids.series, grids.horizon);
    values[{grids.series, grids.horizon}].assign(grids.values.begin(), grids.values.end());
    return stopAfter < 0 || static_cast<int>(order.size()) < stopAfter;
  }
  bool Settle() override {
    settledAfter.push_back(static_cast<int>(order.size()));
    return settleStops < 0 || static_cast<int>(settledAfter.size()) < settleStops;
  }
  std::vector<std::pair<Series, int>> order;
  std::map<std::pair<Series, int>, std::vector<float>> values;
  int stopAfter = -1;
  std::vector<int> settledAfter;  // the series taken when the sink was settled
  int settleStops = -1;           // the settling that stops the reading
};

// Two horizons and three periods (ages 10.5, 20.5, 30.5) on a row of three
// cells of 2 x 2 (area 4), the middle one outside the area.
class HistoryTest : public ::testing::Test {
 protected:
  HistoryTest() { WriteFiles(); }
  void WriteFiles() {
    test_support::WriteProject(dir_, {"demo", 3, {"H1", "H2"}, "0 0 2 2 1 3\n1 0 1\n"});
    // Per horizon, the active cells' periods.
    WriteFile(dir_ / "demo.doe", "4 8 0  0 4 4\n2 2 2  -4 0 0\n");
    WriteFile(dir_ / "demo.dou", "8 8 4  0 0 12\n1 1 1  0 0 0\n");
    WriteFile(dir_ / "demo.peo", "1 0 0  0 0 0\n0 0 0  0 0 2\n");
  }
  std::optional<ProjectHistory> Read() {
    failure_ = {};
    return ReadHistory((dir_ / "demo").string(), recorder_, failure_);
  }
  std::vector<std::string> CsvLines(const ProjectHistory& history) {
    std::vector<std::string> lines;
    std::istringstream csv(HistoryCsv(history));
    for (std::string line; std::getline(csv, line);) lines.push_back(line);
    return lines;
  }

  TempDir dir_;
  Recorder recorder_;
  Failure failure_;
};

TEST_F(HistoryTest, TableOfEveryHorizonAndTheTotal) {
  std::optional<ProjectHistory> history = Read();
  ASSERT_TRUE(history) << failure_.text;
  // Amounts in file order; intensities cumulative over the area 4; the area
  // of the cells above 0 in cells x 2 x 2.
  EXPECT_EQ(CsvLines(*history), (std::vector<std::string>{
                                    kCsvHeader,
                                    "1,H1,1,Q1,10.5,4,4,1,1,8,12,1,4",
                                    "1,H1,2,Q2,20.5,12,16,0,1,8,24,3,8",
                                    "1,H1,3,Q3,30.5,4,20,0,1,16,36,3,8",
                                    "2,H2,1,Q1,10.5,-2,-2,0,0,1,-1,0.5,4",
                                    "2,H2,2,Q2,20.5,2,0,0,0,1,1,1,4",
                                    "2,H2,3,Q3,30.5,2,2,2,2,1,3,1.5,4",
                                    "0,all,1,Q1,10.5,2,2,1,1,9,11,1.5,4",
                                    "0,all,2,Q2,20.5,14,16,0,1,9,25,4,4",
                                    "0,all,3,Q3,30.5,6,22,2,3,17,39,4.5,8",
                                }));
}

TEST_F(HistoryTest, SeriesAsTheMapsComputeThem) {
  ASSERT_TRUE(Read()) << failure_.text;
  // Each horizon's kinds in order, then the totals.
  using enum Series;
  EXPECT_EQ(recorder_.order, (std::vector<std::pair<Series, int>>{
                                 {Expelled, 0},
                                 {DeepExpelled, 0},
                                 {Unexpelled, 0},
                                 {Generated, 0},
                                 {Expelled, 1},
                                 {DeepExpelled, 1},
                                 {Unexpelled, 1},
                                 {Generated, 1},
                                 {Expelled, kTotal},
                                 {DeepExpelled, kTotal},
                                 {Unexpelled, kTotal},
                                 {Generated, kTotal},
                             }));
  auto series = [&](Series kind, int horizon) { return recorder_.values[{kind, horizon}]; };
  // Period by period, the cells of a period together.
  EXPECT_EQ(series(Expelled, 0), (std::vector<float>{1, 0, 3, 1, 3, 2}));
  EXPECT_EQ(series(Unexpelled, 0), (std::vector<float>{2, 0, 2, 0, 1, 3}));
  // (unexpelled_k + expelled before k) + expelled_k.
  EXPECT_EQ(series(Generated, 0), (std::vector<float>{3, 0, 5, 1, 4, 5}));
  EXPECT_EQ(series(DeepExpelled, 1), (std::vector<float>{0, 0, 0, 0, 0, 0.5f}));
  EXPECT_EQ(series(Expelled, kTotal), (std::vector<float>{1.5f, -1, 4, 0, 4.5f, 1}));
  EXPECT_EQ(series(Generated, kTotal), (std::vector<float>{3.75f, -1, 6.25f, 0, 5.75f, 4}));
}

TEST_F(HistoryTest, MissingQuantityFilesLeaveTheirColumnsEmpty) {
  std::filesystem::remove(dir_ / "demo.peo");
  std::filesystem::remove(dir_ / "demo.doe");
  std::optional<ProjectHistory> history = Read();
  ASSERT_TRUE(history) << failure_.text;
  EXPECT_EQ(CsvLines(*history)[1], "1,H1,1,Q1,10.5,,,,,8,,,");
  EXPECT_EQ(recorder_.order.size(), 3u);  // the unexpelled of H1, H2 and the total
}

TEST_F(HistoryTest, BadInputIsNamed) {
  struct Case {
    const char* file;
    const char* text;
    const char* expected;  // in the message
  };
  for (const Case& c : std::vector<Case>{
           {"demo.doe", "4 8 0  0 4 4\n2 2 x  -4 0 0\n", "demo.doe"},
           {"demo.dou", "8 8 4  0 0 12\n1 1 1  0 0\n", "demo.dou"},
           {"demo.dgr", "0 0 2 2 1 3\n1 0\n", "demo.dgr"},
       }) {
    WriteFiles();
    WriteFile(dir_ / c.file, c.text);
    recorder_ = {};
    EXPECT_FALSE(Read()) << c.file;
    EXPECT_NE(failure_.text.find(c.expected), std::string::npos) << failure_.text;
    // The horizon before the damage may have been handed over, never a total.
    for (const auto& [kind, horizon] : recorder_.order) EXPECT_NE(horizon, kTotal);
  }
  WriteFiles();
  for (const char* file : {"demo.doe", "demo.dou", "demo.peo"})
    std::filesystem::remove(dir_ / file);
  EXPECT_FALSE(Read());
  EXPECT_NE(failure_.text.find("none of the quantity files"), std::string::npos) << failure_.text;
}

TEST_F(HistoryTest, NoPeriodsGiveAnEmptyHistory) {
  WriteFile(dir_ / "demo.iga", "0\n0\n");
  std::optional<ProjectHistory> history = Read();
  ASSERT_TRUE(history) << failure_.text;
  EXPECT_EQ(CsvLines(*history), (std::vector<std::string>{kCsvHeader}));
}

TEST_F(HistoryTest, TheSinkCanStopTheReading) {
  recorder_.stopAfter = 1;
  EXPECT_FALSE(Read());
  EXPECT_EQ(recorder_.order.size(), 1u);
  EXPECT_TRUE(failure_.text.empty());
  // Settled all the same, before the series' memory went.
  EXPECT_EQ(recorder_.settledAfter, std::vector<int>{1});

  recorder_ = {};
  recorder_.settleStops = 2;
  EXPECT_FALSE(Read());
  EXPECT_EQ(recorder_.settledAfter, (std::vector<int>{4, 8}));
  EXPECT_TRUE(failure_.text.empty());
}

TEST_F(HistoryTest, TheSinkIsSettledAfterEachHorizonAndTheTotals) {
  ASSERT_TRUE(Read()) << failure_.text;
  EXPECT_EQ(recorder_.settledAfter, (std::vector<int>{4, 8, 12}));
  // A damaged second horizon: the first was settled, nothing more.
  WriteFile(dir_ / "demo.dou", "8 8 4  0 0 12\n1 1 x  0 0 0\n");
  recorder_ = {};
  EXPECT_FALSE(Read());
  EXPECT_EQ(recorder_.settledAfter, std::vector<int>{4});
}

// Cells are read several at a time, and periods added up several at a time:
// with any number of active cells and periods, each series holds every cell's
// values as worked out cell by cell, and the amounts are the files' values
// added in file order.
TEST(HistoryCells, EveryCellAsWorkedOutOneByOne) {
  constexpr int kHorizons = 2;
  const float area = 4;
  for (const auto& [periods, active] : std::vector<std::pair<int, int>>{
           {3, 1}, {3, 15}, {3, 16}, {3, 17}, {3, 37}, {11, 17}, {8, 16}}) {
    TempDir dir;
    // A row of the active cells with an inactive one after every fourth.
    std::string mask;
    int columns = 0;
    for (int cell = 0; cell < active; ++cell, ++columns) {
      mask += "1 ";
      if (cell % 4 == 3) mask += "0 ", ++columns;
    }
    test_support::WriteProject(
        dir, {"demo", periods, {"H1", "H2"}, "0 0 2 2 1 " + std::to_string(columns) + "\n" + mask});
    // [file][horizon][cell][period]
    std::vector<float> values[3];
    const char* const files[3] = {"demo.doe", "demo.peo", "demo.dou"};
    for (int f = 0; f < 3; ++f) {
      std::string text;
      for (int i = 0; i < kHorizons * active * periods; ++i) {
        const std::string field = std::to_string((i * 7919 + f * 104729) % 2003 - 400) + "." +
                                  std::to_string((i * 31 + f) % 97);
        values[f].push_back(std::stof(field));
        text += field + (i % periods == periods - 1 ? "\n" : " ");
      }
      WriteFile(dir.path() / files[f], text);
    }
    Recorder recorder;
    Failure failure;
    std::optional<ProjectHistory> history =
        ReadHistory((dir.path() / "demo").string(), recorder, failure);
    ASSERT_TRUE(history) << failure.text;
    using enum Series;
    std::map<std::pair<Series, int>, std::vector<float>> expected;
    for (Series kind : {Expelled, DeepExpelled, Unexpelled, Generated})
      expected[{kind, kTotal}].assign(static_cast<std::size_t>(periods * active), 0.0f);
    std::vector<double> expelledTotal(periods);
    for (int h = 0; h < kHorizons; ++h) {
      std::vector<double> expelledAmount(periods);
      for (Series kind : {Expelled, DeepExpelled, Unexpelled, Generated})
        expected[{kind, h}].resize(static_cast<std::size_t>(periods * active));
      for (int cell = 0; cell < active; ++cell) {
        float expelled = 0, deep = 0;
        for (int k = 0; k < periods; ++k) {
          const auto in = static_cast<std::size_t>((h * active + cell) * periods + k);
          const auto out = static_cast<std::size_t>(k * active + cell);
          const float e = values[0][in], d = values[1][in], u = values[2][in];
          expelledAmount[static_cast<std::size_t>(k)] += e;
          expelledTotal[static_cast<std::size_t>(k)] += e;
          expected[{Generated, h}][out] = (u / area + expelled) + e / area;
          expected[{Expelled, h}][out] = expelled += e / area;
          expected[{DeepExpelled, h}][out] = deep += d / area;
          expected[{Unexpelled, h}][out] = u / area;
        }
      }
      for (Series kind : {Expelled, DeepExpelled, Unexpelled, Generated}) {
        for (std::size_t at = 0; at < expected[{kind, h}].size(); ++at)
          expected[{kind, kTotal}][at] = expected[{kind, h}][at] + expected[{kind, kTotal}][at];
      }
      for (int k = 0; k < periods; ++k) {
        EXPECT_EQ(
            history->horizons[static_cast<std::size_t>(h)][static_cast<std::size_t>(k)].expelled,
            expelledAmount[static_cast<std::size_t>(k)]);
      }
    }
    for (int k = 0; k < periods; ++k)
      EXPECT_EQ(history->total[static_cast<std::size_t>(k)].expelled,
                expelledTotal[static_cast<std::size_t>(k)]);
    EXPECT_EQ(recorder.values, expected) << active << " active cells, " << periods << " periods";
  }
}

}  // namespace
}  // namespace history
