// Module-level state of the library: lives as long as the library is loaded.
// Calls of the exports never overlap, so nothing here is guarded.
#pragma once

#include <string>

namespace strataplot::module_state {

// The contour interval of the oil maps and of the gas maps: every map sets it
// to its own default before its prompt.
inline int oilInterval = 10;
inline int gasInterval = 10;
// The texts of the current interval prompt (GBK).
inline std::string hintText;
inline std::string promptText;
// Static-framework build: whether the last dialog was confirmed.
inline bool lastDialogConfirmed = false;

}  // namespace strataplot::module_state
