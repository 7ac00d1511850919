// Where the host program finds the modules it loads: the library builds and
// its own optional parts, beside it in the build tree or in the module folder
// (lib/strataplot/) of an installed tree.
#pragma once

#include <string>

#include "batch/library.h"

namespace host {

using batch::Library;

// Where the library `which` names is (batch::LibraryPath from this program's
// directory).
std::string LibraryPath(const std::string& which);

// The path of one of our modules by its file name.
std::string ModulePath(const std::string& fileName);

}  // namespace host
