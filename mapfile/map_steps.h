// The steps of writing one map of a set, the same for the oil and the gas
// maps: the map created (after the overwrite question) and its head written;
// then, its values known, the contour interval asked, the body written and the
// map closed. Each step shows its failure itself, the message naming the file.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "flavour/build_flavour.h"
#include "mapfile/map_file.h"
#include "platform/platform.h"
#include "project/basin_inputs.h"

namespace strataplot {

// The texts of a set of maps: a map per horizon and the total of all
// horizons. In the formats, the horizon texts take the horizon name (the file
// name also its number from 1), the total texts the project name. The hints
// take the largest value, then the unit; the prompts take the unit last (the
// horizon prompt after the horizon name). A text that words its unit itself
// leaves it out, and the unit handed to it is not used.
struct MapTexts {
  const char* horizonFile;
  const char* horizonTitle;
  const char* horizonHint;
  const char* horizonPrompt;
  const char* totalFile;
  const char* totalTitle;
  const char* totalHint;
  const char* totalPrompt;
  const char* completion;           // the project name twice
  const char* horizonCreateFailed;  // the file name
  const char* totalCreateFailed;    // the file name
  const char* caption;              // of the interval dialog; "" keeps its title
};

// A set of maps as an export writes it.
struct MapSet {
  MapTexts texts;
  const char* unit;  // the heads' unit record, and the last value of the hints and prompts
  int horizonLegendWidth;
  int totalLegendWidth;
  // The contour interval dialog of the family (flavour::AskOilInterval or
  // flavour::AskGasInterval): each keeps its own interval, and a cancelled one
  // ends the export or not as the family and the build have it.
  std::optional<int> (*askInterval)(const flavour::IntervalRequest& request);
};

// Asks whether the map of horizon h (from 0) may be written, creates it and
// writes its head.
MapFile::Opened StartHorizonMap(HWND window, MapFile& map, const MapSet& maps,
                                const BasinInputs& inputs, int h);
MapFile::Opened StartTotalMap(HWND window, MapFile& map, const MapSet& maps,
                              const BasinInputs& inputs, const std::string& project);

// The rest of a map whose head is written and whose values are known: the
// interval prompt, the body, the close. False when the export must end (the
// map stays as it stands when the prompt ended it, and goes with the MapFile;
// a message has been shown for a failure).
bool CompleteHorizonMap(HWND window, MapFile& map, const MapSet& maps, const BasinInputs& inputs,
                        int h, std::span<const float> values, float largest);
bool CompleteTotalMap(HWND window, MapFile& map, const MapSet& maps, const BasinInputs& inputs,
                      std::span<const float> values, float largest);

// The completion message naming the set's files, the project name in both
// places.
void ShowMapsWritten(HWND window, const MapSet& maps, const std::string& project);

}  // namespace strataplot
