#include "host/testing/host_harness.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/platform.h"

namespace host::testing {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() /
          ("strataplot-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(random()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string Gbk(const std::string& utf8) { return platform::Utf8ToGbk(utf8).value_or("?"); }

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

namespace {

// Runs the host with the arguments, standard error into a file of scratch.
HostRun Run(const TempDir& scratch, const std::vector<std::string>& args) {
  std::filesystem::path errors = scratch / "stderr.txt";
  std::vector<std::string> argv = {STRATAPLOT_HOST};
  argv.insert(argv.end(), args.begin(), args.end());

  HostRun run;
  pid_t child = fork();
  if (child == 0) {
    int in = open("/dev/null", O_RDONLY);
    int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, STDIN_FILENO);
    dup2(err, STDERR_FILENO);
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

HostRun RunHost(const std::filesystem::path& dir, const std::vector<std::string>& args) {
  TempDir scratch;
  std::filesystem::path transcript = scratch / "transcript.jsonl";
  std::vector<std::string> argv = {"-C", dir.string(), "--batch", "--transcript",
                                   transcript.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  HostRun run = Run(scratch, argv);
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

HostRun ExportTest::Run(std::vector<std::string> args) const {
  args.insert(args.begin(), {"-p", "demo"});
  args.push_back(command_);
  return RunHost(dir_.path(), args);
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

}  // namespace host::testing
