// Buffered stream behind a file handle: field-wise reading and byte writing
// for the common library. Files are never held whole in memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace platform {

class PLATFORM_API FileStream {
 public:
  enum class Mode { Read, Write };
  FileStream(int fd, Mode mode);
  ~FileStream();
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  // The stream owns fd and closes it in Close (or in the destructor, which
  // loses any error: close explicitly to learn of one).

  // ---- Reading ----
  // Moves to the next field (bytes up to the next ASCII white space) and
  // returns it; the view stays valid until the next call. Returns false at
  // the end of the file (or on a read error, or at a field longer than 64 KiB,
  // which no number or name can be: both are remembered as damage, and the
  // stream then reads as ended).
  bool NextField(std::string_view& field);
  // Line (from 1) of the field last returned; at the end of the file, the
  // last line of the file.
  int Line() const;
  // Records damage at the current line; only the first record is kept.
  void NoteDamage();
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
  struct Impl;
  Impl* impl_;
};

}  // namespace platform
