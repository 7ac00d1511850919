// Steps the oil map exports share: their sets of maps, the project's input
// files read, and its oil quantity files opened.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "flavour/build_flavour.h"
#include "mapfile/map_steps.h"
#include "project/basin_inputs.h"
#include "project/input_file.h"
#include "project/texts.h"

namespace strataplot {

inline constexpr int kOilLegendWidth = 8;

// A set of oil maps: every value in the oil unit, the legends 8 wide, every
// interval asked with the oil maps' dialog.
constexpr MapSet OilMaps(const MapTexts& wording) {
  return {wording, texts::kOilUnit, kOilLegendWidth, kOilLegendWidth, &flavour::AskOilInterval};
}

using texts::kExpelledOilFile;
using texts::kUnexpelledOilFile;
// The unexpelled oil file cannot be opened (%s: its name).
inline constexpr const char* kOpenUnexpelledOilFailed = "打开未排油量文件%s错";

// The project name, the progress display started, the input files read and
// the cell area checked; nullopt when the export must end with -1 (a message
// has been shown where there was something to say).
std::optional<BasinInputs> LoadOilProject(HWND window, std::string& project);

// The input files read and the cell area, by which every oil quantity is
// divided, checked; nullopt, the message shown, when the export must end.
// openCaption: the caption of the messages that the age or horizon file
// cannot be opened.
std::optional<BasinInputs> LoadOilInputs(HWND window, const std::string& project,
                                         flavour::Caption openCaption);

// Opens the project's quantity file that nameFormat names (%s: the project);
// false, with openFailed (%s: the file name) shown, when it cannot be opened.
bool OpenQuantityFile(HWND window, InputFile& file, const char* nameFormat,
                      const std::string& project, const char* openFailed);

// The largest of the values, never below 0.
float LargestValue(std::span<const float> values);

}  // namespace strataplot
