// The gas map type dialog: one of the nine kinds of gas intensity map.
#pragma once

#include <cstdint>

#include "platform/dialog.h"

namespace strataplot {

// The framework dialog on template 10003.
class GetGasTypeDlg : public platform::Dialog {
 public:
  GetGasTypeDlg();
  int kind = 0;  // in and out: the position of the checked button, 0 to 8

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
};

// The static-framework build's procedure on the template GetGasTypeDlg: on OK
// stores the checked button's number from 1 in the module-level kind and
// records the confirmation; ends with 1 on OK and 0 on Cancel.
std::intptr_t GetGasTypeDlgProc(HWND dialog, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam);

}  // namespace strataplot
