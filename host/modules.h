// The host's optional parts, each a module that is loaded only by what needs
// it: the map commands alone load neither Qt nor GDAL
// (together they would add some 40 MB and a tenth of a second to every run).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "console/transcript.h"
#include "grids/reference.h"
#include "host/export_runner.h"
#include "host/library.h"
#include "host/options.h"
#include "host/render_command.h"

namespace host {

// Loads one of the host's modules (by its file name, from folder) with its
// entry point; nullptr with the reason in error when it cannot be loaded or
// lacks the entry point.
std::unique_ptr<Library> LoadModule(const char* fileName, const char* entryName, std::string& error,
                                    const ModuleFolder& folder = ProgramModules());

// `strataplot render FILE...`: runs the render module and returns the exit
// status.
int RunRenderCommand(const RenderOptions& options);

// `strataplot --gui`: runs the export with windows through the gui module and
// returns the exit status.
int RunWithWindowsModule(const LoadedLibrary& library, Command command,
                         const std::string& gbkProject, int mode, console::Transcript* transcript);

// The grid export of a map command: while it lives, every completed map is
// also written in the formats of --grids and --contours, and painted in those
// of --pictures.
class GridExport {
 public:
  virtual ~GridExport() = default;
  // The number of files that could not be written (each reported on
  // standard error as it happened).
  virtual int Failures() const = 0;
};

// Loads the grid module (and for --pictures the render module) and installs
// their completed-map hooks; nullptr with the
// reason in error when a module cannot be loaded, the reference system
// (ResolveReference) cannot be used, or GeoJSON is asked for without one.
std::unique_ptr<GridExport> StartGridExport(const Options& options, std::string& error);

// The run's reference system, read by the grid module: crs when given, else
// the WKT of NAME.prj (utf8Project) in the current directory, else none (a
// Reference that declares nothing). nullopt with the reason, naming where the
// text came from, when it describes no projected system.
std::optional<grids::Reference> ResolveReference(const Library& gridModule, const std::string& crs,
                                                 grids::GridUnit gridUnit,
                                                 const std::string& utf8Project,
                                                 std::string& error);

}  // namespace host
