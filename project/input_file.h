// An input file of the project, read field by field through the common
// library, that knows how to report itself when it is damaged or too short.
#pragma once

#include <span>
#include <string>

#include "common/common.h"

namespace strataplot {

class InputFile {
 public:
  InputFile() = default;
  ~InputFile() { Close(); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opens the file (GBK name) for reading; false when it cannot be opened.
  bool Open(const std::string& name);
  void Close();
  const std::string& Name() const { return name_; }

  // Each reads the next field: true with the value, false when the file is
  // damaged there or ends before it (then nothing more should be read).
  bool ReadInt(int& value) { return readi(file_, &value) == 1; }
  bool ReadReal(float& value) { return readf(file_, &value) == 1; }
  // The next values.size() fields, each as ReadReal reads it.
  bool ReadReals(std::span<float> values) {
    const int count = static_cast<int>(values.size());
    return readfs(file_, values.data(), count) == count;
  }
  // A text field; false only at the end of the file.
  bool ReadText(std::string& text) { return reads(file_, text) == 1; }

  // True when a field of the file was found damaged.
  bool Damaged() const { return ReadDamageLine(file_) != 0; }
  // Line of the field read last (at the end of the file, its last line).
  int Line() const { return ReadLine(file_); }
  // Where reading stopped for good: the line of the damaged field, or for a
  // file that ended too soon the line where reading stands.
  int StopLine() const;

  // The message "the file has wrong or missing data (line N)" for the place
  // where reading stopped (GBK). Ask for it after a read returned false.
  std::string DamageText() const;

 private:
  HFILE file_ = HFILE_ERROR;
  std::string name_;
};

}  // namespace strataplot
