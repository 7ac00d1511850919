#include "host/library.h"

namespace host {

ModuleFolder ProgramModules() { return {batch::ProgramDirectory(), STRATAPLOT_BIN_TO_MODULES}; }

std::string LibraryPath(const std::string& which) {
  const ModuleFolder folder = ProgramModules();
  return batch::LibraryPath(which, folder.directory, folder.installedRelative);
}

std::string ModulePath(const std::string& fileName, const ModuleFolder& folder) {
  return batch::ModulePath(fileName, folder.directory, folder.installedRelative);
}

}  // namespace host
