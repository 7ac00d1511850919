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
// The chosen gas map kind: 0 to 8 in the shared-framework build, 1 to 9 in
// the static-framework build.
inline int gasMapKind = 0;
// The horizon of the saturation profile, kept between calls (GBK).
inline std::string selectedHorizon;
// Static-framework build: whether the last dialog was confirmed.
inline bool lastDialogConfirmed = false;

}  // namespace strataplot::module_state
