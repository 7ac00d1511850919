#include "dialogs/contour_interval_dialog.h"

#include "dialogs/dialog_outcome.h"
#include "dialogs/module_state.h"
#include "dialogs/templates.h"
#include "scan/field_scan.h"

namespace strataplot {

namespace {
constexpr const char* kNotAWholeNumber = "请输入一个整数.";
}  // namespace

GetOilDlg::GetOilDlg() : platform::Dialog(templates::kContourInterval.resource, nullptr) {}

bool GetOilDlg::OnInitDialog() {
  SetDlgItemText(templates::kIntervalField, std::to_string(value));
  SetDlgItemText(templates::kPromptLabel, promptText);
  SetDlgItemText(templates::kHintLabel, hintText);
  if (!caption.empty()) SetWindowText(caption);
  return true;
}

void GetOilDlg::OnOK() {
  int typed = 0;
  if (!scan::ParseWhole(GetDlgItemText(templates::kIntervalField), typed)) {
    platform::MessageBox(Window(), kNotAWholeNumber, nullptr, platform::Icon::Information,
                         platform::Buttons::Ok);
    GotoDlgCtrl(templates::kIntervalField);
    return;
  }
  value = typed;
  EndDialog(platform::IDOK);
}

namespace {

// The part the two static procedures share: fill the dialog when it opens,
// read the interval on OK.
std::intptr_t IntervalProc(HWND dialog, unsigned message, std::uintptr_t wParam, int field,
                           int hintLabel, int& interval, bool recordOutcome) {
  if (message == platform::WM_INITDIALOG) {
    platform::SetFocusTo(dialog, field);
    platform::SetDlgItemInt(dialog, field, static_cast<unsigned>(interval), false);
    platform::SetDlgItemText(dialog, templates::kPromptLabel, module_state::promptText.c_str());
    platform::SetDlgItemText(dialog, hintLabel, module_state::hintText.c_str());
    return 1;
  }
  if (message != platform::WM_COMMAND) return 0;
  if (wParam == platform::IDOK) {
    bool translated = false;
    interval = static_cast<int>(platform::GetDlgItemInt(dialog, field, &translated, false));
    return EndProcedureDialog(dialog, true, recordOutcome);
  }
  if (wParam == platform::IDCANCEL) return EndProcedureDialog(dialog, false, recordOutcome);
  return 0;
}

}  // namespace

std::intptr_t GetOilDlgProc(HWND dialog, unsigned message, std::uintptr_t wParam,
                            std::intptr_t /*lParam*/) {
  return IntervalProc(dialog, message, wParam, templates::kIntervalField, templates::kHintLabel,
                      module_state::oilInterval, false);
}

std::intptr_t GetGasIntenDlgProc(HWND dialog, unsigned message, std::uintptr_t wParam,
                                 std::intptr_t /*lParam*/) {
  return IntervalProc(dialog, message, wParam, templates::kGasIntervalField,
                      templates::kGasHintLabel, module_state::gasInterval, true);
}

}  // namespace strataplot
