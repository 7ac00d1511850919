// Numbers converted from their text: the slow way of the fields the quick
// conversion does not settle, and the whole grammar over both ways.

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

#include "scan/field_scan.h"

namespace scan {
namespace {

// The number's text for std::from_chars, which takes only '-': a leading '+'
// dropped; false for a '+' followed by another sign or by nothing, and for an
// empty text.
bool NumberText(std::string_view text, const char*& first, const char*& last) {
  first = text.data();
  last = text.data() + text.size();
  if (first == last) return false;
  if (*first == '+') {
    ++first;
    if (first == last || *first == '-' || *first == '+') return false;
  }
  return true;
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

}  // namespace

bool WholeFromText(std::string_view text, int& value) {
  const char* first;
  const char* last;
  if (!NumberText(text, first, last)) return false;
  int parsed;
  auto [end, ec] = std::from_chars(first, last, parsed);
  if (ec != std::errc() || end != last) return false;
  value = parsed;
  return true;
}

bool RealFromText(std::string_view text, float& value) {
  const char* first;
  const char* last;
  if (!NumberText(text, first, last)) return false;
  float parsed;
  auto [end, ec] = std::from_chars(first, last, parsed, std::chars_format::general);
  if (end != last) return false;
  if (ec == std::errc::result_out_of_range) {
    if (!OutOfFloatRange(std::string_view(first, last - first), parsed)) return false;
  } else if (ec != std::errc() || !std::isfinite(parsed)) {
    return false;
  }
  value = parsed;
  return true;
}

bool ParseWhole(std::string_view text, int& value) {
  const ScannedNumber number = ScanNumber(text);
  if (number.kind == NumberKind::Whole) {
    value = number.Whole();
    return true;
  }
  return number.kind == NumberKind::Other && WholeFromText(text, value);
}

}  // namespace scan
