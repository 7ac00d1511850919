#include "batch/answers.h"

#include <gtest/gtest.h>

namespace batch {
namespace {

// Each option's values as the host program takes or refuses them.
TEST(ApplyAnswerTest, TakesWhatTheHostProgramTakesAndRefusesTheRest) {
  struct Case {
    const char* option;
    const char* value;
    bool taken;
  };
  const Case cases[] = {
      {"interval", "12,default,cancel", true},
      {"interval", "-3", true},
      {"overwrite", "yes,no,yes", true},
      {"overwrite", "yes,maybe", false},
      {"overwrite", "", false},
      {"deep", "yes", true},
      {"deep", "yes,no", false},
      {"deep", "YES", false},
      {"kind", "ag", true},
      {"kind", "cancel", true},
      {"kind", "sg,pg", false},
      {"kind", "zz", false},
      {"horizon", "Es1", true},
      {"horizon", "cancel", true},
      {"mode", "-2", true},
      {"mode", "2x", false},
      {"mode", "", false},
      {"mode", "99999999999", false},
      {"colour", "red", false},
      {"", "", false},
  };
  for (const Case& c : cases) {
    BatchAnswers answers;
    std::string error = ApplyAnswer(answers, c.option, c.value);
    EXPECT_EQ(error.empty(), c.taken) << c.option << " " << c.value << ": " << error;
    if (!c.taken) {
      // A refused value changes nothing.
      EXPECT_EQ(answers.intervals, BatchAnswers().intervals);
      EXPECT_EQ(answers.overwrites, BatchAnswers().overwrites);
      EXPECT_EQ(answers.kind, BatchAnswers().kind);
      EXPECT_EQ(answers.mode, 1);
    }
  }
}

TEST(ApplyAnswerTest, SetsTheAnswersTheScriptedBackendGets) {
  BatchAnswers answers;
  ASSERT_EQ(ApplyAnswer(answers, "interval", "12,default"), "");
  ASSERT_EQ(ApplyAnswer(answers, "overwrite", "yes,no"), "");
  ASSERT_EQ(ApplyAnswer(answers, "deep", "yes"), "");
  ASSERT_EQ(ApplyAnswer(answers, "kind", "og"), "");
  ASSERT_EQ(ApplyAnswer(answers, "horizon", "cancel"), "");
  ASSERT_EQ(ApplyAnswer(answers, "mode", "3"), "");
  console::ScriptedAnswers scripted = ScriptedAnswersFrom(answers);
  EXPECT_EQ(scripted.inputs, (std::vector<std::string>{"12", "default"}));
  EXPECT_EQ(scripted.overwrites, (std::vector<bool>{true, false}));
  EXPECT_TRUE(scripted.yes);
  EXPECT_EQ(scripted.radio, 4);
  EXPECT_FALSE(scripted.listEntry.has_value());
  EXPECT_EQ(answers.mode, 3);
  ASSERT_EQ(ApplyAnswer(answers, "kind", "cancel"), "");
  EXPECT_FALSE(ScriptedAnswersFrom(answers).radio.has_value());
}

}  // namespace
}  // namespace batch
