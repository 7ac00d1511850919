#include "host/library.h"

namespace host {

std::string LibraryPath(const std::string& which) {
  return batch::LibraryPath(which, batch::ProgramDirectory(), STRATAPLOT_BIN_TO_MODULES);
}

std::string ModulePath(const std::string& fileName) {
  return batch::ModulePath(fileName, batch::ProgramDirectory(), STRATAPLOT_BIN_TO_MODULES);
}

}  // namespace host
