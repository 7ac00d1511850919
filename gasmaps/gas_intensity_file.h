// The gas intensity file "gasr.out": records of seven gas amounts per unit
// area for one active cell and one horizon, folded as they are read into the
// one quantity a gas map kind needs.
#pragma once

#include <optional>
#include <vector>

#include "platform/platform.h"
#include "project/basin_inputs.h"

namespace strataplot {

// The nine kinds of gas map, in the order of the map type dialog's buttons.
enum GasMapKind : int {
  kGasGeneration = 0,
  kGasExpulsion = 1,
  kFreePhaseExpulsion = 2,
  kWaterPhaseExpulsion = 3,
  kOilPhaseExpulsion = 4,
  kDiffusionExpulsion = 5,
  kUnexpelledGas = 6,
  kDeepGeneration = 7,
  kDeepExpulsion = 8,
};
inline constexpr int kGasMapKindCount = 9;

// The fields of one record that carry amounts.
struct GasRecord {
  float generated = 0, expelled = 0, freePhase = 0, waterPhase = 0, oilPhase = 0,
        diffusionPhase = 0, deepGenerated = 0;
};

// The amount a record adds to a map of the kind, or nullopt when it adds
// nothing (a deep expulsion record whose generated gas is 0 or less).
std::optional<double> GasQuantity(GasMapKind kind, const GasRecord& record);

struct GasAccumulation {
  // [horizon][cell]: entry i belongs to the cell of active index i; one entry
  // per active cell.
  std::vector<std::vector<float>> horizonGrids;
  std::vector<float> horizonMaxima;  // running maxima, never below 0
  std::vector<float> totalGrid;
  float totalMaximum = 0;
  int lastCellNumber = 0;
};

// Reads "gasr.out" from the current directory for the kind, under a wait
// notice. nullopt when the file cannot be opened, is damaged or cut short, names
// a cell or horizon the project does not have (a cell number outside 1 to the
// active count), holds no positive or too small a value, or does not end with
// the last active cell (the message has been shown).
std::optional<GasAccumulation> ReadGasIntensityFile(HWND window, GasMapKind kind,
                                                    const BasinInputs& inputs);

}  // namespace strataplot
