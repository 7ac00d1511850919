// The quantity each kind of gas map takes from a record of the gas intensity
// file. Kept apart from the reader so that it can be used and tested alone.
#include <cmath>

#include "gasmaps/gas_intensity_file.h"

namespace strataplot {

std::optional<double> GasQuantity(GasMapKind kind, const GasRecord& record) {
  switch (kind) {
    case kGasGeneration:
      return record.generated;
    case kGasExpulsion:
      return record.expelled;
    case kFreePhaseExpulsion:
      return record.freePhase;
    case kWaterPhaseExpulsion:
      return record.waterPhase;
    case kOilPhaseExpulsion:
      return record.oilPhase;
    case kDiffusionExpulsion:
      return record.diffusionPhase;
    case kUnexpelledGas:
      return std::fabs(static_cast<double>(record.generated) -
                       static_cast<double>(record.expelled));
    case kDeepGeneration:
      return record.deepGenerated;
    case kDeepExpulsion:
      if (!(record.generated > 0)) return std::nullopt;
      return static_cast<double>(record.deepGenerated) / static_cast<double>(record.generated) *
             static_cast<double>(record.expelled);
  }
  return std::nullopt;
}

}  // namespace strataplot
