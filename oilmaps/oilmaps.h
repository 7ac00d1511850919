// The oil intensity map exports.
#pragma once

#include "platform/platform.h"

namespace strataplot {

// Oil expulsion intensity maps per horizon and in total, then, if the user
// wants it, the same for the deep-layer expulsion. 1: both passes written;
// 0: the deep pass declined, or an existing horizon map not to be replaced;
// -1: failure, or an existing total map not to be replaced.
int MakePaiYou(HWND window);

}  // namespace strataplot
