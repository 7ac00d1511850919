// The host's answer to being interrupted, and to runs that were.
#pragma once

#include <string>
#include <vector>

#include "batch/export_runner.h"

namespace host {

// From now on SIGINT, SIGTERM and SIGHUP first remove the temporary file of
// any map or profile being written (the file it was to replace stays as it
// was), then end the process as the signal would have, so that the exit
// status still tells the signal.
void RemovePartialFilesOnSignals();

using batch::RemoveStalePartialFiles;

}  // namespace host
