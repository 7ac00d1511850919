// The chunks of a file being read, in file order, each split into fields and
// scanned (platform/field_scan.h) before its reader takes it: on the reader's
// own thread, or for a large file on helper threads that work ahead of the
// reader. Chunks end at a field separator, so that no field spans two; a few
// chunks are in flight at most, whatever the length of the file.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/field_scan.h"
#include "platform/file_stream.h"

namespace platform {

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

}  // namespace platform
