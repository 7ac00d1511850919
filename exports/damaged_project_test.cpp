// The sample project damaged one file at a time (missing, a directory in its
// place, emptied, cut after a line, a field replaced by garbage) and a map's
// name taken by a directory, run through every command in both builds. A
// damage that leaves no valid project must end with exit status 1 and a
// message naming the file; whatever the damage: no crash, no temporary file
// left, and every map that is there byte for byte as in a clean run. The
// cuts and fields are a sample, drawn the same way every run.
#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "testing/host_harness.h"

namespace {

using namespace test_support;
namespace fs = std::filesystem;

// Cuts and fields per file and command.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kSamples = 2;  // runs under the sanitizers are slow
#else
constexpr std::size_t kSamples = 40;
#endif

struct Command {
  std::vector<std::string> args;
  std::vector<std::string> reads;  // the files it reads
};

const std::vector<Command> kCommands = {
    {{"--deep", "yes", "oil-expulsion"},
     {"demo.iga", "demo.isc", "demo.dgr", "demo.doe", "demo.peo"}},
    {{"oil-unexpelled"}, {"demo.iga", "demo.isc", "demo.dgr", "demo.dou"}},
    {{"oil-generation"}, {"demo.iga", "demo.isc", "demo.dgr", "demo.doe", "demo.dou"}},
    {{"--kind", "pg", "gas"}, {"demo.iga", "demo.isc", "demo.dgr", "gasr.out"}},
    {{"--mode", "1", "saturation"}, {"demo.ids", "demo.ips", "demo.ica"}},
    {{"--mode", "2", "--horizon", "沙三段", "saturation"},
     {"沙三段.ids", "沙三段.ips", "沙三段.ica"}},
};

using Files = std::map<std::string, std::string>;

Files FilesOf(const fs::path& dir) {
  Files files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    files[name] = entry.is_regular_file() ? ReadFile(entry.path()).value_or("") : "<not a file>";
  }
  return files;
}

const Files& Sample() {
  static const Files sample = [] {
    Files files = FilesOf(SampleDir());
    files.erase("README.md");
    return files;
  }();
  return sample;
}

// A field that is damage where it stands: not a number where one was, and
// where a name was, longer than any name can be.
std::string Garbage(std::string_view field) {
  double number;
  auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), number);
  bool numeric = ec == std::errc() && end == field.data() + field.size();
  return numeric ? "1x" : std::string((64 << 10) + 1, 'g');
}

struct Damage {
  std::string description;
  std::optional<std::string> contents;  // nullopt: the file is missing
  bool directory = false;
  bool mayLeaveAValidProject = false;  // an empty or shorter file can be valid input
};

// The damages of one file, the sampled ones drawn with the seed.
std::vector<Damage> DamagesOf(const std::string& name, const std::string& text, unsigned seed) {
  // A horizon file may list fewer horizons, gasr.out may end where records
  // stop, and a depth profile ends where its file ends.
  const bool shortIsValid = name.ends_with(".isc") || name == "gasr.out" ||
                            name.ends_with(".ids") || name.ends_with(".ips") ||
                            name.ends_with(".ica");
  std::vector<Damage> damages = {{"missing", std::nullopt},
                                 {"a directory", std::nullopt, true},
                                 {"empty", std::string(), false, shortIsValid}};
  std::vector<std::size_t> lineStarts;
  std::vector<std::pair<std::size_t, std::size_t>> fields;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && i + 1 < text.size()) lineStarts.push_back(i + 1);
    bool separator = std::string_view(" \t\r\n\v\f").find(text[i]) != std::string_view::npos;
    if (separator) continue;
    if (i == 0 || std::string_view(" \t\r\n\v\f").find(text[i - 1]) != std::string_view::npos) {
      fields.emplace_back(i, 0);
    }
    ++fields.back().second;
  }
  std::mt19937 random(seed);
  auto draw = [&random](std::size_t count) {
    std::vector<std::size_t> picked;
    for (std::size_t n = 0; n < kSamples && count > 0; ++n) {
      picked.push_back(std::uniform_int_distribution<std::size_t>(0, count - 1)(random));
    }
    return picked;
  };
  for (std::size_t line : draw(lineStarts.size())) {
    damages.push_back({"cut after line " + std::to_string(line + 1),
                       text.substr(0, lineStarts[line]), false, shortIsValid});
  }
  for (std::size_t field : draw(fields.size())) {
    auto [start, length] = fields[field];
    damages.push_back({"field " + std::to_string(field + 1) + " garbage",
                       text.substr(0, start) +
                           Garbage(std::string_view(text).substr(start, length)) +
                           text.substr(start + length)});
  }
  return damages;
}

// One build ("shared" or "static") and one command (its place in kCommands):
// a test of its own, so that ctest runs them side by side.
using BuildAndCommand = std::tuple<std::string, std::size_t>;

// The seed of the first file the command reads in the build: the files of
// all commands before it, the shared build's before the static one's, drew
// from the seeds before it (1, 2, ...), as when one test ran them in turn.
unsigned FirstSeed(const std::string& library, std::size_t command) {
  unsigned seed = 1;
  for (const char* build : {"shared", "static"}) {
    for (std::size_t c = 0; c < kCommands.size(); ++c) {
      if (build == library && c == command) return seed;
      seed += static_cast<unsigned>(kCommands[c].reads.size());
    }
  }
  return seed;
}

class DamagedProject : public ::testing::TestWithParam<BuildAndCommand> {
 protected:
  // Runs the command in a fresh copy of the sample project, after change.
  template <typename Change>
  HostRun RunOn(const std::string& library, const Command& command, Change change) {
    for (const auto& entry : fs::directory_iterator(dir_.path())) fs::remove_all(entry.path());
    for (const auto& [name, contents] : Sample()) WriteFile(dir_ / name, contents);
    change(dir_.path());
    std::vector<std::string> args = {"-p", "demo", "--library", library, "--overwrite", "yes"};
    args.insert(args.end(), command.args.begin(), command.args.end());
    HostRun run = RunHost(dir_.path(), args);
    ++runs_;
    return run;
  }

  // The maps of the directory (what is not the sample's): each as in the
  // clean run, and no temporary file. The name changed is left out.
  void ExpectOnlyCleanMaps(const Files& clean, const std::string& changed,
                           const std::string& what) {
    for (const auto& [name, contents] : FilesOf(dir_.path())) {
      if (Sample().contains(name) || name == changed) continue;
      EXPECT_FALSE(name.ends_with(".partial")) << what << ": " << name;
      auto kept = clean.find(name);
      if (kept == clean.end()) {
        ADD_FAILURE() << what << ": " << name << " is not a map of the clean run";
      } else {
        EXPECT_TRUE(kept->second == contents) << what << ": " << name << " differs";
      }
    }
  }

  void ExpectRefusedNaming(const HostRun& run, const std::string& name, const std::string& what) {
    EXPECT_EQ(run.exitStatus, 1) << what;
    bool named = false;
    for (const std::string& message : RecordsOfType(run, "message"))
      named |= Contains(message, name);
    EXPECT_TRUE(named) << what << ": no message names " << name;
  }

  TempDir dir_;
  int runs_ = 0;
};

TEST_P(DamagedProject, NeverACrashAndNothingHalfWritten) {
  const auto start = std::chrono::steady_clock::now();
  const std::string library = std::get<0>(GetParam());
  const Command& command = kCommands[std::get<1>(GetParam())];
  unsigned seed = FirstSeed(library, std::get<1>(GetParam()));
  const std::string commandLine = library + " " + command.args.back() + " " + command.args.front();
  // The clean run: the maps every damaged run is held to.
  HostRun clean = RunOn(library, command, [](const fs::path&) {});
  ASSERT_EQ(clean.exitStatus, 0) << commandLine;
  Files maps;
  for (const auto& [name, contents] : FilesOf(dir_.path())) {
    if (!Sample().contains(name)) maps[name] = contents;
  }
  ASSERT_FALSE(maps.empty()) << commandLine;

  for (const std::string& file : command.reads) {
    for (const Damage& damage : DamagesOf(file, Sample().at(file), seed++)) {
      const std::string what = commandLine + ", " + file + " " + damage.description;
      HostRun run = RunOn(library, command, [&](const fs::path& dir) {
        fs::remove(dir / file);
        if (damage.directory) fs::create_directory(dir / file);
        if (damage.contents) WriteFile(dir / file, *damage.contents);
      });
      if (damage.mayLeaveAValidProject) {
        EXPECT_TRUE(run.exitStatus == 0 || run.exitStatus == 1 || run.exitStatus == 3)
            << what << ": exit status " << run.exitStatus;
        for (const auto& [name, contents] : FilesOf(dir_.path())) {
          EXPECT_FALSE(name.ends_with(".partial")) << what << ": " << name;
        }
      } else {
        ExpectRefusedNaming(run, file, what);
        ExpectOnlyCleanMaps(maps, file, what);
      }
    }
  }

  // A map's name taken by a directory: the first and the last map by name.
  for (const std::string& map : {maps.begin()->first, maps.rbegin()->first}) {
    const std::string what = commandLine + ", a directory named " + map;
    HostRun run =
        RunOn(library, command, [&](const fs::path& dir) { fs::create_directory(dir / map); });
    ExpectRefusedNaming(run, map, what);
    ExpectOnlyCleanMaps(maps, map, what);
    EXPECT_TRUE(fs::is_directory(dir_ / map)) << what;
  }
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RecordProperty("runs", runs_);
  std::printf("%d runs in %.1f s\n", runs_, seconds);
}

// A test's name: the build, the command and its place, as "shared_oil_expulsion_0".
std::string NameOf(const ::testing::TestParamInfo<BuildAndCommand>& tested) {
  std::string name = std::get<0>(tested.param) + "_";
  for (char ch : kCommands[std::get<1>(tested.param)].args.back()) name += ch == '-' ? '_' : ch;
  return name + "_" + std::to_string(std::get<1>(tested.param));
}

// Every command in both builds.
INSTANTIATE_TEST_SUITE_P(EveryCommand, DamagedProject,
                         ::testing::Combine(::testing::Values(std::string("shared"),
                                                              std::string("static")),
                                            ::testing::Range<std::size_t>(0, kCommands.size())),
                         NameOf);

}  // namespace
