// Running one export of a build of the library, as the host program and the
// desktop application do it (batch/export_runner.h).
#pragma once

#include "batch/export_runner.h"
#include "host/library.h"
#include "host/options.h"

namespace host {

using batch::ExitStatus;
using batch::HostWindow;
using batch::kExitHostError;
using batch::LoadedLibrary;
using batch::ProjectForLibrary;

}  // namespace host
