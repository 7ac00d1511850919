#include "platform/file_stream.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>

namespace platform {
namespace {

constexpr std::size_t kReadBufferSize = std::size_t{1} << 20;   // 1 MiB
constexpr std::size_t kWriteBufferSize = std::size_t{256} << 10;  // 256 KiB

// No number or name is longer: a longer field is damage (reading on would
// grow the buffer without limit).
constexpr std::size_t kLongestField = std::size_t{64} << 10;  // 64 KiB

// Field separators: blank, tab, line feed, vertical tab, form feed, carriage return.
constexpr std::array<bool, 256> kSeparator = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) table[c] = true;
  return table;
}();

// First position in [p, e) whose byte is at most a blank (every separator
// is), or e. Eight bytes at a time: a field rarely holds such a byte.
std::size_t SkipFieldBytes(const char* b, std::size_t p, std::size_t e) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  while (p + 8 <= e) {
    std::uint64_t word;
    std::memcpy(&word, b + p, 8);
    // High bit set in the bytes below 0x21 (exact for the first such byte).
    std::uint64_t low = (word - kOnes * 0x21) & ~word & kHighs;
    if (low != 0) {
      if constexpr (std::endian::native == std::endian::little) {
        return p + static_cast<std::size_t>(std::countr_zero(low)) / 8;
      } else {
        break;  // find the first such byte below
      }
    }
    p += 8;
  }
  while (p < e && static_cast<unsigned char>(b[p]) > ' ') ++p;
  return p;
}

int ClampLine(long long line) { return line > INT_MAX ? INT_MAX : static_cast<int>(line); }

}  // namespace

struct FileStream::Impl {
  int fd;
  Mode mode;
  bool closed = false;

  // Reading: buf[pos, end) is read but not yet consumed.
  std::unique_ptr<char[]> buf;
  std::size_t cap = 0;
  std::size_t pos = 0;
  std::size_t end = 0;
  bool eof = false;         // the system has no more bytes to give
  bool atEnd = false;       // NextField has reported the end
  bool readError = false;   // the system failed a read
  bool lastByteLf = false;  // the last byte read from the file is a line feed
  long long newlines = 0;   // line feeds before pos
  long long fieldLine = 1;  // line of the field last returned
  int damageLine = 0;

  // Writing: buf[0, used) waits to be written.
  std::size_t used = 0;
  bool failed = false;
  bool boundary = true;  // nothing written yet, or the last byte is a blank or line end

  Impl(int f, Mode m) : fd(f), mode(m) {
    cap = m == Mode::Read ? kReadBufferSize : kWriteBufferSize;
    buf = std::make_unique_for_overwrite<char[]>(cap);
  }

  // Keeps the last `keep` unconsumed bytes (moved to the front of the buffer,
  // which grows when they fill it) and reads more after them. Returns the
  // number of bytes read, 0 at the end of the file or on a read error.
  std::size_t Refill(std::size_t keep) {
    if (eof) return 0;
    if (keep > 0 && end - keep > 0) std::memmove(buf.get(), buf.get() + end - keep, keep);
    if (keep == cap) {
      auto bigger = std::make_unique_for_overwrite<char[]>(cap * 2);
      std::memcpy(bigger.get(), buf.get(), keep);
      buf = std::move(bigger);
      cap *= 2;
    }
    pos = 0;
    end = keep;
    for (;;) {
      ssize_t n = ::read(fd, buf.get() + keep, cap - keep);
      if (n > 0) {
        end = keep + static_cast<std::size_t>(n);
        lastByteLf = buf[end - 1] == '\n';
        return static_cast<std::size_t>(n);
      }
      if (n < 0 && errno == EINTR) continue;
      eof = true;
      readError = n < 0;
      return 0;
    }
  }

  long long Line() const {
    if (!atEnd) return fieldLine;
    // A line feed that ends the file does not start another line.
    return 1 + newlines - (lastByteLf ? 1 : 0);
  }

  void NoteDamage() {
    if (damageLine == 0) damageLine = ClampLine(Line());
  }

  // Ends the reading at a field too long to be one, noting damage at its line.
  bool RefuseLongField(long long newlinesBefore) {
    newlines = newlinesBefore;
    fieldLine = 1 + newlinesBefore;
    NoteDamage();
    atEnd = true;
    return false;
  }

  // Writes the bytes to the file; a failure is remembered and the bytes dropped.
  void WriteOut(const char* data, std::size_t size) {
    while (size > 0 && !failed) {
      ssize_t n = ::write(fd, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        failed = true;
        break;
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
  }

  void Flush() {
    WriteOut(buf.get(), used);
    used = 0;
  }
};

FileStream::FileStream(int fd, Mode mode) : impl_(new Impl(fd, mode)) {}

FileStream::~FileStream() {
  Close();
  delete impl_;
}

bool FileStream::NextField(std::string_view& field) {
  Impl& s = *impl_;
  field = {};
  if (s.mode != Mode::Read || s.closed || s.atEnd) return false;

  const char* b = s.buf.get();
  std::size_t p = s.pos;
  std::size_t e = s.end;
  long long newlines = s.newlines;

  // Skip separators, counting line feeds.
  for (;;) {
    while (p < e && kSeparator[static_cast<unsigned char>(b[p])]) {
      newlines += b[p] == '\n';
      ++p;
    }
    if (p < e) break;
    if (s.Refill(0) == 0) {
      s.newlines = newlines;
      s.atEnd = true;
      if (s.readError) s.NoteDamage();
      return false;
    }
    b = s.buf.get();
    p = s.pos;
    e = s.end;
  }

  // The field: up to the next separator, across buffer boundaries.
  std::size_t start = p;
  for (;;) {
    p = SkipFieldBytes(b, p, e);
    if (p < e && !kSeparator[static_cast<unsigned char>(b[p])]) {
      ++p;  // a control byte that is not a separator belongs to the field
      continue;
    }
    if (p < e || s.eof) break;
    std::size_t have = p - start;
    if (have > kLongestField) return s.RefuseLongField(newlines);
    if (s.Refill(have) == 0 && s.readError) {
      // A read error cut the field short: nothing trustworthy is left.
      s.newlines = newlines;
      s.atEnd = true;
      s.NoteDamage();
      return false;
    }
    b = s.buf.get();
    start = 0;
    p = have;
    e = s.end;
  }

  if (p - start > kLongestField) return s.RefuseLongField(newlines);
  s.pos = p;
  s.newlines = newlines;
  s.fieldLine = 1 + newlines;
  field = std::string_view(b + start, p - start);
  return true;
}

int FileStream::Line() const { return ClampLine(impl_->Line()); }

void FileStream::NoteDamage() { impl_->NoteDamage(); }

int FileStream::DamageLine() const { return impl_->damageLine; }

void FileStream::Write(std::string_view bytes) {
  Impl& s = *impl_;
  if (s.mode != Mode::Write || s.closed || bytes.empty()) return;
  s.boundary = bytes.back() == ' ' || bytes.back() == '\n';
  if (s.used + bytes.size() > s.cap) {
    s.Flush();
    if (bytes.size() >= s.cap) {
      s.WriteOut(bytes.data(), bytes.size());
      return;
    }
  }
  std::memcpy(s.buf.get() + s.used, bytes.data(), bytes.size());
  s.used += bytes.size();
}

void FileStream::Repeat(char ch, std::size_t count) {
  Impl& s = *impl_;
  if (s.mode != Mode::Write || s.closed || count == 0) return;
  s.boundary = ch == ' ' || ch == '\n';
  while (count > 0) {
    if (s.used == s.cap) s.Flush();
    std::size_t n = std::min(count, s.cap - s.used);
    std::memset(s.buf.get() + s.used, ch, n);
    s.used += n;
    count -= n;
  }
}

bool FileStream::AtFieldBoundary() const { return impl_->boundary; }

bool FileStream::ForWriting() const { return impl_->mode == Mode::Write && !impl_->closed; }

bool FileStream::Close() {
  Impl& s = *impl_;
  if (s.closed) return false;
  s.closed = true;
  bool ok = true;
  if (s.mode == Mode::Write) {
    s.Flush();
    ok = !s.failed;
  }
  // Even when close reports EINTR the descriptor is gone: never retry.
  if (::close(s.fd) != 0 && s.mode == Mode::Write) ok = false;
  s.buf.reset();
  return ok;
}

}  // namespace platform
