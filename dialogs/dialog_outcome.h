// How the static-framework build's dialog procedures end.
#pragma once

#include <cstdint>

#include "dialogs/module_state.h"
#include "platform/dialog.h"

namespace strataplot {

// Ends the dialog with 1 when confirmed and 0 when cancelled, recording the
// outcome in the module-level flag when asked to. Returns the procedure's
// "handled".
inline std::intptr_t EndProcedureDialog(HWND dialog, bool confirmed, bool recordOutcome = true) {
  if (recordOutcome) module_state::lastDialogConfirmed = confirmed;
  platform::EndDialog(dialog, confirmed ? 1 : 0);
  return 1;
}

}  // namespace strataplot
