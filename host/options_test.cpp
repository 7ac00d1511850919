#include "host/options.h"

#include <gtest/gtest.h>

namespace host {
namespace {

TEST(HostOptions, ReadsEveryOptionInBothFormsBeforeOrAfterTheCommand) {
  Options options;
  cli::Parsed parsed = ParseOptions({"-p",
                                     "demo",
                                     "-C",
                                     "dir",
                                     "--library=static",
                                     "--batch",
                                     "--interval=-3,12,cancel",
                                     "gas",
                                     "--overwrite",
                                     "yes,no",
                                     "--deep",
                                     "yes",
                                     "--kind",
                                     "wg",
                                     "--horizon",
                                     "Es3",
                                     "--mode",
                                     "2",
                                     "--transcript",
                                     "t.jsonl",
                                     "--quiet"},
                                    options);
  ASSERT_TRUE(parsed.proceed) << parsed.output;
  EXPECT_EQ(options.command, Command::Gas);
  EXPECT_EQ(options.project, "demo");
  EXPECT_EQ(options.directory, "dir");
  EXPECT_EQ(options.library, "static");
  EXPECT_TRUE(options.batch);
  EXPECT_TRUE(options.quiet);
  EXPECT_EQ(options.answers.intervals, (std::vector<std::string>{"-3", "12", "cancel"}));
  EXPECT_EQ(options.answers.overwrites, (std::vector<bool>{true, false}));
  EXPECT_TRUE(options.answers.deep);
  EXPECT_EQ(options.answers.kind, 3);
  EXPECT_EQ(options.answers.kindCode, "wg");
  EXPECT_EQ(options.answers.horizon, "Es3");
  EXPECT_EQ(options.answers.mode, 2);
  EXPECT_EQ(options.transcript, "t.jsonl");
}

TEST(HostOptions, ReferenceSystemForMapsAndHistory) {
  Options options;
  ASSERT_TRUE(
      ParseOptions({"-p", "d", "--crs", "EPSG:4547", "history", "--grid-unit", "m"}, options)
          .proceed);
  EXPECT_EQ(options.crs, "EPSG:4547");
  EXPECT_EQ(options.gridUnit, grids::GridUnit::Metre);
  Options defaults;
  ASSERT_TRUE(ParseOptions({"-p", "d", "gas"}, defaults).proceed);
  EXPECT_EQ(defaults.crs, "");
  EXPECT_EQ(defaults.gridUnit, grids::GridUnit::Kilometre);
  EXPECT_TRUE(defaults.pictureFormats.empty());
  // Pictures: each format once, in the order given.
  Options painted;
  ASSERT_TRUE(ParseOptions({"-p", "d", "--pictures", "svg,png,svg", "gas"}, painted).proceed);
  EXPECT_EQ(painted.pictureFormats, (std::vector<std::string>{"svg", "png"}));
}

TEST(HostOptions, AnOptionGivenAgainTakesItsLastValue) {
  Options options;
  ASSERT_TRUE(ParseOptions({"-p", "a", "--overwrite", "yes,yes", "--interval", "1,2", "gas",
                            "--overwrite", "no", "--interval", "cancel", "-p", "b"},
                           options)
                  .proceed);
  EXPECT_EQ(options.project, "b");
  EXPECT_EQ(options.answers.overwrites, (std::vector<bool>{false}));
  EXPECT_EQ(options.answers.intervals, (std::vector<std::string>{"cancel"}));
}

TEST(HostOptions, DefaultsAnswerWithTheSuggestedValuesAndNo) {
  Options options;
  ASSERT_TRUE(ParseOptions({"oil-expulsion", "--project", "demo"}, options).proceed);
  EXPECT_EQ(options.command, Command::OilExpulsion);
  EXPECT_EQ(options.answers.intervals, (std::vector<std::string>{"default"}));
  EXPECT_EQ(options.answers.overwrites, (std::vector<bool>{false}));
  EXPECT_FALSE(options.answers.deep);
  EXPECT_EQ(options.answers.kind, 0);
  EXPECT_EQ(options.answers.horizon, "");
  EXPECT_EQ(options.answers.mode, 1);
  EXPECT_FALSE(options.batch || options.quiet);
}

TEST(HostOptions, CancelAnswersForKindAndHorizon) {
  Options options;
  ASSERT_TRUE(
      ParseOptions({"-p", "d", "--kind", "cancel", "--horizon", "cancel", "saturation"}, options)
          .proceed);
  EXPECT_FALSE(options.answers.kind);
  EXPECT_FALSE(options.answers.horizon);
}

TEST(HostOptions, HelpAndVersionNeedNothingElse) {
  for (const char* flag : {"--help", "-h", "--version"}) {
    Options options;
    cli::Parsed parsed = ParseOptions({flag}, options);
    EXPECT_FALSE(parsed.proceed) << flag;
    EXPECT_EQ(parsed.exitStatus, 0) << flag;
    EXPECT_TRUE(parsed.output.starts_with(flag[2] == 'v' ? "strataplot 1."
                                                         : "usage: strataplot [OPTIONS] COMMAND"))
        << parsed.output;
  }
  // The render command's help says the range of the width.
  Options options;
  std::string help = ParseOptions({"render", "--help"}, options).output;
  EXPECT_NE(help.find("--width PIXELS"), std::string::npos) << help;
  EXPECT_NE(help.find("200 to 20000"), std::string::npos) << help;
}

TEST(HostOptions, UsageErrorsEndWithStatusTwoAndNameWhatIsWrong) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
      {{"oil-expulsion"}, "no project given"},
      {{"-p", "d"}, "no command given"},
      {{"-p", "d", "maps"}, "maps"},
      {{"-p", "d", "--colour", "oil-expulsion"}, "--colour"},
      {{"-p", "d", "--deep", "maybe", "oil-expulsion"}, "maybe"},
      {{"-p", "d", "--overwrite", "yes,x", "gas"}, "x"},
      {{"-p", "d", "--kind", "zz", "gas"}, "zz"},
      {{"-p", "d", "--mode", "2x", "saturation"}, "2x"},
      {{"-p", "d", "--mode", "99999999999", "saturation"}, "99999999999"},
      {{"-p", "d", "gas", "saturation"}, "saturation"},
      {{"-p", "d", "gas", "extra"}, "extra"},
      {{"-p"}, "-p"},
      {{"-p", "d", "--grid-unit", "mm", "gas"}, "mm"},
      {{"-p", "d", "--crs", "EPSG:4547", "saturation"}, "not saturation"},
      {{"--grid-unit", "m", "render", "a.po1"}, "not render"},
      {{"-p", "d", "--pictures", "png,jpg", "gas"}, "unknown picture format 'jpg'"},
      {{"-p", "d", "--pictures", "", "gas"}, "unknown picture format ''"},
      {{"-p", "d", "--pictures", "png", "history"}, "--pictures goes with the map commands"},
      {{"--pictures", "pdf", "render", "a.po1"}, "not render"},
  };
  for (const auto& [args, named] : bad) {
    Options options;
    cli::Parsed parsed = ParseOptions(args, options);
    EXPECT_FALSE(parsed.proceed) << named;
    EXPECT_EQ(parsed.exitStatus, 2) << named;
    EXPECT_TRUE(parsed.output.starts_with("strataplot: ")) << parsed.output;
    EXPECT_NE(parsed.output.find(named), std::string::npos) << parsed.output;
  }
}

}  // namespace
}  // namespace host
