#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_stream.h"
#include "platform/platform.h"
#include "platform/written_files.h"
#include "testing/temp_dir.h"

namespace platform {
namespace {

using test_support::TempDir;

// 层位 and 沙三段 in GBK, and as a Linux user sees them.
constexpr char kGbkHorizon[] = "\xb2\xe3\xce\xbb";
constexpr char kUtf8Horizon[] = "\xe5\xb1\x82\xe4\xbd\x8d";
constexpr char kGbkShasan[] = "\xc9\xb3\xc8\xfd\xb6\xce";
constexpr char kUtf8Shasan[] = "\xe6\xb2\x99\xe4\xb8\x89\xe6\xae\xb5";

std::vector<std::string> Fields(FileStream& stream) {
  std::vector<std::string> fields;
  std::string_view field;
  while (stream.NextField(field)) fields.emplace_back(field);
  return fields;
}

TEST(files, OpenFileReadStyleOpensAnExistingFile) {
  TempDir dir;
  std::string name = dir.Put("in.txt", "12 abc\n");
  HFILE file = OpenFile(name.c_str(), OF_READ);
  ASSERT_GE(file, 0);
  ASSERT_NE(StreamOf(file), nullptr);
  EXPECT_FALSE(StreamOf(file)->ForWriting());
  EXPECT_EQ(Fields(*StreamOf(file)), (std::vector<std::string>{"12", "abc"}));
  EXPECT_EQ(_lclose(file), 0);
}

TEST(files, OpenFileReadStyleFailsForAMissingFile) {
  TempDir dir;
  EXPECT_EQ(OpenFile(dir.File("missing.txt").c_str(), OF_READ), HFILE_ERROR);
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.txt")));
}

TEST(files, OpenFileReadStyleRefusesADirectory) {
  TempDir dir;
  EXPECT_EQ(OpenFile(dir.path().c_str(), OF_READ), HFILE_ERROR);
}

TEST(files, OpenFileWriteStyleCreatesWithMode0644) {
  TempDir dir;
  std::string name = dir.File("out.txt");
  mode_t mask = ::umask(022);
  HFILE file = OpenFile(name.c_str(), OF_CREATE_WRITE);
  ::umask(mask);
  ASSERT_GE(file, 0);
  ASSERT_NE(StreamOf(file), nullptr);
  EXPECT_TRUE(StreamOf(file)->ForWriting());
  StreamOf(file)->Write("hello\n");
  EXPECT_EQ(_lclose(file), 0);
  EXPECT_EQ(TempDir::Contents(name), "hello\n");
  struct stat st;
  ASSERT_EQ(::stat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(files, OpenFileWriteStyleTruncatesAnExistingFile) {
  TempDir dir;
  std::string name = dir.Put("out.txt", "a long old content that must go\n");
  HFILE file = OpenFile(name.c_str(), OF_CREATE_WRITE);
  ASSERT_GE(file, 0);
  StreamOf(file)->Write("new");
  EXPECT_EQ(_lclose(file), 0);
  EXPECT_EQ(TempDir::Contents(name), "new");
}

TEST(files, OpenFileUnknownStylesFailAndCreateNothing) {
  TempDir dir;
  std::string name = dir.File("never.txt");
  for (unsigned style : {1u, 2u, 0x1000u, 0x1002u, 0x2000u, 0x1001u | 0x2000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(OpenFile(name.c_str(), style), HFILE_ERROR) << style;
  }
  EXPECT_FALSE(std::filesystem::exists(name));
  std::string existing = dir.Put("there.txt", "x");
  EXPECT_EQ(OpenFile(existing.c_str(), 2u), HFILE_ERROR);
  EXPECT_EQ(TempDir::Contents(existing), "x");
}

TEST(files, OpenFileGbkNamesBecomeUtf8FileNames) {
  TempDir dir;
  std::string gbk = dir.File(kGbkHorizon);
  HFILE file = OpenFile(gbk.c_str(), OF_CREATE_WRITE);
  ASSERT_GE(file, 0);
  StreamOf(file)->Write("1");
  ASSERT_EQ(_lclose(file), 0);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / kUtf8Horizon));
  EXPECT_FALSE(std::filesystem::exists(gbk));

  file = OpenFile(gbk.c_str(), OF_READ);
  ASSERT_GE(file, 0);
  EXPECT_EQ(Fields(*StreamOf(file)), std::vector<std::string>{"1"});
  EXPECT_EQ(_lclose(file), 0);

  EXPECT_TRUE(FileExists(gbk.c_str()));
  EXPECT_TRUE(RemoveFile(gbk.c_str()));
  EXPECT_FALSE(FileExists(gbk.c_str()));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / kUtf8Horizon));
}

TEST(files, OpenFileGbkNameWithExtension) {
  TempDir dir;
  std::string gbk = dir.File(std::string(kGbkShasan) + ".po1");
  HFILE file = OpenFile(gbk.c_str(), OF_CREATE_WRITE);
  ASSERT_GE(file, 0);
  ASSERT_EQ(_lclose(file), 0);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / (std::string(kUtf8Shasan) + ".po1")));
}

TEST(files, OpenFileNamesThatDoNotConvertFail) {
  TempDir dir;
  // A lone lead byte, a byte that is no GBK, a lead byte with an invalid trail byte.
  for (const char* bad : {"\xb2", "\xff", "\x81\x20"}) {
    std::string name = dir.File(std::string("x") + bad);
    EXPECT_EQ(OpenFile(name.c_str(), OF_CREATE_WRITE), HFILE_ERROR);
    EXPECT_EQ(OpenFile(name.c_str(), OF_READ), HFILE_ERROR);
    EXPECT_FALSE(FileExists(name.c_str()));
    EXPECT_FALSE(RemoveFile(name.c_str()));
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(files, OpenFileNullNameFails) {
  EXPECT_EQ(OpenFile(nullptr, OF_READ), HFILE_ERROR);
  EXPECT_EQ(OpenFile(nullptr, OF_CREATE_WRITE), HFILE_ERROR);
  EXPECT_FALSE(FileExists(nullptr));
  EXPECT_FALSE(RemoveFile(nullptr));
}

TEST(files, OpenFileHandlesAreReused) {
  TempDir dir;
  std::string name = dir.Put("in.txt", "1");
  HFILE a = OpenFile(name.c_str(), OF_READ);
  HFILE b = OpenFile(name.c_str(), OF_READ);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(_lclose(a), 0);
  EXPECT_EQ(StreamOf(a), nullptr);
  HFILE c = OpenFile(dir.File("out.txt").c_str(), OF_CREATE_WRITE);
  EXPECT_EQ(c, a);
  EXPECT_TRUE(StreamOf(c)->ForWriting());
  EXPECT_EQ(_lclose(b), 0);
  EXPECT_EQ(_lclose(c), 0);
}

TEST(files, LcloseFailsForHandlesNotOpen) {
  TempDir dir;
  EXPECT_EQ(_lclose(-1), HFILE_ERROR);
  EXPECT_EQ(_lclose(1 << 20), HFILE_ERROR);
  HFILE file = OpenFile(dir.Put("in.txt", "").c_str(), OF_READ);
  ASSERT_GE(file, 0);
  EXPECT_EQ(_lclose(file), 0);
  EXPECT_EQ(_lclose(file), HFILE_ERROR);
  EXPECT_EQ(StreamOf(file), nullptr);
  EXPECT_EQ(StreamOf(-1), nullptr);
}

TEST(files, LcloseReportsBufferedWritesThatFailed) {
  // /dev/full takes every open and refuses every write: the failure shows at
  // the flush in _lclose.
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  HFILE file = OpenFile("/dev/full", OF_CREATE_WRITE);
  ASSERT_GE(file, 0);
  StreamOf(file)->Write("12 34\n");
  EXPECT_EQ(_lclose(file), HFILE_ERROR);
}

TEST(files, LcloseReportsLargeWritesThatFailed) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  HFILE file = OpenFile("/dev/full", OF_CREATE_WRITE);
  ASSERT_GE(file, 0);
  StreamOf(file)->Write(std::string(1 << 20, 'x'));  // larger than the buffer
  StreamOf(file)->Repeat('y', 3 << 20);
  StreamOf(file)->Write("tail");
  EXPECT_EQ(_lclose(file), HFILE_ERROR);
}

TEST(files, LcloseNothingWrittenClosesCleanly) {
  TempDir dir;
  std::string name = dir.File("empty.txt");
  HFILE file = OpenFile(name.c_str(), OF_CREATE_WRITE);
  ASSERT_GE(file, 0);
  EXPECT_EQ(_lclose(file), 0);
  EXPECT_TRUE(std::filesystem::exists(name));
  EXPECT_EQ(std::filesystem::file_size(name), 0u);
}

TEST(files, FileExistsTellsFilesThatAreThere) {
  TempDir dir;
  EXPECT_FALSE(FileExists(dir.File("a.txt").c_str()));
  dir.Put("a.txt", "");
  EXPECT_TRUE(FileExists(dir.File("a.txt").c_str()));
  EXPECT_TRUE(RemoveFile(dir.File("a.txt").c_str()));
  EXPECT_FALSE(RemoveFile(dir.File("a.txt").c_str()));
}

// ---- Whole or absent: files created for writing --------------------------------------

std::vector<std::string> Entries(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

HFILE WriteWithoutClosing(const std::string& name, const std::string& text) {
  HFILE file = OpenFile(name.c_str(), OF_CREATE_WRITE);
  if (file >= 0) StreamOf(file)->Write(text);
  return file;
}

TEST(filesWhole, TheNameChangesOnlyWhenTheFileIsClosed) {
  TempDir dir;
  std::string name = dir.Put("map.po1", "old");
  HFILE file = WriteWithoutClosing(name, std::string(1 << 20, 'n'));
  ASSERT_GE(file, 0);
  EXPECT_EQ(TempDir::Contents(name), "old");
  std::vector<std::string> entries = Entries(dir);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_TRUE(entries[0].starts_with(".map.po1.") && entries[0].ends_with(".partial"))
      << entries[0];
  EXPECT_EQ(_lclose(file), 0);
  EXPECT_EQ(TempDir::Contents(name), std::string(1 << 20, 'n'));
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"map.po1"});
}

TEST(filesWhole, AbandonedOrUnstoredFilesLeaveTheOldOneAndNothingElse) {
  TempDir dir;
  std::string name = dir.Put("map.po1", "old");
  std::string fresh = dir.File("new.po1");
  HFILE file = WriteWithoutClosing(name, "new");
  EXPECT_EQ(AbandonFile(file), 0);
  EXPECT_EQ(AbandonFile(file), HFILE_ERROR);
  EXPECT_EQ(AbandonFile(WriteWithoutClosing(fresh, "new")), 0);
  // A rename that is refused: a directory has taken the name meanwhile.
  file = WriteWithoutClosing(fresh, "new");
  std::filesystem::create_directories(dir / "new.po1" / "inside");
  EXPECT_EQ(_lclose(file), HFILE_ERROR);
  // The temporary files of open writes removed (as a signal handler does).
  file = WriteWithoutClosing(name, "new");
  RemovePartialFiles();
  EXPECT_EQ(_lclose(file), HFILE_ERROR);
  EXPECT_EQ(TempDir::Contents(name), "old");
  EXPECT_EQ(Entries(dir), (std::vector<std::string>{"map.po1", "new.po1"}));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "new.po1" / "inside"));

  // A process that ends with a file open for writing leaves nothing of it.
  pid_t child = fork();
  if (child == 0) {
    WriteWithoutClosing(name, "new");
    WriteWithoutClosing(dir.File("other.po2"), "new");
    std::exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(Entries(dir), (std::vector<std::string>{"map.po1", "new.po1"}));
}

TEST(filesWhole, StalePartialFilesGoAndThoseOfLiveWritersStay) {
  TempDir dir;
  // A killed writer's file, one whose lock another holder has, a live
  // writer's, and names that are not ours.
  dir.Put(".map.po1.4242-0.partial", "half");
  std::string held = dir.Put(".map.po2.4243-7.partial", "held");
  const int holder = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  HFILE live = WriteWithoutClosing(dir.File("map.po3"), "live");
  ASSERT_GE(live, 0);
  dir.Put(".map.po1.history.tif.4242-3.partial.tif", "half");
  for (const char* name : {"notes.1-2.partial", ".map.po4.partial", ".map.po5.12-x.partial",
                           ".map.po6.1-2.partial.t-f", ".map.po6.1-2.partialtif"}) {
    dir.Put(name, "other");
  }
  std::filesystem::create_directory(dir / ".map.po7.1-2.partial");

  EXPECT_EQ(RemoveStalePartialFiles(dir.path().string()),
            (std::vector<std::string>{".map.po1.4242-0.partial",
                                      ".map.po1.history.tif.4242-3.partial.tif"}));
  EXPECT_EQ(Entries(dir).size(), 8u);  // all but the killed writers'
  ::close(holder);
  EXPECT_EQ(_lclose(live), 0);
  EXPECT_EQ(TempDir::Contents(dir.File("map.po3")), "live");
  EXPECT_EQ(RemoveStalePartialFiles(dir.path().string()),
            std::vector<std::string>{".map.po2.4243-7.partial"});
  EXPECT_TRUE(RemoveStalePartialFiles((dir / "nosuch").string()).empty());
}

TEST(filesWhole, ALinkIsReplacedItselfAndADanglingLinkExists) {
  TempDir dir;
  TempDir outside;
  std::string target = outside.Put("target", "theirs");
  std::string link = dir.File("map.po1");
  std::string dangling = dir.File("map.po2");
  std::filesystem::create_symlink(target, link);
  std::filesystem::create_symlink(outside / "nothing", dangling);
  EXPECT_TRUE(FileExists(dangling.c_str()));
  for (const std::string& name : {link, dangling}) {
    ASSERT_EQ(_lclose(WriteWithoutClosing(name, "ours")), 0) << name;
    EXPECT_FALSE(std::filesystem::is_symlink(name)) << name;
    EXPECT_EQ(TempDir::Contents(name), "ours");
  }
  EXPECT_EQ(TempDir::Contents(target), "theirs");
  EXPECT_EQ(Entries(outside), std::vector<std::string>{"target"});
}

TEST(filesWhole, WhatCannotBeReplacedIsNotCreatedAndPermissionsStay) {
  TempDir dir;
  std::filesystem::create_directory(dir / "map.po1");
  EXPECT_EQ(OpenFile(dir.File("map.po1").c_str(), OF_CREATE_WRITE), HFILE_ERROR);
  EXPECT_EQ(OpenFile(dir.File("no/such/dir.po1").c_str(), OF_CREATE_WRITE), HFILE_ERROR);
  std::string kept = dir.Put("kept.po2", "old");
  ASSERT_EQ(::chmod(kept.c_str(), 0600), 0);
  ASSERT_EQ(_lclose(WriteWithoutClosing(kept, "new")), 0);
  struct stat st;
  ASSERT_EQ(::stat(kept.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  if (::geteuid() != 0) {  // the superuser may write anything
    ASSERT_EQ(::chmod(kept.c_str(), 0444), 0);
    EXPECT_EQ(OpenFile(kept.c_str(), OF_CREATE_WRITE), HFILE_ERROR);
    EXPECT_EQ(TempDir::Contents(kept), "new");
  }
  EXPECT_EQ(Entries(dir), (std::vector<std::string>{"kept.po2", "map.po1"}));
}

// ---- Memory ----------------------------------------------------------------------------

TEST(memory, AvailableMemoryKeepsWithinTheLimitsOfTheProcess) {
  std::optional<std::uint64_t> available = AvailableMemory();
  ASSERT_TRUE(available);
  EXPECT_GT(*available, 0u);
  pid_t child = fork();
  if (child == 0) {
    // Room for 256 MiB more than the process has now.
    std::uint64_t size = 0;
    std::ifstream("/proc/self/statm") >> size;
    size *= static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    struct rlimit limit = {size + (256 << 20), RLIM_INFINITY};
    bool ok = ::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_max == RLIM_INFINITY;
    limit.rlim_cur = size + (256 << 20);
    ok = ok && ::setrlimit(RLIMIT_AS, &limit) == 0;
    std::optional<std::uint64_t> within = AvailableMemory();
    _exit(ok && within && *within <= (256u << 20) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Files written are told when they are closed whole, and removals after that;
// files read and files whose data was lost are not told as written.
TEST(files, WrittenFileObserverHearsOfClosedAndRemovedFiles) {
  struct Recorder : WrittenFileObserver {
    std::vector<std::string> events;
    void FileWritten(const std::string& path) override { events.push_back("written " + path); }
    void FileRemoved(const std::string& path) override { events.push_back("removed " + path); }
  } recorder;
  InstallWrittenFileObserver(&recorder);
  TempDir dir;
  std::string map = dir.File(kUtf8Shasan) + ".po1";
  HFILE file = OpenFile((dir.File(kGbkShasan) + ".po1").c_str(), OF_CREATE_WRITE);
  HFILE input = OpenFile(dir.Put("in.txt", "1").c_str(), OF_READ);
  EXPECT_EQ(_lclose(input), 0);
  EXPECT_EQ(_lclose(file), 0);
  EXPECT_TRUE(RemoveFile((dir.File(kGbkShasan) + ".po1").c_str()));
  EXPECT_FALSE(RemoveFile((dir.File(kGbkShasan) + ".po1").c_str()));
  if (std::filesystem::exists("/dev/full")) {
    HFILE full = OpenFile("/dev/full", OF_CREATE_WRITE);
    StreamOf(full)->Write("12");
    EXPECT_EQ(_lclose(full), HFILE_ERROR);
  }
  InstallWrittenFileObserver(nullptr);
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"written " + map, "removed " + map}));
}

// ---- The stream itself ----

int OpenRead(const std::string& name) { return ::open(name.c_str(), O_RDONLY | O_CLOEXEC); }

TEST(filesStream, WritingIsBufferedAndLargeWritesPassThrough) {
  TempDir dir;
  std::string name = dir.File("big.txt");
  std::string expected;
  {
    FileStream stream(::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644),
                      FileStream::Mode::Write);
    for (int i = 0; i < 100000; ++i) {
      std::string piece = std::to_string(i) + (i % 10 == 9 ? "\n" : " ");
      stream.Write(piece);
      expected += piece;
    }
    std::string large(700000, 'q');
    stream.Write(large);
    expected += large;
    stream.Repeat('-', 600000);
    expected.append(600000, '-');
    stream.Write("end");
    expected += "end";
    EXPECT_TRUE(stream.Close());
    EXPECT_FALSE(stream.Close());
    EXPECT_FALSE(stream.ForWriting());
  }
  EXPECT_EQ(TempDir::Contents(name), expected);
}

TEST(filesStream, FieldBoundaryFollowsTheLastByte) {
  TempDir dir;
  std::string name = dir.File("b.txt");
  FileStream stream(::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644),
                    FileStream::Mode::Write);
  EXPECT_TRUE(stream.AtFieldBoundary());
  stream.Write("");
  EXPECT_TRUE(stream.AtFieldBoundary());
  stream.Write("ab");
  EXPECT_FALSE(stream.AtFieldBoundary());
  stream.Write("c ");
  EXPECT_TRUE(stream.AtFieldBoundary());
  stream.Repeat('-', 3);
  EXPECT_FALSE(stream.AtFieldBoundary());
  stream.Write("\n");
  EXPECT_TRUE(stream.AtFieldBoundary());
  stream.Write("\t");
  EXPECT_FALSE(stream.AtFieldBoundary());  // only blanks and line ends count
  stream.Repeat(' ', 0);
  EXPECT_FALSE(stream.AtFieldBoundary());
  stream.Repeat(' ', 2);
  EXPECT_TRUE(stream.AtFieldBoundary());
  EXPECT_TRUE(stream.Close());
  EXPECT_EQ(TempDir::Contents(name), "abc ---\n\t  ");
}

TEST(filesStream, ReadingStreamDoesNotWriteAndWritingStreamDoesNotRead) {
  TempDir dir;
  std::string name = dir.Put("in.txt", "1 2");
  FileStream reader(OpenRead(name), FileStream::Mode::Read);
  reader.Write("zzz");
  EXPECT_TRUE(reader.Close());
  EXPECT_EQ(TempDir::Contents(name), "1 2");

  FileStream writer(::open(name.c_str(), O_WRONLY | O_CLOEXEC), FileStream::Mode::Write);
  std::string_view field = "x";
  EXPECT_FALSE(writer.NextField(field));
  EXPECT_TRUE(field.empty());
  EXPECT_TRUE(writer.Close());
}

TEST(filesStream, LinesOfFieldsAndOfTheEnd) {
  struct Case {
    const char* text;
    std::vector<int> lines;  // line of each field
    int endLine;
  };
  const Case cases[] = {
      {"", {}, 1},
      {"\n", {}, 1},
      {"\n\n", {}, 2},
      {"a", {1}, 1},
      {"a\n", {1}, 1},
      {"a\nb", {1, 2}, 2},
      {"a\nb\n", {1, 2}, 2},
      {"a\nb\n\n\n", {1, 2}, 4},
      {"a b\r\nc\r\n", {1, 1, 2}, 2},
      {"\n\na  b\n", {3, 3}, 3},
      {"a\vb\fc\td\re", {1, 1, 1, 1, 1}, 1},
      {"a\n \n", {1}, 2},
  };
  TempDir dir;
  for (const Case& c : cases) {
    std::string name = dir.Put("lines.txt", c.text);
    FileStream stream(OpenRead(name), FileStream::Mode::Read);
    EXPECT_EQ(stream.Line(), 1);
    std::vector<int> lines;
    std::string_view field;
    while (stream.NextField(field)) lines.push_back(stream.Line());
    EXPECT_EQ(lines, c.lines) << ::testing::PrintToString(std::string(c.text));
    EXPECT_EQ(stream.Line(), c.endLine) << ::testing::PrintToString(std::string(c.text));
    EXPECT_FALSE(stream.NextField(field));
    EXPECT_EQ(stream.Line(), c.endLine);
    EXPECT_EQ(stream.DamageLine(), 0);
  }
}

TEST(filesStream, DamageKeepsTheFirstLine) {
  TempDir dir;
  std::string name = dir.Put("d.txt", "a\nb\nc\n");
  FileStream stream(OpenRead(name), FileStream::Mode::Read);
  std::string_view field;
  ASSERT_TRUE(stream.NextField(field));
  ASSERT_TRUE(stream.NextField(field));
  stream.NoteDamage();
  EXPECT_EQ(stream.DamageLine(), 2);
  ASSERT_TRUE(stream.NextField(field));
  stream.NoteDamage();
  EXPECT_EQ(stream.DamageLine(), 2);
}

TEST(filesStream, FieldsCrossBufferBoundaries) {
  // Fields of every length around the 1 MiB buffer edge, then the longest
  // field there may be, then one byte longer: damage at its line.
  TempDir dir;
  std::vector<std::string> expected;
  std::string text;
  int line = 1;
  std::vector<int> lines;
  for (int i = 0; text.size() < (std::size_t{3} << 20); ++i) {
    std::string field = std::to_string(i * 7919 % 1000003) + std::string(i % 13, 'x');
    expected.push_back(field);
    lines.push_back(line);
    text += field;
    if (i % 5 == 4) {
      text += "\r\n";
      ++line;
    } else {
      text += (i % 3 == 0) ? " " : "\t";
    }
  }
  std::string longest(std::size_t{64} << 10, 'h');  // 64 KiB
  longest.back() = 'H';
  expected.push_back(longest);
  lines.push_back(line);
  text += longest + "\n" + longest + "h";
  for (std::size_t shift : {0, 1, 2, 3, 7, 11}) {
    std::string name = dir.Put("big.txt", std::string(shift, ' ') + text);
    FileStream stream(OpenRead(name), FileStream::Mode::Read);
    std::string_view field;
    std::size_t n = 0;
    while (stream.NextField(field)) {
      ASSERT_LT(n, expected.size());
      ASSERT_EQ(field, expected[n]) << "field " << n << " shift " << shift;
      ASSERT_EQ(stream.Line(), lines[n]) << "field " << n;
      ++n;
    }
    EXPECT_EQ(n, expected.size());
    EXPECT_EQ(stream.DamageLine(), line + 1);
    EXPECT_FALSE(stream.NextField(field));
  }
}

TEST(filesStream, FieldTooLongIsDamageAtItsLine) {
  // In one buffer or across a refill; the stream then reads as ended.
  TempDir dir;
  for (std::size_t lead : {std::size_t{0}, (std::size_t{1} << 20) - 10}) {
    std::string name = dir.Put(
        "long.txt", std::string(lead, ' ') + "1\n2\n" + std::string((64 << 10) + 1, '7') + " 3\n");
    FileStream stream(OpenRead(name), FileStream::Mode::Read);
    std::string_view field;
    ASSERT_TRUE(stream.NextField(field));
    ASSERT_TRUE(stream.NextField(field));
    EXPECT_FALSE(stream.NextField(field));
    EXPECT_EQ(stream.DamageLine(), 3) << lead;
    EXPECT_FALSE(stream.NextField(field));
  }
}

TEST(filesStream, ReadErrorIsDamage) {
  // Reading a directory fails with EISDIR.
  TempDir dir;
  FileStream stream(::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC),
                    FileStream::Mode::Read);
  std::string_view field;
  EXPECT_FALSE(stream.NextField(field));
  EXPECT_EQ(stream.DamageLine(), 1);
  EXPECT_TRUE(stream.Close());
}

}  // namespace
}  // namespace platform
