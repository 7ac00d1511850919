#include "platform/file_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>

#include "platform/cancel.h"
#include "platform/ui_backend.h"
#include "scan/chunk_source.h"

namespace platform {
namespace {

constexpr std::size_t kWriteBufferSize = std::size_t{256} << 10;  // 256 KiB

int ClampLine(long long line) { return line > INT_MAX ? INT_MAX : static_cast<int>(line); }

}  // namespace

struct FileStream::Impl {
  int fd;
  Mode mode;
  bool closed = false;

  // Reading: the chunk in hand; the stream's hand tells its fields handed out.
  Hand& hand;
  scan::ReadingPlan plan;
  std::unique_ptr<scan::ChunkSource> source;  // made at the first read
  const scan::Chunk* chunk = nullptr;
  bool atEnd = false;             // the end has been reported
  long long lineFeedsBefore = 0;  // in the chunks before this one
  bool lastByteLf = false;        // the last byte of the chunks before is a line feed
  int damageLine = 0;

  // Reading reported (ReportReadingAs): the name shown, the file's size (0
  // when it has none, a pipe), the bytes of the chunks taken and where the
  // last report stood.
  bool reporting = false;
  std::string reportName;
  std::uint64_t fileSize = 0;
  std::uint64_t taken = 0;
  std::uint64_t reported = 0;
  // Where the fields of the chunk lie is found again only when asked (a
  // field's text or line): found up to field `located`, which starts at
  // `start` after `startLineFeeds` line feeds of the chunk and ends at `stop`.
  std::size_t located = 0;  // 0: none yet
  std::size_t start = 0;
  std::size_t stop = 0;
  long long startLineFeeds = 0;

  // Writing: buf[0, used) waits to be written.
  std::unique_ptr<char[]> buf;
  std::size_t cap = 0;
  std::size_t used = 0;
  bool failed = false;
  bool boundary = true;  // nothing written yet, or the last byte is a blank or line end

  Impl(int f, Mode m, Hand& h, const scan::ReadingPlan& p) : fd(f), mode(m), hand(h), plan(p) {
    if (m == Mode::Write) {
      cap = kWriteBufferSize;
      buf = std::make_unique_for_overwrite<char[]>(cap);
    }
  }

  // Moves to the next chunk that holds a field; false at the end (the
  // source is let go then).
  bool NextChunk() {
    if (!source) source = std::make_unique<scan::ChunkSource>(fd, plan);
    for (;;) {
      if (chunk != nullptr) {
        lineFeedsBefore += chunk->fields.lineFeeds;
        if (chunk->size > 0) lastByteLf = chunk->text[chunk->size - 1] == '\n';
        if (chunk->last) {
          atEnd = true;
          if (chunk->readError) NoteDamage();
          // Damage at the line where the field too long to be one starts.
          if (chunk->longField && damageLine == 0) damageLine = ClampLine(1 + lineFeedsBefore);
          LetGo();
          return false;
        }
      }
      chunk = source->Next();
      if (reporting) Report();
      hand = {chunk->fields.kinds.data(), chunk->fields.bits.data(), 0, chunk->fields.count};
      located = 0;
      start = stop = 0;
      startLineFeeds = 0;
      if (chunk->fields.count > 0) return true;
    }
  }

  // Tells how far the file is read: about every hundredth of it (every
  // MiB at the least), and once at its end.
  void Report() {
    taken += chunk->size;
    const std::uint64_t step = std::max<std::uint64_t>(fileSize / 100, FileStream::kReportedFrom);
    if (chunk->last ? taken == reported : taken - reported < step) return;
    reported = taken;
    ShowReading(reportName, taken, fileSize);
  }

  // Gives back the chunk in hand and stops the helpers.
  void LetGo() {
    chunk = nullptr;
    hand = {};
    source.reset();
  }

  // Finds where field number `field` (from 1) of the chunk lies.
  void Locate(std::size_t field) {
    const char* text = chunk->text.get();
    while (located < field) {
      std::size_t p = stop;
      while (p < chunk->size && scan::IsFieldSeparator(text[p]))
        startLineFeeds += text[p++] == '\n';
      start = p;
      stop = scan::FieldEnd(text, p, chunk->size);
      ++located;
    }
  }

  long long Line() {
    // A line feed that ends the file does not start another line.
    if (atEnd) return 1 + lineFeedsBefore - (lastByteLf ? 1 : 0);
    if (chunk == nullptr || hand.next == 0) return 1;
    Locate(hand.next);
    return 1 + lineFeedsBefore + startLineFeeds;
  }

  void NoteDamage() {
    if (damageLine == 0) damageLine = ClampLine(Line());
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

FileStream::FileStream(int fd, Mode mode, const scan::ReadingPlan& plan)
    : impl_(new Impl(fd, mode, hand_, plan)) {}

FileStream::~FileStream() {
  Close();
  delete impl_;
}

bool FileStream::NextChunkInHand() {
  Impl& s = *impl_;
  ThrowIfCancelled();
  return s.mode == Mode::Read && !s.closed && !s.atEnd && s.NextChunk();
}

std::string_view FileStream::FieldText() {
  Impl& s = *impl_;
  if (s.chunk == nullptr || hand_.next == 0) return {};
  s.Locate(hand_.next);
  return std::string_view(s.chunk->text.get() + s.start, s.stop - s.start);
}

bool FileStream::NextField(std::string_view& field) {
  scan::ScannedNumber number;
  if (!NextNumber(number)) {
    field = {};
    return false;
  }
  field = FieldText();
  return true;
}

int FileStream::Line() const { return ClampLine(impl_->Line()); }

void FileStream::NoteDamage() { impl_->NoteDamage(); }

void FileStream::ReportReadingAs(std::string name) {
  Impl& s = *impl_;
  struct stat st;
  if (s.mode != Mode::Read || ::fstat(s.fd, &st) != 0) return;
  // A pipe or device has no size, and may be long: always told of.
  const bool regular = S_ISREG(st.st_mode);
  s.fileSize = regular ? static_cast<std::uint64_t>(st.st_size) : 0;
  s.reporting = !regular || s.fileSize >= kReportedFrom;
  s.reportName = std::move(name);
}

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
  s.LetGo();  // the helpers read the descriptor
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
