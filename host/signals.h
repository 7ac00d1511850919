// The host's answer to being interrupted, and to runs that were.
#pragma once

#include <string>
#include <vector>

namespace host {

// From now on SIGINT, SIGTERM and SIGHUP first remove the temporary file of
// any map or profile being written (the file it was to replace stays as it
// was), then end the process as the signal would have, so that the exit
// status still tells the signal.
void RemovePartialFilesOnSignals();

// Removes the temporary files that runs which ended without finishing
// (killed, or the power gone) left in the directory, and returns the line
// that says so (empty when there were none).
std::string RemoveStalePartialFiles(const std::string& directory);

}  // namespace host
