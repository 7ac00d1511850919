#include "dialogs/gas_type_dialog.h"

#include <iterator>

#include "dialogs/dialog_outcome.h"
#include "dialogs/module_state.h"
#include "dialogs/templates.h"

namespace strataplot {

namespace {

constexpr int kFirst = templates::kGasKindButtons[0];
constexpr int kLast = templates::kGasKindButtons[std::size(templates::kGasKindButtons) - 1];

// Position of the first checked button, in template order; -1 when none is.
template <typename IsChecked>
int CheckedPosition(IsChecked isChecked) {
  for (std::size_t i = 0; i < std::size(templates::kGasKindButtons); ++i) {
    if (isChecked(templates::kGasKindButtons[i])) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

GetGasTypeDlg::GetGasTypeDlg() : platform::Dialog(templates::kGasType.resource, nullptr) {}

bool GetGasTypeDlg::OnInitDialog() {
  if (kind >= 0 && kind < static_cast<int>(std::size(templates::kGasKindButtons))) {
    CheckRadioButton(kFirst, kLast, templates::kGasKindButtons[kind]);
  }
  return true;
}

void GetGasTypeDlg::OnOK() {
  int position = CheckedPosition([this](int id) { return IsDlgButtonChecked(id); });
  if (position >= 0) kind = position;
  EndDialog(platform::IDOK);
}

std::intptr_t GetGasTypeDlgProc(HWND dialog, unsigned message, std::uintptr_t wParam,
                                std::intptr_t /*lParam*/) {
  if (message == platform::WM_INITDIALOG) {
    platform::CheckRadioButton(dialog, kFirst, kLast, kFirst);
    return 1;
  }
  if (message != platform::WM_COMMAND) return 0;
  if (wParam == platform::IDOK) {
    int position =
        CheckedPosition([dialog](int id) { return platform::IsDlgButtonChecked(dialog, id); });
    if (position >= 0) module_state::gasMapKind = position + 1;
    return EndProcedureDialog(dialog, true);
  }
  if (wParam == platform::IDCANCEL) return EndProcedureDialog(dialog, false);
  return 0;
}

}  // namespace strataplot
