#include "oilmaps/oil_map_steps.h"

#include "common/common.h"
#include "flavour/build_flavour.h"

namespace strataplot {

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

bool OpenQuantityFile(HWND window, InputFile& file, const char* nameFormat,
                      const std::string& project, const char* openFailed) {
  std::string name = Format(nameFormat, project.c_str());
  if (file.Open(name)) return true;
  flavour::ShowFailure(window, Format(openFailed, name.c_str()));
  return false;
}

float LargestValue(std::span<const float> values) {
  float largest = 0;
  for (float value : values) {
    if (value > largest) largest = value;
  }
  return largest;
}

}  // namespace strataplot
