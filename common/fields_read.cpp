#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

#include "common/common.h"
#include "platform/file_stream.h"

namespace {

// The rare case of a real whose magnitude does not fit a float: the C
// library's strtof in the C locale tells overflow (infinity) from underflow
// (zero or a denormal, which are kept).
bool OutOfFloatRange(std::string_view text, float& value) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (cLocale == static_cast<locale_t>(nullptr)) return false;
  std::string copy(text);
  value = strtof_l(copy.c_str(), nullptr, cLocale);
  return std::isfinite(value);
}

// The field last moved to as the text of a number: true with its bytes (a
// leading '+' dropped: std::from_chars takes only '-'), false (damage noted)
// for a '+' followed by another sign or by nothing.
bool NumberText(platform::FileStream* stream, const char*& first, const char*& last) {
  std::string_view field = stream->FieldText();
  first = field.data();
  last = field.data() + field.size();
  if (*first == '+') {
    ++first;
    if (first == last || *first == '-' || *first == '+') return false;
  }
  return true;
}

}  // namespace

namespace common_reading {

int Damaged(platform::FileStream* stream) {
  stream->NoteDamage();
  return -1;
}

int WholeFromText(platform::FileStream* stream, int* value) {
  *value = 0;
  const char* first;
  const char* last;
  if (!NumberText(stream, first, last)) return Damaged(stream);
  int parsed;
  auto [end, ec] = std::from_chars(first, last, parsed);
  if (ec != std::errc() || end != last) return Damaged(stream);
  *value = parsed;
  return 1;
}

int RealFromText(platform::FileStream* stream, float* value) {
  *value = 0.0f;
  const char* first;
  const char* last;
  if (!NumberText(stream, first, last)) return Damaged(stream);
  float parsed;
  auto [end, ec] = std::from_chars(first, last, parsed, std::chars_format::general);
  if (end != last) return Damaged(stream);
  if (ec == std::errc::result_out_of_range) {
    if (!OutOfFloatRange(std::string_view(first, last - first), parsed)) return Damaged(stream);
  } else if (ec != std::errc() || !std::isfinite(parsed)) {
    return Damaged(stream);
  }
  *value = parsed;
  return 1;
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
