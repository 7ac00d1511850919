// strataplot-bench: generates a large project with strataplot-makeproject and
// measures, in the same run, how long the host `strataplot` takes for each
// benchmark case against `wc -w` over the files the case reads, and the host's
// peak memory against the bound it must stay under.
//
//   strataplot-bench [--build-dir DIR] [--dir DIR] [--only NAME] [--runs N] ...
//
// Every timed command runs --runs times (default 3); the best wall time counts,
// and the peak RSS is the largest of the runs. Commands are started with
// fork/execvp and reaped with wait4; no shell is involved. The exit status is 0
// when every selected case ran as expected and within its memory bound, 1 when
// some did not, 2 on a usage or set-up error.
#include <fcntl.h>
#include <limits.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "strataplot_version.h"

namespace fs = std::filesystem;

namespace {

// ---- Benchmark cases ------------------------------------------------------------------

// What the host may hold at most, beyond a fixed 32 MiB for code, buffers and
// the grid: the per-horizon intensity arrays of the oil maps,
// or the (horizonCount + 1) grids of the gas accumulation.
enum class Bound { OilPerActiveCell, GasPerCell };

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
      {"oil-expulsion", {"oil-expulsion", "--batch", "--overwrite", "yes", "--deep", "no"}, {3}, {"{p}.doe"},
       Bound::OilPerActiveCell},
      {"oil-expulsion-deep", {"oil-expulsion", "--batch", "--overwrite", "yes", "--deep", "yes"}, {0},
       {"{p}.doe", "{p}.peo"}, Bound::OilPerActiveCell},
      {"oil-unexpelled", {"oil-unexpelled", "--batch", "--overwrite", "yes"}, {0}, {"{p}.dou"},
       Bound::OilPerActiveCell},
      {"oil-generation", {"oil-generation", "--batch", "--overwrite", "yes"}, {0}, {"{p}.doe", "{p}.dou"},
       Bound::OilPerActiveCell},
      {"gas", {"gas", "--batch", "--overwrite", "yes", "--kind", "sg"}, {0}, {"gasr.out"}, Bound::GasPerCell},
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
  int runs = 3;
  double maxRatio = 0;  // 0: the ratio is reported, not checked
  std::string project = "bench";
  // 400 x 500 cells, 80 % active, 5 horizons, 25 periods: 20 million values per
  // quantity file; 6 gas records per active cell and horizon: 4.8 million records.
  std::string rows = "400", cols = "500", horizons = "5", periods = "25", activeFraction = "0.8",
              gasRecords = "6", seed = "1";
};

const char kUsage[] =
    "usage: strataplot-bench [options]\n"
    "  --build-dir DIR        where strataplot and strataplot-makeproject are\n"
    "                         (default: the directory of this program)\n"
    "  --dir DIR              project directory (default: a temporary one, removed at the end)\n"
    "  --keep                 keep the temporary directory\n"
    "  --reuse                use the project already in --dir instead of generating one\n"
    "  --only NAME            run only that case\n"
    "  --list                 list the cases\n"
    "  --runs N               runs of every timed command (default 3; the best counts)\n"
    "  --max-ratio X          fail a case whose strataplot/wc time ratio exceeds X\n"
    "  --project NAME         project name (default bench)\n"
    "  --rows R --cols C --horizons H --periods P --active-fraction F --gas-records N --seed S\n"
    "                         project size (default 400 500 5 25 0.8 6 1)\n";

// ---- Running commands -----------------------------------------------------------------------

struct RunResult {
  bool started = false;
  int exitStatus = -1;  // exit status, or -1 when killed by a signal
  int signal = 0;
  double seconds = 0;
  long maxRssKiB = 0;
};

// Runs argv with standard input from /dev/null and standard output and error to
// the given files (or /dev/null), and waits for it.
RunResult Run(const std::vector<std::string>& argv, const fs::path& out, const fs::path& err) {
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
  for (std::size_t i = lines.size() > static_cast<std::size_t>(count) ? lines.size() - count : 0; i < lines.size(); ++i)
    out += (out.empty() ? "" : "\n") + lines[i];
  return out;
}

// ---- The project ----------------------------------------------------------------------------

struct ProjectShape {
  long long rows = 0, cols = 0, active = 0, horizons = 0;
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
  return true;
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

bool ParseArgs(int argc, char** argv, Settings& s) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& target) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "strataplot-bench: %s needs a value\n", a.c_str());
        return false;
      }
      target = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--keep") {
      s.keep = true;
    } else if (a == "--reuse") {
      s.reuse = true;
    } else if (a == "--list") {
      for (const Case& c : Cases()) std::printf("%s\n", c.name);
      std::exit(0);
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (a == "--build-dir") {
      if (!value(v)) return false;
      s.buildDir = v;
    } else if (a == "--dir") {
      if (!value(v)) return false;
      s.dir = v;
    } else if (a == "--only") {
      if (!value(s.only)) return false;
    } else if (a == "--runs") {
      if (!value(v)) return false;
      s.runs = std::atoi(v.c_str());
      if (s.runs < 1) return false;
    } else if (a == "--max-ratio") {
      if (!value(v)) return false;
      s.maxRatio = std::atof(v.c_str());
    } else if (a == "--project") {
      if (!value(s.project)) return false;
    } else if (a == "--rows") {
      if (!value(s.rows)) return false;
    } else if (a == "--cols") {
      if (!value(s.cols)) return false;
    } else if (a == "--horizons") {
      if (!value(s.horizons)) return false;
    } else if (a == "--periods") {
      if (!value(s.periods)) return false;
    } else if (a == "--active-fraction") {
      if (!value(s.activeFraction)) return false;
    } else if (a == "--gas-records") {
      if (!value(s.gasRecords)) return false;
    } else if (a == "--seed") {
      if (!value(s.seed)) return false;
    } else {
      std::fprintf(stderr, "strataplot-bench: unknown option %s\n", a.c_str());
      return false;
    }
  }
  if (s.reuse && s.dir.empty()) {
    std::fprintf(stderr, "strataplot-bench: --reuse needs --dir\n");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("strataplot-bench %s\n", STRATAPLOT_VERSION);
    return 0;
  }
  Settings s;
  if (!ParseArgs(argc, argv, s)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (s.buildDir.empty()) {
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
      std::perror("readlink /proc/self/exe");
      return 2;
    }
    self[n] = '\0';
    s.buildDir = fs::path(self).parent_path();
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
  fs::create_directories(s.dir / "bench-logs");
  const fs::path logs = s.dir / "bench-logs";

  std::printf("build directory: %s\nproject directory: %s%s\n", s.buildDir.c_str(), s.dir.c_str(),
              temporary && !s.keep ? " (removed at the end)" : "");
  if (!s.reuse) {
    std::vector<std::string> gen = {(s.buildDir / "strataplot-makeproject").string(),
                                    "--dir", s.dir.string(), "--project", s.project,
                                    "--rows", s.rows, "--cols", s.cols, "--horizons", s.horizons,
                                    "--periods", s.periods, "--active-fraction", s.activeFraction,
                                    "--gas-records", s.gasRecords, "--seed", s.seed};
    RunResult r = Run(gen, logs / "makeproject.out", logs / "makeproject.err");
    if (r.exitStatus != 0) {
      std::fprintf(stderr, "strataplot-makeproject failed: %s\n%s\n", Describe(r).c_str(),
                   LastLines(ReadText(logs / "makeproject.err"), 10).c_str());
      return 2;
    }
    std::printf("generation: %.2f s, peak RSS %s: %s", r.seconds, MiB(static_cast<double>(r.maxRssKiB) * 1024.0).c_str(),
                ReadText(logs / "makeproject.out").c_str());
  }
  ProjectShape shape;
  if (!ReadShape(s.dir, s.project, shape)) {
    std::fprintf(stderr, "strataplot-bench: cannot read %s.dgr or %s.isc in %s\n", s.project.c_str(),
                 s.project.c_str(), s.dir.c_str());
    return 2;
  }
  std::printf("project %s: %lld x %lld grid, %lld active cells, %lld horizons\n", s.project.c_str(), shape.rows,
              shape.cols, shape.active, shape.horizons);
  std::printf("wc locale: LC_CTYPE=%s\n", WcLocale().c_str());
  std::printf("runs per command: %d (best wall time; peak RSS is the largest of the runs)\n\n", s.runs);
  std::printf("%-19s %-30s %9s %11s %7s %11s %11s  %s\n", "case", "wc -w files", "wc -w", "strataplot",
              "ratio", "peak RSS", "bound", "status");
  std::fflush(stdout);

  const fs::path strataplot = s.buildDir / "strataplot";
  if (access(strataplot.c_str(), X_OK) != 0)
    std::printf("(no %s: build the strataplot-host target first; every case will fail)\n",
                strataplot.c_str());
  int failures = 0;
  std::vector<std::string> notes;
  for (const Case* c : selected) {
    // wc -w over the files the case reads.
    std::vector<std::string> wc = {"wc", "-w"};
    std::uintmax_t bytes = 0;
    std::string fileList;
    for (const std::string& f : c->compareFiles) {
      std::string name = Substitute(f, s.project);
      wc.push_back((s.dir / name).string());
      std::error_code ec;
      bytes += fs::file_size(s.dir / name, ec);
      fileList += (fileList.empty() ? "" : "+") + name;
    }
    char sizeText[32];
    std::snprintf(sizeText, sizeof sizeText, " (%.0f MB)", static_cast<double>(bytes) / 1e6);
    fileList += sizeText;
    double wcBest = 0;
    bool wcOk = true;
    for (int run = 0; run < s.runs; ++run) {
      RunResult r = Run(wc, logs / (std::string(c->name) + ".wc.out"), logs / (std::string(c->name) + ".wc.err"));
      if (r.exitStatus != 0) {
        std::string tail = LastLines(ReadText(logs / (std::string(c->name) + ".wc.err")), 5);
        notes.push_back(std::string(c->name) + ": wc -w " + Describe(r) + (tail.empty() ? "" : "\n" + tail));
        wcOk = false;
        break;
      }
      if (run == 0 || r.seconds < wcBest) wcBest = r.seconds;
    }

    // The host.
    std::vector<std::string> host = {strataplot.string(), "-C", s.dir.string(), "-p", s.project};
    host.insert(host.end(), c->hostArgs.begin(), c->hostArgs.end());
    double hostBest = 0;
    long rssKiB = 0;
    std::string status = "ok";
    for (int run = 0; run < s.runs; ++run) {
      const fs::path err = logs / (std::string(c->name) + ".err");
      RunResult r = Run(host, logs / (std::string(c->name) + ".out"), err);
      bool accepted = false;
      for (int e : c->acceptedExits) accepted = accepted || (r.signal == 0 && r.exitStatus == e);
      if (!accepted) {
        status = "FAILED: " + Describe(r);
        std::string tail = LastLines(ReadText(err), 10);
        notes.push_back(std::string(c->name) + ": strataplot " + Describe(r) + (tail.empty() ? "" : "\n" + tail));
        hostBest = 0;
        break;
      }
      if (run == 0 || r.seconds < hostBest) hostBest = r.seconds;
      rssKiB = std::max(rssKiB, r.maxRssKiB);
    }

    const double perArray = c->bound == Bound::OilPerActiveCell
                                ? static_cast<double>(shape.horizons) * static_cast<double>(shape.active)
                                : static_cast<double>(shape.horizons + 1) * static_cast<double>(shape.rows * shape.cols);
    const double bound = perArray * 4 + 32.0 * 1024 * 1024;
    const double rss = static_cast<double>(rssKiB) * 1024;
    const double ratio = wcOk && wcBest > 0 && hostBest > 0 ? hostBest / wcBest : 0;
    if (status == "ok") {
      if (rss > bound) status = "OVER MEMORY BOUND";
      else if (s.maxRatio > 0 && ratio > s.maxRatio) status = "TOO SLOW";
      else if (!wcOk) status = "wc failed";
    }
    if (status != "ok") ++failures;

    char wcText[16] = "-", hostText[16] = "-", ratioText[16] = "-";
    if (wcOk) std::snprintf(wcText, sizeof wcText, "%.3f s", wcBest);
    if (hostBest > 0) std::snprintf(hostText, sizeof hostText, "%.3f s", hostBest);
    if (ratio > 0) std::snprintf(ratioText, sizeof ratioText, "%.2f", ratio);
    std::printf("%-19s %-30s %9s %11s %7s %11s %11s  %s\n", c->name, fileList.c_str(), wcText, hostText,
                ratioText, rssKiB > 0 ? MiB(rss).c_str() : "-", MiB(bound).c_str(), status.c_str());
    std::fflush(stdout);
  }
  std::printf("\nratio: strataplot time / wc -w time. bound: horizons x active cells x 4 bytes + 32 MiB "
              "(gas: (horizons + 1) x cells x 4 bytes + 32 MiB).\n");
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
