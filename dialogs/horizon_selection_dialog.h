// The horizon selection dialog: one source-rock horizon of the project, from
// the names of its horizon file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog.h"

namespace strataplot {

// The framework dialog on template 10001.
class PreSaLayerDlg : public platform::Dialog {
 public:
  PreSaLayerDlg();
  std::string chosenName;  // after OK: the selected entry (GBK)

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  std::vector<std::string> wholeNames_;  // the horizon file's names, by list entry
};

// The static-framework build's procedure on the template PreSaLayerDlg: on OK
// stores the control's text in the module-level selected horizon and records
// the confirmation; ends with 1 on OK and 0 on Cancel.
std::intptr_t PreSaLayerDlgProc(HWND dialog, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam);

}  // namespace strataplot
