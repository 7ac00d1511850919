// Reading streams split their files into chunks, scanned on the reader's
// thread or on helper threads: whatever the plan, the fields, their numbers
// and their lines must be those of the file read as one text.
#include "platform/file_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace platform {
namespace {

using scan::DefaultReadingPlan;
using scan::IsFieldSeparator;
using scan::ReadingPlan;
using scan::ScannedNumber;
using scan::ScanNumber;

using test_support::TempDir;

struct Field {
  std::string text;
  int line;
};

// The fields of the text as one piece, with their lines, and the line of the end.
std::vector<Field> ReferenceFields(const std::string& text, int& endLine) {
  std::vector<Field> fields;
  int line = 1;
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsFieldSeparator(text[i])) {
      line += text[i++] == '\n';
      continue;
    }
    std::size_t start = i;
    while (i < text.size() && !IsFieldSeparator(text[i])) ++i;
    fields.push_back({text.substr(start, i - start), line});
  }
  endLine = line - (!text.empty() && text.back() == '\n' ? 1 : 0);
  return fields;
}

// A random file: numbers of many forms, texts, fields longer than a chunk,
// every separator, blank lines and CRLF line ends.
std::string RandomText(std::mt19937& random) {
  static const char* const kSeparators[] = {" ",  " ",    " ",  "\n", "\r\n", "\t",
                                            "  ", "\n\n", "\v", "\f", "\r",   " \r\n"};
  static const char* const kFields[] = {
      "0.0000", "-12.5", "7",    "-2147483648", "2147483648",       "1.5e-3",   "-0",
      "+3",     "12a",   "1e39", "nan",         "\xb2\xe3\xce\xbb", "\x01\x7f", "."};
  std::string text;
  int fields = static_cast<int>(random() % 300);
  if (random() % 3 == 0) text += kSeparators[random() % std::size(kSeparators)];
  for (int i = 0; i < fields; ++i) {
    switch (random() % 4) {
      case 0:
        text += kFields[random() % std::size(kFields)];
        break;
      case 1:
        text += std::to_string(random() % 100000) + "." + std::to_string(random() % 10000);
        break;
      case 2:
        text += std::string(1 + random() % 90, static_cast<char>('0' + random() % 10));
        break;
      default:
        text += std::to_string(static_cast<int>(random() % 2000) - 1000);
        break;
    }
    if (i + 1 < fields || random() % 2 == 0) text += kSeparators[random() % std::size(kSeparators)];
  }
  return text;
}

// Reads the file with the plan and checks every field against the reference;
// asks for texts and lines of some fields only, so that fields are passed by
// unasked too.
void CheckReading(const std::string& name, const std::string& text, const ReadingPlan& plan,
                  std::mt19937& random) {
  int endLine = 0;
  std::vector<Field> expected = ReferenceFields(text, endLine);
  SCOPED_TRACE("threads " + std::to_string(plan.threads) + ", chunks of " +
               std::to_string(plan.chunkBytes) + ": " + ::testing::PrintToString(text));
  FileStream stream(::open(name.c_str(), O_RDONLY | O_CLOEXEC), FileStream::Mode::Read, plan);
  std::size_t damaged = random() % (expected.size() + 1);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ScannedNumber number;
    ASSERT_TRUE(stream.NextNumber(number)) << i;
    if (random() % 3 == 0) {
      ASSERT_EQ(stream.FieldText(), expected[i].text) << i;
      ScannedNumber alone = ScanNumber(expected[i].text);
      ASSERT_EQ(number.kind, alone.kind) << i;
      ASSERT_EQ(number.bits, alone.bits) << i;
    }
    if (random() % 3 == 0) {
      ASSERT_EQ(stream.Line(), expected[i].line) << i;
    }
    if (i == damaged) stream.NoteDamage();
  }
  ScannedNumber number;
  EXPECT_FALSE(stream.NextNumber(number));
  EXPECT_FALSE(stream.NextNumber(number));
  EXPECT_EQ(stream.FieldText(), "");
  EXPECT_EQ(stream.Line(), endLine);
  EXPECT_EQ(stream.DamageLine(), damaged < expected.size() ? expected[damaged].line : 0);
}

TEST(fileStreamChunks, AnyPlanReadsTheFieldsAndLinesOfTheWholeText) {
  std::mt19937 random(13);
  TempDir dir;
  for (int file = 0; file < 150; ++file) {
    std::string text = RandomText(random);
    std::string name = dir.Put("random.txt", text);
    for (int threads : {1, 2, 3}) {
      ReadingPlan plan;
      plan.threads = threads;
      plan.chunkBytes = 1 + random() % (file % 2 ? 16 : 300);  // fields span several chunks
      plan.parallelFrom = 0;
      CheckReading(name, text, plan, random);
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// Files read in step share the helpers' scanning: each still reads whole.
TEST(fileStreamChunks, FilesReadInStep) {
  std::mt19937 random(21);
  TempDir dir;
  std::vector<std::string> texts(3);
  std::vector<std::vector<Field>> expected(3);
  std::vector<std::unique_ptr<FileStream>> streams;
  for (std::size_t f = 0; f < texts.size(); ++f) {
    while (texts[f].size() < 100000) texts[f] += RandomText(random) + "\n";
    int endLine;
    expected[f] = ReferenceFields(texts[f], endLine);
    std::string name = dir.Put("step" + std::to_string(f) + ".txt", texts[f]);
    streams.push_back(std::make_unique<FileStream>(::open(name.c_str(), O_RDONLY | O_CLOEXEC),
                                                   FileStream::Mode::Read,
                                                   ReadingPlan{2 + static_cast<int>(f), 100, 0}));
  }
  for (std::size_t i = 0;; ++i) {
    bool any = false;
    for (std::size_t f = 0; f < streams.size(); ++f) {
      if (f == 2 && i == 500) {
        EXPECT_TRUE(streams[f]->Close());  // one stops half way
      }
      std::string_view field;
      if (!streams[f]->NextField(field)) continue;
      ASSERT_LT(i, expected[f].size());
      ASSERT_EQ(field, expected[f][i].text) << f << " " << i;
      any = true;
    }
    if (!any) break;
  }
}

TEST(fileStreamChunks, ClosingStopsTheHelpersAnywhere) {
  std::mt19937 random(5);
  TempDir dir;
  std::string text;
  while (text.size() < 200000) text += RandomText(random) + "\n";
  std::string name = dir.Put("long.txt", text);
  for (int stop : {0, 1, 1000, 10000}) {
    FileStream stream(::open(name.c_str(), O_RDONLY | O_CLOEXEC), FileStream::Mode::Read,
                      {3, 64, 0});
    ScannedNumber number;
    for (int i = 0; i < stop; ++i) ASSERT_TRUE(stream.NextNumber(number));
    EXPECT_TRUE(stream.Close());
    EXPECT_FALSE(stream.NextNumber(number));
  }
}

TEST(fileStreamChunks, AFailedReadEndsTheFileAsDamage) {
  TempDir dir;
  for (ReadingPlan plan : {ReadingPlan{1, 64, 0}, ReadingPlan{2, 64, 0}}) {
    // Reading a directory fails.
    FileStream stream(::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC),
                      FileStream::Mode::Read, plan);
    ScannedNumber number;
    EXPECT_FALSE(stream.NextNumber(number));
    EXPECT_EQ(stream.DamageLine(), 1);
  }
}

TEST(fileStreamChunks, ThreadsFromTheEnvironment) {
  const char* saved = std::getenv("STRATAPLOT_THREADS");
  std::string savedText = saved != nullptr ? saved : "";
  ::unsetenv("STRATAPLOT_THREADS");
  const int cores = DefaultReadingPlan().threads;
  EXPECT_GE(cores, 1);
  struct Case {
    const char* value;
    int threads;
  };
  for (const Case& c :
       {Case{"1", 1}, Case{"3", 3}, Case{"64", 64}, Case{"100000", 64}, Case{"0", cores},
        Case{"-2", cores}, Case{"2x", cores}, Case{"", cores}, Case{"many", cores}}) {
    ::setenv("STRATAPLOT_THREADS", c.value, 1);
    ReadingPlan plan = DefaultReadingPlan();
    EXPECT_EQ(plan.threads, c.threads) << c.value;
    EXPECT_LE(plan.chunkBytes * static_cast<std::size_t>(plan.threads + 2), std::size_t{8} << 20)
        << c.value;
  }
  if (saved != nullptr) {
    ::setenv("STRATAPLOT_THREADS", savedText.c_str(), 1);
  } else {
    ::unsetenv("STRATAPLOT_THREADS");
  }
}

}  // namespace
}  // namespace platform
