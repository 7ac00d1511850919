// The gas intensity map export.
#pragma once

#include "platform/platform.h"

namespace strataplot {

// Gas intensity maps of the kind the user picks: one per horizon (horizons
// whose largest value is too small are skipped) and the all-horizon total.
// 1 when the total map was written; -1 otherwise (failure, cancellation,
// an existing map not to be replaced).
int MakeGasInten(HWND window);

}  // namespace strataplot
