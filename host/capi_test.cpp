// The C API against the host program's batch runs, and its failures.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <strataplot/strataplot.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testing/host_harness.h"
#include "testing/long_read.h"

namespace {

using test_support::CopySample;
using test_support::HostProgram;
using test_support::ReadFile;
using test_support::RunHost;
using test_support::TempDir;

struct Received {
  std::vector<std::string> messages;
  std::vector<std::string> files;
};

void OnMessage(const char* text, void* user) {
  static_cast<Received*>(user)->messages.push_back(text);
}
void OnFile(const char* path, void* user) { static_cast<Received*>(user)->files.push_back(path); }

// Every file of the directory by name, with its bytes.
std::map<std::string, std::string> Files(const std::filesystem::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().filename() == "transcript.jsonl") continue;
    files[entry.path().filename().string()] = ReadFile(entry.path()).value_or("<unreadable>");
  }
  return files;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Standard output and error of the process go to a file while it lives.
class CapturedOutput {
 public:
  CapturedOutput() : out_(dup(1)), err_(dup(2)) {
    int file = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, 1);
    dup2(file, 2);
    close(file);
  }
  ~CapturedOutput() { Restore(); }
  std::string Restore() {
    if (out_ >= 0) {
      std::fflush(stdout);
      std::fflush(stderr);
      dup2(out_, 1);
      dup2(err_, 2);
      close(out_);
      close(err_);
      out_ = err_ = -1;
    }
    return ReadFile(path_).value_or("");
  }

 private:
  TempDir dir_;
  std::filesystem::path path_ = dir_.path() / "output";
  int out_;
  int err_;
};

// Each command with answers, through the C API and through
// `strataplot --batch`: the same files, byte for byte, the same messages, and
// the same status; the files reported by absolute path; the working
// directory put back; nothing on standard output or error.
TEST(CApiTest, RunsEachCommandAsTheHostProgramDoes) {
  struct Case {
    const char* build;
    const char* command;
    std::vector<std::pair<std::string, std::string>> answers;
  };
  const std::vector<Case> cases = {
      {"shared", "oil-expulsion", {{"deep", "yes"}, {"interval", "12,default"}}},
      {"static", "oil-expulsion", {{"interval", "cancel"}}},
      {"shared", "oil-generation", {}},
      {"static", "gas", {{"kind", "pg"}}},
      {"shared", "saturation", {{"mode", "2"}}},
      {"static", "history", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.build) + " " + c.command);
    TempDir viaApi, viaHost;
    CopySample(viaApi.path());
    CopySample(viaHost.path());
    std::vector<std::string> args = {"-p", "demo", "--library", c.build, c.command};
    for (const auto& [option, value] : c.answers) args.push_back("--" + option + "=" + value);
    test_support::HostRun host = RunHost(viaHost.path(), args);

    strataplot_session* session = strataplot_open(c.build);
    ASSERT_NE(session, nullptr) << strataplot_last_error();
    ASSERT_EQ(strataplot_set_project(session, viaApi.path().c_str(), "demo"), 0);
    for (const auto& [option, value] : c.answers)
      ASSERT_EQ(strataplot_set_answer(session, option.c_str(), value.c_str()), 0);
    Received received;
    strataplot_on_message(session, OnMessage, &received);
    strataplot_on_file(session, OnFile, &received);
    const std::filesystem::path before = std::filesystem::current_path();
    CapturedOutput output;
    int status = strataplot_run(session, c.command);
    EXPECT_EQ(output.Restore(), "");
    EXPECT_EQ(std::filesystem::current_path(), before);
    strataplot_close(session);

    EXPECT_EQ(status, host.exitStatus) << host.errorOutput;
    EXPECT_EQ(Files(viaApi.path()), Files(viaHost.path()));
    EXPECT_EQ(received.messages, Lines(host.errorOutput));
    EXPECT_EQ(received.files.empty(), status == 1);
    for (const std::string& file : received.files) {
      EXPECT_EQ(std::filesystem::path(file).parent_path(), viaApi.path()) << file;
      EXPECT_TRUE(std::filesystem::is_regular_file(file)) << file;
    }
  }
}

// The state of a loaded build lasts between runs and is shared by the
// sessions of one build: saturation mode 3 uses the horizon mode 2 chose.
TEST(CApiTest, KeepsTheBuildsStateBetweenRunsAndSessions) {
  TempDir dir;
  CopySample(dir.path());
  strataplot_session* chooser = strataplot_open("shared");
  strataplot_session* user = strataplot_open("shared");
  ASSERT_NE(chooser, nullptr);
  ASSERT_NE(user, nullptr);
  for (strataplot_session* session : {chooser, user})
    ASSERT_EQ(strataplot_set_project(session, dir.path().c_str(), "demo"), 0);
  ASSERT_EQ(strataplot_set_answer(chooser, "mode", "2"), 0);
  ASSERT_EQ(strataplot_set_answer(user, "mode", "3"), 0);
  Received chosen, reused;
  strataplot_on_file(chooser, OnFile, &chosen);
  strataplot_on_file(user, OnFile, &reused);
  ASSERT_EQ(strataplot_run(chooser, "saturation"), 0) << strataplot_last_error();
  ASSERT_EQ(chosen.files.size(), 1u);
  const std::optional<std::string> profile = ReadFile(chosen.files[0]);
  std::filesystem::remove(chosen.files[0]);
  strataplot_close(chooser);
  ASSERT_EQ(strataplot_run(user, "saturation"), 0) << strataplot_last_error();
  EXPECT_EQ(reused.files, chosen.files);
  EXPECT_EQ(ReadFile(chosen.files[0]), profile);
  strataplot_close(user);
}

TEST(CApiTest, FailuresSayWhy) {
  TempDir dir;
  CopySample(dir.path());
  EXPECT_EQ(strataplot_open((dir.path() / "no-such-build.so").c_str()), nullptr);
  EXPECT_NE(std::string(strataplot_last_error()), "");
  // A shared library that is not a build of ours.
  const std::string other = (HostProgram().parent_path() / "libstrataplot-common.so").string();
  EXPECT_EQ(strataplot_open(other.c_str()), nullptr);
  EXPECT_NE(std::string(strataplot_last_error()).find("not a build"), std::string::npos);

  strataplot_session* session = strataplot_open("static");
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(strataplot_run(session, "oil-expulsion"), 2);  // no project yet
  EXPECT_EQ(strataplot_set_project(session, (dir.path() / "missing").c_str(), "demo"), -1);
  EXPECT_NE(std::string(strataplot_last_error()).find("does not exist"), std::string::npos);
  EXPECT_EQ(strataplot_set_project(session, dir.path().c_str(), ""), -1);
  EXPECT_EQ(strataplot_set_project(session, dir.path().c_str(), "twenty-bytes-project"), -1);
  EXPECT_EQ(strataplot_set_answer(session, "deep", "perhaps"), -1);
  EXPECT_EQ(strataplot_set_answer(session, "colour", "red"), -1);
  EXPECT_NE(std::string(strataplot_last_error()).find("colour"), std::string::npos);

  TempDir gone;
  ASSERT_EQ(strataplot_set_project(session, gone.path().c_str(), "demo"), 0);
  std::filesystem::remove(gone.path());
  EXPECT_EQ(strataplot_run(session, "oil-expulsion"), 2);
  EXPECT_NE(std::string(strataplot_last_error()).find(gone.path().string()), std::string::npos);

  ASSERT_EQ(strataplot_set_project(session, dir.path().c_str(), "demo"), 0);
  EXPECT_EQ(strataplot_run(session, "history-of-everything"), 2);
  EXPECT_NE(std::string(strataplot_last_error()).find("history-of-everything"), std::string::npos);
  EXPECT_EQ(strataplot_run(nullptr, "oil-expulsion"), 2);
  strataplot_close(session);
  strataplot_close(nullptr);
}

// A second run while one runs, from another thread and another build's
// session, returns 2 ("busy") at once and leaves the first run alone.
TEST(CApiTest, OneRunAtATimeInTheProcess) {
  TempDir dir, other;
  CopySample(dir.path());
  CopySample(other.path());
  strataplot_session* first = strataplot_open("shared");
  strataplot_session* second = strataplot_open("static");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(strataplot_set_project(first, dir.path().c_str(), "demo"), 0);
  ASSERT_EQ(strataplot_set_project(second, other.path().c_str(), "demo"), 0);
  struct During {
    strataplot_session* second;
    int status = -1;
    std::string error;
  } during;
  during.second = second;
  strataplot_on_message(
      first,
      [](const char*, void* user) {
        auto* d = static_cast<During*>(user);
        if (d->status != -1) return;
        std::thread([d] {
          d->status = strataplot_run(d->second, "oil-unexpelled");
          d->error = strataplot_last_error();
        }).join();
      },
      &during);
  EXPECT_EQ(strataplot_run(first, "oil-unexpelled"), 0);
  EXPECT_EQ(during.status, 2);
  EXPECT_NE(during.error.find("busy"), std::string::npos) << during.error;
  EXPECT_FALSE(std::filesystem::exists(other.path() / "demo.uot"));
  // Once the first has ended the second runs.
  EXPECT_EQ(strataplot_run(second, "oil-unexpelled"), 0) << strataplot_last_error();
  strataplot_close(first);
  strataplot_close(second);
}

// A cancel while the library reads a long quantity file (a pipe the test
// feeds), from inside the run's own callback and from another thread, in both
// builds: the run returns 1, the map finished before stays, the one being
// read for keeps its old file and leaves no temporary one, and the next run
// is not cancelled.
TEST(CApiTest, CancelEndsTheRunInProgress) {
  struct Case {
    const char* build;
    bool fromAnotherThread;
  };
  for (const Case& c : {Case{"shared", false}, Case{"static", true}, Case{"shared", true}}) {
    SCOPED_TRACE(std::string(c.build) + (c.fromAnotherThread ? " from another thread" : ""));
    TempDir dir;
    test_support::LongReadProject project(dir);
    strataplot_session* session = strataplot_open(c.build);
    ASSERT_NE(session, nullptr);
    ASSERT_EQ(strataplot_set_project(session, dir.path().c_str(), "demo"), 0);
    ASSERT_EQ(strataplot_set_answer(session, "overwrite", "yes"), 0);
    struct During {
      strataplot_session* session = nullptr;
      bool fromAnotherThread = false;
      std::vector<std::string> files;
      std::atomic<bool> firstWritten{false};
      std::atomic<bool> runEnded{false};
    } during;
    during.session = session;
    during.fromAnotherThread = c.fromAnotherThread;
    strataplot_on_file(
        session,
        [](const char* path, void* user) {
          auto* d = static_cast<During*>(user);
          d->files.push_back(path);
          if (!d->fromAnotherThread) strataplot_cancel(d->session);
          d->firstWritten = true;
        },
        &during);
    std::thread canceller;
    if (c.fromAnotherThread) {
      canceller = std::thread([&during, &project] {
        while (!during.firstWritten && !during.runEnded) std::this_thread::yield();
        strataplot_cancel(during.session);
        project.ReadOn();  // the read meets the request at its next chunk
      });
    }
    EXPECT_EQ(strataplot_run(session, "oil-expulsion"), 1);
    during.runEnded = true;
    if (canceller.joinable()) canceller.join();
    EXPECT_EQ(during.files, (std::vector<std::string>{(dir.path() / "H1.po1").string()}));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / "H1.po1"));
    EXPECT_EQ(ReadFile(dir.path() / "H2.po2"), "old");
    EXPECT_EQ(project.PartialFiles(), 0);
    strataplot_close(session);

    // A cancel belongs to the run it was made in.
    TempDir sample;
    CopySample(sample.path());
    strataplot_session* next = strataplot_open(c.build);
    ASSERT_EQ(strataplot_set_project(next, sample.path().c_str(), "demo"), 0);
    EXPECT_EQ(strataplot_run(next, "oil-unexpelled"), 0) << strataplot_last_error();
    strataplot_close(next);
  }
  // Outside a run a cancel does nothing.
  strataplot_cancel(nullptr);
  TempDir sample;
  CopySample(sample.path());
  strataplot_session* session = strataplot_open("shared");
  ASSERT_EQ(strataplot_set_project(session, sample.path().c_str(), "demo"), 0);
  EXPECT_EQ(strataplot_run(session, "oil-unexpelled"), 0) << strataplot_last_error();
  strataplot_close(session);
}

}  // namespace
