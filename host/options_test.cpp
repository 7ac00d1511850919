#include "host/options.h"

#include <gtest/gtest.h>

namespace host {
namespace {

std::optional<Options> Parse(std::vector<std::string> args, std::string& error) {
  return ParseOptions(args, error);
}

TEST(HostOptions, ReadsEveryOptionInBothForms) {
  std::string error;
  auto options = Parse({"-p", "demo", "-C", "dir", "--library=static", "--batch", "--interval=-3,12,cancel",
                        "--overwrite", "yes,no", "--deep", "yes", "--kind", "wg", "--horizon",
                        "Es3", "--mode", "2", "--transcript", "t.jsonl", "gas"},
                       error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->command, Command::Gas);
  EXPECT_EQ(options->project, "demo");
  EXPECT_EQ(options->directory, "dir");
  EXPECT_EQ(options->library, "static");
  EXPECT_TRUE(options->batch);
  EXPECT_EQ(options->intervals, (std::vector<std::string>{"-3", "12", "cancel"}));
  EXPECT_EQ(options->overwrites, (std::vector<bool>{true, false}));
  EXPECT_TRUE(options->deep);
  EXPECT_EQ(options->kind, 3);
  EXPECT_EQ(options->horizon, "Es3");
  EXPECT_EQ(options->mode, 2);
  EXPECT_EQ(options->transcript, "t.jsonl");
}

TEST(HostOptions, DefaultsAnswerWithTheSuggestedValuesAndNo) {
  std::string error;
  auto options = Parse({"oil-expulsion", "--project", "demo"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->intervals, (std::vector<std::string>{"default"}));
  EXPECT_EQ(options->overwrites, (std::vector<bool>{false}));
  EXPECT_FALSE(options->deep);
  EXPECT_EQ(options->kind, 0);
  EXPECT_EQ(options->horizon, "");
  EXPECT_EQ(options->mode, 1);
}

TEST(HostOptions, HelpAndVersionNeedNothingElse) {
  for (const char* flag : {"--help", "-h", "--version"}) {
    std::string error;
    auto options = Parse({flag}, error);
    ASSERT_TRUE(options) << flag << ": " << error;
    EXPECT_TRUE(options->help || options->version) << flag;
  }
}

TEST(HostOptions, GridAndContourFormats) {
  std::string error;
  auto options = Parse({"-p", "d", "--grids", "xyz,gtiff", "--contours=shp", "gas"}, error);
  ASSERT_TRUE(options) << error;
  ASSERT_EQ(options->grids.size(), 2u);
  EXPECT_STREQ(options->grids[0].extension, ".xyz");
  EXPECT_STREQ(options->grids[1].extension, ".tif");
  ASSERT_EQ(options->contours.size(), 1u);
  EXPECT_STREQ(options->contours[0].extension, ".shp");
}

TEST(HostOptions, CancelAnswersForKindAndHorizon) {
  std::string error;
  auto options = Parse({"-p", "d", "--kind", "cancel", "--horizon", "cancel", "saturation"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_FALSE(options->kind);
  EXPECT_FALSE(options->horizon);
}

TEST(HostOptions, RefusesWhatItDoesNotKnow) {
  const std::vector<std::vector<std::string>> bad = {
      {"oil-expulsion"},                               // no project
      {"-p", "d"},                                     // no command
      {"-p", "d", "maps"},                             // unknown command
      {"-p", "d", "--colour", "oil-expulsion"},        // unknown option
      {"-p", "d", "--deep", "maybe", "oil-expulsion"}, // not yes or no
      {"-p", "d", "--overwrite", "yes,x", "gas"},
      {"-p", "d", "--kind", "zz", "gas"},
      {"-p", "d", "--mode", "2x", "saturation"},
      {"-p", "d", "gas", "saturation"},                // two commands
      {"-p"},                                          // value missing
      {"-p", "d", "--grids", "gtiff,png", "gas"},      // not a grid format
      {"-p", "d", "--contours", "gtiff", "gas"},       // a grid, not a contour format
      {"-p", "d", "--grids", "xyz", "saturation"},     // a profile has no grid
  };
  for (const auto& args : bad) {
    std::string error;
    EXPECT_FALSE(Parse(args, error)) << args.size();
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace host
