// The basin-model input files every map export reads first: the age file
// (".iga"), the horizon file (".isc") and the grid file (".dgr").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exports/build_flavour.h"
#include "platform/platform.h"

namespace strataplot {

struct SimulationGrid {
  float originX = 0, originY = 0;
  float cellSizeX = 0, cellSizeY = 0;
  int rowCount = 0, columnCount = 0;
  int cellCount = 0;
  // One entry per cell, row by row: 1 for an active cell, 0 outside.
  std::vector<std::uint8_t> mask;
  int activeCount = 0;
  // cellSizeX × cellSizeY in single precision, truncated toward zero.
  int cellArea = 0;
};

struct BasinInputs {
  int periodCount = 0;
  std::vector<std::string> periodNames;
  std::vector<float> periodAges;
  int trailingCount = 0;
  std::vector<float> trailingValues;
  std::vector<std::string> horizonNames;  // whole names, in horizon-file order
  int horizonCount = 0;
  SimulationGrid grid;
};

// Reads the three files of the project (GBK name) in order. On failure the
// message naming the file has been shown and nullopt is returned:
// - a file that cannot be opened;
// - a file that is damaged or ends before the values its counts call for,
//   a count below 0, or grid dimensions whose product does not fit 32 bits;
// - a horizon name that cannot be used as a file name ("/" in it, "." or "..").
// openCaption is the caption, in the static-framework build, of the messages
// that the age or horizon file cannot be opened: the exports differ in it.
std::optional<BasinInputs> LoadBasinInputs(HWND window, const std::string& project,
                                           flavour::Caption openCaption);

// True when the horizon name can name a map file in the current directory.
bool IsSafeHorizonName(const std::string& name);

}  // namespace strataplot
