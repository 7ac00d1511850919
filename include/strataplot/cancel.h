// The cancel request: ends the export in progress as a window's Cancel or
// Stop does. Provided by libstrataplot-platform.so.1.
//
// A requested cancel ends the export at its next read of a file, progress
// step, message box, question or dialog (one that is open closes as
// cancelled, through the backend); the map or profile being written leaves no
// file (the file it was to replace stays as it was), maps finished before
// stay, and the export returns -1. The library installs no signal handlers.
#pragma once

#include "strataplot/api.h"

namespace platform {

// Asks the export in progress to end. From any thread, also from a signal
// handler or a callback of the run (it only sets an atomic flag).
STRATAPLOT_API void RequestCancel() noexcept;
// True once a cancel was requested and until ResetCancel.
STRATAPLOT_API bool CancelRequested() noexcept;
// Clears the request. Call it before each export: a request stays until then.
STRATAPLOT_API void ResetCancel() noexcept;

}  // namespace platform
