#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include "common/common.h"
#include "testing/temp_dir.h"

namespace {

using test_support::TempDir;

// The bytes a file holds after `write` ran on it.
std::string Written(const std::function<void(HFILE)>& write) {
  TempDir dir;
  std::string name = dir.File("out.txt");
  HFILE file = platform::OpenFile(name.c_str(), platform::OF_CREATE_WRITE);
  EXPECT_GE(file, 0);
  write(file);
  EXPECT_EQ(platform::_lclose(file), 0);
  return TempDir::Contents(name);
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kMax = std::numeric_limits<float>::max();

TEST(fieldsWrite, WriteiTable) {
  struct Case {
    int value;
    int width;
    const char* bytes;
  };
  const Case cases[] = {
      {0, 0, "0"},
      {0, 1, "0"},
      {0, 4, "   0"},
      {5, 3, "  5"},
      {-5, 3, " -5"},
      {-5, 2, "-5"},
      {-5, 1, "-5"},
      {123, 3, "123"},
      {1234, 3, "1234"},
      {100, 6, "   100"},
      {2147483647, 0, "2147483647"},
      {2147483647, 12, "  2147483647"},
      {std::numeric_limits<int>::min(), 0, "-2147483648"},
      {std::numeric_limits<int>::min(), 11, "-2147483648"},
      {std::numeric_limits<int>::min(), 13, "  -2147483648"},
      {7, -4, "7"},  // a negative width counts as 0
      {7, std::numeric_limits<int>::min(), "7"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Written([&](HFILE f) { EXPECT_EQ(writei(f, c.value, c.width), 1); }), c.bytes)
        << c.value << " width " << c.width;
  }
}

TEST(fieldsWrite, WritefTable) {
  struct Case {
    float value;
    int width;
    int decimals;
    const char* bytes;
  };
  const Case cases[] = {
      {0.0f, 0, 0, "0"},
      {0.0f, 0, 1, "0.0"},
      {0.0f, 6, 2, "  0.00"},
      {-0.0f, 0, 1, "-0.0"},
      {-0.0f, 6, 1, "  -0.0"},
      {-0.0f, 0, 0, "-0"},
      {-0.01f, 5, 1, " -0.0"},  // rounds to a negative zero
      {1.5f, 6, 2, "  1.50"},
      {-1.5f, 6, 2, " -1.50"},
      {1.0f, 12, 3, "       1.000"},
      {0.125f, 6, 2, "  0.12"},  // exact tie: to even
      {0.375f, 0, 2, "0.38"},
      {-1.25f, 0, 1, "-1.2"},
      {2.5f, 0, 0, "2"},
      {3.5f, 0, 0, "4"},
      {0.5f, 0, 0, "0"},
      {1.5f, 0, 0, "2"},
      {0.05f, 6, 1, "   0.1"},  // 0.0500000007: above the tie
      {0.45f, 0, 1, "0.4"},     // 0.449999988
      {2.675f, 0, 2, "2.67"},
      {0.1f, 0, 10, "0.1000000015"},
      {1234.56f, 0, 1, "1234.6"},
      {1234.56f, 0, 2, "1234.56"},
      {1234.5f, 6, 1, "1234.5"},
      {1234.5f, 5, 1, "1234.5"},
      {1234.5f, 9, 1, "   1234.5"},
      {1e10f, 0, 3, "10000000000.000"},
      {123456792.0f, 10, 0, " 123456792"},
      {3.4e38f, 0, 1, "339999995214436424907732413799364296704.0"},
      {kMax, 0, 1, "340282346638528859811704183484516925440.0"},
      {-kMax, 45, 2, "  -340282346638528859811704183484516925440.00"},
      {std::numeric_limits<float>::denorm_min(), 0, 50,
       "0.00000000000000000000000000000000000000000000140130"},
      {std::numeric_limits<float>::denorm_min(), 0, 6, "0.000000"},
      {-std::numeric_limits<float>::denorm_min(), 0, 3, "-0.000"},
      {kNaN, 0, 2, "nan"},
      {kNaN, 6, 2, "   nan"},
      {-kNaN, 6, 2, "  -nan"},
      {kInf, 5, 1, "  inf"},
      {-kInf, 5, 1, " -inf"},
      {-kInf, 0, 9, "-inf"},
      {12.345f, 8, -1, "      12"},  // negative decimals count as 0
      {12.345f, -8, 1, "12.3"},      // negative width counts as 0
      {1.0f / 3.0f, 0, 120,
       "0.333333343267440795898437500000000000000000000000000000000000000000000000000000000000000"
       "000000000000000000000000000000000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Written([&](HFILE f) { EXPECT_EQ(writef(f, c.value, c.width, c.decimals), 1); }),
              c.bytes)
        << c.value << " width " << c.width << " decimals " << c.decimals;
  }
}

TEST(fieldsWrite, WritesTable) {
  struct Case {
    const char* text;
    int width;
    const char* bytes;
  };
  const Case cases[] = {
      {"", 0, ""},
      {"", 3, "   "},
      {"abc", 0, "abc"},
      {"abc", 3, "abc"},
      {"abc", 2, "abc"},  // never cut
      {"abc", 6, "   abc"},
      {"abc", -6, "abc"},
      {"\xb2\xe3\xce\xbb", 6, "  \xb2\xe3\xce\xbb"},  // widths count GBK bytes
      {"\xb2\xe3\xce\xbb", 4, "\xb2\xe3\xce\xbb"},
      {nullptr, 2, "  "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Written([&](HFILE f) { EXPECT_EQ(writes(f, c.text, c.width), 1); }), c.bytes)
        << (c.text ? c.text : "(null)") << " width " << c.width;
  }
}

TEST(fieldsWrite, WritecTable) {
  struct Case {
    char ch;
    int count;
    const char* bytes;
  };
  const Case cases[] = {
      {'\n', 1, "\n"}, {'\n', 0, "\n"},   {'\n', 5, "\n"}, {'\n', -1, "\n"},
      {'-', 1, "-"},   {'-', 3, "---"},   {'-', 0, ""},    {'-', -2, ""},
      {' ', 2, "  "},  {'\r', 2, "\r\r"}, {'\t', 1, "\t"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Written([&](HFILE f) { EXPECT_EQ(writec(f, c.ch, c.count), 1); }), c.bytes)
        << int{c.ch} << " count " << c.count;
  }
}

TEST(fieldsWrite, NumbersThatFillTheirFieldAreKeptApart) {
  // Class codes of width 3 in a row.
  EXPECT_EQ(Written([](HFILE f) {
              writei(f, 150, 3);
              writei(f, 100, 3);
            }),
            "150 100");
  // An origin of width 6 right after a title.
  EXPECT_EQ(Written([](HFILE f) {
              writes(f, "Title", 5);
              writef(f, 1234.5f, 6, 1);
            }),
            "Title 1234.5");
  // Narrower numbers are padded as usual and get nothing more.
  EXPECT_EQ(Written([](HFILE f) {
              writei(f, 150, 3);
              writei(f, 1, 3);
              writef(f, 2.5f, 5, 1);
            }),
            "150  1  2.5");
  // A number wider than its field.
  EXPECT_EQ(Written([](HFILE f) {
              writei(f, 7, 1);
              writei(f, 12345, 2);
              writef(f, -1.5f, 0, 1);
              writei(f, 0, 0);
            }),
            "7 12345 -1.5 0");
}

TEST(fieldsWrite, NoExtraBlankAfterBlankOrLineEndOrAtStart) {
  EXPECT_EQ(Written([](HFILE f) { writei(f, 150, 3); }), "150");
  EXPECT_EQ(Written([](HFILE f) {
              writei(f, 150, 3);
              writec(f, ' ', 1);
              writei(f, 100, 3);
              writec(f, '\n', 1);
              writei(f, 200, 3);
              writes(f, "a ", 2);
              writef(f, 1.5f, 3, 1);
            }),
            "150 100\n200a 1.5");
  // Other bytes before the number do call for the blank: a dash of a range, a tab.
  EXPECT_EQ(Written([](HFILE f) {
              writei(f, 10, 2);
              writec(f, '-', 1);
              writei(f, 20, 2);
              writec(f, '\t', 1);
              writef(f, 0.5f, 3, 1);
            }),
            "10- 20\t 0.5");
}

TEST(fieldsWrite, TextsNeverGetTheBlank) {
  EXPECT_EQ(Written([](HFILE f) {
              writei(f, 150, 3);
              writes(f, "abc", 3);
              writes(f, "de", 1);
              writes(f, "f", 2);
            }),
            "150abcde f");
}

TEST(fieldsWrite, HandlesNotOpenForWritingWriteNothing) {
  TempDir dir;
  std::string name = dir.Put("in.txt", "1 2 3\n");
  HFILE in = platform::OpenFile(name.c_str(), platform::OF_READ);
  ASSERT_GE(in, 0);
  for (HFILE handle : {HFILE{-1}, HFILE{1 << 20}, in}) {
    EXPECT_EQ(writei(handle, 1, 3), 0);
    EXPECT_EQ(writef(handle, 1.0f, 3, 1), 0);
    EXPECT_EQ(writes(handle, "x", 3), 0);
    EXPECT_EQ(writec(handle, '\n', 1), 0);
    EXPECT_EQ(writec(handle, '-', 3), 0);
  }
  EXPECT_EQ(platform::_lclose(in), 0);
  EXPECT_EQ(TempDir::Contents(name), "1 2 3\n");
}

// Every conversion equals the C library's, over many values of every kind.
TEST(fieldsWrite, AgreesWithPrintf) {
  std::mt19937 random(20240611);
  std::string expected;
  std::string written = Written([&](HFILE f) {
    char text[512];
    for (int n = 0; n < 60000; ++n) {
      int width = static_cast<int>(random() % 24);
      int decimals = static_cast<int>(random() % 14);
      float value;
      switch (n % 4) {
        case 0:  // any bit pattern: denormals, NaN of both signs, infinities
          value = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
          break;
        case 1:  // values of map magnitudes with few decimals: many ties
          value = static_cast<float>(static_cast<int>(random() % 2000001) - 1000000) / 8.0f;
          break;
        case 2:
          value = static_cast<float>(std::ldexp(static_cast<double>(random() % 1000) - 500.0,
                                                static_cast<int>(random() % 40) - 30));
          break;
        default: {
          int i = static_cast<int>(random());
          writei(f, i, width);
          std::snprintf(text, sizeof text, "%*d", width, i);
          expected += text;
          writec(f, '\n', 1);
          expected += '\n';
          continue;
        }
      }
      writef(f, value, width, decimals);
      std::snprintf(text, sizeof text, "%*.*f", width, decimals, static_cast<double>(value));
      expected += text;
      writec(f, '\n', 1);
      expected += '\n';
    }
  });
  ASSERT_EQ(written.size(), expected.size());
  std::size_t line = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < written.size(); ++i) {
    if (written[i] != expected[i]) {
      std::size_t end = expected.find('\n', start);
      FAIL() << "line " << line << ": wrote \"" << written.substr(start, end - start)
             << "\", printf gives \"" << expected.substr(start, end - start) << "\"";
    }
    if (expected[i] == '\n') {
      ++line;
      start = i + 1;
    }
  }
}

TEST(fieldsWrite, LargeOutputStaysInOrder) {
  std::string expected;
  std::string written = Written([&](HFILE f) {
    for (int i = 0; i < 200000; ++i) {
      writei(f, i, 7);
      writef(f, static_cast<float>(i) * 0.25f, 10, 2);
      writes(f, "ab", 3);
      writec(f, '-', i % 3);
      writec(f, '\n', 1);
      char text[64];
      std::snprintf(text, sizeof text, "%7d%10.2f%3s", i, static_cast<double>(i) * 0.25, "ab");
      expected += text;
      expected.append(static_cast<std::size_t>(i % 3), '-');
      expected += '\n';
    }
  });
  EXPECT_TRUE(written == expected);
}

}  // namespace
