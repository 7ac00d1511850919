// Steps the oil map exports share: the texts of a set of maps, and the
// opening and completing of a horizon map or of the total map.
#pragma once

#include <span>
#include <string>

#include "flavour/build_flavour.h"
#include "mapfile/map_file.h"
#include "project/basin_inputs.h"

namespace strataplot {

inline constexpr int kOilLegendWidth = 8;

// The texts of one export's maps (or of one pass of them). In the formats,
// the horizon texts take the horizon name (and the file name its number from
// 1), the total texts the project name, the hints the largest value.
struct OilMapTexts {
  const char* horizonFile;
  const char* horizonTitle;
  const char* horizonHint;
  const char* horizonPrompt;
  const char* horizonCreateFailed;
  const char* totalFile;
  const char* totalTitle;
  const char* totalHint;
  const char* totalPrompt;
  const char* totalCreateFailed;
  const char* completion;  // the project name twice
  const char* caption;     // of the interval dialog; "" keeps its title
};

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

// Asks whether the map of horizon h (from 0) may be written, creates it and
// writes its head.
MapFile::Opened StartHorizonMap(HWND window, MapFile& map, const OilMapTexts& texts,
                                const BasinInputs& inputs, int h);
MapFile::Opened StartTotalMap(HWND window, MapFile& map, const OilMapTexts& texts,
                              const BasinInputs& inputs, const std::string& project);

// The rest of a map whose head is written and whose values are known: the
// interval prompt, the body, the close. False when the export must end (the
// map stays as it stands when the prompt ended it; a message has been shown
// for a failure).
bool CompleteHorizonMap(HWND window, MapFile& map, const OilMapTexts& texts,
                        const BasinInputs& inputs, int h, std::span<const float> values,
                        float largest);
bool CompleteTotalMap(HWND window, MapFile& map, const OilMapTexts& texts,
                      const BasinInputs& inputs, std::span<const float> values, float largest);

// The largest of the values, never below 0.
float LargestValue(std::span<const float> values);

// The completion message with the project name in both places.
void ShowOilCompletion(HWND window, const OilMapTexts& texts, const std::string& project);

}  // namespace strataplot
