#include "tools/makeproject.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fs = std::filesystem;
using makeproject::GenerateProject;
using makeproject::Options;
using makeproject::Summary;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Tokens(const fs::path& path) {
  std::istringstream in(ReadAll(path));
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

double Real(const std::string& token) {
  char* end = nullptr;
  double value = std::strtod(token.c_str(), &end);
  EXPECT_EQ(*end, '\0') << token;
  return value;
}

long Whole(const std::string& token) {
  char* end = nullptr;
  long value = std::strtol(token.c_str(), &end, 10);
  EXPECT_EQ(*end, '\0') << token;
  return value;
}

class MakeProjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("makeproject_test_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  Options Small(const std::string& sub) const {
    Options o;
    o.dir = root_ / sub;
    o.project = "demo";
    o.rows = 13;
    o.cols = 17;
    o.horizons = 3;
    o.periods = 7;
    o.seed = 42;
    o.activeFraction = 0.5;
    o.gasRecords = 2;
    o.horizonNames = {"沙三段", "沙四段", "Ek1"};
    return o;
  }

  fs::path root_;
};

TEST_F(MakeProjectTest, SameSeedGivesSameBytesOtherSeedOtherValues) {
  Summary a = GenerateProject(Small("a"));
  Summary b = GenerateProject(Small("b"));
  Options other = Small("c");
  other.seed = 43;
  GenerateProject(other);
  ASSERT_EQ(a.files.size(), 13u);
  ASSERT_EQ(a.files.size(), b.files.size());
  for (std::size_t i = 0; i < a.files.size(); ++i) {
    EXPECT_EQ(a.files[i].filename(), b.files[i].filename());
    EXPECT_EQ(ReadAll(a.files[i]), ReadAll(b.files[i])) << a.files[i];
  }
  EXPECT_NE(ReadAll(root_ / "a" / "demo.doe"), ReadAll(root_ / "c" / "demo.doe"));
  EXPECT_NE(ReadAll(root_ / "a" / "demo.dgr"), ReadAll(root_ / "c" / "demo.dgr"));
}

TEST_F(MakeProjectTest, LeavingOutQuantitiesChangesNoOtherFile) {
  Options full = Small("full");
  Options lean = Small("lean");
  lean.quantities = false;
  GenerateProject(full);
  Summary s = GenerateProject(lean);
  EXPECT_EQ(s.quantityValues, 0);
  EXPECT_FALSE(fs::exists(root_ / "lean" / "demo.doe"));
  for (const fs::path& f : s.files)
    EXPECT_EQ(ReadAll(f), ReadAll(root_ / "full" / f.filename())) << f;
}

TEST_F(MakeProjectTest, GridAgesAndHorizons) {
  Options o = Small("p");
  Summary s = GenerateProject(o);
  // 0.5 x 221 cells, rounded half away from zero.
  EXPECT_EQ(s.activeCount, 111);

  auto grid = Tokens(o.dir / "demo.dgr");
  ASSERT_EQ(grid.size(), 6u + 13 * 17);
  EXPECT_EQ(Real(grid[2]), 2.0);
  EXPECT_EQ(Real(grid[3]), 2.0);
  EXPECT_EQ(Whole(grid[4]), 13);
  EXPECT_EQ(Whole(grid[5]), 17);
  int active = 0;
  for (std::size_t i = 6; i < grid.size(); ++i) {
    ASSERT_TRUE(grid[i] == "0" || grid[i] == "1") << grid[i];
    active += grid[i] == "1";
  }
  EXPECT_EQ(active, s.activeCount);

  auto ages = Tokens(o.dir / "demo.iga");
  ASSERT_GE(ages.size(), 2u + 2 * 7);
  EXPECT_EQ(Whole(ages[0]), 7);
  EXPECT_EQ(Real(ages[std::size_t{2} * 7]), 0.0);  // the last period is the present day
  long trailing = Whole(ages[1 + 2 * 7]);
  EXPECT_EQ(ages.size(), 2u + 2 * 7 + static_cast<std::size_t>(trailing));

  std::string expected;
  for (const char* name : {"沙三段", "沙四段", "Ek1"})
    expected += *platform::Utf8ToGbk(name) + "\n";
  EXPECT_EQ(ReadAll(o.dir / "demo.isc"), expected);
}

TEST_F(MakeProjectTest, QuantityFilesHoldHorizonsTimesActiveTimesPeriods) {
  Options o = Small("q");
  Summary s = GenerateProject(o);
  EXPECT_EQ(s.quantityValues, 3LL * 111 * 7);
  for (const char* ext : {".doe", ".peo", ".dou"}) {
    auto values = Tokens(o.dir / (std::string("demo") + ext));
    ASSERT_EQ(static_cast<long long>(values.size()), s.quantityValues) << ext;
    int zeros = 0;
    double largest = 0;
    for (const std::string& v : values) {
      double x = Real(v);
      ASSERT_GE(x, 0) << ext;
      zeros += x == 0;
      largest = std::max(largest, x);
    }
    EXPECT_GT(zeros, 0) << ext;
    EXPECT_LT(zeros, static_cast<int>(values.size()) / 2) << ext;
    EXPECT_GT(largest, 10) << ext;
  }
}

TEST_F(MakeProjectTest, GasRecordsEndWithTheLastActiveCell) {
  Options o = Small("g");
  Summary s = GenerateProject(o);
  auto fields = Tokens(o.dir / "gasr.out");
  ASSERT_EQ(fields.size() % 12, 0u);
  EXPECT_EQ(static_cast<long long>(fields.size() / 12), s.gasRecords);
  EXPECT_EQ(s.gasRecords, 2LL * 111 * 3);
  for (std::size_t r = 0; r < fields.size(); r += 12) {
    long cell = Whole(fields[r]);
    long horizon = Whole(fields[r + 3]);
    ASSERT_TRUE(cell >= 1 && cell <= s.activeCount) << cell;
    ASSERT_TRUE(horizon >= 1 && horizon <= 3) << horizon;
    double generated = Real(fields[r + 5]), expelled = Real(fields[r + 6]);
    double phases =
        Real(fields[r + 7]) + Real(fields[r + 8]) + Real(fields[r + 9]) + Real(fields[r + 10]);
    ASSERT_LE(expelled, generated);
    ASSERT_NEAR(phases, expelled, 0.02 * expelled + 0.0005);
  }
  EXPECT_EQ(Whole(fields[fields.size() - 12]), s.activeCount);
}

TEST_F(MakeProjectTest, DepthProfilesOfProjectAndFirstHorizon) {
  Options o = Small("d");
  GenerateProject(o);
  for (const std::string stem : {"demo", "沙三段"}) {
    for (const char* ext : {".ids", ".ips", ".ica"}) {
      auto t = Tokens(o.dir / (stem + ext));
      std::size_t i = 1;
      double lastDepth = 0;
      int pairs = 0;
      while (i + 1 < t.size() && !(Real(t[i]) <= 0 && Real(t[i + 1]) <= 0)) {
        double depth = Real(t[i]), value = Real(t[i + 1]);
        EXPECT_GT(depth, lastDepth);
        EXPECT_TRUE(depth >= 1000 && depth <= 4000) << depth;
        EXPECT_TRUE(value >= 0.01 && value <= 2.6) << value;
        lastDepth = depth;
        ++pairs;
        i += 2;
      }
      EXPECT_TRUE(pairs >= 20 && pairs <= 60) << stem << ext << " " << pairs;
      EXPECT_EQ(t[i], "0");
      EXPECT_EQ(t[i + 1], "0");
      if (std::string(ext) == ".ids") {
        ASSERT_EQ(t.size(), i + 3);
        EXPECT_NEAR(Real(t[i + 2]), 1.05, 0.05);
      } else {
        EXPECT_EQ(t.size(), i + 2);
      }
    }
  }
}

TEST_F(MakeProjectTest, RefusesProjectsOutsideTheModel) {
  Options o = Small("bad");
  o.horizonNames[0] = "沙三段沙三段沙三段沙三段";  // 24 GBK bytes
  EXPECT_THROW(GenerateProject(o), std::runtime_error);
  o = Small("bad");
  o.horizonNames[1] = "a b";
  EXPECT_THROW(GenerateProject(o), std::runtime_error);
  EXPECT_FALSE(fs::exists(root_ / "bad"));
}

TEST(MakeProjectArguments, ParsesTheCommandLine) {
  Options o;
  cli::Parsed parsed =
      makeproject::ParseArguments({"--dir", "x", "--project=p", "--rows", "5", "--horizon-names",
                                   "a,沙三段", "--cell-size", "2.5,3", "--no-quantities"},
                                  o);
  ASSERT_TRUE(parsed.proceed) << parsed.output;
  EXPECT_EQ(o.rows, 5);
  EXPECT_EQ(o.horizons, 2);
  EXPECT_EQ(o.horizonNames[1], "沙三段");
  EXPECT_EQ(o.cellSizeX, 2.5);
  EXPECT_EQ(o.cellSizeY, 3.0);
  EXPECT_FALSE(o.quantities);
  Options square;
  ASSERT_TRUE(
      makeproject::ParseArguments({"--dir", "x", "--project", "p", "--cell-size", "3"}, square)
          .proceed);
  EXPECT_EQ(square.cellSizeY, 3.0);
}

TEST(MakeProjectArguments, UsageErrorsEndWithStatusTwo) {
  const std::vector<std::vector<std::string>> bad = {
      {"--dir", "x", "--project", "p", "--rows", "5x"},
      {"--dir", "x", "--project", "p", "--seed", "-1"},
      {"--dir", "x", "--project", "p", "--colour", "red"},
      {"--dir", "x", "--project", "p", "--cell-size", "1,2,3"},
      {"--dir", "", "--project", "p"},
      {"--project", "p"},
      // Values the generator cannot use are usage errors too, found before
      // anything is written.
      {"--dir", "x", "--project", "p", "--active-fraction", "1.5"},
      {"--dir", "x", "--project", "p", "--active-fraction", "nan"},
      {"--dir", "x", "--project", "p", "--rows", "0"},
      {"--dir", "x", "--project", "p", "--periods", "-1"},
      {"--dir", "x", "--project", "p", "--gas-records", "-2"},
      {"--dir", "x", "--project", "p", "--cell-size", "2,0"},
      {"--dir", "x", "--project", "p", "--cell-size", "inf"},
      {"--dir", "x", "--project", "abcdefghijklmnopqrst"},  // 20 bytes
      {"--dir", "x", "--project", "a/b"},
      {"--dir", "x", "--project", "a b"},
      {"--dir", "x", "--project", "p", "--horizon-names", "a,,b"},
      {"--dir", "x", "--project", "p", "--horizon-names", "沙三段沙三段沙三段沙三段"},
      {"--dir", "x", "--project", "p", "--horizons", "2", "--horizon-names", "a,b,c"},
      {"--dir", "x", "--project", "p", "--horizons", "2", "--horizon-names", "a"},
      {"--dir", "x", "--project", "p", "--rows", "50000", "--cols", "50000"},
  };
  for (const auto& args : bad) {
    Options o;
    cli::Parsed parsed = makeproject::ParseArguments(args, o);
    EXPECT_FALSE(parsed.proceed) << args[args.size() - 2] << " " << args.back();
    EXPECT_EQ(parsed.exitStatus, 2);
    EXPECT_TRUE(parsed.output.starts_with("strataplot-makeproject: ")) << parsed.output;
  }
  // A bound is said in a few words, and the help shows only the value's name.
  Options o;
  EXPECT_TRUE(makeproject::ParseArguments(bad[1], o).output.starts_with(
      "strataplot-makeproject: --seed: -1 is less than 0\n"));
  EXPECT_TRUE(makeproject::ParseArguments(bad[6], o).output.starts_with(
      "strataplot-makeproject: --active-fraction: 1.5 is not between 0 and 1\n"));
  EXPECT_TRUE(makeproject::ParseArguments(bad[18], o)
                  .output.starts_with(
                      "strataplot-makeproject: --horizon-names gives 3 names for 2 horizons\n"));
  std::string help = makeproject::ParseArguments({"--help"}, o).output;
  EXPECT_NE(help.find("  --seed S  "), std::string::npos) << help;
  EXPECT_NE(help.find("  --active-fraction F  "), std::string::npos) << help;
}

}  // namespace
