#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "common/common.h"
#include "platform/file_stream.h"
#include "scan/chunk_source.h"
#include "testing/temp_dir.h"

namespace {

using test_support::TempDir;

// A file holding the text, open for reading; closed and removed at the end.
class ReadFile {
 public:
  explicit ReadFile(std::string_view text) {
    name_ = dir_.Put("in.txt", text);
    handle_ = platform::OpenFile(name_.c_str(), platform::OF_READ);
    EXPECT_GE(handle_, 0);
  }
  ~ReadFile() { platform::_lclose(handle_); }
  HFILE handle() const { return handle_; }

 private:
  TempDir dir_;
  std::string name_;
  HFILE handle_;
};

int ReadOneInt(std::string_view text, int& value) {
  ReadFile file(text);
  value = 12345;
  return readi(file.handle(), &value);
}

int ReadOneReal(std::string_view text, float& value) {
  ReadFile file(text);
  value = 12345.0f;
  return readf(file.handle(), &value);
}

TEST(fieldsRead, ReadiWholeNumbers) {
  struct Case {
    const char* text;
    int value;
  };
  const Case cases[] = {
      {"0", 0},
      {"7", 7},
      {"-7", -7},
      {"+7", 7},
      {"-0", 0},
      {"+0", 0},
      {"007", 7},
      {"-007", -7},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<int>::min()},
      {"+2147483647", 2147483647},
      {"  42  ", 42},
      {"\r\n\t\v\f 42\r\n", 42},
      {"000000000000000000000000000123", 123},
  };
  for (const Case& c : cases) {
    int value;
    EXPECT_EQ(ReadOneInt(c.text, value), 1) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

TEST(fieldsRead, ReadiDamagedFieldsStoreZero) {
  const char* cases[] = {
      "12a",        "a12",         "1.5",
      "1e3",        "1.",          ".5",
      "2147483648", "-2147483649", "99999999999999999999",
      "--1",        "-+1",         "+-1",
      "++1",        "+",           "-",
      "0x10",       "1,000",       "abc",
      "nan",        "inf",         "1-",
      "\xb2\xe3",
  };
  for (const char* text : cases) {
    ReadFile file(std::string("\n") + text + "\n5");
    int value = 12345;
    EXPECT_EQ(readi(file.handle(), &value), -1) << text;
    EXPECT_EQ(value, 0) << text;
    EXPECT_EQ(ReadDamageLine(file.handle()), 2) << text;
    EXPECT_EQ(readi(file.handle(), &value), 1) << text;  // reading goes on after damage
    EXPECT_EQ(value, 5);
    EXPECT_EQ(ReadDamageLine(file.handle()), 2) << text;
  }
}

TEST(fieldsRead, ReadfRealNumbers) {
  struct Case {
    const char* text;
    float value;
  };
  const Case cases[] = {
      {"0", 0.0f},
      {"1", 1.0f},
      {"-1", -1.0f},
      {"+1", 1.0f},
      {"1.5", 1.5f},
      {"+1.5", 1.5f},
      {"-1.5", -1.5f},
      {".5", 0.5f},
      {"-.5", -0.5f},
      {"+.5", 0.5f},
      {"5.", 5.0f},
      {"1e3", 1000.0f},
      {"1E3", 1000.0f},
      {"1e+3", 1000.0f},
      {"1.5e-3", 1.5e-3f},
      {"-2.5E+02", -250.0f},
      {"+6.02e23", 6.02e23f},
      {"0.1", 0.1f},
      {"123456789", 123456792.0f},
      {"3.4028235e38", std::numeric_limits<float>::max()},
      {"-3.4028235e38", -std::numeric_limits<float>::max()},
      {"1.17549435e-38", std::numeric_limits<float>::min()},
      {"1e-40", 1e-40f},  // denormal
      {"1.4e-45", std::numeric_limits<float>::denorm_min()},
      {"1e-50", 0.0f},   // underflows to zero
      {"1e-400", 0.0f},  // underflows even as a double
      {"0.00000000000000000000000000000000000000000000000000000001", 0.0f},
      {"2147483648", 2147483648.0f},
      {"00012.500", 12.5f},
      // Midpoints of two floats and texts a hair off them.
      {"16777217", 16777216.0f},
      {"16777217.0", 16777216.0f},
      {"16777219", 16777220.0f},
      {"16777217.000000001", 16777218.0f},
      {"16777218.999999999", 16777218.0f},
      {"-16777217.000000001", -16777218.0f},
      {"1.00000005960464477539062500001", 1.00000011920928955078125f},
      {"1.000000059604644775390625", 1.0f},
      // Its double is a midpoint, the text is just above it.
      {"5.16563613928156e-05", std::bit_cast<float>(0x3858a999u)},
  };
  for (const Case& c : cases) {
    float value;
    EXPECT_EQ(ReadOneReal(c.text, value), 1) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
}

// Every real converts exactly as the C library's strtof converts it.
TEST(fieldsRead, ReadfAgreesWithStrtof) {
  std::mt19937_64 random(77);
  std::vector<std::string> texts;
  char text[128];
  for (int n = 0; n < 300000; ++n) {
    switch (n % 5) {
      case 0: {  // a float shortly written
        float f = std::bit_cast<float>(static_cast<std::uint32_t>(random()) & 0x7F7FFFFFu);
        std::snprintf(text, sizeof text, "%.*g", 1 + static_cast<int>(random() % 12),
                      static_cast<double>(f));
        break;
      }
      case 1: {  // near the midpoint of two neighbouring floats
        float f = static_cast<float>(std::ldexp(static_cast<double>(random() % (1u << 24)),
                                                static_cast<int>(random() % 60) - 40));
        double mid = (static_cast<double>(f) +
                      static_cast<double>(std::nextafter(f, std::numeric_limits<float>::max()))) /
                     2;
        std::snprintf(text, sizeof text, "%.*g", 8 + static_cast<int>(random() % 18), mid);
        break;
      }
      case 2:  // fixed decimals as maps and profiles hold them
        std::snprintf(
            text, sizeof text, "%.*f", static_cast<int>(random() % 9),
            static_cast<double>(static_cast<std::int64_t>(random() % 2000000000) - 1000000000) /
                static_cast<double>(1 + random() % 100000));
        break;
      case 3: {  // random digits, point and exponent
        std::string t = random() % 2 ? "-" : "";
        int digits = 1 + static_cast<int>(random() % 24);
        int point = static_cast<int>(random() % (digits + 1));
        for (int i = 0; i < digits; ++i) {
          if (i == point) t += '.';
          t += static_cast<char>('0' + random() % 10);
        }
        if (random() % 2) t += "e" + std::to_string(static_cast<int>(random() % 70) - 35);
        std::snprintf(text, sizeof text, "%s", t.c_str());
        break;
      }
      default:  // whole numbers around 2^24 and beyond
        std::snprintf(text, sizeof text, "%llu",
                      static_cast<unsigned long long>(random() % (std::uint64_t{1} << 40)));
        break;
    }
    if (std::isfinite(std::strtof(text, nullptr))) texts.emplace_back(text);  // else damage
  }
  std::string all;
  for (const std::string& t : texts) all += t + '\n';
  ReadFile file(all);
  for (const std::string& t : texts) {
    float value;
    ASSERT_EQ(readf(file.handle(), &value), 1) << t;
    float expected = std::strtof(t.c_str(), nullptr);
    ASSERT_EQ(std::bit_cast<std::uint32_t>(value), std::bit_cast<std::uint32_t>(expected)) << t;
  }
}

TEST(fieldsRead, ReadfSignOfZero) {
  float value;
  ASSERT_EQ(ReadOneReal("-0", value), 1);
  EXPECT_TRUE(std::signbit(value));
  ASSERT_EQ(ReadOneReal("-1e-50", value), 1);
  EXPECT_EQ(value, 0.0f);
  EXPECT_TRUE(std::signbit(value));
  ASSERT_EQ(ReadOneReal("+0.0", value), 1);
  EXPECT_FALSE(std::signbit(value));
}

TEST(fieldsRead, ReadfDamagedFieldsStoreZero) {
  const char* cases[] = {
      "1e39",   "-1e39",    "3.5e38",
      "1e400",  "-1e400",   "1000000000000000000000000000000000000000000",
      "nan",    "-nan",     "NaN",
      "nan(1)", "inf",      "-inf",
      "+inf",   "infinity", "INF",
      "--1",    "+-1",      "-+1",
      "++1",    "+",        "-",
      ".",      "+.",       "e5",
      "1e",     "1e+",      "1.5.2",
      "1,5",    "12a",      "0x10",
      "0x1p3",  "1d5",      "1.0D+05",
      "1.5f",   "abc",      "\xb2\xe3\xce\xbb",
  };
  for (const char* text : cases) {
    ReadFile file(std::string("1.5 ") + text + "\n2.5");
    float value = 12345.0f;
    ASSERT_EQ(readf(file.handle(), &value), 1);
    EXPECT_EQ(readf(file.handle(), &value), -1) << text;
    EXPECT_EQ(value, 0.0f) << text;
    EXPECT_EQ(ReadDamageLine(file.handle()), 1) << text;
    EXPECT_EQ(readf(file.handle(), &value), 1) << text;
    EXPECT_EQ(value, 2.5f) << text;
  }
}

TEST(fieldsRead, ReadfIgnoresTheLocale) {
  // Whatever locale the process runs in, the point is the decimal separator.
  const char* previous = std::setlocale(LC_ALL, nullptr);
  std::string saved = previous != nullptr ? previous : "C";
  bool switched = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr ||
                  std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr;
  float value;
  EXPECT_EQ(ReadOneReal("1.5", value), 1);
  EXPECT_EQ(value, 1.5f);
  EXPECT_EQ(ReadOneReal("1,5", value), -1);
  EXPECT_EQ(ReadOneReal("1e-50", value), 1);
  EXPECT_EQ(value, 0.0f);
  std::setlocale(LC_ALL, saved.c_str());
  if (!switched) GTEST_SKIP() << "no other locale installed; checked in the C locale only";
}

TEST(fieldsRead, ReadsFieldsWhole) {
  std::string longName(5000, 'n');
  longName[0] = '\xb2';
  longName[1] = '\xe3';
  ReadFile file("  \xc9\xb3\xc8\xfd\xb6\xce\t12a\r\n" + longName + "\f-\v\x01\x7f\n");
  std::string text = "stale";
  EXPECT_EQ(reads(file.handle(), text), 1);
  EXPECT_EQ(text, "\xc9\xb3\xc8\xfd\xb6\xce");
  EXPECT_EQ(reads(file.handle(), text), 1);
  EXPECT_EQ(text, "12a");
  EXPECT_EQ(reads(file.handle(), text), 1);
  EXPECT_EQ(text, longName);
  EXPECT_EQ(ReadLine(file.handle()), 2);
  EXPECT_EQ(reads(file.handle(), text), 1);
  EXPECT_EQ(text, "-");
  EXPECT_EQ(reads(file.handle(), text), 1);
  EXPECT_EQ(text, "\x01\x7f");  // control bytes other than the six separators belong to fields
  EXPECT_EQ(reads(file.handle(), text), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(ReadDamageLine(file.handle()), 0);
}

TEST(fieldsRead, EndOfFileReturnsZeroAndStoresZero) {
  for (const char* text : {"", " ", "\n", "\r\n\r\n", " \t\v\f\r\n"}) {
    ReadFile file(text);
    int i = 7;
    float f = 7.0f;
    std::string s = "7";
    EXPECT_EQ(readi(file.handle(), &i), 0);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(readf(file.handle(), &f), 0);
    EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(reads(file.handle(), s), 0);
    EXPECT_EQ(s, "");
    EXPECT_EQ(ReadDamageLine(file.handle()), 0);
  }
}

TEST(fieldsRead, EndOfFileAfterFields) {
  ReadFile file("1 2.5 x");
  int i;
  float f;
  std::string s;
  EXPECT_EQ(readi(file.handle(), &i), 1);
  EXPECT_EQ(readf(file.handle(), &f), 1);
  EXPECT_EQ(reads(file.handle(), s), 1);
  i = 9;
  EXPECT_EQ(readi(file.handle(), &i), 0);
  EXPECT_EQ(i, 0);
  f = 9.0f;
  EXPECT_EQ(readf(file.handle(), &f), 0);
  EXPECT_EQ(f, 0.0f);
  EXPECT_EQ(reads(file.handle(), s), 0);
  EXPECT_EQ(s, "");
}

TEST(fieldsRead, Separators) {
  ReadFile file("1 2\t3\n4\r\n5\v6\f7\r8  \t\r\n\n 9");
  std::vector<int> values;
  int value;
  while (readi(file.handle(), &value) == 1) values.push_back(value);
  EXPECT_EQ(values, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(ReadDamageLine(file.handle()), 0);
}

TEST(fieldsRead, ReadLineFollowsFieldsAndStopsAtTheLastLine) {
  ReadFile file("1 2\r\n3\n\n4\n");
  int value;
  EXPECT_EQ(ReadLine(file.handle()), 1);
  readi(file.handle(), &value);
  EXPECT_EQ(ReadLine(file.handle()), 1);
  readi(file.handle(), &value);
  EXPECT_EQ(ReadLine(file.handle()), 1);
  readi(file.handle(), &value);
  EXPECT_EQ(ReadLine(file.handle()), 2);
  readi(file.handle(), &value);
  EXPECT_EQ(ReadLine(file.handle()), 4);
  EXPECT_EQ(readi(file.handle(), &value), 0);
  EXPECT_EQ(ReadLine(file.handle()), 4);  // the final line end starts no line
}

TEST(fieldsRead, ReadLineAtTheEndOfFilesOfEveryShape) {
  struct Case {
    const char* text;
    int line;
  };
  const Case cases[] = {
      {"", 1},     {"\n", 1},         {"5", 1},          {"5\n", 1},     {"5\n\n", 2},
      {"5\n6", 2}, {"5\r\n6\r\n", 2}, {"5\n6\n\n\n", 4}, {"\n\n\n5", 4}, {"5 \n \n ", 3},
  };
  for (const Case& c : cases) {
    ReadFile file(c.text);
    int value;
    while (readi(file.handle(), &value) != 0) {
    }
    EXPECT_EQ(ReadLine(file.handle()), c.line) << ::testing::PrintToString(std::string(c.text));
  }
}

TEST(fieldsRead, FirstDamageIsKept) {
  ReadFile file("1\n2\nx\n4\ny\n");
  int value;
  EXPECT_EQ(ReadDamageLine(file.handle()), 0);
  EXPECT_EQ(readi(file.handle(), &value), 1);
  EXPECT_EQ(readi(file.handle(), &value), 1);
  EXPECT_EQ(readi(file.handle(), &value), -1);
  EXPECT_EQ(ReadDamageLine(file.handle()), 3);
  EXPECT_EQ(readi(file.handle(), &value), 1);
  float real;
  EXPECT_EQ(readf(file.handle(), &real), -1);
  EXPECT_EQ(ReadDamageLine(file.handle()), 3);
  EXPECT_EQ(ReadLine(file.handle()), 5);
}

TEST(fieldsRead, TextFieldsAreNeverDamage) {
  ReadFile file("1e39 nan 12a");
  std::string s;
  while (reads(file.handle(), s) == 1) {
  }
  EXPECT_EQ(ReadDamageLine(file.handle()), 0);
}

TEST(fieldsRead, HandlesNotOpenForReadingReadAsEmpty) {
  TempDir dir;
  HFILE out = platform::OpenFile(dir.File("out.txt").c_str(), platform::OF_CREATE_WRITE);
  ASSERT_GE(out, 0);
  for (HFILE handle : {HFILE{-1}, HFILE{1 << 20}, out}) {
    int i = 3;
    float f = 3.0f;
    std::string s = "3";
    EXPECT_EQ(readi(handle, &i), 0);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(readf(handle, &f), 0);
    EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(reads(handle, s), 0);
    EXPECT_EQ(s, "");
  }
  EXPECT_EQ(ReadDamageLine(-1), 0);
  EXPECT_EQ(ReadLine(-1), 0);
  EXPECT_EQ(platform::_lclose(out), 0);
}

TEST(fieldsRead, FieldsAcrossTheBufferEdge) {
  // Values of every width around the 1 MiB edges of a 5 MiB file; damage far in.
  std::string text;
  std::vector<float> expected;
  int line = 1;
  for (int i = 0; text.size() < (std::size_t{5} << 20); ++i) {
    float value = static_cast<float>(i % 100003) / static_cast<float>(1 + i % 7) -
                  static_cast<float>(i % 11) * 1000.0f;
    char field[64];
    std::snprintf(field, sizeof field, "%.*g", 1 + i % 9, static_cast<double>(value));
    float exact = std::strtof(field, nullptr);
    expected.push_back(exact);
    text += field;
    if (i % 8 == 7) {
      text += "\r\n";
      ++line;
    } else {
      text += ' ';
    }
  }
  text += "\n1e39\n";
  ReadFile file(text);
  float value;
  for (std::size_t n = 0; n < expected.size(); ++n) {
    ASSERT_EQ(readf(file.handle(), &value), 1) << n;
    ASSERT_EQ(value, expected[n]) << n;
  }
  EXPECT_EQ(ReadDamageLine(file.handle()), 0);
  EXPECT_EQ(readf(file.handle(), &value), -1);
  EXPECT_EQ(ReadDamageLine(file.handle()), line + 1);
  EXPECT_EQ(readf(file.handle(), &value), 0);
  EXPECT_EQ(ReadLine(file.handle()), line + 1);
}

TEST(fieldsRead, LongNameAcrossTheBufferEdge) {
  std::string filler(1048576 - 10, ' ');
  std::string name(3000, 'k');
  ReadFile file(filler + " " + name + "\n" + "z");
  std::string s;
  EXPECT_EQ(reads(file.handle(), s), 1);
  EXPECT_EQ(s, name);
  EXPECT_EQ(reads(file.handle(), s), 1);
  EXPECT_EQ(s, "z");
  EXPECT_EQ(ReadLine(file.handle()), 2);
}

// The file opened for reading as the plan says.
HFILE OpenWithPlan(const std::string& name, const scan::ReadingPlan& plan) {
  scan::ReadingPlan saved = scan::CurrentReadingPlan();
  scan::SetReadingPlan(plan);
  HFILE file = platform::OpenFile(name.c_str(), platform::OF_READ);
  scan::SetReadingPlan(saved);
  return file;
}

// What every read of a file gave: result, value, damage line and line.
std::vector<std::string> ReadAll(const std::string& name, const std::string& calls,
                                 const scan::ReadingPlan& plan) {
  HFILE file = OpenWithPlan(name, plan);
  std::vector<std::string> results;
  for (char call : calls) {
    std::string value;
    int result;
    if (call == 'i') {
      int i;
      result = readi(file, &i);
      value = std::to_string(i);
    } else if (call == 'f') {
      float f;
      result = readf(file, &f);
      value = std::to_string(std::bit_cast<std::uint32_t>(f));
    } else {
      result = reads(file, value);
    }
    results.push_back(std::string(1, call) + " " + std::to_string(result) + " " + value + " " +
                      std::to_string(ReadDamageLine(file)) + " " + std::to_string(ReadLine(file)));
  }
  platform::_lclose(file);
  return results;
}

// A field of random text: one of the fields one time in oneIn, else a
// decimal with a fraction below `fractions`.
std::string RandomField(std::mt19937& random, std::span<const char* const> fields, unsigned oneIn,
                        unsigned fractions) {
  return random() % oneIn == 0 ? std::string(fields[random() % fields.size()])
                               : std::to_string(static_cast<int>(random() % 20000) - 500) + "." +
                                     std::to_string(random() % fractions);
}

// Files read in chunks of any size, on helper threads or not, read as the
// whole file read at once: the same values, the same damage on the same line
// (in any chunk), the same end.
TEST(fieldsRead, ChunkedReadingMatchesReadingAtOnce) {
  static const char* const kFields[] = {"0.0000", "-12.5", "7",   "-2147483648", "2147483648",
                                        "1.5e-3", "-0",    "+3",  "12a",         "1e39",
                                        "1e-50",  "nan",   "--1", "\xb2\xe3"};
  static const char* const kSeparators[] = {" ", "\n", "\r\n", "\t", "\n\n", " \r\n"};
  std::mt19937 random(8);
  TempDir dir;
  for (int n = 0; n < 60; ++n) {
    std::string text;
    std::string calls;
    int fields = static_cast<int>(random() % 400);
    for (int i = 0; i < fields; ++i) {
      text += RandomField(random, kFields, 4, 100);
      text += kSeparators[random() % std::size(kSeparators)];
      calls += "iffffs"[random() % 6];
    }
    if (random() % 2 == 0 && !text.empty()) text.pop_back();  // no line end at the end
    calls += "ifs";                                           // reads past the end
    std::string name = dir.Put("chunks.txt", text);
    const auto atOnce = ReadAll(name, calls, {1, std::size_t{1} << 20, 0});
    for (int threads : {1, 3}) {
      scan::ReadingPlan plan{threads, 1 + random() % 200, 0};
      EXPECT_EQ(ReadAll(name, calls, plan), atOnce)
          << "threads " << threads << ", chunks of " << plan.chunkBytes;
    }
  }
}

// Batches of reals read by readfs, or by readf field by field up to the first
// field not read: each batch's count, its values (the field not read
// included) and the damage line and line after it.
std::vector<std::string> ReadBatches(const std::string& name, const std::vector<int>& batches,
                                     const scan::ReadingPlan& plan, bool fieldByField) {
  HFILE file = OpenWithPlan(name, plan);
  std::vector<std::string> results;
  for (int batch : batches) {
    std::vector<float> values(static_cast<std::size_t>(batch), 12345.0f);
    int count = 0;
    if (fieldByField) {
      while (count < batch && readf(file, &values[static_cast<std::size_t>(count)]) == 1) ++count;
    } else {
      count = readfs(file, values.data(), batch);
    }
    std::string result = std::to_string(count) + ":";
    for (int i = 0; i < std::min(count + 1, batch); ++i) {
      result +=
          " " + std::to_string(std::bit_cast<std::uint32_t>(values[static_cast<std::size_t>(i)]));
    }
    results.push_back(result + " " + std::to_string(ReadDamageLine(file)) + " " +
                      std::to_string(ReadLine(file)));
    if (count < batch) break;
  }
  platform::_lclose(file);
  return results;
}

// readfs reads a file's reals as readf reads them one by one, whatever the
// batches and chunks: plain numbers, numbers converted from their text,
// damage and the end of the file.
TEST(fieldsRead, ReadfsReadsAsReadfFieldByField) {
  static const char* const kFields[] = {
      "-12.5",  "7",   "-2147483648", "2147483648",
      "1.5e-3", "-0",  "+3",          "0.10000000000000000000000001",
      "12a",    "1e39"};
  std::mt19937 random(9);
  TempDir dir;
  for (int n = 0; n < 60; ++n) {
    std::string text;
    int fields = static_cast<int>(random() % 600);
    for (int i = 0; i < fields; ++i) {
      text += RandomField(random, kFields, 8, 10000);
      text += random() % 5 == 0 ? "\n" : " ";
    }
    std::vector<int> batches;
    for (int read = 0; read <= fields; read += batches.back()) {
      batches.push_back(1 + static_cast<int>(random() % 40));
    }
    std::string name = dir.Put("batches.txt", text);
    scan::ReadingPlan plan{1 + static_cast<int>(random() % 3), 1 + random() % 300, 0};
    EXPECT_EQ(ReadBatches(name, batches, plan, false), ReadBatches(name, batches, plan, true))
        << "file " << n << ", threads " << plan.threads << ", chunks of " << plan.chunkBytes;
  }
}

}  // namespace
