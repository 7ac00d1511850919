#include "scan/field_scan.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace scan {
namespace {

// Whole vectors of bytes at a time where the machine has them (every x86-64
// has SSE2); byte by byte elsewhere.
#if defined(__SSE2__)
constexpr bool kVectors = std::endian::native == std::endian::little;
#else
constexpr bool kVectors = false;
#endif

inline bool Separator(char c) { return IsFieldSeparator(c); }

// Neither a separator nor another control byte.
inline bool AboveBlank(char c) { return static_cast<unsigned char>(c) > ' '; }

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
[[gnu::always_inline]] inline ScannedNumber QuickReal(std::uint64_t mantissa, int exponent,
                                                      bool negative) {
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
  if (mantissa == 0)
    return {NumberKind::Real, std::bit_cast<std::uint32_t>(negative ? -0.0f : 0.0f)};
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
          (((v >> 16) & 0x000000FF000000FFu) * 0x0000271000000001u)) >>
         32;
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
[[gnu::always_inline]] inline ScannedNumber ScanField(const char* text, std::size_t start,
                                                      std::size_t end) {
  ScannedNumber plain = ScanShort(text + start, end - start);
  if (plain.kind != kNotShort.kind) return plain;
  Scanned scanned = ScanAt(text + start);
  return scanned.stop == text + end ? scanned.number : ScannedNumber{};
}

// Makes room in fields for `needed` fields (it grows by doubling).
void MakeRoom(ChunkFields& fields, std::size_t needed) {
  if (fields.kinds.size() >= needed) return;
  const std::size_t capacity = std::max({fields.kinds.size() * 2, needed, std::size_t{4096}});
  fields.kinds.resize(capacity);
  fields.bits.resize(capacity);
}

// The fields text[starts[i], ends[i]) for i below count, scanned one by one.
void ScanEach(const char* text, const std::uint32_t* starts, const std::uint32_t* ends,
              std::size_t count, NumberKind* kinds, std::uint32_t* bits) {
  for (std::size_t i = 0; i < count; ++i) {
    ScannedNumber number = ScanField(text, starts[i], ends[i]);
    kinds[i] = number.kind;
    bits[i] = number.bits;
  }
}

// The places of a batch of fields: where each starts and ends in the chunk.
struct Batch {
  static constexpr std::size_t kSize = 256;
  // A block of 64 bytes adds at most 32 of each; the wide gathering writes
  // up to 32 more places than it adds.
  std::uint32_t starts[kSize + 96];
  std::uint32_t ends[kSize + 96];
  std::size_t gathered = 0;          // fields whose start is known
  std::size_t ended = 0;             // fields whose end is known
  std::size_t block = 0;             // the next block of the chunk to look at
  std::uint64_t afterSeparator = 1;  // the chunk starts as after a separator
  long long lineFeeds = 0;
};

// For the last block of a chunk: the bytes after it count as separators, not as line feeds.
[[gnu::always_inline]] inline void EndOfChunk(std::size_t rest, std::uint64_t& separators,
                                              std::uint64_t& feeds) {
  if (rest < 64) {
    std::uint64_t inChunk = (std::uint64_t{1} << rest) - 1;
    separators |= ~inChunk;
    feeds &= inChunk;
  }
}

// Gathers the places of fields 64 bytes at a time, until batch.ended
// reaches a batch or the chunk's blocks are all seen: the field starts and
// ends of a block come from masks of its separators.
void GatherBatch(const char* text, std::size_t size, Batch& batch) {
  for (; batch.block < size && batch.ended < Batch::kSize; batch.block += 64) {
    std::uint64_t feeds;
    std::uint64_t separators = SeparatorMask(text + batch.block, feeds);
    EndOfChunk(size - batch.block, separators, feeds);
    batch.lineFeeds += BitCount(feeds);
    const std::uint64_t before = (separators << 1) | batch.afterSeparator;
    batch.afterSeparator = separators >> 63;
    const auto base = static_cast<std::uint32_t>(batch.block);
    for (std::uint64_t s = ~separators & before; s != 0; s &= s - 1) {
      batch.starts[batch.gathered++] = base + static_cast<std::uint32_t>(std::countr_zero(s));
    }
    for (std::uint64_t e = separators & ~before; e != 0; e &= e - 1) {
      batch.ends[batch.ended++] = base + static_cast<std::uint32_t>(std::countr_zero(e));
    }
  }
}

// Splitting a chunk into batches of fields (by `gather`) and scanning each
// batch (by `scan`): the places of a few hundred fields are gathered first and
// the fields scanned after, so that no field's scan waits for the one before it.
template <auto gather, auto scan>
[[gnu::always_inline]] inline void ScanBatches(const char* text, std::size_t size,
                                               ChunkFields& fields) {
  Batch batch;
  std::size_t n = 0;
  while (batch.block < size || batch.gathered > 0) {
    gather(text, size, batch);
    if (batch.block >= size && batch.ended < batch.gathered) {
      batch.ends[batch.ended++] = static_cast<std::uint32_t>(size);
    }
    MakeRoom(fields, n + batch.ended);
    scan(text, batch.starts, batch.ends, batch.ended, fields.kinds.data() + n,
         fields.bits.data() + n);
    n += batch.ended;
    // A field whose end is not known yet waits for the next batch.
    if (batch.gathered > batch.ended) batch.starts[0] = batch.starts[batch.ended];
    batch.gathered -= batch.ended;
    batch.ended = 0;
  }
  fields.count = n;
  fields.lineFeeds = batch.lineFeeds;
}

// Built twice, the machine choosing at start-up: for every x86-64, and for those
// of 2013 on (x86-64-v3: bit counting and shifts in one instruction each).
// ThreadSanitizer's runtime is not up yet when the choice is made.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
void ScanChunkInBlocks(const char* text, std::size_t size, ChunkFields& fields) {
  ScanBatches<GatherBatch, ScanEach>(text, size, fields);
}

// ---- Sixty-four bytes and eight fields at a time --------------------------------------------

// On machines with AVX-512 (with its byte, double-word, conflict and packing
// instructions), chosen at start-up.
#if defined(__x86_64__) && defined(__GNUC__)
#define STRATAPLOT_SCAN_AVX512 1
#define STRATAPLOT_AVX512_TARGET \
  "avx512f,avx512dq,avx512bw,avx512vl,avx512cd,avx512vbmi2,bmi,bmi2,lzcnt,popcnt"
#pragma GCC diagnostic push
#if !defined(__clang__)
// GCC 12's AVX-512 headers start some vectors undefined on purpose.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Appends the offsets of the bits set in mask, plus base, to places[count...]
// (and up to 15 more places after them).
__attribute__((target(STRATAPLOT_AVX512_TARGET), always_inline)) inline void AppendPlaces(
    std::uint32_t* places, std::size_t& count, std::uint32_t base, std::uint64_t mask) {
  const __m512i offsets = _mm512_set_epi8(
      63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45, 44, 43, 42, 41,
      40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18,
      17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
  const __m512i packed = _mm512_maskz_compress_epi8(mask, offsets);
  const __m512i from = _mm512_set1_epi32(static_cast<int>(base));
  const std::size_t total = static_cast<std::size_t>(BitCount(mask));
  _mm512_storeu_si512(places + count,
                      _mm512_add_epi32(_mm512_cvtepu8_epi32(_mm512_castsi512_si128(packed)), from));
  if (total > 16) {
    _mm512_storeu_si512(
        places + count + 16,
        _mm512_add_epi32(_mm512_cvtepu8_epi32(_mm512_extracti32x4_epi32(packed, 1)), from));
  }
  count += total;
}

// GatherBatch with AVX-512: a block's separators from one comparison of its
// 64 bytes, and the places of its field starts and ends packed from the masks.
__attribute__((target(STRATAPLOT_AVX512_TARGET), noinline)) void GatherBatchWide(const char* text,
                                                                                 std::size_t size,
                                                                                 Batch& batch) {
  for (; batch.block < size && batch.ended < Batch::kSize; batch.block += 64) {
    const __m512i bytes = _mm512_loadu_si512(text + batch.block);
    std::uint64_t feeds = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\n'));
    std::uint64_t separators =
        _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(' ')) |
        _mm512_cmple_epu8_mask(_mm512_sub_epi8(bytes, _mm512_set1_epi8('\t')),
                               _mm512_set1_epi8('\r' - '\t'));
    EndOfChunk(size - batch.block, separators, feeds);
    batch.lineFeeds += BitCount(feeds);
    const std::uint64_t before = (separators << 1) | batch.afterSeparator;
    batch.afterSeparator = separators >> 63;
    const auto base = static_cast<std::uint32_t>(batch.block);
    AppendPlaces(batch.starts, batch.gathered, base, ~separators & before);
    AppendPlaces(batch.ends, batch.ended, base, separators & ~before);
  }
}

// The same, eight fields at a time in the 64-bit lanes of a vector, on
// machines with AVX-512: the short forms ScanShort reads, with its arithmetic
// lane by lane. A lane it does not settle the same way (another form, "-0", a
// mantissa beyond 2^24) is scanned one by one after.
__attribute__((target(STRATAPLOT_AVX512_TARGET), noinline)) void ScanEightAtATime(
    const char* text, const std::uint32_t* starts, const std::uint32_t* ends, std::size_t count,
    NumberKind* kinds, std::uint32_t* bits) {
  static_assert(static_cast<int>(NumberKind::Whole) == 0 &&
                static_cast<int>(NumberKind::Real) == 1);
  const __m512i one = _mm512_set1_epi64(1);
  const __m512i sixtyFour = _mm512_set1_epi64(64);
  const __m512i lowByte = _mm512_set1_epi64(0xFF);
  const __m256 tenths = _mm256_setr_ps(1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f);
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m512i start =
        _mm512_cvtepu32_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(starts + i)));
    const __m512i end =
        _mm512_cvtepu32_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(ends + i)));
    // The eight bytes after the sign.
    __m512i word = _mm512_i64gather_epi64(start, text, 1);
    const __mmask8 negative =
        _mm512_cmpeq_epi64_mask(_mm512_and_si512(word, lowByte), _mm512_set1_epi64('-'));
    if (negative != 0)
      word = _mm512_mask_i64gather_epi64(word, negative, _mm512_add_epi64(start, one), text, 1);
    const __m512i n = _mm512_mask_sub_epi64(_mm512_sub_epi64(end, start), negative,
                                            _mm512_sub_epi64(end, start), one);
    const __mmask8 short_ = _mm512_cmple_epu64_mask(_mm512_sub_epi64(n, one), _mm512_set1_epi64(7));
    const __m512i x = _mm512_xor_si512(word, _mm512_set1_epi64(0x3030303030303030));
    const __m512i inField = _mm512_srlv_epi64(_mm512_set1_epi64(-1),
                                              _mm512_sub_epi64(sixtyFour, _mm512_slli_epi64(n, 3)));
    // (x + 0x76...) | x, within 0x80... and inField.
    const __m512i notDigit = _mm512_and_si512(
        _mm512_or_si512(_mm512_add_epi64(x, _mm512_set1_epi64(0x7676767676767676)), x),
        _mm512_and_si512(_mm512_set1_epi64(static_cast<long long>(0x8080808080808080u)), inField));
    const __mmask8 whole = _mm512_testn_epi64_mask(notDigit, notDigit);
    // One point: the lowest bit of notDigit is its only one, at 8 x point + 7.
    const __m512i lowest =
        _mm512_and_si512(notDigit, _mm512_sub_epi64(_mm512_setzero_si512(), notDigit));
    const __m512i pointBits = _mm512_sub_epi64(_mm512_set1_epi64(56), _mm512_lzcnt_epi64(lowest));
    const __mmask8 point =
        _mm512_cmpeq_epi64_mask(lowest, notDigit) &
        _mm512_cmpeq_epi64_mask(_mm512_and_si512(_mm512_srlv_epi64(x, pointBits), lowByte),
                                _mm512_set1_epi64('.' ^ '0')) &
        _mm512_cmpneq_epi64_mask(n, one) & static_cast<__mmask8>(~whole);
    const __m512i before = _mm512_sub_epi64(_mm512_sllv_epi64(one, pointBits), one);
    const __m512i digits = _mm512_or_si512(_mm512_and_si512(x, before),
                                           _mm512_andnot_si512(before, _mm512_srli_epi64(x, 8)));
    const __m512i source = _mm512_mask_blend_epi64(whole, digits, x);
    const __m512i length = _mm512_mask_sub_epi64(n, static_cast<__mmask8>(~whole), n, one);
    // The digits' value: the digits moved to the top of the word (so that
    // zeros lead), then pairs of digits, of pairs and of fours summed.
    const __m512i top =
        _mm512_sllv_epi64(source, _mm512_sub_epi64(sixtyFour, _mm512_slli_epi64(length, 3)));
    const __m512i pairs = _mm512_maddubs_epi16(top, _mm512_set1_epi16(0x010A));     // 10 x a + b
    const __m512i fours = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00010064));  // 100 x ab + cd
    const __m512i mantissa = _mm512_add_epi64(_mm512_mul_epu32(fours, _mm512_set1_epi64(10000)),
                                              _mm512_srli_epi64(fours, 32));
    // Whole numbers (not "-0"), and reals whose mantissa is an exact float.
    const __mmask8 zero = _mm512_testn_epi64_mask(mantissa, mantissa);
    const __mmask8 settledWhole = short_ & whole & static_cast<__mmask8>(~(negative & zero));
    const __mmask8 settledReal =
        short_ & point &
        _mm512_cmple_epu64_mask(mantissa, _mm512_set1_epi64(std::int64_t{1} << 24));
    const __m256i signedWhole = _mm512_cvtepi64_epi32(
        _mm512_mask_sub_epi64(mantissa, negative, _mm512_setzero_si512(), mantissa));
    const __m256i fraction =
        _mm512_cvtepi64_epi32(_mm512_sub_epi64(length, _mm512_srli_epi64(pointBits, 3)));
    __m256 real =
        _mm256_div_ps(_mm512_cvtepu64_ps(mantissa), _mm256_permutexvar_ps(fraction, tenths));
    real = _mm256_mask_xor_ps(real, negative, real, _mm256_set1_ps(-0.0f));
    const __m256i result = _mm256_mask_blend_epi32(whole, _mm256_castps_si256(real), signedWhole);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(bits + i), result);
    // Real (1) in the bytes of settled reals, Whole (0) in the others; the
    // lanes not settled are scanned again below.
    const std::uint64_t kindBytes = _pdep_u64(settledReal, 0x0101010101010101u);
    std::memcpy(kinds + i, &kindBytes, 8);
    for (unsigned rest = static_cast<__mmask8>(~(settledWhole | settledReal)) & 0xFFu; rest != 0;
         rest &= rest - 1) {
      const std::size_t k = i + static_cast<std::size_t>(std::countr_zero(rest));
      ScanEach(text, starts + k, ends + k, 1, kinds + k, bits + k);
    }
  }
  ScanEach(text, starts + i, ends + i, count - i, kinds + i, bits + i);
}

bool HasAvx512() {
  static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                          __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vl") &&
                          __builtin_cpu_supports("avx512cd") &&
                          __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2");
  return has;
}

__attribute__((target(STRATAPLOT_AVX512_TARGET))) void ScanChunkInWideBlocks(const char* text,
                                                                             std::size_t size,
                                                                             ChunkFields& fields) {
  ScanBatches<GatherBatchWide, ScanEightAtATime>(text, size, fields);
}
#pragma GCC diagnostic pop
#endif

// ---- Byte by byte ----------------------------------------------------------------------------

// ScanChunk byte by byte.
void ScanChunkByBytes(const char* text, std::size_t size, ChunkFields& fields) {
  std::size_t n = 0;
  long long lineFeeds = 0;
  std::size_t p = 0;
  for (;;) {
    while (p < size && Separator(text[p])) lineFeeds += text[p++] == '\n';
    if (p == size) break;
    MakeRoom(fields, n + 1);
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
    while (pos < end && AboveBlank(text[pos])) ++pos;
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

std::vector<ScanWay> ScanWaysOfThisMachine() {
  std::vector<ScanWay> ways;
#if defined(STRATAPLOT_SCAN_AVX512)
  if (HasAvx512()) ways.push_back(ScanWay::Wide);
#endif
  if (kVectors) ways.push_back(ScanWay::Blocks);
  ways.push_back(ScanWay::Bytes);
  return ways;
}

void ScanChunkBy(ScanWay way, const char* text, std::size_t size, ChunkFields& fields) {
  if (size >= (std::size_t{1} << 32)) way = ScanWay::Bytes;  // the blocks keep places of 32 bits
  switch (way) {
#if defined(STRATAPLOT_SCAN_AVX512)
    case ScanWay::Wide:
      return ScanChunkInWideBlocks(text, size, fields);
#endif
    case ScanWay::Blocks:
      return ScanChunkInBlocks(text, size, fields);
    default:
      return ScanChunkByBytes(text, size, fields);
  }
}

void ScanChunk(const char* text, std::size_t size, ChunkFields& fields) {
  static const ScanWay fastest = ScanWaysOfThisMachine().front();
  ScanChunkBy(fastest, text, size, fields);
}

}  // namespace scan
