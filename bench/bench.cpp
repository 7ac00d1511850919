// strataplot-bench: generates large projects with strataplot-makeproject and
// measures, in the same run, how long the host `strataplot` takes for each
// benchmark case against `wc -w` over the files the case reads, with one
// thread (STRATAPLOT_THREADS=1) and with every core, and the host's peak
// memory against the bound it must stay under.
//
//   strataplot-bench [--build-dir DIR] [--dir DIR] [--only NAME] [--runs N] ...
//
// Every project size (--scale: multiples of the rows) is generated into a
// folder of its own. Each timed command runs --runs times (default 5), the
// three commands of a case taking turns so that a change in the machine's
// load touches all three alike; the median wall time counts, and the peak RSS
// is the largest of the runs. Commands are started with fork/execvp and reaped
// with wait4; no shell is involved. The exit status is 0 when every selected
// case ran as expected and within its memory bound, 1 when some did not, 2 on
// a usage or set-up error.
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "strataplot_version.h"

namespace fs = std::filesystem;

namespace {

// ---- Benchmark cases ------------------------------------------------------------------

// What the host may hold at most, beyond a fixed 32 MiB for code, buffers and
// the grid: the per-horizon intensity arrays of the oil maps,
// or the (horizonCount + 1) grids of the gas accumulation; beyond 64 MiB
// (GDAL's code too), the history's series of one horizon and their totals:
// 2 x 4 kinds x active cells x periods.
enum class Bound { OilPerActiveCell, GasPerCell, HistoryPerActiveCellAndPeriod };

struct Case {
  const char* name;
  std::vector<std::string> hostArgs;      // after "strataplot -C DIR -p NAME"
  std::vector<int> acceptedExits;         // host exit statuses of a normal run
  std::vector<std::string> compareFiles;  // read by `wc -w`; "{p}" is the project name
  Bound bound;
};

// One line per case. oil-expulsion answers No to the deep-layer question, so the
// export returns 0 and the host exits with 3.
const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"oil-expulsion",
       {"oil-expulsion", "--batch", "--overwrite", "yes", "--deep", "no"},
       {3},
       {"{p}.doe"},
       Bound::OilPerActiveCell},
      {"oil-expulsion-deep",
       {"oil-expulsion", "--batch", "--overwrite", "yes", "--deep", "yes"},
       {0},
       {"{p}.doe", "{p}.peo"},
       Bound::OilPerActiveCell},
      {"oil-unexpelled",
       {"oil-unexpelled", "--batch", "--overwrite", "yes"},
       {0},
       {"{p}.dou"},
       Bound::OilPerActiveCell},
      {"oil-generation",
       {"oil-generation", "--batch", "--overwrite", "yes"},
       {0},
       {"{p}.doe", "{p}.dou"},
       Bound::OilPerActiveCell},
      {"gas",
       {"gas", "--batch", "--overwrite", "yes", "--kind", "sg"},
       {0},
       {"gasr.out"},
       Bound::GasPerCell},
      {"history",
       {"history", "--quiet"},
       {0},
       {"{p}.doe", "{p}.peo", "{p}.dou"},
       Bound::HistoryPerActiveCellAndPeriod},
  };
  return cases;
}

// ---- Settings ----------------------------------------------------------------------------

struct Settings {
  fs::path buildDir;
  fs::path dir;  // empty: a fresh temporary directory, removed at the end
  bool keep = false;
  bool reuse = false;
  std::string only;
  int runs = 5;
  double maxRatio = 0;  // 0: the ratio is reported, not checked
  std::string project = "bench";
  // 400 x 500 cells, 80 % active, 5 horizons, 25 periods: 20 million values per
  // quantity file; 6 gas records per active cell and horizon: 4.8 million records.
  std::string rows = "400", cols = "500", horizons = "5", periods = "25", activeFraction = "0.8",
              gasRecords = "6", seed = "1";
  std::vector<int> scales = {1, 2};  // the project sizes, as multiples of the rows
};

// ---- Running commands -----------------------------------------------------------------------

struct RunResult {
  bool started = false;
  int exitStatus = -1;  // exit status, or -1 when killed by a signal
  int signal = 0;
  double seconds = 0;
  long maxRssKiB = 0;
};

// Runs argv with standard input from /dev/null and standard output and error to
// the given files (or /dev/null), and waits for it. threads, when not empty,
// is put into the command's environment as STRATAPLOT_THREADS; when empty the
// variable is removed.
RunResult Run(const std::vector<std::string>& argv, const fs::path& out, const fs::path& err,
              const std::string& threads = "") {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  RunResult result;
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid < 0) {
    std::perror("fork");
    return result;
  }
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    int o = open(out.empty() ? "/dev/null" : out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int e = open(err.empty() ? "/dev/null" : err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0) _exit(126);
    dup2(in, 0);
    dup2(o, 1);
    dup2(e, 2);
    if (threads.empty()) {
      unsetenv("STRATAPLOT_THREADS");
    } else {
      setenv("STRATAPLOT_THREADS", threads.c_str(), 1);
    }
    execvp(args[0], args.data());
    std::fprintf(stderr, "cannot run %s: %s\n", args[0], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  while (wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::perror("wait4");
      return result;
    }
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.started = true;
  result.maxRssKiB = usage.ru_maxrss;
  if (WIFEXITED(status)) {
    result.exitStatus = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

std::string Describe(const RunResult& r) {
  if (!r.started) return "could not be started";
  if (r.signal != 0) return std::string("killed by signal ") + strsignal(r.signal);
  if (r.exitStatus == 127) return "exit status 127 (program not found or not executable?)";
  return "exit status " + std::to_string(r.exitStatus);
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The last `count` lines of the text, without a line end after the last.
std::string LastLines(const std::string& text, int count) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::string out;
  for (std::size_t i = lines.size() > static_cast<std::size_t>(count) ? lines.size() - count : 0;
       i < lines.size(); ++i)
    out += (out.empty() ? "" : "\n") + lines[i];
  return out;
}

// ---- The project ----------------------------------------------------------------------------

struct ProjectShape {
  long long rows = 0, cols = 0, active = 0, horizons = 0, periods = 0;
};

// Reads the grid header and mask and counts the horizon names: what the memory
// bounds need, from the files themselves (so that --reuse works too).
bool ReadShape(const fs::path& dir, const std::string& project, ProjectShape& shape) {
  std::ifstream grid(dir / (project + ".dgr"));
  double originX, originY, sizeX, sizeY;
  if (!(grid >> originX >> originY >> sizeX >> sizeY >> shape.rows >> shape.cols)) return false;
  for (long long i = 0; i < shape.rows * shape.cols; ++i) {
    long long v;
    if (!(grid >> v)) return false;
    shape.active += v != 0;
  }
  std::ifstream names(dir / (project + ".isc"));
  std::string name;
  while (names >> name) ++shape.horizons;
  std::ifstream ages(dir / (project + ".iga"));
  return static_cast<bool>(ages >> shape.periods);
}

// The most memory a case may hold on a project of that shape, in bytes.
double MemoryBound(Bound bound, const ProjectShape& shape) {
  constexpr double kMiB = 1024.0 * 1024;
  const auto active = static_cast<double>(shape.active);
  switch (bound) {
    case Bound::OilPerActiveCell:
      return static_cast<double>(shape.horizons) * active * 4 + 32 * kMiB;
    case Bound::GasPerCell:
      return static_cast<double>(shape.horizons + 1) *
                 static_cast<double>(shape.rows * shape.cols) * 4 +
             32 * kMiB;
    case Bound::HistoryPerActiveCellAndPeriod:
      return 2.0 * 4 * active * static_cast<double>(shape.periods) * 4 + 64 * kMiB;
  }
  return 0;
}

std::string Substitute(std::string text, const std::string& project) {
  for (std::size_t at; (at = text.find("{p}")) != std::string::npos;) text.replace(at, 3, project);
  return text;
}

// The locale `wc` runs with: the environment as it is, resolved as setlocale does.
std::string WcLocale() {
  const char* source = nullptr;
  for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* v = std::getenv(var);
    if (v != nullptr && *v != '\0') {
      source = var;
      break;
    }
  }
  const char* resolved = std::setlocale(LC_CTYPE, "");
  std::string text = resolved != nullptr ? resolved : "C";
  if (source == nullptr) {
    text += " (no LC_ALL, LC_CTYPE or LANG set)";
  } else if (resolved == nullptr) {
    text += std::string(" (") + source + "=" + std::getenv(source) + " is not installed)";
  } else {
    text += std::string(" (from ") + source + ")";
  }
  std::setlocale(LC_CTYPE, "C");
  return text;
}

std::string MiB(double bytes) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.1f MiB", bytes / (1024.0 * 1024.0));
  return buffer;
}

// The project sizes as multiples of the rows ("1,2"); empty when an item is not a whole number of 1
// or more.
std::vector<int> Scales(const std::string& list) {
  std::vector<int> scales;
  for (const std::string& item : cli::SplitList(list)) {
    char* end = nullptr;
    long scale = std::strtol(item.c_str(), &end, 10);
    if (item.empty() || *end != '\0' || scale < 1 || scale > 1000) return {};
    scales.push_back(static_cast<int>(scale));
  }
  return scales;
}

// Reads the command line into the settings; --list prints the cases.
cli::Parsed ParseArgs(const std::vector<std::string>& args, Settings& s) {
  std::unique_ptr<CLI::App> app =
      cli::MakeApp("strataplot-bench",
                   "Generates projects with strataplot-makeproject and times, in the same run,\n"
                   "the host strataplot on every command against `wc -w` on the files the\n"
                   "command reads, with one thread and with every core; reports the ratios,\n"
                   "the throughput and the host's peak memory against its bound.");
  std::string buildDir;
  std::string dir;
  app->add_option("--build-dir", buildDir,
                  "where strataplot and strataplot-makeproject are\n(default: the directory of "
                  "this program)")
      ->type_name("DIR");
  app->add_option("--dir", dir,
                  "projects directory (default: a temporary one, removed\nat the end); the project "
                  "of scale S "
                  "is in DIR/xS")
      ->type_name("DIR");
  app->add_flag("--keep", s.keep, "keep the temporary directory");
  app->add_flag("--reuse", s.reuse,
                "use the projects already in --dir instead of\ngenerating them");
  app->add_option("--only", s.only, "run only that case")->type_name("NAME");
  bool list = false;
  app->add_flag("--list", list, "list the cases and exit");
  app->add_option("--runs", s.runs, "runs of every timed command (default 5; the median\ncounts)")
      ->type_name("N")
      ->check(cli::AtLeast(1));
  app->add_option("--max-ratio", s.maxRatio,
                  "fail a case whose strataplot/wc time ratio with every\ncore exceeds X")
      ->type_name("X")
      ->check(cli::AtLeast(0));
  std::string scales;
  app->add_option("--scale", scales, "project sizes as multiples of the rows (default 1,2)")
      ->type_name("LIST");
  app->add_option("--project", s.project, "project name (default bench)")->type_name("NAME");
  auto size = [&app](const char* name, std::string& value, const char* what) {
    app->add_option(name, value, what)->type_name("VALUE")->group("project size at scale 1");
  };
  size("--rows", s.rows, "grid rows (default 400)");
  size("--cols", s.cols, "grid columns (default 500)");
  size("--horizons", s.horizons, "source-rock horizons (default 5)");
  size("--periods", s.periods, "periods (default 25)");
  size("--active-fraction", s.activeFraction, "share of active cells (default 0.8)");
  size("--gas-records", s.gasRecords, "gas records per active cell and horizon (default 6)");
  size("--seed", s.seed, "random seed (default 1)");

  cli::Parsed parsed = cli::Parse(*app, args);
  if (!parsed.proceed) return parsed;
  if (!scales.empty()) {
    s.scales = Scales(scales);
    if (s.scales.empty())
      return cli::UsageError(
          *app, "--scale: '" + scales + "' is not a list of whole numbers of 1 or more");
  }
  if (s.reuse && dir.empty()) return cli::UsageError(*app, "--reuse needs --dir");
  s.buildDir = buildDir;
  s.dir = dir;
  if (list) {
    std::string names;
    for (const Case& c : Cases()) names += std::string(c.name) + "\n";
    return {false, 0, names};
  }
  return parsed;
}

// Cores this process may run on: the count the host's readers use by default.
int UsableCores() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return 1;
}

// The machine's load averages, as /proc/loadavg gives them.
std::string LoadAverages() {
  std::string text = ReadText("/proc/loadavg");
  std::istringstream in(text);
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  std::size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Generates the project of the scale into dir (unless reused) and reads its shape.
bool PrepareProject(const Settings& s, int scale, const fs::path& dir, const fs::path& logs,
                    ProjectShape& shape) {
  fs::create_directories(dir);
  if (!s.reuse) {
    std::string rows = std::to_string(std::atoll(s.rows.c_str()) * scale);
    std::vector<std::string> gen = {(s.buildDir / "strataplot-makeproject").string(),
                                    "--dir",
                                    dir.string(),
                                    "--project",
                                    s.project,
                                    "--rows",
                                    rows,
                                    "--cols",
                                    s.cols,
                                    "--horizons",
                                    s.horizons,
                                    "--periods",
                                    s.periods,
                                    "--active-fraction",
                                    s.activeFraction,
                                    "--gas-records",
                                    s.gasRecords,
                                    "--seed",
                                    s.seed};
    RunResult r = Run(gen, logs / "makeproject.out", logs / "makeproject.err");
    if (r.exitStatus != 0) {
      std::fprintf(stderr, "strataplot-makeproject failed: %s\n%s\n", Describe(r).c_str(),
                   LastLines(ReadText(logs / "makeproject.err"), 10).c_str());
      return false;
    }
    std::printf("generation: %.2f s, peak RSS %s: %s", r.seconds,
                MiB(static_cast<double>(r.maxRssKiB) * 1024.0).c_str(),
                ReadText(logs / "makeproject.out").c_str());
  }
  if (!ReadShape(dir, s.project, shape)) {
    std::fprintf(stderr, "strataplot-bench: cannot read %s.dgr or %s.isc in %s\n",
                 s.project.c_str(), s.project.c_str(), dir.c_str());
    return false;
  }
  return true;
}

// The runs of one command: median wall time, largest peak RSS, and whether
// every run ended as expected (else what went wrong).
struct Timing {
  std::vector<double> seconds;
  long maxRssKiB = 0;
  std::string failure;
  double Median() const { return failure.empty() ? ::Median(seconds) : 0; }
};

void Record(Timing& timing, const RunResult& r, bool accepted, const std::string& what,
            const fs::path& err) {
  if (!timing.failure.empty()) return;
  if (!accepted) {
    std::string tail = LastLines(ReadText(err), 10);
    timing.failure = what + " " + Describe(r) + (tail.empty() ? "" : "\n" + tail);
    return;
  }
  timing.seconds.push_back(r.seconds);
  timing.maxRssKiB = std::max(timing.maxRssKiB, r.maxRssKiB);
}

std::string Seconds(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", value);
  return value > 0 ? text : "-";
}

// Time, ratio to wc -w, throughput and peak memory of the host's runs.
std::string HostColumns(const Timing& host, double wcSeconds, double bytes) {
  char text[96];
  double t = host.Median();
  if (t <= 0) return "      -      -      -          -";
  std::snprintf(text, sizeof text, "%8s %6.2f %6.0f %10s", Seconds(t).c_str(),
                wcSeconds > 0 ? t / wcSeconds : 0.0, bytes / t / 1e6,
                MiB(static_cast<double>(host.maxRssKiB) * 1024).c_str());
  return text;
}

// Runs every selected case on the project; returns the number that failed.
int RunCases(const Settings& s, const std::vector<const Case*>& selected, const fs::path& dir,
             const fs::path& logs, const ProjectShape& shape, int cores,
             std::vector<std::string>& notes) {
  const fs::path strataplot = s.buildDir / "strataplot";
  const std::string all = std::to_string(cores);
  int failures = 0;
  for (const Case* c : selected) {
    std::vector<std::string> wc = {"wc", "-w"};
    double bytes = 0;
    std::string fileList;
    for (const std::string& f : c->compareFiles) {
      std::string name = Substitute(f, s.project);
      wc.push_back((dir / name).string());
      std::error_code ec;
      bytes += static_cast<double>(fs::file_size(dir / name, ec));
      fileList += (fileList.empty() ? "" : "+") + name;
    }
    std::vector<std::string> host = {strataplot.string(), "-C", dir.string(), "-p", s.project};
    host.insert(host.end(), c->hostArgs.begin(), c->hostArgs.end());
    const std::string name = c->name;
    const fs::path err = logs / (name + ".err");
    const fs::path wcErr = logs / (name + ".wc.err");
    auto accepted = [&](const RunResult& r) {
      for (int e : c->acceptedExits)
        if (r.signal == 0 && r.exitStatus == e) return true;
      return false;
    };

    // The three commands take turns.
    Timing wcTiming, oneThread, allCores;
    for (int run = 0; run < s.runs; ++run) {
      RunResult r = Run(wc, logs / (name + ".wc.out"), wcErr);
      Record(wcTiming, r, r.signal == 0 && r.exitStatus == 0, "wc -w", wcErr);
      r = Run(host, logs / (name + ".out"), err, "1");
      Record(oneThread, r, accepted(r), "strataplot (1 thread)", err);
      r = Run(host, logs / (name + ".out"), err, all);
      Record(allCores, r, accepted(r), "strataplot (" + all + " threads)", err);
    }

    const double bound = MemoryBound(c->bound, shape);
    const double wcSeconds = wcTiming.Median();
    std::string status = "ok";
    for (const Timing* t : {&wcTiming, &oneThread, &allCores}) {
      if (!t->failure.empty()) {
        status = "FAILED";
        notes.push_back(name + ": " + t->failure);
      }
    }
    if (status == "ok") {
      if (static_cast<double>(std::max(oneThread.maxRssKiB, allCores.maxRssKiB)) * 1024 > bound) {
        status = "OVER MEMORY BOUND";
      } else if (s.maxRatio > 0 && allCores.Median() / wcSeconds > s.maxRatio) {
        status = "TOO SLOW";
      }
    }
    if (status != "ok") ++failures;
    std::printf(
        "%-19s %-22s %5.0f %8s | %s | %s | %9s  %s\n", c->name, fileList.c_str(), bytes / 1e6,
        Seconds(wcSeconds).c_str(), HostColumns(oneThread, wcSeconds, bytes).c_str(),
        HostColumns(allCores, wcSeconds, bytes).c_str(), MiB(bound).c_str(), status.c_str());
    std::fflush(stdout);
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  if (std::optional<int> status =
          cli::Finish(ParseArgs(std::vector<std::string>(argv + 1, argv + argc), s))) {
    return *status;
  }
  if (s.buildDir.empty()) {
    std::error_code error;
    s.buildDir = fs::read_symlink("/proc/self/exe", error).parent_path();
    if (error) {
      std::fprintf(stderr, "strataplot-bench: cannot find its own directory: %s\n",
                   error.message().c_str());
      return 2;
    }
  }
  s.buildDir = fs::absolute(s.buildDir);
  std::vector<const Case*> selected;
  for (const Case& c : Cases())
    if (s.only.empty() || s.only == c.name) selected.push_back(&c);
  if (selected.empty()) {
    std::fprintf(stderr, "strataplot-bench: no case named %s (see --list)\n", s.only.c_str());
    return 2;
  }

  bool temporary = s.dir.empty();
  if (temporary) {
    fs::path base = fs::temp_directory_path() / "strataplot-bench-XXXXXX";
    std::string pattern = base.string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      return 2;
    }
    s.dir = pattern;
  }
  s.dir = fs::absolute(s.dir);
  const fs::path logs = s.dir / "bench-logs";
  if (std::error_code error; !fs::create_directories(logs, error) && error) {
    std::fprintf(stderr, "strataplot-bench: cannot create %s: %s\n", logs.c_str(),
                 error.message().c_str());
    return 2;
  }
  const fs::path strataplot = s.buildDir / "strataplot";
  const int cores = UsableCores();

  std::printf("build directory: %s\nprojects directory: %s%s\n", s.buildDir.c_str(), s.dir.c_str(),
              temporary && !s.keep ? " (removed at the end)" : "");
  std::printf("wc locale: LC_CTYPE=%s\n", WcLocale().c_str());
  std::printf("cores: %d; load averages at the start: %s\n", cores, LoadAverages().c_str());
  std::printf(
      "runs per command: %d, taking turns (median wall time; peak RSS is the largest of the "
      "runs)\n",
      s.runs);
  if (access(strataplot.c_str(), X_OK) != 0)
    std::printf("(no %s: build the strataplot-host target first; every case will fail)\n",
                strataplot.c_str());

  int failures = 0;
  std::vector<std::string> notes;
  for (int scale : s.scales) {
    const fs::path dir = s.dir / ("x" + std::to_string(scale));
    std::printf("\n");
    ProjectShape shape;
    if (!PrepareProject(s, scale, dir, logs, shape)) return 2;
    std::printf("project %s (scale %d): %lld x %lld grid, %lld active cells, %lld horizons\n\n",
                s.project.c_str(), scale, shape.rows, shape.cols, shape.active, shape.horizons);
    std::printf("%-19s %-22s %5s %8s | %-32s | %-32s | %9s  %s\n", "", "", "", "wc -w", "1 thread",
                (std::to_string(cores) + (cores == 1 ? " thread" : " threads")).c_str(), "", "");
    std::printf("%-19s %-22s %5s %8s | %8s %6s %6s %10s | %8s %6s %6s %10s | %9s  %s\n", "case",
                "files read", "MB", "time", "time", "ratio", "MB/s", "peak", "time", "ratio",
                "MB/s", "peak", "bound", "status");
    std::fflush(stdout);
    failures += RunCases(s, selected, dir, logs, shape, cores, notes);
  }
  std::printf(
      "\nratio: strataplot time / wc -w time; MB/s: megabytes of the files read per second of "
      "strataplot. bound: horizons x active cells x 4 bytes + 32 MiB (gas: (horizons + 1) x cells "
      "x 4 bytes + 32 MiB; history: 2 x 4 x active cells x periods x 4 bytes + 64 MiB).\n"
      "load averages at the end: %s\n",
      LoadAverages().c_str());
  for (const std::string& note : notes) std::printf("\n%s\n", note.c_str());
  std::fflush(stdout);

  if (temporary && !s.keep) {
    std::error_code ec;
    fs::remove_all(s.dir, ec);
  } else {
    std::printf("\nlogs in %s\n", logs.c_str());
  }
  return failures == 0 ? 0 : 1;
}
