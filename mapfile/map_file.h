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

// Records 3 and 4: the legend and the class grid. values holds one value per
// active cell in active-cell order. An interval below 1 is taken as 1.
// Returns false, writing nothing, when a class count or class code would not
// fit 32 bits (values too large for the interval, or not a number).
bool WriteMapBody(HFILE file, const SimulationGrid& grid, std::span<const float> values,
                  float largest, int interval, int legendWidth);

// The class count for a largest value and an interval of at least 1, or
// nullopt when it does not fit 32 bits.
std::optional<int> ClassCount(float largest, int interval);

// The class code of an active cell's value for an interval of at least 1
// (the caller has made sure that it fits).
int ClassCode(float value, int interval);

// One map file being written, from the overwrite question to its close. A
// map file that is still open when the object goes is closed as it stands.
// The steps that can fail say so; FailureText() then gives the message to
// show, naming the file.
class MapFile {
 public:
  enum class Opened { Created, Declined, Failed };

  MapFile() = default;
  ~MapFile() { CloseAsItStands(); }
  MapFile(const MapFile&) = delete;
  MapFile& operator=(const MapFile&) = delete;

  // Asks whether an existing file may be replaced, then creates it.
  // createFailed is the map's creation failure message (a format with one %s
  // for the file name): the failure when the file cannot be created, and when
  // its data cannot be stored.
  Opened Create(const std::string& name, const char* createFailed);

  void WriteHead(const std::string& title, const SimulationGrid& grid, const std::string& unit);

  // Writes the body. False when the values cannot be classed: the file is
  // removed. The grid and the values must stay alive until Finish, which
  // hands them to the completed-map hook.
  bool WriteBody(const SimulationGrid& grid, std::span<const float> values, float largest,
                 int interval, int legendWidth);

  // Closes the finished map and reports it to the completed-map hook. False
  // when its data could not be stored: the file is removed.
  bool Finish();

  // The message for the step that failed (GBK).
  const std::string& FailureText() const { return failureText_; }

  // Closes and removes a map that must not be left looking like a map.
  void Discard();

  // Closes the file with what it holds.
  void CloseAsItStands();

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
