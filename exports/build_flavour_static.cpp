// The static-framework build: message boxes owned by the export's window, the
// error icon for failures, no icon for completion, a blank or empty caption;
// dialogs from the library's own templates by name through dialog procedures.
#include "dialogs/contour_interval_dialog.h"
#include "dialogs/module_state.h"
#include "dialogs/templates.h"
#include "exports/build_flavour.h"

namespace strataplot::flavour {

void ShowFailure(HWND window, const std::string& text, Caption caption) {
  platform::MessageBox(window, text.c_str(), caption == Caption::Blank ? " " : "",
                       platform::Icon::Error, platform::Buttons::Ok);
}

void ShowCompletion(HWND window, const std::string& text) {
  platform::MessageBox(window, text.c_str(), "", platform::Icon::None, platform::Buttons::Ok);
}

bool AskYesNo(HWND window, const std::string& question) {
  return platform::MessageBox(window, question.c_str(), "", platform::Icon::Question,
                              platform::Buttons::YesNo) == platform::IDYES;
}

int DefaultContourInterval(float largest) {
  float quotient = largest / 10;
  if (!(quotient < 2147483648.0f)) return 2147483647;
  return static_cast<int>(quotient);
}

std::optional<int> AskOilInterval(const IntervalRequest& request) {
  module_state::oilInterval = request.defaultInterval;
  module_state::hintText = request.hint;
  module_state::promptText = request.prompt;
  // Cancel, or a dialog that cannot be created, ends the export.
  if (platform::DialogBoxParam(templates::kGetOilDlg, nullptr, GetOilDlgProc, 0) != 1) {
    return std::nullopt;
  }
  return module_state::oilInterval;
}

bool DeepPassReloadsInputs() { return true; }

}  // namespace strataplot::flavour
