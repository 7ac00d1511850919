// GBK and UTF-8: the conversions every file name and every text shown go
// through.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace platform {
namespace {

constexpr const char* kShasanGbk = "\xC9\xB3\xC8\xFD\xB6\xCE";  // 沙三段
constexpr const char* kShasanUtf8 = "沙三段";
constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

TEST(Encoding, ConvertsBothWaysOrRefuses) {
  EXPECT_EQ(GbkToUtf8(kShasanGbk), kShasanUtf8);
  EXPECT_EQ(Utf8ToGbk(kShasanUtf8), kShasanGbk);
  EXPECT_EQ(GbkToUtf8(""), "");
  EXPECT_EQ(GbkToUtf8("demo.po1"), "demo.po1");
  EXPECT_FALSE(GbkToUtf8("\xC9\xB3\xC8"));  // the last character cut in two
  EXPECT_FALSE(GbkToUtf8("\xFF"));
  EXPECT_FALSE(Utf8ToGbk("\xF0\x9F\x97\xBA"));  // a character GBK does not have
  EXPECT_FALSE(Utf8ToGbk("\xE6\xB2"));          // cut UTF-8
}

TEST(Encoding, DisplayShowsWhatDoesNotConvertAsReplacementCharacters) {
  const std::string r = kReplacement;
  struct Case {
    std::string gbk;
    std::string shown;
  } cases[] = {
      {kShasanGbk, kShasanUtf8},
      {"", ""},
      {"a\xFF"
       "b",
       "a" + r + "b"},
      // A lead byte at the end: the character was cut in two.
      {std::string(kShasanGbk) + "\xC8", std::string(kShasanUtf8) + r},
      // A lead byte whose second byte cannot follow it: the lead byte alone is
      // replaced and the blank after it kept.
      {"\xC9 x", r + " x"},
      {"\xFF\xFF", r + r},
      {std::string("name\0end", 8), std::string("name\0end", 8)},
  };
  for (const Case& c : cases) EXPECT_EQ(GbkForDisplay(c.gbk), c.shown) << c.gbk;
}

}  // namespace
}  // namespace platform
