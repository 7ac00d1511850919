#include "scan/chunk_source.h"

#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace scan {
namespace {

// Bytes are taken with large read() calls into each chunk's own buffer. A
// mapping of the file (mmap) was measured against it on the benchmark's
// quantity files in the page cache: 7 GB/s for read() in 1 MiB calls, 10 GB/s
// for windows of a mapping, a difference of a few milliseconds per 100 MB next
// to the parsing's hundred and more. read() stays: a file that shrinks while it
// is read ends early instead of raising SIGBUS, the pages of the file never
// count as the process's memory, and the chunk's text stays in the cache for
// the scan that follows.
class ByteReader {
 public:
  ByteReader(int fd, std::size_t chunkBytes) : fd_(fd), chunkBytes_(chunkBytes) {}

  // Fills the chunk with the next bytes of the file, up to a field separator:
  // the part of a field after the last separator waits for the next chunk.
  // The chunk is marked last at the end of the file or after a failed read
  // (then a field the failure may have cut short is dropped), and before a
  // field longer than any number or name can be: reading on would grow the
  // chunk without limit. Both are damage where the chunk ends.
  void Fill(Chunk& chunk) {
    if (chunk.capacity < chunkBytes_ || chunk.capacity < carry_.size() * 2) {
      Grow(chunk, std::max(chunkBytes_, carry_.size() * 2), 0);
    }
    if (!carry_.empty()) std::memcpy(chunk.text.get(), carry_.data(), carry_.size());
    chunk.size = carry_.size();
    carry_.clear();
    chunk.last = false;
    chunk.readError = false;
    chunk.longField = false;
    for (;;) {
      bool end = ReadInto(chunk);
      if (end) {
        chunk.last = true;
        chunk.readError = failed_;
        if (failed_) chunk.size = AfterLastSeparator(chunk);
        break;
      }
      std::size_t cut = AfterLastSeparator(chunk);
      if (cut > 0) {
        carry_.assign(chunk.text.get() + cut, chunk.text.get() + chunk.size);
        chunk.size = cut;
        break;
      }
      // One field fills the chunk.
      if (chunk.size > kLongestField) {
        EndBefore(chunk, 0);
        break;
      }
      Grow(chunk, chunk.capacity * 2, chunk.size);
    }
    if (std::size_t start = LongFieldStart(chunk); start != kNone) EndBefore(chunk, start);
    chunk.text[chunk.size] = ' ';
  }

 private:
  // No number or name is longer than this.
  static constexpr std::size_t kLongestField = std::size_t{64} << 10;  // 64 KiB

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Where the first field of the chunk longer than kLongestField starts, or
  // kNone. Such a field holds a whole block of half that length without a
  // separator, at a multiple of the block's length; in every other block a
  // separator turns up within a few bytes.
  static std::size_t LongFieldStart(const Chunk& chunk) {
    constexpr std::size_t kBlock = kLongestField / 2;
    const char* text = chunk.text.get();
    for (std::size_t block = 0; block + kBlock <= chunk.size; block += kBlock) {
      if (std::any_of(text + block, text + block + kBlock, IsFieldSeparator)) continue;
      std::size_t start = block;
      while (start > 0 && !IsFieldSeparator(text[start - 1])) --start;
      std::size_t end = block + kBlock;
      while (end < chunk.size && !IsFieldSeparator(text[end])) ++end;
      if (end - start > kLongestField) return start;
    }
    return kNone;
  }

  // Ends the reading at `start`, before a field too long to be one.
  void EndBefore(Chunk& chunk, std::size_t start) {
    chunk.size = start;
    chunk.last = true;
    chunk.readError = false;
    chunk.longField = true;
    carry_.clear();
    atEnd_ = true;
  }

  // Reads until the chunk is full; true at the end of the file or on failure.
  bool ReadInto(Chunk& chunk) {
    while (chunk.size < chunk.capacity) {
      if (atEnd_) return true;
      ssize_t n = ::read(fd_, chunk.text.get() + chunk.size, chunk.capacity - chunk.size);
      if (n > 0) {
        chunk.size += static_cast<std::size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        atEnd_ = true;
        failed_ = n < 0;
      }
    }
    return atEnd_;
  }

  static std::size_t AfterLastSeparator(const Chunk& chunk) {
    for (std::size_t i = chunk.size; i > 0; --i) {
      if (IsFieldSeparator(chunk.text[i - 1])) return i;
    }
    return 0;
  }

  static void Grow(Chunk& chunk, std::size_t capacity, std::size_t keep) {
    auto text = std::make_unique<char[]>(capacity + kScanPadding);
    if (keep > 0) std::memcpy(text.get(), chunk.text.get(), keep);
    chunk.text = std::move(text);
    chunk.capacity = capacity;
  }

  int fd_;
  std::size_t chunkBytes_;
  std::vector<char> carry_;
  bool atEnd_ = false;
  bool failed_ = false;
};

// Helper threads of all sources together scan no more chunks at a time than
// a plan's threads less the reader's: two files read in step (the reader
// taking a value of one, then of the other) then share the cores instead of
// each bringing its own helpers.
class ScanPermits {
 public:
  // Waits until fewer than `limit` helpers scan; false when stop was set first.
  bool Acquire(int limit, const std::atomic<bool>& stop) {
    std::unique_lock<std::mutex> lock(mutex_);
    freed_.wait(lock, [&] { return stop || scanning_ < limit; });
    if (stop) return false;
    ++scanning_;
    return true;
  }
  void Release() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      --scanning_;
    }
    freed_.notify_all();
  }
  // Wakes the waiters, so that those whose source stops see it.
  void WakeAll() {
    { std::lock_guard<std::mutex> lock(mutex_); }
    freed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable freed_;
  int scanning_ = 0;
};

ScanPermits& Permits() {
  static ScanPermits permits;
  return permits;
}

// Cores this process may run on.
int UsableCores() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

ReadingPlan& Plan() {
  static ReadingPlan plan = DefaultReadingPlan();
  return plan;
}

}  // namespace

// The reader takes chunk after chunk in file order. Alone, it fills and scans
// its one chunk itself. With helper threads, whoever is free - a helper, or
// the reader while the chunk it waits for is not ready - claims the next
// chunk number, fills that chunk's slot (reading is in file order, one thread
// at a time) and scans it; a slot is refilled only after the reader has given
// back the chunk it held, so that at most one chunk per slot is in memory.
struct ChunkSource::Shared {
  ByteReader bytes;
  std::vector<Chunk> slots;
  std::vector<std::thread> helpers;
  int scanLimit = 1;  // helpers of all sources scanning at a time

  // Reading: the thread that holds it fills the next chunk.
  std::mutex readMutex;
  std::atomic<long long> claimed{0};  // chunks whose filling has begun
  std::atomic<bool> filledLast{false};

  // Handing over between the helpers and the reader.
  std::mutex mutex;
  std::condition_variable slotFreed;
  std::condition_variable chunkReady;
  std::vector<long long> readyChunk;  // per slot: the number of the scanned chunk it holds
  long long givenBack = 0;            // the reader is done with every chunk before this one
  std::atomic<bool> stop{false};

  // The reader's own state.
  long long next = 0;  // number of the chunk Next returns next
  bool holding = false;
  bool finished = false;

  Shared(int fd, std::size_t chunkBytes) : bytes(fd, chunkBytes) {}

  long long SlotCount() const { return static_cast<long long>(slots.size()); }
  // With mutex held: the next chunk to claim has a free slot.
  bool SlotFree() const { return claimed - givenBack < SlotCount(); }

  // Claims, fills and scans the next chunk; false when there is none to
  // claim, its slot is not free yet, or (without wait) another thread reads.
  bool ScanNext(bool wait) {
    long long number;
    Chunk* chunk;
    {
      std::unique_lock<std::mutex> reading(readMutex, std::defer_lock);
      if (wait) {
        reading.lock();
      } else if (!reading.try_lock()) {
        return false;
      }
      if (filledLast) return false;
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (!SlotFree()) return false;
      }
      number = claimed;
      chunk = &slots[static_cast<std::size_t>(number % SlotCount())];
      claimed = number + 1;
      bytes.Fill(*chunk);
      filledLast = chunk->last;
    }
    ScanChunk(chunk->text.get(), chunk->size, chunk->fields);
    {
      std::lock_guard<std::mutex> lock(mutex);
      readyChunk[static_cast<std::size_t>(number % SlotCount())] = number;
    }
    chunkReady.notify_one();
    return true;
  }

  // A helper's work: waits for a free slot and a scan permit, scans a chunk,
  // and so on until every chunk is claimed or the source stops.
  void Help() {
    for (;;) {
      {
        std::unique_lock<std::mutex> lock(mutex);
        slotFreed.wait(lock, [&] { return stop || filledLast || SlotFree(); });
        if (stop || filledLast) return;
      }
      if (!Permits().Acquire(scanLimit, stop)) return;
      ScanNext(true);  // false when another thread claimed the chunk first
      Permits().Release();
    }
  }
};

ReadingPlan DefaultReadingPlan() {
  ReadingPlan plan;
  plan.threads = UsableCores();
  if (const char* text = std::getenv("STRATAPLOT_THREADS")) {
    char* end = nullptr;
    long n = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && n >= 1) plan.threads = static_cast<int>(std::min(n, 1024l));
  }
  // More threads than that would only wait for the reader.
  plan.threads = std::min(plan.threads, 64);
  // A chunk of text and its scanned fields take about twice the chunk's
  // bytes, and threads + 2 chunks are in flight: about 8 MiB per file read
  // at the most.
  const std::size_t perChunk =
      (std::size_t{4} << 20) / (static_cast<std::size_t>(plan.threads) + 2);
  plan.chunkBytes = std::clamp(perChunk, std::size_t{16} << 10, std::size_t{256} << 10);
  return plan;
}

ReadingPlan CurrentReadingPlan() { return Plan(); }

void SetReadingPlan(const ReadingPlan& plan) { Plan() = plan; }

ChunkSource::ChunkSource(int fd, const ReadingPlan& plan)
    : shared_(std::make_unique<Shared>(fd, std::max<std::size_t>(plan.chunkBytes, 1))) {
  struct stat st;
  bool large = plan.threads > 1 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
               static_cast<unsigned long long>(st.st_size) >= plan.parallelFrom;
  if (!large) {
    shared_->slots.resize(1);
    return;
  }
  // The reader is one of the threads. Each thread scans one chunk while the
  // reader holds another and one more waits ready.
  const std::size_t slotCount = static_cast<std::size_t>(plan.threads) + 2;
  shared_->slots.resize(slotCount);
  shared_->readyChunk.assign(slotCount, -1);
  shared_->scanLimit = plan.threads - 1;
  for (int i = 1; i < plan.threads; ++i) {
    try {
      shared_->helpers.emplace_back([shared = shared_.get()] { shared->Help(); });
    } catch (const std::system_error&) {
      break;  // as many helpers as the system gives
    }
  }
  if (shared_->helpers.empty()) {
    shared_->slots.resize(1);
    shared_->readyChunk.clear();
  }
}

ChunkSource::~ChunkSource() {
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->stop = true;
  }
  shared_->slotFreed.notify_all();
  Permits().WakeAll();
  for (std::thread& helper : shared_->helpers) helper.join();
}

const Chunk* ChunkSource::Next() {
  Shared& s = *shared_;
  if (s.helpers.empty()) {
    if (s.finished) return nullptr;
    Chunk& chunk = s.slots[0];
    s.bytes.Fill(chunk);
    ScanChunk(chunk.text.get(), chunk.size, chunk.fields);
    s.finished = chunk.last;
    return &chunk;
  }
  const long long slotCount = s.SlotCount();
  std::unique_lock<std::mutex> lock(s.mutex);
  if (s.holding) {
    s.givenBack = s.next;
    s.holding = false;
    lock.unlock();
    s.slotFreed.notify_all();
    lock.lock();
  }
  if (s.finished) return nullptr;
  const std::size_t slot = static_cast<std::size_t>(s.next % slotCount);
  auto ready = [&] { return s.readyChunk[slot] == s.next; };
  while (!ready()) {
    // Rather than wait, scan a chunk ahead; when there is none to scan (or
    // a helper holds reading), the chunk waited for is being scanned.
    lock.unlock();
    bool scanned = s.ScanNext(false);
    lock.lock();
    if (!scanned) s.chunkReady.wait(lock, ready);
  }
  ++s.next;
  s.holding = true;
  s.finished = s.slots[slot].last;
  return &s.slots[slot];
}

}  // namespace scan
