#include "platform/field_scan.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {
namespace {

// Whole vectors of bytes at a time where the machine has them (every x86-64
// has SSE2); byte by byte elsewhere.
#if defined(__SSE2__)
constexpr bool kVectors = std::endian::native == std::endian::little;
#else
constexpr bool kVectors = false;
#endif

inline bool Separator(char c) { return IsFieldSeparator(c); }

inline unsigned Digit(char c) { return static_cast<unsigned char>(c - '0'); }

// ---- Converting ----------------------------------------------------------------------

// The quick conversion of a plain decimal, mantissa x 10^exponent with at most
// 19 significant digits as written. Both ways below round once, from the
// exact value, so they give the float std::from_chars gives; anything they do
// not settle is left to the slow way.
//
// Results are returned by value, never stored field by field into a
// ScannedNumber that is then read whole: such a read waits many cycles for
// the stores.
[[gnu::always_inline]] inline ScannedNumber QuickReal(std::uint64_t mantissa, int exponent, bool negative) {
  // A mantissa up to 2^24 and a power of ten up to 10^10 are exact floats:
  // their product or quotient in float is the float nearest the exact value.
  static constexpr float kFloatPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                           1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
  if (mantissa <= (std::uint64_t{1} << 24) && exponent >= -10 && exponent <= 10) {
    float f = static_cast<float>(mantissa);
    f = exponent < 0 ? f / kFloatPowers[-exponent] : f * kFloatPowers[exponent];
    return {NumberKind::Real, std::bit_cast<std::uint32_t>(negative ? -f : f)};
  }
  // A mantissa up to 2^53 and a power of ten up to 10^22 are exact doubles:
  // the double is one rounding of the exact value, and rounding it to float
  // gives the nearest float unless the double falls on the midpoint of two
  // floats (the exact value may lie on either side of it).
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (mantissa == 0) return {NumberKind::Real, std::bit_cast<std::uint32_t>(negative ? -0.0f : 0.0f)};
  if (mantissa > (std::uint64_t{1} << 53) || exponent < -22 || exponent > 22) return {};
  double d = static_cast<double>(mantissa);
  d = exponent < 0 ? d / kPowers[-exponent] : d * kPowers[exponent];
  if (!(d >= 0x1p-126 && d < 0x1p127)) return {};  // normal floats only
  // A double whose 29 bits below a float's precision read 1000...0 is a midpoint.
  if ((std::bit_cast<std::uint64_t>(d) & 0x1FFFFFFFu) == 0x10000000u) return {};
  float f = static_cast<float>(d);
  return {NumberKind::Real, std::bit_cast<std::uint32_t>(negative ? -f : f)};
}

// Digits alone (at most 19 of them, their value `mantissa`): a whole number
// when it fits 32 bits, else a real. "-0" is left to the slow way: readf keeps
// its sign, readi does not.
[[gnu::always_inline]] inline ScannedNumber DigitsAlone(std::uint64_t mantissa, bool negative) {
  if (mantissa > (negative ? 0x80000000u : 0x7FFFFFFFu)) return QuickReal(mantissa, 0, negative);
  if (negative && mantissa == 0) return {};
  return {NumberKind::Whole, static_cast<std::uint32_t>(negative ? 0 - mantissa : mantissa)};
}

// ---- Byte by byte ----------------------------------------------------------------------

// A plain number starting at p, and where its form stops: the number is only
// what the whole field holds when a separator stands there. A separator must
// follow the field: nothing else bounds the scan.
struct Scanned {
  const char* stop;
  ScannedNumber number;
};
[[gnu::noinline]] Scanned ScanAt(const char* p) {
  if (*p == '+') {
    ++p;
    if (*p == '+' || *p == '-') return {p, {}};  // the slow way tells the damage
  }
  const bool negative = *p == '-';
  if (negative) ++p;
  std::uint64_t mantissa = 0;
  const char* start = p;
  while (Digit(*p) <= 9) mantissa = mantissa * 10 + Digit(*p++);
  int digits = static_cast<int>(p - start);
  if (Separator(*p)) {
    if (digits == 0 || digits > 19) return {p, {}};
    return {p, DigitsAlone(mantissa, negative)};
  }
  int exponent = 0;
  if (*p == '.') {
    const char* fraction = ++p;
    while (Digit(*p) <= 9) mantissa = mantissa * 10 + Digit(*p++);
    exponent = -static_cast<int>(p - fraction);
    digits -= exponent;
  }
  if (digits == 0 || digits > 19) return {p, {}};
  if (*p == 'e' || *p == 'E') {
    ++p;
    const bool negativeExponent = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    const char* first = p;
    int e = 0;
    while (Digit(*p) <= 9 && p - first < 4) e = e * 10 + static_cast<int>(Digit(*p++));
    if (p == first || p - first > 3) return {p, {}};
    exponent += negativeExponent ? -e : e;
  }
  if (!Separator(*p)) return {p, {}};
  return {p, QuickReal(mantissa, exponent, negative)};
}

// ---- Sixteen bytes at a time -------------------------------------------------------------

#if defined(__SSE2__)
// Bit i set when p[i] is the byte c, for i from 0 to 15.
unsigned ByteMask(const char* p, char c) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
}

// Bit i set when p[i] is a byte from `low` to `low + span` (unsigned).
unsigned RangeMask(const char* p, char low, char span) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i offsets = _mm_sub_epi8(bytes, _mm_set1_epi8(low));
  __m128i in = _mm_cmpeq_epi8(_mm_min_epu8(offsets, _mm_set1_epi8(span)), offsets);
  return static_cast<unsigned>(_mm_movemask_epi8(in));
}
#else
unsigned ByteMask(const char*, char) { return 0; }
unsigned RangeMask(const char*, char, char) { return 0; }
#endif

// The value of the 8 digit values (0 to 9) in the bytes of v, the first in
// the lowest byte.
[[gnu::always_inline]] inline std::uint64_t EightDigitValues(std::uint64_t v) {
  v = v * 10 + (v >> 8);
  return (((v & 0x000000FF000000FFu) * 0x000F424000000064u) +
          (((v >> 16) & 0x000000FF000000FFu) * 0x0000271000000001u)) >> 32;
}

// The field p[0, size) of the short forms simulators write, "-123", "12.5",
// "-0.0001": up to 8 digits and a point after the sign, read 8 bytes at once.
// kNotShort for other fields (the byte-by-byte scan settles them). Where the
// field ends is known, so that the next field's scan does not wait for this
// one.
constexpr ScannedNumber kNotShort = {static_cast<NumberKind>(0xFF), 0};

[[gnu::always_inline]] inline ScannedNumber ScanShort(const char* p, std::size_t size) {
  const bool negative = *p == '-';
  p += negative ? 1 : 0;
  const std::size_t n = size - (negative ? 1 : 0);
  if (n == 0 || n > 8) return kNotShort;
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  const std::uint64_t x = v ^ 0x3030303030303030u;  // digits become their values
  const std::uint64_t inField = ~std::uint64_t{0} >> (64 - 8 * n);
  // The high bit of each byte that is no digit (a carry out of a byte that is
  // no digit may mark the next one too: such a field is left to the slow way).
  const std::uint64_t notDigit = ((x + 0x7676767676767676u) | x) & 0x8080808080808080u & inField;
  if (notDigit == 0) {
    return DigitsAlone(EightDigitValues(x << (64 - 8 * n)), negative);
  }
  // One point and digits otherwise: the point's byte is taken out.
  const int point = std::countr_zero(notDigit) / 8;
  if ((notDigit & (notDigit - 1)) != 0 || ((x >> (8 * point)) & 0xFF) != ('.' ^ '0') || n == 1) {
    return kNotShort;
  }
  const std::uint64_t before = (std::uint64_t{1} << (8 * point)) - 1;
  const std::uint64_t digits = (x & before) | ((x >> 8) & ~before);
  const int fraction = static_cast<int>(n) - point - 1;
  const std::uint64_t mantissa = EightDigitValues(digits << (64 - 8 * (n - 1)));
  if (mantissa > (std::uint64_t{1} << 24)) return QuickReal(mantissa, -fraction, negative);
  // The float way of QuickReal, its other conditions known to hold.
  static constexpr float kTenths[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f};
  const float f = static_cast<float>(mantissa) / kTenths[fraction];
  return {NumberKind::Real, std::bit_cast<std::uint32_t>(negative ? -f : f)};
}

// std::popcount without the machine's instruction for it is a library call.
inline int BitCount(std::uint64_t x) {
#if defined(__POPCNT__)
  return std::popcount(x);
#else
  x -= (x >> 1) & 0x5555555555555555u;
  x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<int>((x * 0x0101010101010101u) >> 56);
#endif
}

// Bit i set when text[i] is a separator, and in lineFeeds when it is a line
// feed, for i from 0 to 63.
std::uint64_t SeparatorMask(const char* text, std::uint64_t& lineFeeds) {
  std::uint64_t separators = 0;
  lineFeeds = 0;
  for (int i = 0; i < 64; i += 16) {
    std::uint64_t blanks = ByteMask(text + i, ' ') | RangeMask(text + i, '\t', '\r' - '\t');
    separators |= blanks << i;
    lineFeeds |= std::uint64_t{ByteMask(text + i, '\n')} << i;
  }
  return separators;
}

// The field text[start, end), scanned.
[[gnu::always_inline]] inline ScannedNumber ScanField(const char* text, std::size_t start, std::size_t end) {
  ScannedNumber plain = ScanShort(text + start, end - start);
  if (plain.kind != kNotShort.kind) return plain;
  Scanned scanned = ScanAt(text + start);
  return scanned.stop == text + end ? scanned.number : ScannedNumber{};
}

// Splitting a chunk 64 bytes at a time: the field starts and ends of a block
// come from masks of its separators. The places of a few hundred fields are
// gathered first and the fields scanned after, so that no field's scan waits
// for the one before it.
// Built twice, the machine choosing at start-up: for every x86-64, and for those
// of 2013 on (x86-64-v3: bit counting and shifts in one instruction each).
// ThreadSanitizer's runtime is not up yet when the choice is made.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
void ScanChunkInBlocks(const char* text, std::size_t size, ChunkFields& fields) {
  constexpr std::size_t kBatch = 256;
  std::uint32_t starts[kBatch + 64];  // a block adds at most 32 of each
  std::uint32_t ends[kBatch + 64];
  std::size_t n = 0;
  long long lineFeeds = 0;
  std::uint64_t afterSeparator = 1;  // the chunk starts as after a separator
  std::size_t block = 0;
  std::size_t gathered = 0;
  std::size_t ended = 0;  // fields of the batch whose end is known
  while (block < size || gathered > 0) {
    // Gather the places of a batch of fields.
    for (; block < size && ended < kBatch; block += 64) {
      std::uint64_t feeds;
      std::uint64_t separators = SeparatorMask(text + block, feeds);
      if (size - block < 64) {  // bytes after the chunk count as separators
        std::uint64_t inChunk = (std::uint64_t{1} << (size - block)) - 1;
        separators |= ~inChunk;
        feeds &= inChunk;
      }
      lineFeeds += BitCount(feeds);
      const std::uint64_t before = (separators << 1) | afterSeparator;
      afterSeparator = separators >> 63;
      for (std::uint64_t s = ~separators & before; s != 0; s &= s - 1) {
        starts[gathered++] = static_cast<std::uint32_t>(block) + static_cast<std::uint32_t>(std::countr_zero(s));
      }
      for (std::uint64_t e = separators & ~before; e != 0; e &= e - 1) {
        ends[ended++] = static_cast<std::uint32_t>(block) + static_cast<std::uint32_t>(std::countr_zero(e));
      }
    }
    if (block >= size && ended < gathered) ends[ended++] = static_cast<std::uint32_t>(size);
    // Scan them.
    if (fields.kinds.size() < n + ended) {
      std::size_t capacity = std::max<std::size_t>(fields.kinds.size() * 2, 4096);
      fields.kinds.resize(capacity);
      fields.bits.resize(capacity);
    }
    NumberKind* kinds = fields.kinds.data() + n;
    std::uint32_t* bits = fields.bits.data() + n;
    for (std::size_t i = 0; i < ended; ++i) {
      ScannedNumber number = ScanField(text, starts[i], ends[i]);
      kinds[i] = number.kind;
      bits[i] = number.bits;
    }
    n += ended;
    // A field whose end is not known yet waits for the next batch.
    if (gathered > ended) starts[0] = starts[ended];
    gathered -= ended;
    ended = 0;
  }
  fields.count = n;
  fields.lineFeeds = lineFeeds;
}

// The same, byte by byte.
void ScanChunkByBytes(const char* text, std::size_t size, ChunkFields& fields) {
  std::size_t n = 0;
  long long lineFeeds = 0;
  std::size_t p = 0;
  for (;;) {
    while (p < size && Separator(text[p])) lineFeeds += text[p++] == '\n';
    if (p == size) break;
    if (n == fields.kinds.size()) {
      std::size_t capacity = std::max<std::size_t>(fields.kinds.size() * 2, 4096);
      fields.kinds.resize(capacity);
      fields.bits.resize(capacity);
    }
    std::size_t end = FieldEnd(text, p, size);
    ScannedNumber number = ScanField(text, p, end);
    fields.kinds[n] = number.kind;
    fields.bits[n] = number.bits;
    ++n;
    p = end;
  }
  fields.count = n;
  fields.lineFeeds = lineFeeds;
}

// The longest text the quick conversions settle: '+', '-', 19 digits, the
// point, 'e', the exponent's sign and 3 digits. Longer fields are Other.
constexpr std::size_t kLongestPlainNumber = 27;

}  // namespace

std::size_t FieldEnd(const char* text, std::size_t pos, std::size_t end) {
  for (;;) {
#if defined(__SSE2__)
    // A byte at most a blank (every separator is one) stops the run; a
    // field rarely holds one.
    while (pos + 16 <= end) {
      unsigned low = RangeMask(text + pos, '\0', ' ');
      if (low != 0) {
        pos += static_cast<std::size_t>(std::countr_zero(low));
        break;
      }
      pos += 16;
    }
#endif
    while (pos < end && static_cast<unsigned char>(text[pos]) > ' ') ++pos;
    if (pos == end || Separator(text[pos])) return pos;
    ++pos;  // a control byte that is not a separator belongs to the field
  }
}

ScannedNumber ScanNumber(std::string_view field) {
  if (field.empty() || field.size() > kLongestPlainNumber) return {};
  char text[kLongestPlainNumber + kScanPadding] = {};
  std::memcpy(text, field.data(), field.size());
  text[field.size()] = ' ';
  return ScanField(text, 0, field.size());
}

void ScanChunk(const char* text, std::size_t size, ChunkFields& fields) {
  if (kVectors && size < (std::size_t{1} << 32)) {  // places of 32 bits
    ScanChunkInBlocks(text, size, fields);
  } else {
    ScanChunkByBytes(text, size, fields);
  }
}

}  // namespace platform
