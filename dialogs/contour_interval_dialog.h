// The contour interval dialogs: the user confirms or changes the interval of
// one map, seeing its largest value (hint text) and what is asked (prompt text).
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog.h"

namespace strataplot {

// The framework dialog on template 10002, one for every map of the library.
class GetOilDlg : public platform::Dialog {
 public:
  GetOilDlg();

  int value = 0;           // in: the default interval; out after OK: the interval typed
  std::string promptText;  // label 1041
  std::string hintText;    // label 1043
  std::string caption;     // replaces the title when not empty

 protected:
  bool OnInitDialog() override;
  // Takes the field only when it holds a whole decimal number, optionally
  // signed; anything else is refused with a message and the dialog stays open.
  void OnOK() override;
};

// The static-framework build's dialog procedures on the templates GetOilDlg
// and GETGASINTENDLG. They exchange the module-level interval and texts, end
// with 1 on OK and 0 on Cancel; the gas procedure records the outcome in the
// module-level flag.
std::intptr_t GetOilDlgProc(HWND dialog, unsigned message, std::uintptr_t wParam,
                            std::intptr_t lParam);
std::intptr_t GetGasIntenDlgProc(HWND dialog, unsigned message, std::uintptr_t wParam,
                                 std::intptr_t lParam);

}  // namespace strataplot
