#include "project/input_file.h"

#include "project/texts.h"

namespace strataplot {

bool InputFile::Open(const std::string& name) {
  Close();
  name_ = name;
  file_ = platform::OpenFile(name.c_str(), platform::OF_READ);
  return file_ != HFILE_ERROR;
}

void InputFile::Close() {
  if (file_ != HFILE_ERROR) platform::_lclose(file_);
  file_ = HFILE_ERROR;
}

int InputFile::StopLine() const {
  int line = ReadDamageLine(file_);
  return line != 0 ? line : ReadLine(file_);
}

std::string InputFile::DamageText() const {
  return Format(texts::kDamagedFile, name_.c_str(), StopLine());
}

}  // namespace strataplot
