// placeholder: the horizon selection dialog is being written.
#include "dialogs/horizon_selection_dialog.h"

#include "dialogs/templates.h"

namespace strataplot {

PreSaLayerDlg::PreSaLayerDlg() : platform::Dialog(templates::kHorizonSelection.resource, nullptr) {}
bool PreSaLayerDlg::OnInitDialog() { return true; }
void PreSaLayerDlg::OnOK() { EndDialog(platform::IDOK); }
std::intptr_t PreSaLayerDlgProc(HWND, unsigned, std::uintptr_t, std::intptr_t) { return 0; }

}  // namespace strataplot
