// Where the host finds the modules it loads: the library builds and its own
// optional parts, beside the program (or the C API's library) in the build
// tree, or in the module folder (lib/strataplot/) of an installed tree.
#pragma once

#include <string>

#include "batch/library.h"

namespace host {

using batch::Library;

// Where modules are looked for: in directory (the build tree, where
// everything lies side by side) or in directory/installedRelative (the module
// folder of an installed tree).
struct ModuleFolder {
  std::string directory;
  std::string installedRelative;
};

// The running program's: beside it, or the module folder seen from its bin/.
ModuleFolder ProgramModules();

// Where the library `which` names is (batch::LibraryPath from this program's
// directory).
std::string LibraryPath(const std::string& which);

// The path of one of our modules by its file name.
std::string ModulePath(const std::string& fileName, const ModuleFolder& folder = ProgramModules());

}  // namespace host
