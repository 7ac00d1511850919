// The chunks of a file being read, in file order, each split into fields and
// scanned (scan/field_scan.h) before its reader takes it: on the reader's
// own thread, or for a large file on helper threads that work ahead of the
// reader. Chunks end at a field separator, so that no field spans two; a few
// chunks are in flight at most, whatever the length of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "scan/api.h"
#include "scan/field_scan.h"

namespace scan {

// How the chunk sources of the process share out their work.
struct ReadingPlan {
  // Threads that scan chunks of a large file, the reader's own included (it
  // scans a chunk ahead while the one it waits for is not ready); 1: the
  // reader scans its chunks itself and no thread is started.
  int threads = 1;
  // Bytes per chunk (a chunk grows to hold a field longer than that).
  std::size_t chunkBytes = std::size_t{256} << 10;
  // Files shorter than this are read without helper threads.
  std::uint64_t parallelFrom = std::uint64_t{8} << 20;
};

// The plan for this machine: as many threads as the process may use cores,
// or the number the environment variable STRATAPLOT_THREADS gives (1 or more;
// other values are ignored), at most 64; chunks small enough that a file read
// keeps about 8 MiB in flight at the most.
SCAN_API ReadingPlan DefaultReadingPlan();
// The plan that chunk sources made from now on follow (at first the default
// plan). Tests and benchmarks set others.
SCAN_API ReadingPlan CurrentReadingPlan();
SCAN_API void SetReadingPlan(const ReadingPlan& plan);

struct Chunk {
  // The bytes, then a separator at text[size] and the padding a scan may read.
  std::unique_ptr<char[]> text;
  std::size_t size = 0;
  std::size_t capacity = 0;  // bytes text may hold, the padding not included
  ChunkFields fields;
  bool last = false;       // no chunk follows
  bool readError = false;  // (last only) the system failed a read after these bytes
  bool longField = false;  // (last only) a field longer than any can be follows them
};

class ChunkSource {
 public:
  // Reads fd (which stays the caller's) as the plan says.
  ChunkSource(int fd, const ReadingPlan& plan);
  ~ChunkSource();
  ChunkSource(const ChunkSource&) = delete;
  ChunkSource& operator=(const ChunkSource&) = delete;

  // The next chunk; the one returned before is given back and must not be
  // used any more. After the chunk marked last: nullptr.
  const Chunk* Next();

 private:
  struct Shared;
  std::unique_ptr<Shared> shared_;
};

}  // namespace scan
