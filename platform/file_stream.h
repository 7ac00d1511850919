// Buffered stream behind a file handle: field-wise reading and byte writing
// for the common library. Files are never held whole in memory.
//
// A reading stream splits its file into chunks that end at field separators
// and scans every field of a chunk as a number before the reader asks for it
// (scan/field_scan.h): the reader then takes each field's value ready
// made. A large file is scanned on helper threads, a few chunks ahead of the
// reader; the reader still takes the fields strictly in file order, with the
// same values and lines whatever the chunks.
//
// Between chunks the stream acts on a requested cancel and tells how far it
// has read (platform/cancel.h, ReportReadingAs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "scan/chunk_source.h"
#include "scan/field_scan.h"

namespace platform {

class PLATFORM_API FileStream {
 public:
  enum class Mode { Read, Write };
  FileStream(int fd, Mode mode, const scan::ReadingPlan& plan = scan::CurrentReadingPlan());
  ~FileStream();
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  // The stream owns fd and closes it in Close (or in the destructor, which
  // loses any error: close explicitly to learn of one).

  // ---- Reading ----
  // Moves to the next field (bytes up to the next ASCII white space) and
  // tells what it holds as a number. Returns false at the end of the file (or
  // on a read error, or before a field longer than 64 KiB, which no number or
  // name can be: both are remembered as damage, and the stream then reads as
  // ended).
  bool NextNumber(scan::ScannedNumber& number) {
    // The reader's loop takes every field here: the fields of the chunk in
    // hand are taken without a call (and number may stay in registers).
    if (hand_.next == hand_.count && !NextChunkInHand()) return false;
    number.kind = hand_.kinds[hand_.next];
    number.bits = hand_.bits[hand_.next];
    ++hand_.next;
    return true;
  }
  // Takes, as NextNumber takes each, the next fields of the chunk in hand
  // that hold a whole number or a real, up to `most` of them, and stores
  // their values as floats (a whole number's nearest float) into values;
  // stops before any other field. The number taken, 0 when the next field
  // is another or no field is left in hand (NextNumber then goes on). A
  // loop of its own, without a call: the reader of many values in a row
  // takes them here, four at a time (stored together, they are read back
  // together at once).
  std::size_t TakeReals(float* values, std::size_t most) {
    using Four = float __attribute__((vector_size(16)));
    using FourBits = std::int32_t __attribute__((vector_size(16)));
    static_assert(static_cast<int>(scan::NumberKind::Whole) == 0 &&
                  static_cast<int>(scan::NumberKind::Real) == 1 &&
                  static_cast<int>(scan::NumberKind::Other) == 2);
    const std::size_t first = hand_.next;
    const std::size_t end = hand_.count - first < most ? hand_.count : first + most;
    std::size_t at = first;
    for (; end - at >= 4; at += 4) {
      std::uint32_t kinds;
      std::memcpy(&kinds, hand_.kinds + at, sizeof kinds);
      if ((kinds & 0x02020202u) != 0) break;  // another field among the four
      FourBits bits;
      std::memcpy(&bits, hand_.bits + at, sizeof bits);
      const FourBits real = {
          static_cast<std::int32_t>(kinds & 1), static_cast<std::int32_t>((kinds >> 8) & 1),
          static_cast<std::int32_t>((kinds >> 16) & 1), static_cast<std::int32_t>(kinds >> 24)};
      const FourBits whole = real == 0;  // all ones where the field is a whole number
      const Four converted = __builtin_convertvector(bits, Four);
      FourBits convertedBits;
      std::memcpy(&convertedBits, &converted, sizeof convertedBits);
      const FourBits taken = (convertedBits & whole) | (bits & ~whole);
      std::memcpy(values + (at - first), &taken, sizeof taken);
    }
    for (; at < end; ++at) {
      const scan::ScannedNumber number{hand_.kinds[at], hand_.bits[at]};
      if (number.kind == scan::NumberKind::Other) break;
      values[at - first] = number.Float();
    }
    hand_.next = at;
    return at - first;
  }
  // The text of the field last moved to; the view stays valid until the next
  // move. Empty before the first field and at the end.
  std::string_view FieldText();
  // Moves to the next field and returns its text, as FieldText.
  bool NextField(std::string_view& field);
  // Line (from 1) of the field last returned; at the end of the file, the
  // last line of the file.
  int Line() const;
  // Records damage at the current line; only the first record is kept.
  void NoteDamage();
  // From now on, tells the user interface how far the file (UTF-8 name, as
  // shown) is read, a few times per file (ShowReading); files shorter than
  // kReportedFrom are read without a word.
  void ReportReadingAs(std::string name);
  static constexpr std::uint64_t kReportedFrom = std::uint64_t{1} << 20;
  // Line of the first damage, 0 when there was none.
  int DamageLine() const;

  // ---- Writing ----
  void Write(std::string_view bytes);
  void Repeat(char ch, std::size_t count);
  // True when the next byte starts the file or follows a blank or line end.
  bool AtFieldBoundary() const;

  // Flushes and closes; false when any write failed or the system refused
  // to close. A stream closed once stays closed (later calls return false).
  bool Close();

  // True for a stream opened for writing (and not yet closed).
  bool ForWriting() const;

 private:
  // Takes the next chunk that holds a field in hand; false at the end. A
  // requested cancel throws Cancelled here (platform/cancel.h): once per
  // chunk, never per field.
  bool NextChunkInHand();

  // The scanned fields of the chunk in hand, and the next to hand out.
  struct Hand {
    const scan::NumberKind* kinds = nullptr;
    const std::uint32_t* bits = nullptr;
    std::size_t next = 0;
    std::size_t count = 0;
  };
  Hand hand_;
  struct Impl;
  Impl* impl_;
};

}  // namespace platform
