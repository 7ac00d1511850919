#include "scan/field_scan.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace scan {
namespace {

// What std::from_chars says of the text after a leading '+' (not followed by
// a sign): the int and the float it reads, each when it reads the whole text.
struct FromChars {
  bool whole = false;
  std::int32_t wholeValue = 0;
  bool real = false;
  float realValue = 0;
};

FromChars Convert(std::string_view text) {
  FromChars result;
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') {
    ++first;
    if (first == last || *first == '+' || *first == '-') return result;
  }
  auto [wholeEnd, wholeError] = std::from_chars(first, last, result.wholeValue);
  result.whole = wholeError == std::errc() && wholeEnd == last;
  auto [realEnd, realError] = std::from_chars(first, last, result.realValue);
  result.real = realError == std::errc() && realEnd == last && std::isfinite(result.realValue);
  return result;
}

// A Whole or Real must be exactly what std::from_chars reads; Other may be
// anything. Returns the kind.
NumberKind CheckAgainstFromChars(const std::string& text) {
  ScannedNumber number = ScanNumber(text);
  FromChars expected = Convert(text);
  switch (number.kind) {
    case NumberKind::Whole:
      EXPECT_TRUE(expected.whole) << text;
      EXPECT_EQ(number.Whole(), expected.wholeValue) << text;
      EXPECT_TRUE(expected.real) << text;
      EXPECT_EQ(std::bit_cast<std::uint32_t>(static_cast<float>(number.Whole())),
                std::bit_cast<std::uint32_t>(expected.realValue))
          << text;
      break;
    case NumberKind::Real:
      EXPECT_FALSE(expected.whole) << text;
      EXPECT_TRUE(expected.real) << text;
      EXPECT_EQ(number.bits, std::bit_cast<std::uint32_t>(expected.realValue)) << text;
      break;
    case NumberKind::Other:
      break;
  }
  return number.kind;
}

TEST(fieldScan, EdgeCases) {
  struct Case {
    const char* text;
    NumberKind kind;  // what the quick conversion must settle; Other: may leave it
  };
  using enum NumberKind;
  const Case cases[] = {
      {"0", Whole},
      {"-7", Whole},
      {"+7", Whole},
      {"007", Whole},
      {"-00000007", Whole},
      {"2147483647", Whole},
      {"-2147483648", Whole},
      {"2147483648", Real},
      {"-2147483649", Real},
      {"-0", Other},  // readi 0, readf -0: left to the slow way
      {"0.0000", Real},
      {"-0.0", Real},
      {"1.5", Real},
      {".5", Real},
      {"-.5", Real},
      {"5.", Real},
      {"+1.5", Real},
      {"12345678.25", Real},
      {"1.2345678", Real},
      {"1e3", Real},
      {"1E+3", Real},
      {"-2.5e-07", Real},
      {"6.02e23", Real},
      {"1234567890123456", Real},
      {"12345678.5", Other},
      // Midpoints of two floats, and texts a hair off them.
      {"16777217", Whole},
      {"16777217.0", Other},
      {"16777219.5", Real},
      {"16777217.000000001", Other},
      {"1.00000005960464477539062500001", Other},
      {"5.16563613928156e-05", Other},
      {"8388608.5", Other},
      {"-8388609.5", Other},
      {"4194304.25", Other},
      {"0.0000001", Real},
      {"9999999.9", Real},
      {"99999999", Whole},
      // 19 and 20 significant digits, denormals, huge exponents, leading zeros.
      {"1234567890123456789", Other},
      {"12345678901234567890", Other},
      {"0.1234567890123456789", Other},
      {"1e-40", Other},
      {"1.4e-45", Other},
      {"1e-50", Other},
      {"3.4028235e38", Other},
      {"3.5e38", Other},
      {"1e400", Other},
      {"1e-400", Other},
      {"0000000000000000000000000000123", Other},
      {"0.000000000000000000000000000001", Other},
      // Not numbers, or damaged.
      {"", Other},
      {"+", Other},
      {"-", Other},
      {".", Other},
      {"+-1", Other},
      {"--1", Other},
      {"++1", Other},
      {"1e", Other},
      {"1e+", Other},
      {"e5", Other},
      {"1.5.2", Other},
      {"12a", Other},
      {"0x10", Other},
      {"nan", Other},
      {"inf", Other},
      {"1,5", Other},
      {"1e0001", Other},
      {"\xb2\xe3", Other},
      {"1.0D+05", Other},
  };
  for (const Case& c : cases) {
    NumberKind kind = CheckAgainstFromChars(c.text);
    if (c.kind != Other) {
      EXPECT_EQ(kind, c.kind) << c.text;
    }
  }
}

// Random texts of every form a number field may take; the quick conversion
// must agree with std::from_chars on every one it settles, and settle the
// plain forms simulators write.
TEST(fieldScan, AgreesWithFromCharsOnRandomTexts) {
  std::mt19937_64 random(2024);
  int plain = 0;
  int plainSettled = 0;
  char text[96];
  for (int n = 0; n < 420000; ++n) {
    bool isPlain = false;
    switch (n % 7) {
      case 0: {  // fixed decimals as simulators write them
        int decimals = static_cast<int>(random() % 9);
        double value =
            static_cast<double>(static_cast<std::int64_t>(random() % 2000000000) - 1000000000) /
            static_cast<double>(1 + random() % 100000);
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
        isPlain = std::string_view(text).size() <= 9 + (text[0] == '-');
        break;
      }
      case 1: {  // a float shortly written, in every notation
        float f = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
        const char* format = random() % 2 ? "%.*g" : "%.*e";
        std::snprintf(text, sizeof text, format, static_cast<int>(random() % 12),
                      static_cast<double>(f));
        break;
      }
      case 2: {  // near the midpoint of two neighbouring floats
        float f = static_cast<float>(std::ldexp(static_cast<double>(random() % (1u << 24)),
                                                static_cast<int>(random() % 80) - 50));
        double mid = (static_cast<double>(f) +
                      static_cast<double>(std::nextafter(f, std::numeric_limits<float>::max()))) /
                     2;
        std::snprintf(text, sizeof text, "%.*g", 6 + static_cast<int>(random() % 20), mid);
        break;
      }
      case 3: {  // random digits, signs, point and exponent
        std::string t;
        if (random() % 4 == 0) t += "+-"[random() % 2];
        int digits = 1 + static_cast<int>(random() % 22);
        int point = static_cast<int>(random() % (digits + 2));
        for (int i = 0; i < digits; ++i) {
          if (i == point) t += '.';
          t += static_cast<char>('0' + (random() % 3 == 0 ? 0 : random() % 10));
        }
        if (random() % 3 == 0) {
          t += "eE"[random() % 2];
          if (random() % 2) t += "+-"[random() % 2];
          t += std::to_string(random() % 60);
        }
        std::snprintf(text, sizeof text, "%s", t.c_str());
        break;
      }
      case 4:  // whole numbers around 32 bits and beyond
        std::snprintf(text, sizeof text, "%lld",
                      static_cast<long long>(random() % (std::uint64_t{1} << 36)) - (1ll << 35));
        isPlain = true;
        break;
      case 5: {  // a short decimal within a hair of the midpoint of two floats
        int decimals = 1 + static_cast<int>(random() % 7);
        double limit = std::pow(10.0, 8 - decimals);
        float f =
            static_cast<float>(std::ldexp(static_cast<double>(random() % (1u << 24)), -24) * limit);
        double mid = (static_cast<double>(f) +
                      static_cast<double>(std::nextafter(f, std::numeric_limits<float>::max()))) /
                     2;
        std::snprintf(text, sizeof text, "%.*f", decimals, mid);
        break;
      }
      default: {  // a damaged field: one byte of a number changed
        std::snprintf(text, sizeof text, "%.4f", static_cast<double>(random() % 100000) / 7.0);
        std::size_t at = random() % std::string_view(text).size();
        text[at] = "+-.eE x,0"[random() % 9];
        break;
      }
    }
    NumberKind kind = CheckAgainstFromChars(text);
    if (::testing::Test::HasFailure()) return;
    plain += isPlain;
    plainSettled += isPlain && kind != NumberKind::Other;
  }
  // Nearly every plain field is settled quickly (not "-0" and the few
  // whole numbers too long for 19 digits).
  EXPECT_GT(plainSettled, plain * 99 / 100);
}

// Every way of scanning a chunk this machine has finds the same fields, kinds,
// values and line feeds, on random chunks of every field form (short and long
// numbers, signs, points, "-0", texts), with fields at chunk ends and padding
// of any bytes after them.
TEST(fieldScan, EveryWayScansChunksAlike) {
  static const char* const kSeparators[] = {" ", "\n", "\r\n", "\t", "  ", "\v\f", "   \n  "};
  std::mt19937_64 random(7);
  const std::vector<ScanWay> ways = ScanWaysOfThisMachine();
  char number[48];
  for (int chunk = 0; chunk < 3000; ++chunk) {
    std::string text;
    const int fieldCount = static_cast<int>(random() % 200);
    for (int i = 0; i < fieldCount; ++i) {
      if (i > 0 || random() % 4 == 0) text += kSeparators[random() % std::size(kSeparators)];
      switch (random() % 5) {
        case 0:  // short decimals as simulators write them, at times long
          std::snprintf(
              number, sizeof number, "%.*f", static_cast<int>(random() % 9),
              static_cast<double>(static_cast<std::int64_t>(random() % 200000001) - 100000000) /
                  std::pow(10.0, static_cast<double>(random() % 9)));
          break;
        case 1:  // whole numbers of up to 10 digits
          std::snprintf(number, sizeof number, "%lld",
                        static_cast<long long>(random() % 20000000001) - 10000000000);
          break;
        case 2: {  // digits, points and signs anywhere
          std::string t;
          for (int k = 1 + static_cast<int>(random() % 10); k > 0; --k)
            t += "0123456789.-+e5"[random() % 16];
          std::snprintf(number, sizeof number, "%s", t.c_str());
          break;
        }
        case 3: {  // forms at the edges
          static const char* const kEdges[] = {
              "-0",     "-0.0",     "0",         ".5",        "5.",       "-.5",       ".",
              "-",      "+1",       "16777217.", "1677721.7", "99999999", "-99999999", "9999.9999",
              "12\x01", "\xb2\xe3", "1.5e3",     "00000000",  "-00000000"};
          std::snprintf(number, sizeof number, "%s", kEdges[random() % std::size(kEdges)]);
          break;
        }
        default:  // any bytes but separators
          for (int k = 0, n = 1 + static_cast<int>(random() % 12); k < n; ++k) {
            char c;
            do c = static_cast<char>(random() % 256);
            while (IsFieldSeparator(c));
            number[k] = c;
            number[k + 1] = '\0';
          }
          break;
      }
      text += number;
    }
    if (random() % 2) text += kSeparators[random() % std::size(kSeparators)];
    // As ScanChunk asks: a separator after the chunk, then padding (of any bytes).
    std::string padded = text + " ";
    for (std::size_t k = 0; k < kScanPadding; ++k) padded += static_cast<char>(random() % 256);
    ChunkFields first;
    ScanChunkBy(ways.front(), padded.data(), text.size(), first);
    for (ScanWay way : ways) {
      ChunkFields fields;
      ScanChunkBy(way, padded.data(), text.size(), fields);
      ASSERT_EQ(fields.count, first.count) << static_cast<int>(way) << " " << text;
      ASSERT_EQ(fields.lineFeeds, first.lineFeeds) << static_cast<int>(way) << " " << text;
      for (std::size_t f = 0; f < first.count; ++f) {
        ASSERT_EQ(fields.kinds[f], first.kinds[f])
            << static_cast<int>(way) << " field " << f << ": " << text;
        ASSERT_EQ(fields.bits[f], first.bits[f])
            << static_cast<int>(way) << " field " << f << ": " << text;
      }
    }
  }
}

// The grammar of readi and of the interval dialog's field, both ways together.
TEST(ParseWhole, AcceptsOnlyWholeDecimalNumbersOf32Bits) {
  struct Case {
    const char* text;
    bool accepted;
    int value;
  } cases[] = {{"5", true, 5},
               {"-3", true, -3},
               {"+12", true, 12},
               {"0", true, 0},
               {"2147483647", true, 2147483647},
               {"12a", false, 0},
               {"1.5", false, 0},
               {"", false, 0},
               {" 5", false, 0},
               {"+-3", false, 0},
               {"+", false, 0},
               {"-", false, 0},
               {"2147483648", false, 0},
               {"-2147483648", true, -2147483647 - 1},
               {"-0", true, 0},
               {"5 3", false, 0},
               {"+ 5", false, 0},
               {"1e3", false, 0},
               {"99999999999999999999", false, 0}};
  for (const Case& c : cases) {
    int value = 0;
    EXPECT_EQ(ParseWhole(c.text, value), c.accepted) << c.text;
    if (c.accepted) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

}  // namespace
}  // namespace scan
