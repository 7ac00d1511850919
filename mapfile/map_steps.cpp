#include "mapfile/map_steps.h"

#include <utility>

#include "project/texts.h"

namespace strataplot {
namespace {

MapFile::Opened StartMap(HWND window, MapFile& map, const std::string& name,
                         const char* createFailed, const std::string& title,
                         const SimulationGrid& grid, const char* unit) {
  MapFile::Opened opened = map.Create(name, createFailed);
  if (opened == MapFile::Opened::Created) map.WriteHead(title, grid, unit);
  if (opened == MapFile::Opened::Failed) flavour::ShowFailure(window, map.FailureText());
  return opened;
}

bool CompleteMap(HWND window, MapFile& map, const MapSet& maps, const SimulationGrid& grid,
                 std::span<const float> values, float largest, std::string hint, std::string prompt,
                 int legendWidth) {
  std::optional<int> interval =
      maps.askInterval({std::move(hint), std::move(prompt), maps.texts.caption,
                        flavour::DefaultContourInterval(largest)});
  if (!interval) return false;
  if (!map.WriteBody(grid, values, largest, *interval, legendWidth) || !map.Finish()) {
    flavour::ShowFailure(window, map.FailureText());
    return false;
  }
  return true;
}

}  // namespace

MapFile::Opened StartHorizonMap(HWND window, MapFile& map, const MapSet& maps,
                                const BasinInputs& inputs, int h) {
  const char* horizon = inputs.horizonNames[h].c_str();
  return StartMap(window, map, Format(maps.texts.horizonFile, horizon, h + 1),
                  maps.texts.horizonCreateFailed, Format(maps.texts.horizonTitle, horizon),
                  inputs.grid, maps.unit);
}

MapFile::Opened StartTotalMap(HWND window, MapFile& map, const MapSet& maps,
                              const BasinInputs& inputs, const std::string& project) {
  return StartMap(window, map, Format(maps.texts.totalFile, project.c_str()),
                  maps.texts.totalCreateFailed, Format(maps.texts.totalTitle, project.c_str()),
                  inputs.grid, maps.unit);
}

bool CompleteHorizonMap(HWND window, MapFile& map, const MapSet& maps, const BasinInputs& inputs,
                        int h, std::span<const float> values, float largest) {
  return CompleteMap(window, map, maps, inputs.grid, values, largest,
                     Format(maps.texts.horizonHint, static_cast<double>(largest), maps.unit),
                     Format(maps.texts.horizonPrompt, inputs.horizonNames[h].c_str(), maps.unit),
                     maps.horizonLegendWidth);
}

bool CompleteTotalMap(HWND window, MapFile& map, const MapSet& maps, const BasinInputs& inputs,
                      std::span<const float> values, float largest) {
  return CompleteMap(window, map, maps, inputs.grid, values, largest,
                     Format(maps.texts.totalHint, static_cast<double>(largest), maps.unit),
                     Format(maps.texts.totalPrompt, maps.unit), maps.totalLegendWidth);
}

void ShowMapsWritten(HWND window, const MapSet& maps, const std::string& project) {
  flavour::ShowCompletion(window, Format(maps.texts.completion, project.c_str(), project.c_str()));
}

}  // namespace strataplot
