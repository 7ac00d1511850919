#include "oilmaps/oil_map_steps.h"

#include "exports/build_flavour.h"
#include "project/texts.h"

namespace strataplot {

bool CheckCellArea(HWND window, const std::string& project, const SimulationGrid& grid) {
  if (grid.cellArea >= 1) return true;
  std::string gridName = project + ".dgr";
  flavour::ShowFailure(window, Format(texts::kCellAreaBelowOne, gridName.c_str()));
  return false;
}

bool CompleteOilMap(HWND window, MapFile& map, const SimulationGrid& grid,
                    std::span<const float> values, float largest, const OilPrompt& prompt) {
  std::optional<int> interval = flavour::AskOilInterval(
      {prompt.hint, prompt.prompt, prompt.caption, flavour::DefaultContourInterval(largest)});
  if (!interval) return false;
  if (!map.WriteBody(window, grid, values, largest, *interval, kOilLegendWidth)) return false;
  return map.Finish(window);
}

}  // namespace strataplot
