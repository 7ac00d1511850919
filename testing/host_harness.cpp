#include "testing/host_harness.h"

#include <fcntl.h>
#include <iconv.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "strataplot_build_paths.h"

namespace test_support {

std::string Gbk(const std::string& utf8) {
  iconv_t convert = iconv_open("GBK", "UTF-8");
  std::string gbk(utf8.size() * 2 + 1, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* out = gbk.data();
  std::size_t outLeft = gbk.size();
  std::size_t converted = iconv(convert, &in, &inLeft, &out, &outLeft);
  iconv_close(convert);
  if (converted == static_cast<std::size_t>(-1)) return "?";
  gbk.resize(gbk.size() - outLeft);
  return gbk;
}

void WriteProject(const TempDir& dir, const TinyProject& project) {
  std::string ages = std::to_string(project.periods) + "\n";
  for (int period = 1; period <= project.periods; ++period) {
    ages += "Q" + std::to_string(period) + " " + std::to_string(period * 10) + ".5\n";
  }
  WriteFile(dir / (project.name + ".iga"), ages + "0\n");
  std::string horizons;
  for (const std::string& horizon : project.horizons) horizons += Gbk(horizon) + "\n";
  WriteFile(dir / (project.name + ".isc"), horizons);
  WriteFile(dir / (project.name + ".dgr"), project.grid);
}

void WriteHorizonsBeyondMemory(const TempDir& dir) {
  std::string mask;
  for (int i = 0; i < 1000000; ++i) mask += "1 ";
  std::string names;
  for (int h = 1; h <= 100000; ++h) names += "H" + std::to_string(h) + "\n";
  WriteFile(dir / "demo.isc", names);
  WriteFile(dir / "demo.dgr", "0 0 2 2 1 1000000\n" + mask + "\n");
}

std::filesystem::path SampleDir() { return strataplot_build::kSampleDir; }

void CopySample(const std::filesystem::path& dir) {
  std::filesystem::copy(SampleDir(), dir, std::filesystem::copy_options::recursive);
}

std::filesystem::path HostProgram() { return strataplot_build::kHostProgram; }

namespace {

// Runs the host with the arguments, standard error into a file of scratch. A
// fileSizeLimit above 0 is the largest file the host may write, a dataLimit
// above 0 the most memory it may allocate.
HostRun Run(const TempDir& scratch, const std::vector<std::string>& args, long fileSizeLimit = 0,
            long dataLimit = 0) {
  std::filesystem::path errors = scratch / "stderr.txt";
  std::vector<std::string> argv = {strataplot_build::kHostProgram};
  argv.insert(argv.end(), args.begin(), args.end());

  HostRun run;
  pid_t child = fork();
  if (child == 0) {
    int in = open("/dev/null", O_RDONLY);
    int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, STDIN_FILENO);
    dup2(err, STDERR_FILENO);
    if (fileSizeLimit > 0) {
      signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit fails instead
      struct rlimit limit = {static_cast<rlim_t>(fileSizeLimit),
                             static_cast<rlim_t>(fileSizeLimit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (dataLimit > 0) {
      struct rlimit limit = {static_cast<rlim_t>(dataLimit), static_cast<rlim_t>(dataLimit)};
      setrlimit(RLIMIT_DATA, &limit);
    }
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    execv(pointers[0], pointers.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.errorOutput = ReadFile(errors).value_or("");
  return run;
}

}  // namespace

HostRun RunHost(const std::filesystem::path& dir, const std::vector<std::string>& args,
                long fileSizeLimit, long dataLimit) {
  TempDir scratch;
  std::filesystem::path transcript = scratch / "transcript.jsonl";
  std::vector<std::string> argv = {"-C", dir.string(), "--batch", "--transcript",
                                   transcript.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  HostRun run = Run(scratch, argv, fileSizeLimit, dataLimit);
  std::istringstream lines(ReadFile(transcript).value_or(""));
  for (std::string line; std::getline(lines, line);) run.transcript.push_back(line);
  return run;
}

HostRun RunHostAsGiven(const std::vector<std::string>& args) {
  TempDir scratch;
  return Run(scratch, args);
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

HostRun ExportTest::Run(std::vector<std::string> args, long fileSizeLimit, long dataLimit) const {
  args.insert(args.begin(), {"-p", "demo"});
  args.push_back(command_);
  return RunHost(dir_.path(), args, fileSizeLimit, dataLimit);
}

std::string ExportTest::Map(const std::string& name) const {
  return ReadFile(dir_ / name).value_or("<missing>");
}

std::vector<std::string> RecordsOfType(const HostRun& run, const std::string& type) {
  std::vector<std::string> records;
  std::string marker = "\"type\":\"" + type + "\"";
  for (const std::string& record : run.transcript) {
    if (record.find(marker) != std::string::npos) records.push_back(record);
  }
  return records;
}

}  // namespace test_support
