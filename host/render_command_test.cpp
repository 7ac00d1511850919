// `strataplot render` as a person runs it: default names, formats by
// extension, several files into a directory, damaged files and usage errors.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "testing/host_harness.h"

namespace {

using namespace test_support;
namespace fs = std::filesystem;

const std::string kProfile =
    " all\n        1500        4.00\n        1520       12.50\n        0.00        0.00\n"
    "           0        2000         100\n        0.00       15.00        2.50\n"
    "       Sa(%)    Depth(m)";

class RenderCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::CopySample(dir_.path());
    ASSERT_EQ(RunHost(dir_.path(), {"-p", "demo", "oil-unexpelled"}).exitStatus, 0);
    WriteFile(dir_ / "demo.dsa", kProfile);
    WriteFile(dir_ / "bad.po1", "title only\n");
  }
  std::string In(const std::string& name) const { return (dir_ / name).string(); }
  TempDir dir_;
};

TEST_F(RenderCommand, PicturesByNameAndExtension) {
  HostRun run = RunHostAsGiven({"render", In("沙三段.uo1")});
  EXPECT_EQ(run.exitStatus, 0) << run.errorOutput;
  EXPECT_EQ(QImage(QString::fromStdString(In("沙三段.uo1.png"))).width(), 1200);

  run = RunHostAsGiven({"render", In("demo.dsa"), "-o", In("profile.svg"), "--width", "500"});
  EXPECT_EQ(run.exitStatus, 0) << run.errorOutput;
  EXPECT_TRUE(Contains(ReadFile(dir_ / "profile.svg").value_or(""), "width=\"500"));

  fs::create_directory(dir_ / "out");
  run = RunHostAsGiven({"render", In("沙三段.uo1"), In("demo.dsa"), "-o", In("out")});
  EXPECT_EQ(run.exitStatus, 0) << run.errorOutput;
  EXPECT_TRUE(fs::exists(dir_ / "out" / "沙三段.uo1.png"));
  EXPECT_TRUE(fs::exists(dir_ / "out" / "demo.dsa.png"));
}

// A map whose .tif lies beside it is drawn in the .tif's coordinates, the
// reference system named under the axes; without the .tif, in the grid's own.
TEST_F(RenderCommand, AxesInTheReferenceSystemOfTheTifBeside) {
  const std::string system = "CGCS2000_Transverse_Mercator_117E_35N_demo_basin";
  HostRun run = RunHostAsGiven({"render", In("demo.uot"), "-o", In("bare.svg")});
  ASSERT_EQ(run.exitStatus, 0) << run.errorOutput;
  const std::string bare = ReadFile(dir_ / "bare.svg").value_or("");
  EXPECT_TRUE(Contains(bare, ">540<")) << "the grid's own x in km";
  EXPECT_FALSE(Contains(bare, system));

  ASSERT_EQ(RunHost(dir_.path(),
                    {"-p", "demo", "--overwrite", "yes", "--grids", "gtiff", "oil-unexpelled"})
                .exitStatus,
            0);
  run = RunHostAsGiven({"render", In("demo.uot"), "-o", In("placed.svg")});
  ASSERT_EQ(run.exitStatus, 0) << run.errorOutput;
  const std::string placed = ReadFile(dir_ / "placed.svg").value_or("");
  EXPECT_TRUE(Contains(placed, ">540000<")) << "demo.prj's metres";
  EXPECT_TRUE(Contains(placed, "x, y in metre of " + system));
}

// --pictures paints every completed map from its values beside it: the
// contour map, labelled with its levels in the reference system's metres;
// render paints the same from the .tif beside the map. An unknown format is
// a usage error.
TEST_F(RenderCommand, PicturesOfTheMapCommandsAreContourMaps) {
  HostRun run = RunHost(dir_.path(), {"-p", "demo", "--overwrite", "yes", "--pictures",
                                      "svg,png,pdf", "oil-unexpelled"});
  ASSERT_EQ(run.exitStatus, 0) << run.errorOutput;
  for (const char* extension : {".png", ".svg", ".pdf"}) {
    EXPECT_TRUE(fs::exists(dir_ / ("沙三段.uo1" + std::string(extension)))) << extension;
    EXPECT_TRUE(fs::exists(dir_ / ("demo.uot" + std::string(extension)))) << extension;
  }
  EXPECT_EQ(QImage(QString::fromStdString(In("demo.uot.png"))).width(), 1200);
  const std::string painted = ReadFile(dir_ / "demo.uot.svg").value_or("");
  EXPECT_TRUE(Contains(painted, ">540000<")) << "demo.prj's metres";
  EXPECT_TRUE(Contains(painted, " metre<")) << "the scale bar";

  // The block picture of the map file alone has no scale bar; with its .tif
  // beside it (here of a run without a reference system), render paints the
  // contour map in the grid's kilometres.
  run = RunHostAsGiven({"render", In("demo.uot"), "-o", In("alone.svg")});
  ASSERT_EQ(run.exitStatus, 0) << run.errorOutput;
  EXPECT_FALSE(Contains(ReadFile(dir_ / "alone.svg").value_or(""), " km<"));
  fs::remove(dir_ / "demo.prj");
  ASSERT_EQ(RunHost(dir_.path(),
                    {"-p", "demo", "--overwrite", "yes", "--grids", "gtiff", "oil-unexpelled"})
                .exitStatus,
            0);
  run = RunHostAsGiven({"render", In("demo.uot"), "-o", In("rendered.svg")});
  ASSERT_EQ(run.exitStatus, 0) << run.errorOutput;
  EXPECT_TRUE(Contains(ReadFile(dir_ / "rendered.svg").value_or(""), " km<"));

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-p", "demo", "--pictures", "png,gif", "oil-unexpelled"},
        std::vector<std::string>{"-p", "demo", "--pictures", "png", "saturation"}}) {
    run = RunHost(dir_.path(), args);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_TRUE(Contains(run.errorOutput, "--pictures")) << run.errorOutput;
  }
}

TEST_F(RenderCommand, DamagedFileIsNamedAndTheOthersStillRendered) {
  HostRun run = RunHostAsGiven({"render", In("bad.po1"), In("demo.dsa")});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(run.errorOutput, In("bad.po1") + ":1: ")) << run.errorOutput;
  EXPECT_FALSE(fs::exists(dir_ / "bad.po1.png"));
  EXPECT_TRUE(fs::exists(dir_ / "demo.dsa.png"));
}

TEST_F(RenderCommand, UsageErrors) {
  const struct {
    std::vector<std::string> args;
    std::string said;
  } cases[] = {
      {{"render"}, "FILE is required"},
      {{"render", In("demo.dsa"), "--width", "10"}, "not in range 200 to 20000"},
      {{"render", In("demo.dsa"), "--width"}, "--width"},
      {{"render", In("demo.dsa"), "--colour", "red"}, "--colour"},
      {{"render", In("demo.dsa"), In("bad.po1"), "-o", In("x.png")}, "-o names a directory"},
      {{"render", In("demo.dsa"), "-o", In("a.jpg")}, "must end in .png, .svg or .pdf"},
      {{"render", In("demo.dsa"), "-o", In("a")}, "must end in .png, .svg or .pdf"},
  };
  for (const auto& c : cases) {
    HostRun run = RunHostAsGiven(c.args);
    EXPECT_EQ(run.exitStatus, 2) << c.said;
    EXPECT_TRUE(Contains(run.errorOutput, c.said)) << run.errorOutput;
  }
  EXPECT_FALSE(fs::exists(dir_ / "a.jpg"));
  // The extension is taken in any case.
  EXPECT_EQ(RunHostAsGiven({"render", In("demo.dsa"), "-o", In("a.PDF")}).exitStatus, 0);
}

}  // namespace
