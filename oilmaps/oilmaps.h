// The oil intensity map exports. Each reads the project's input files and
// one or two of its oil quantity files and writes an intensity map per
// horizon and one of all horizons together.
#pragma once

#include "platform/platform.h"

namespace strataplot {

// Oil expulsion maps, then, if the user wants it, the same for the deep-layer
// expulsion. 1: both passes written; 0: the deep pass declined, or an
// existing horizon map not to be replaced; -1: failure, or an existing total
// map not to be replaced.
int MakePaiYou(HWND window);

// Present-day unexpelled oil maps. 1: all written; -1: failure, or any
// existing map not to be replaced.
int MakeUnYou(HWND window);

// Oil generation maps (expelled in all periods plus unexpelled at present).
// 1: all written; 0: an existing map not to be replaced; -1: failure.
int MakeShengYou(HWND window);

}  // namespace strataplot
