// The intensity map file: the one output format of every map, its contour
// classing, and the steps of writing one map.
//
// A map file is four records: title and grid header, unit, legend, class grid.
// The head (records 1 and 2) is written first; the user is asked for the
// contour interval; then the body (records 3 and 4).
#pragma once

#include <optional>
#include <span>
#include <string>

#include "platform/platform.h"
#include "project/basin_inputs.h"

namespace strataplot {

// Records 1 and 2: the title, the grid header, the unit text.
void WriteMapHead(HFILE file, const std::string& title, const SimulationGrid& grid,
                  const std::string& unit);

// No contour plotting can use more classes; a legend of more would only fill
// the disk (a largest value of 1e9 at an interval of 1 asks for 10^9 ranges).
inline constexpr int kMostClasses = 10000;

// Records 3 and 4: the legend and the class grid. values holds one value per
// active cell in active-cell order. An interval below 1 is taken as 1.
// Returns false, writing nothing, when the values cannot be classed: more than
// kMostClasses classes, or a class code that would not fit 32 bits (values too
// large for the interval, or not a number).
bool WriteMapBody(HFILE file, const SimulationGrid& grid, std::span<const float> values,
                  float largest, int interval, int legendWidth);

// The class count for a largest value and an interval of at least 1, or
// nullopt when it is above kMostClasses (or not a number).
std::optional<int> ClassCount(float largest, int interval);

// The class code of an active cell's value for an interval of at least 1
// (the caller has made sure that it fits).
int ClassCode(float value, int interval);

// One map file being written, from the overwrite question to its close. The
// map is whole or absent: until Finish it is written to a temporary file, and
// a map that is not finished (discarded, refused, cancelled, or still open
// when the object goes) leaves no file behind, the file it was to replace
// untouched. The steps that can fail say so; FailureText() then gives the
// message to show, naming the file.
class MapFile {
 public:
  enum class Opened { Created, Declined, Failed };

  MapFile() = default;
  ~MapFile() { Discard(); }
  MapFile(const MapFile&) = delete;
  MapFile& operator=(const MapFile&) = delete;

  // Asks whether an existing file may be replaced, then creates it.
  // createFailed is the map's creation failure message (a format with one %s
  // for the file name): the failure when the file cannot be created, and when
  // its data cannot be stored.
  Opened Create(const std::string& name, const char* createFailed);

  void WriteHead(const std::string& title, const SimulationGrid& grid, const std::string& unit);

  // Writes the body. False when the values cannot be classed: the map is
  // discarded. The grid and the values must stay alive until Finish, which
  // hands them to the completed-map hook.
  bool WriteBody(const SimulationGrid& grid, std::span<const float> values, float largest,
                 int interval, int legendWidth);

  // Closes the finished map, which then takes its name, and reports it to the
  // completed-map hook. False when its data could not be stored: the map is
  // discarded.
  bool Finish();

  // The message for the step that failed (GBK).
  const std::string& FailureText() const { return failureText_; }

  // Drops the map being written: nothing of it is left.
  void Discard();

 private:
  HFILE file_ = HFILE_ERROR;
  std::string name_;
  const char* createFailed_ = nullptr;
  std::string failureText_;
  // What the completed-map hook is handed once the file is closed.
  std::string title_, unit_;
  const SimulationGrid* grid_ = nullptr;
  std::span<const float> values_;
  int interval_ = 1;
};

}  // namespace strataplot
