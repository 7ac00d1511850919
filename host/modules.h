// The host's optional parts, each a module that is loaded only by what needs
// it: the map commands alone load neither Qt nor GDAL
// (together they would add some 40 MB and a tenth of a second to every run).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/options.h"

namespace host {

// The directory the running program lies in.
std::string ProgramDirectory();
// The path of one of our modules (the library builds, the host's optional
// parts) by its file name: beside the program in the build tree, in the
// module folder (lib/strataplot/) of an installed tree.
std::string ModulePath(const std::string& fileName);

// `strataplot render ARGS...` (args without "render"): runs the render
// module and returns the exit status.
int RunRenderCommand(const std::vector<std::string>& args);

// The grid export of a map command: while it lives, every completed map is
// also written in the formats of --grids and --contours.
class GridExport {
 public:
  virtual ~GridExport() = default;
  // The number of files that could not be written (each reported on
  // standard error as it happened).
  virtual int Failures() const = 0;
};

// Loads the grid module and installs its completed-map hook; nullptr with the
// reason in error when the module cannot be loaded.
std::unique_ptr<GridExport> StartGridExport(const Options& options, std::string& error);

}  // namespace host
