// The basin-model input files every map export reads first: the age file
// (".iga"), the horizon file (".isc") and the grid file (".dgr").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// Why the project's input files could not be read: the message to show, GBK
// and naming the file.
struct InputFailure {
  std::string text;
  // The age or horizon file could not be opened: some exports show this
  // message with a caption of their own.
  bool ageOrHorizonFileMissing = false;
};

// The names of the project's three input files (GBK, as the project name).
std::string AgeFileName(const std::string& project);
std::string HorizonFileName(const std::string& project);
std::string GridFileName(const std::string& project);

// Reads the three files of the project (GBK name) in order. nullopt, with
// failure filled in, when
// - a file cannot be opened;
// - a file is damaged or ends before the values its counts call for, the
//   period count is below 0, or the grid's dimensions are below 0 or their
//   product does not fit 32 bits (a trailing count of the age file below 0
//   means no trailing values);
// - a horizon name cannot be used as a file name ("/" or a NUL byte in it,
//   "." or "..").
std::optional<BasinInputs> LoadBasinInputs(const std::string& project, InputFailure& failure);

// Every oil quantity is divided by the cell area: below 1 no intensity can be
// computed. nullopt when the area is at least 1; otherwise the message naming
// the grid file of the project (GBK).
std::optional<std::string> CellAreaTooSmall(const std::string& project, const SimulationGrid& grid);

// True when the horizon name can name a map file in the current directory.
bool IsSafeHorizonName(const std::string& name);

// Whether `arrays` arrays of `cells` 32-bit reals each (one per horizon and
// one for the total, say) fit in the memory the process can still have; asked
// before they are allocated. nullopt when they fit (or when the system tells
// nothing of its memory); otherwise the message naming the horizon file of
// the project and the sizes (GBK).
std::optional<std::string> HorizonArraysDoNotFit(const std::string& project,
                                                 const BasinInputs& inputs, std::size_t arrays,
                                                 int cells);

}  // namespace strataplot
