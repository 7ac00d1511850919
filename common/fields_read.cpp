#include <locale.h>
#include <stdlib.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

#include "common/common.h"
#include "platform/file_stream.h"

namespace {

// The next field of an open reading handle; false at the end (or when the
// handle does not read, which reads as an empty file).
bool NextField(HFILE file, platform::FileStream*& stream, std::string_view& field) {
  stream = platform::StreamOf(file);
  return stream != nullptr && stream->NextField(field);
}

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

// The common plain decimal ("-1234.5678", "1.5e-3"), converted exactly and
// quickly: at most 19 significant digits and a power of ten up to 22 make the
// quotient (or product) in double a single rounding of the exact value, and
// rounding that to float is exact too unless it falls on the midpoint of two
// floats. False for anything else, which std::from_chars then settles.
bool PlainDecimal(const char* p, const char* last, float& value) {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  bool negative = *p == '-';
  if (negative) ++p;
  std::uint64_t mantissa = 0;
  int digits = 0;
  int exponent = 0;
  const char* start = p;
  while (p != last && static_cast<unsigned char>(*p - '0') <= 9) {
    mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    ++p;
  }
  digits = static_cast<int>(p - start);
  if (p != last && *p == '.') {
    const char* fraction = ++p;
    while (p != last && static_cast<unsigned char>(*p - '0') <= 9) {
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
      ++p;
    }
    exponent = -static_cast<int>(p - fraction);
    digits -= exponent;
  }
  if (digits == 0 || digits > 19) return false;
  if (p != last) {
    if (*p != 'e' && *p != 'E') return false;
    ++p;
    bool negativeExponent = p != last && *p == '-';
    if (p != last && (*p == '-' || *p == '+')) ++p;
    if (p == last || last - p > 3) return false;
    int e = 0;
    for (; p != last; ++p) {
      if (static_cast<unsigned char>(*p - '0') > 9) return false;
      e = e * 10 + (*p - '0');
    }
    exponent += negativeExponent ? -e : e;
  }
  if (mantissa == 0) {
    value = negative ? -0.0f : 0.0f;
    return true;
  }
  if (mantissa > (std::uint64_t{1} << 53) || exponent < -22 || exponent > 22) return false;
  double d = static_cast<double>(mantissa);
  d = exponent < 0 ? d / kPowers[-exponent] : d * kPowers[exponent];
  // Stay among normal floats, and off the midpoints between two of them.
  if (!(d >= 0x1p-126 && d < 0x1p127)) return false;
  if ((std::bit_cast<std::uint64_t>(d) & 0x1FFFFFFFu) == 0x10000000u) return false;
  float f = static_cast<float>(d);
  value = negative ? -f : f;
  return true;
}

int Damaged(platform::FileStream* stream) {
  stream->NoteDamage();
  return -1;
}

// The text of the next field, to be read as a number.
struct NumberText {
  platform::FileStream* stream;
  const char* first;
  const char* last;
};

// 1 with the field's text (a leading '+' dropped: std::from_chars takes only
// '-'), 0 at the end, -1 (damage noted) for a '+' followed by another sign
// or by nothing.
inline int NextNumber(HFILE file, NumberText& number) {
  std::string_view field;
  if (!NextField(file, number.stream, field)) return 0;
  number.first = field.data();
  number.last = field.data() + field.size();
  if (*number.first == '+') {
    ++number.first;
    if (number.first == number.last || *number.first == '-' || *number.first == '+') {
      return Damaged(number.stream);
    }
  }
  return 1;
}

}  // namespace

int readi(HFILE file, int* value) {
  *value = 0;
  NumberText number;
  if (int got = NextNumber(file, number); got != 1) return got;
  int parsed;
  auto [end, ec] = std::from_chars(number.first, number.last, parsed);
  if (ec != std::errc() || end != number.last) return Damaged(number.stream);
  *value = parsed;
  return 1;
}

int readf(HFILE file, float* value) {
  *value = 0.0f;
  NumberText number;
  if (int got = NextNumber(file, number); got != 1) return got;
  const char* first = number.first;
  const char* last = number.last;
  float parsed;
  if (PlainDecimal(first, last, parsed)) {
    *value = parsed;
    return 1;
  }
  auto [end, ec] = std::from_chars(first, last, parsed, std::chars_format::general);
  if (end != last) return Damaged(number.stream);
  if (ec == std::errc::result_out_of_range) {
    if (!OutOfFloatRange(std::string_view(first, last - first), parsed)) {
      return Damaged(number.stream);
    }
  } else if (ec != std::errc() || !std::isfinite(parsed)) {
    return Damaged(number.stream);
  }
  *value = parsed;
  return 1;
}

int reads(HFILE file, std::string& text) {
  text.clear();
  platform::FileStream* stream;
  std::string_view field;
  if (!NextField(file, stream, field)) return 0;
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
