// Cancelling a run: one flag for the process, which a front end raises (a
// Cancel button, a Stop command, another host's thread) and which the
// platform layer acts on where the library meets it: at the next chunk of a
// file being read, the next progress step or wait notice, the next message
// box, overwrite question or dialog (one that is open closes as cancelled),
// and the close of a file being written (which is then abandoned). There it
// throws Cancelled, which unwinds the export to its entry point: what the
// export holds is released on the way (a map being written leaves no file,
// the file it was to replace untouched), and the entry point returns -1.
// The exports themselves have no checks of their own.
#pragma once

#include <exception>

#include "platform/platform.h"

namespace platform {

// Asks the run to end. Any thread; async-signal-safe (it only stores to a
// lock-free atomic flag).
PLATFORM_API void RequestCancel() noexcept;
// True once a cancel was requested and until ResetCancel.
PLATFORM_API bool CancelRequested() noexcept;
// Clears the request; the host calls it before each run.
PLATFORM_API void ResetCancel() noexcept;

// What the platform layer throws into a run that was asked to end. Only the
// library's entry points catch it.
class PLATFORM_API Cancelled : public std::exception {
 public:
  const char* what() const noexcept override;
};

// Throws Cancelled when a cancel was requested.
PLATFORM_API void ThrowIfCancelled();

}  // namespace platform
