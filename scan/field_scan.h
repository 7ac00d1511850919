// Splitting text into fields and reading the plain numbers in them, ahead of
// the reader that asks for them: what the reading stream does with each chunk
// of a file, on its own thread or on helper threads.
//
// A field is a run of bytes between field separators (blank, tab, line feed,
// vertical tab, form feed, carriage return). Every other byte, control bytes
// included, belongs to a field.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "scan/api.h"

namespace scan {

inline bool IsFieldSeparator(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u == ' ' || (u >= '\t' && u <= '\r');
}

// End of the field that starts at text[pos]: the first separator at or after
// pos, or end. Many bytes at a time.
std::size_t FieldEnd(const char* text, std::size_t pos, std::size_t end);

// What a field holds as a number, told without converting it the slow way.
enum class NumberKind : std::uint8_t {
  // A whole number of 32 bits in plain form (an optional sign, decimal
  // digits): readi stores it, readf the float nearest to it.
  Whole,
  // Not a whole number of 32 bits, but a decimal ("-12.5", "1.5e-3",
  // "4000000000") whose float is known exactly: readf stores it, readi
  // finds the field damaged.
  Real,
  // Anything else (text, damage, the rare number the quick conversion does
  // not settle): to be converted from its text.
  Other,
};

struct ScannedNumber {
  NumberKind kind = NumberKind::Other;
  std::uint32_t bits = 0;  // the whole number's or the float's bits

  std::int32_t Whole() const { return static_cast<std::int32_t>(bits); }
  float Real() const { return std::bit_cast<float>(bits); }
  // A Whole's nearest float, a Real's own (not for Other).
  float Float() const { return kind == NumberKind::Whole ? static_cast<float>(Whole()) : Real(); }
};

// Reads the field's text as a number. A Real holds exactly the float that
// std::from_chars gives for the text (after a leading '+' not followed by a
// sign); a Whole exactly the int it gives, and its nearest float is what
// from_chars gives for a float.
SCAN_API ScannedNumber ScanNumber(std::string_view field);

// The slow way, for a field the quick conversion leaves as Other: the int or
// the float std::from_chars gives for the whole text after a leading '+' (not
// followed by a sign); a real whose magnitude lies beyond the float range is
// taken as the C library's strtof takes it in the C locale (kept when it
// underflows to zero or a denormal, refused when it overflows). False, the
// value left alone, for anything else: not a number, a whole number beyond
// 32 bits, a real that is not finite, an empty text.
SCAN_API bool WholeFromText(std::string_view text, int& value);
SCAN_API bool RealFromText(std::string_view text, float& value);

// The number grammar of every reader, quick and slow way together: a whole
// decimal of 32 bits with an optional sign ("+12", "-3"), as readi takes a
// field and the interval dialog its input field.
SCAN_API bool ParseWhole(std::string_view text, int& value);

// The fields of a chunk of text, as ScanChunk found them.
struct ChunkFields {
  std::vector<NumberKind> kinds;
  std::vector<std::uint32_t> bits;
  std::size_t count = 0;
  long long lineFeeds = 0;  // in the whole chunk
};

// Bytes after a text that a scan may read (and ignore): the scan reads
// digits many at a time.
inline constexpr std::size_t kScanPadding = 64;

// Splits text[0, size) into fields and scans each as a number; counts the line
// feeds. text[size] must hold a separator and kScanPadding bytes from there
// must be readable (the scan reads ahead without checking the size). The fields' places are not
// kept: a reader that needs a field's text or line finds it again with FieldEnd.
void ScanChunk(const char* text, std::size_t size, ChunkFields& fields);

// The ways ScanChunk may take, each giving the same fields; it takes the first
// the machine can. Tests compare them.
enum class ScanWay : std::uint8_t {
  Wide,    // 64 bytes and eight fields at a time (x86-64 with AVX-512)
  Blocks,  // 64 bytes at a time, field after field
  Bytes,   // byte by byte
};
SCAN_API std::vector<ScanWay> ScanWaysOfThisMachine();
// ScanChunk the given way, which must be one of this machine's.
SCAN_API void ScanChunkBy(ScanWay way, const char* text, std::size_t size, ChunkFields& fields);

}  // namespace scan
