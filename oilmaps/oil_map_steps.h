// Steps the oil map exports share.
#pragma once

#include <span>
#include <string>

#include "mapfile/map_file.h"
#include "project/basin_inputs.h"

namespace strataplot {

inline constexpr int kOilLegendWidth = 8;

// The cell area divides every oil quantity: below 1 no intensity can be
// computed. Shows the message naming the grid file and returns false then.
bool CheckCellArea(HWND window, const std::string& project, const SimulationGrid& grid);

// What the interval prompt of one oil map shows.
struct OilPrompt {
  std::string hint;
  std::string prompt;
  std::string caption;  // empty: the dialog keeps its title
};

// The rest of an oil map whose head is written and whose values are known:
// the interval prompt, the body, the close. False when the export must end
// (the map stays as it stands when the prompt ended it; a message has been
// shown for a failure).
bool CompleteOilMap(HWND window, MapFile& map, const SimulationGrid& grid,
                    std::span<const float> values, float largest, const OilPrompt& prompt);

}  // namespace strataplot
