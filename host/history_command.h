// `strataplot history`: the project through its periods, written as a table,
// time-series grids, a NetCDF cube and a chart (see docs/history.md).
#pragma once

#include <string>

#include "grids/reference.h"
#include "history/history.h"
#include "host/library.h"
#include "rendering/history_data.h"

namespace host {

struct HistoryOptions {
  std::string out;            // the directory to write into; empty: the project's
  std::string chart = "png";  // png, svg or pdf
  bool frames = false;        // a picture per horizon and period
  // The projected reference system of the grids (empty: NAME.prj of the
  // project directory, else none) and the unit of the grid's coordinates.
  std::string crs;
  grids::GridUnit gridUnit = grids::GridUnit::Kilometre;
  // Where its grid and render modules are loaded from.
  ModuleFolder modules = ProgramModules();
};

// Reads the project (GBK name, relative to the current directory) and writes
// its history into options.out, every file whole or not at all: each is
// written under a temporary name and all take their names at the end. quiet:
// nothing on standard output. Returns the exit status: 0 when everything was
// written, 1 when the project's files or an output failed (nothing is then
// replaced), 2 when a module could not be loaded or the reference system
// cannot be used.
// observer: also sees every time series once it is written (returning false
// stops the run as a failure); takes the messages the command would print on
// standard error; and, when everything was written, hears of every file by
// its absolute path, then gets the table. Called on the running thread.
class HistoryObserver : public history::SeriesSink {
 public:
  // A message (UTF-8, without the program's name): why the run failed, or a
  // note such as an empty history.
  virtual void Said(const std::string& message) = 0;
  virtual void Wrote(const std::string& path) = 0;
  virtual void Finished(const history::ProjectHistory& history) = 0;
};
int RunHistoryCommand(const HistoryOptions& options, const std::string& gbkProject, bool quiet,
                      HistoryObserver* observer = nullptr);

// The chart of a history: every horizon's amounts through the periods.
rendering::HistoryChartData HistoryChartOf(const history::ProjectHistory& history,
                                           const std::string& project);

}  // namespace host
