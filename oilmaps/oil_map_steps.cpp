#include "oilmaps/oil_map_steps.h"

#include "common/common.h"
#include "flavour/build_flavour.h"
#include "project/texts.h"

namespace strataplot {
namespace {

bool CompleteMap(HWND window, MapFile& map, const SimulationGrid& grid,
                 std::span<const float> values, float largest, std::string hint, std::string prompt,
                 const char* caption) {
  std::optional<int> interval = flavour::AskOilInterval(
      {std::move(hint), std::move(prompt), caption, flavour::DefaultContourInterval(largest)});
  if (!interval) return false;
  if (!map.WriteBody(grid, values, largest, *interval, kOilLegendWidth) || !map.Finish()) {
    flavour::ShowFailure(window, map.FailureText());
    return false;
  }
  return true;
}

MapFile::Opened StartMap(HWND window, MapFile& map, const std::string& name,
                         const char* createFailed, const std::string& title,
                         const SimulationGrid& grid) {
  MapFile::Opened opened = map.Create(name, createFailed);
  if (opened == MapFile::Opened::Created) map.WriteHead(title, grid, texts::kOilUnit);
  if (opened == MapFile::Opened::Failed) flavour::ShowFailure(window, map.FailureText());
  return opened;
}

}  // namespace

std::optional<BasinInputs> LoadOilProject(HWND window, std::string& project) {
  if (GetProjName(window, project) == 0) return std::nullopt;
  ShowClock(window, 1, 0);
  return LoadOilInputs(window, project, flavour::Caption::Blank);
}

std::optional<BasinInputs> LoadOilInputs(HWND window, const std::string& project,
                                         flavour::Caption openCaption) {
  InputFailure failure;
  std::optional<BasinInputs> inputs = LoadBasinInputs(project, failure);
  if (!inputs) {
    flavour::ShowInputFailure(window, failure, openCaption);
    return std::nullopt;
  }
  if (std::optional<std::string> text = CellAreaTooSmall(project, inputs->grid)) {
    flavour::ShowFailure(window, *text);
    return std::nullopt;
  }
  return inputs;
}

MapFile::Opened StartHorizonMap(HWND window, MapFile& map, const OilMapTexts& texts,
                                const BasinInputs& inputs, int h) {
  const char* horizon = inputs.horizonNames[h].c_str();
  return StartMap(window, map, Format(texts.horizonFile, horizon, h + 1), texts.horizonCreateFailed,
                  Format(texts.horizonTitle, horizon), inputs.grid);
}

MapFile::Opened StartTotalMap(HWND window, MapFile& map, const OilMapTexts& texts,
                              const BasinInputs& inputs, const std::string& project) {
  return StartMap(window, map, Format(texts.totalFile, project.c_str()), texts.totalCreateFailed,
                  Format(texts.totalTitle, project.c_str()), inputs.grid);
}

bool CompleteHorizonMap(HWND window, MapFile& map, const OilMapTexts& texts,
                        const BasinInputs& inputs, int h, std::span<const float> values,
                        float largest) {
  return CompleteMap(window, map, inputs.grid, values, largest,
                     Format(texts.horizonHint, static_cast<double>(largest)),
                     Format(texts.horizonPrompt, inputs.horizonNames[h].c_str()), texts.caption);
}

bool CompleteTotalMap(HWND window, MapFile& map, const OilMapTexts& texts,
                      const BasinInputs& inputs, std::span<const float> values, float largest) {
  return CompleteMap(window, map, inputs.grid, values, largest,
                     Format(texts.totalHint, static_cast<double>(largest)), texts.totalPrompt,
                     texts.caption);
}

float LargestValue(std::span<const float> values) {
  float largest = 0;
  for (float value : values) {
    if (value > largest) largest = value;
  }
  return largest;
}

void ShowOilCompletion(HWND window, const OilMapTexts& texts, const std::string& project) {
  flavour::ShowCompletion(window, Format(texts.completion, project.c_str(), project.c_str()));
}

}  // namespace strataplot
