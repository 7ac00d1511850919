// For tests of a run cancelled while it reads: a project whose expelled-oil
// quantity file is a named pipe that the test feeds, so that the read lasts
// for as long as the test wants, whatever the machine's speed.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "testing/host_harness.h"

namespace test_support {

// A named pipe fed from a thread of its own: what Write queues is written in
// order, and Close ends the file after it for the reader.
class FedPipe {
 public:
  explicit FedPipe(const std::filesystem::path& path) {
    EXPECT_EQ(::mkfifo(path.c_str(), 0644), 0) << path;
    // Open for reading too, so that neither side waits for the other to open.
    fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fd_, 0) << path;
    thread_ = std::thread([this] { Feed(); });
  }
  ~FedPipe() {
    Close();
    stop_ = true;  // a reader gone: what is still queued is dropped
    thread_.join();
  }
  FedPipe(const FedPipe&) = delete;
  FedPipe& operator=(const FedPipe&) = delete;

  void Write(std::string bytes) { Queue(std::move(bytes)); }
  void Close() { Queue(std::nullopt); }

 private:
  void Queue(std::optional<std::string> item) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(item));
    }
    ready_.notify_one();
  }

  void Feed() {
    for (;;) {
      std::optional<std::string> item;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !queue_.empty(); });
        item = std::move(queue_.front());
        queue_.pop_front();
      }
      if (!item) {
        ::close(fd_);
        return;
      }
      std::string_view rest = *item;
      while (!rest.empty() && !stop_) {
        pollfd out = {fd_, POLLOUT, 0};
        if (::poll(&out, 1, 50) <= 0) continue;
        ssize_t n = ::write(fd_, rest.data(), rest.size());
        if (n > 0) rest.remove_prefix(static_cast<std::size_t>(n));
      }
    }
  }

  int fd_ = -1;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::optional<std::string>> queue_;
  std::thread thread_;
};

// The project "demo" in dir: two horizons H1 and H2 on a row of kCells
// active cells through kPeriods periods, its expelled oil (demo.doe) a pipe
// fed with all of H1's values and part of H2's: a run of oil-expulsion writes
// H1.po1, then creates H2.po2 and reads until it waits for more. H2.po2 is
// there already ("old"). The pipe's text holds 2 MB per horizon, 3.5 MB of
// which are fed at first.
class LongReadProject {
 public:
  static constexpr int kCells = 5000;
  static constexpr int kPeriods = 200;

  explicit LongReadProject(const TempDir& dir) : dir_(dir) {
    std::string mask;
    for (int i = 0; i < kCells; ++i) mask += "1 ";
    WriteProject(dir, {"demo",
                       kPeriods,
                       {"H1", "H2"},
                       "0 0 2 2 1 " + std::to_string(kCells) + "\n" + mask + "\n"});
    WriteFile(dir / "H2.po2", "old");
    pipe_.emplace(dir / "demo.doe");
    pipe_->Write(Values(kCells * kPeriods * 7 / 4));
  }

  // Feeds more than a chunk of a read (but not the rest of H2's values): a
  // run asked to end meets the request at the next chunk, any other run
  // waits for the rest.
  void ReadOn() { pipe_->Write(Values(kCells * kPeriods / 5)); }

  // The files of the directory that a run left under temporary names.
  int PartialFiles() const {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
      count += entry.path().extension() == ".partial";
    return count;
  }

 private:
  static std::string Values(int count) {
    std::string values;
    for (int i = 0; i < count; ++i) values += "8\n";
    return values;
  }

  const TempDir& dir_;
  std::optional<FedPipe> pipe_;
};

}  // namespace test_support
