// For tests: a fresh directory under the system's temporary directory,
// removed with everything in it when the object goes, and whole-file reading
// and writing. Every test that needs files uses these.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace test_support {

// Writes the bytes as the whole file.
inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The whole file, or nullopt when it cannot be read.
inline std::optional<std::string> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempDir {
 public:
  TempDir() {
    static std::atomic<int> serial{0};
    const std::string stem = "strataplot-test-" + std::to_string(::getpid()) + "-" +
                             std::to_string(std::random_device()()) + "-";
    do {
      path_ = std::filesystem::temp_directory_path() / (stem + std::to_string(serial++));
    } while (!std::filesystem::create_directory(path_));
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  // The path of a file in the directory as a string (ASCII names are the
  // same bytes in GBK).
  std::string File(std::string_view name) const { return (path_ / name).string(); }
  // Writes the file `name` and returns its path.
  std::string Put(std::string_view name, std::string_view bytes) const {
    WriteFile(path_ / name, bytes);
    return File(name);
  }
  // The whole file, empty when it cannot be read.
  static std::string Contents(const std::filesystem::path& file) {
    return ReadFile(file).value_or("");
  }

 private:
  std::filesystem::path path_;
};

}  // namespace test_support
