// Dialog units to pixels, and the fonts that stand for the templates' faces.
#include "qtui/dialog_units.h"

#include <gtest/gtest.h>

#include "qtui/dialog_font.h"

namespace qtui {
namespace {

TEST(DialogUnits, BaseUnitsAreTheAverageLetterWidthAndTheHeight) {
  struct Case {
    int letters, height;
    DialogBaseUnits base;
  } cases[] = {
      {364, 16, {7, 16}},  // 7.0 per letter
      {377, 16, {7, 16}},  // 7.25
      {390, 17, {8, 17}},  // 7.5: halves up
      {415, 19, {8, 19}},  // 7.98
      {0, 0, {0, 0}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BaseUnitsFromMetrics(c.letters, c.height), c.base) << c.letters;
}

TEST(DialogUnits, MulDivRoundsHalvesAwayFromZero) {
  struct Case {
    int value, numerator, denominator, result;
  } cases[] = {
      {195, 7, 4, 341},                // 341.25
      {35, 7, 4, 61},                  // 61.25
      {2, 7, 4, 4},                    // 3.5
      {-2, 7, 4, -4},                  // -3.5
      {9, 15, 8, 17},                  // 16.875
      {11, 96, 72, 15},                // 14.67: a font of 11 points at 96 dots per inch
      {8, 96, 72, 11},                 // 10.67
      {5, 3, 0, 0},                    // no denominator
      {2147483647, 2, 1, 2147483647},  // saturates
      {-2147483647 - 1, 2, 1, -2147483647 - 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MulDiv(c.value, c.numerator, c.denominator), c.result)
        << c.value << " * " << c.numerator << " / " << c.denominator;
  }
}

TEST(DialogUnits, EachOfTheFourIsConvertedOnItsOwn) {
  platform::Rect field = ToPixels({195, 9, 35, 14}, {7, 15});
  EXPECT_EQ(field.x, 341);
  EXPECT_EQ(field.y, 17);  // 16.875
  EXPECT_EQ(field.width, 61);
  EXPECT_EQ(field.height, 26);  // 26.25
}

TEST(DialogFont, FacesMapToInstalledFamiliesWithAFallback) {
  const QStringList all = {"DejaVu Sans", "AR PL UMing TW", "AR PL UMing CN", "WenQuanYi Micro Hei",
                           "Courier"};
  const QStringList none = {"DejaVu Sans"};
  struct Case {
    const char* face;
    QStringList installed;
    QStringList chinese;
    const char* family;
  } cases[] = {
      {"宋体", all, {}, "AR PL UMing CN"},  // the simplified Chinese variant first
      {"SimSun", all, {}, "AR PL UMing CN"},
      {"System", all, {}, "WenQuanYi Micro Hei"},
      {"Courier", all, {}, "Courier"},           // installed: itself
      {"楷体", all, {}, "WenQuanYi Micro Hei"},  // unknown: the sans CJK font
      {"宋体", none, {"Noto Sans Mono CJK SC"}, "Noto Sans Mono CJK SC"},
      {"System", none, {}, ""},  // the application's default font
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FamilyFor(QString::fromUtf8(c.face), c.installed, c.chinese),
              QString::fromUtf8(c.family))
        << c.face;
  }
}

}  // namespace
}  // namespace qtui
