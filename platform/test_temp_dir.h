// For tests: a fresh directory under the system's temporary directory,
// removed with everything in it when the object goes.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace platform::test_support {

class TempDir {
 public:
  TempDir() {
    static std::atomic<int> serial{0};
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / ("strataplot-test-" + std::to_string(::getpid()) + "-" +
                      std::to_string(serial++));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The name of a file in the directory (as bytes; ASCII names stay GBK-clean).
  std::string File(std::string_view name) const { return (path_ / name).string(); }

  // Writes the bytes as the whole file `name`; returns its path.
  std::string Put(std::string_view name, std::string_view bytes) const {
    std::string file = File(name);
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
  }

  static std::string Contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path path_;
};

}  // namespace platform::test_support
