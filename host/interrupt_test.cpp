// The host interrupted while a map is being written: run at a terminal (a
// pseudo-terminal here), stopped by Ctrl-C or SIGTERM while it asks for a
// contour interval, with the map file open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/host_harness.h"

namespace {

using namespace test_support;

class Interrupted : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteProject(dir_, {"demo", 1, {"H1"}, "0 0 2 2 1 2\n1 1\n"});
    WriteFile(dir_ / "demo.dou", "4 8\n");
    WriteFile(dir_ / "H1.uo1", "old");
  }

  // Starts oil-unexpelled at a terminal and answers the overwrite question;
  // returns once the interval is asked for (0 when the system has no
  // pseudo-terminals).
  pid_t StartUntilTheIntervalIsAsked() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return 0;
    std::string terminal = ptsname(master_);
    pid_t child = fork();
    if (child == 0) {
      setsid();
      int slave = open(terminal.c_str(), O_RDWR);  // becomes the controlling terminal
      dup2(slave, STDIN_FILENO);
      dup2(slave, STDOUT_FILENO);
      dup2(slave, STDERR_FILENO);
      std::string directory = dir_.path().string();
      execl(HostProgram().c_str(), HostProgram().c_str(), "-C", directory.c_str(), "-p", "demo",
            "oil-unexpelled", static_cast<char*>(nullptr));
      _exit(127);
    }
    if (!WaitFor("[y/N]")) return child;
    Type("y");  // one key answers a Yes/No question
    WaitFor("间距");
    return child;
  }

  // Reads what the host shows until it holds the text (false after 20 s).
  bool WaitFor(const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (shown_.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      pollfd fd = {master_, POLLIN, 0};
      if (poll(&fd, 1, 200) <= 0) continue;
      char buffer[512];
      ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) return false;
      shown_.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  }

  void Type(const std::string& text) {
    ASSERT_EQ(write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // The signal that ended the child, or -1.
  int EndingSignal(pid_t child) {
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFSIGNALED(status)) return -1;
    return WTERMSIG(status);
  }

  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  void TearDown() override {
    if (master_ >= 0) close(master_);
  }

  TempDir dir_;
  int master_ = -1;
  std::string shown_;
};

TEST_F(Interrupted, TheOldMapStaysAndNothingIsLeftBehind) {
  const std::vector<std::string> before = Entries();
  struct Case {
    const char* how;
    int signal;
  } cases[] = {{"ctrl-c", SIGINT}, {"term", SIGTERM}};
  for (const Case& c : cases) {
    shown_.clear();
    pid_t child = StartUntilTheIntervalIsAsked();
    if (child == 0) GTEST_SKIP() << "no pseudo-terminal";
    ASSERT_GT(child, 0);
    ASSERT_NE(shown_.find("间距"), std::string::npos) << shown_;
    // The map being written is there, under its temporary name.
    EXPECT_EQ(Entries().size(), before.size() + 1) << c.how;
    if (c.signal == SIGINT) {
      Type("\x03");  // Ctrl-C: the terminal sends SIGINT
    } else {
      kill(child, c.signal);
    }
    EXPECT_EQ(EndingSignal(child), c.signal) << c.how;
    EXPECT_EQ(ReadFile(dir_ / "H1.uo1"), "old") << c.how;
    EXPECT_EQ(Entries(), before) << c.how;
    close(master_);
    master_ = -1;
  }
}

}  // namespace
