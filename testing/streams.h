// Streams for tests: one that collects what is written to it, one that reads
// a given text.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

// A stream that collects what is written to it.
class Capture {
 public:
  Capture() : file_(open_memstream(&data_, &size_)) {}
  ~Capture() {
    std::fclose(file_);
    std::free(data_);
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  std::FILE* File() { return file_; }
  std::string Text() {
    std::fflush(file_);
    return std::string(data_, size_);
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    std::string text = Text();
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "the last line has no line end";
    return lines;
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

// A stream to read the given text from.
class Input {
 public:
  explicit Input(std::string text) : text_(std::move(text)) {
    file_ =
        text_.empty() ? std::fopen("/dev/null", "r") : fmemopen(text_.data(), text_.size(), "r");
  }
  ~Input() { std::fclose(file_); }
  Input(const Input&) = delete;
  Input& operator=(const Input&) = delete;
  std::FILE* File() { return file_; }

 private:
  std::string text_;
  std::FILE* file_;
};

}  // namespace test_support
