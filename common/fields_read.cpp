#include <string>
#include <string_view>

#include "common/common.h"
#include "platform/file_stream.h"
#include "scan/field_scan.h"

namespace common_reading {

int Damaged(platform::FileStream* stream) {
  stream->NoteDamage();
  return -1;
}

int WholeFromText(platform::FileStream* stream, int* value) {
  *value = 0;
  return scan::WholeFromText(stream->FieldText(), *value) ? 1 : Damaged(stream);
}

int RealFromText(platform::FileStream* stream, float* value) {
  *value = 0.0f;
  return scan::RealFromText(stream->FieldText(), *value) ? 1 : Damaged(stream);
}

}  // namespace common_reading

int reads(HFILE file, std::string& text) {
  text.clear();
  platform::FileStream* stream = platform::StreamOf(file);
  std::string_view field;
  if (stream == nullptr || !stream->NextField(field)) return 0;
  text.assign(field);
  return 1;
}

int ReadDamageLine(HFILE file) {
  platform::FileStream* stream = platform::StreamOf(file);
  return stream != nullptr ? stream->DamageLine() : 0;
}

int ReadLine(HFILE file) {
  platform::FileStream* stream = platform::StreamOf(file);
  return stream != nullptr ? stream->Line() : 0;
}
