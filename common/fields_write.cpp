#include <charconv>
#include <cstring>
#include <string>

#include "common/common.h"
#include "platform/file_stream.h"

namespace {

platform::FileStream* Writer(HFILE file) {
  platform::FileStream* stream = platform::StreamOf(file);
  return stream != nullptr && stream->ForWriting() ? stream : nullptr;
}

// Right-aligns a number in its field; a number that fills the field or
// overflows it is kept apart from the byte before it by one blank.
void PutNumber(platform::FileStream& stream, std::string_view text, int width) {
  std::size_t field = width > 0 ? static_cast<std::size_t>(width) : 0;
  if (text.size() < field) {
    stream.Repeat(' ', field - text.size());
  } else if (!stream.AtFieldBoundary()) {
    stream.Write(" ");
  }
  stream.Write(text);
}

}  // namespace

int writei(HFILE file, int value, int width) {
  platform::FileStream* stream = Writer(file);
  if (stream == nullptr) return 0;
  char text[16];
  char* end = std::to_chars(text, text + sizeof text, value).ptr;
  PutNumber(*stream, std::string_view(text, end - text), width);
  return 1;
}

int writef(HFILE file, float value, int width, int decimals) {
  platform::FileStream* stream = Writer(file);
  if (stream == nullptr) return 0;
  if (decimals < 0) decimals = 0;
  // A float's integer part has at most 39 digits; add sign, point and decimals.
  constexpr int kSmall = 96;
  std::size_t size = 48 + static_cast<std::size_t>(decimals);
  char small[kSmall + 48];
  std::string large;
  char* text = small;
  if (decimals > kSmall) {
    large.resize(size);
    text = large.data();
  }
  // Exact, correctly rounded digits, as the C library's "%.*f" gives them
  // (including "-0.0", "nan", "-nan", "inf" and "-inf").
  char* end = std::to_chars(text, text + size, static_cast<double>(value), std::chars_format::fixed,
                            decimals)
                  .ptr;
  PutNumber(*stream, std::string_view(text, end - text), width);
  return 1;
}

int writes(HFILE file, const char* text, int width) {
  platform::FileStream* stream = Writer(file);
  if (stream == nullptr) return 0;
  std::string_view bytes = text != nullptr ? std::string_view(text) : std::string_view();
  if (width > 0 && bytes.size() < static_cast<std::size_t>(width)) {
    stream->Repeat(' ', static_cast<std::size_t>(width) - bytes.size());
  }
  stream->Write(bytes);
  return 1;
}

int writec(HFILE file, char ch, int count) {
  platform::FileStream* stream = Writer(file);
  if (stream == nullptr) return 0;
  if (ch == '\n') {
    stream->Write("\n");
  } else if (count > 0) {
    stream->Repeat(ch, static_cast<std::size_t>(count));
  }
  return 1;
}
