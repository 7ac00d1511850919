// The static-framework build: message boxes owned by the export's window, the
// error icon for failures, no icon for completion, a blank or empty caption;
// dialogs from the library's own templates by name through dialog procedures.
#include <cfloat>
#include <limits>

#include "dialogs/contour_interval_dialog.h"
#include "dialogs/gas_type_dialog.h"
#include "dialogs/horizon_selection_dialog.h"
#include "dialogs/module_state.h"
#include "dialogs/templates.h"
#include "flavour/build_flavour.h"
#include "project/texts.h"

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

namespace {

// Runs a dialog procedure on one of the library's templates; true when the
// dialog was created and confirmed. A dialog that cannot be created is -1.
std::optional<bool> RunConfirmed(const platform::DialogTemplate& dialogTemplate, HWND owner,
                                 platform::DLGPROC procedure) {
  module_state::lastDialogConfirmed = false;
  if (platform::DialogBoxParam(dialogTemplate, owner, procedure, 0) == -1) return std::nullopt;
  return module_state::lastDialogConfirmed;
}

}  // namespace

std::optional<int> AskGasMapKind(HWND window) {
  std::optional<bool> confirmed =
      RunConfirmed(templates::kGetGasTypeDlg, nullptr, GetGasTypeDlgProc);
  if (!confirmed) {
    platform::MessageBox(window, "无法建立该对话框.", "", platform::Icon::Error,
                         platform::Buttons::Ok);
    return std::nullopt;
  }
  if (!*confirmed) return std::nullopt;
  return module_state::gasMapKind - 1;  // this build numbers the kinds from 1
}

std::optional<int> AskGasInterval(const IntervalRequest& request) {
  module_state::gasInterval = request.defaultInterval;
  module_state::hintText = request.hint;
  module_state::promptText = request.prompt;
  if (RunConfirmed(templates::kGetGasIntenDlg, nullptr, GetGasIntenDlgProc) != true) {
    return std::nullopt;
  }
  return module_state::gasInterval;
}

const char* GasNoValueText() { return "本区无该值，不必计算"; }

const char* GasTooSmallText() { return "本区该值太小，不必计算"; }

// The dialog procedure keeps the chosen name itself.
bool ChooseSaturationHorizon(HWND window) {
  std::optional<bool> confirmed =
      RunConfirmed(templates::kPreSaLayerDlg, window, PreSaLayerDlgProc);
  if (!confirmed) {
    platform::MessageBox(window, "无法建立该对话框", " ", platform::Icon::Error,
                         platform::Buttons::Ok);
    return false;
  }
  return *confirmed;
}

std::string SelectedHorizon() { return module_state::selectedHorizon; }

void ShowDensityFileFailure(HWND window, const std::string& text) {
  platform::MessageBox(window, text.c_str(), " ", platform::Icon::Error, platform::Buttons::Ok);
}

void ShowSaturationFailure(HWND window, const std::string& text) {
  platform::MessageBox(window, text.c_str(), "计算SA", platform::Icon::Error,
                       platform::Buttons::Ok);
}

void ShowSaturationDone(HWND window, const std::string& path) {
  std::string text = Format("氯仿沥青A饱和度计算完毕.\n\t   \n 结果在文件%s中", path.c_str());
  platform::MessageBox(window, text.c_str(), "计算SA", platform::Icon::None, platform::Buttons::Ok);
}

// This build computes the saturation axis in extended precision.
float SaturationAxisEnd(float largest) {
  long double end = static_cast<long double>(largest) + static_cast<long double>(largest) / 5;
  // Beyond the largest 32-bit real the end is infinite, as the product of the
  // other build is.
  if (end > FLT_MAX) return std::numeric_limits<float>::infinity();
  if (end < -FLT_MAX) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(end);
}

float SaturationAxisTick(float largest) {
  long double tick = static_cast<long double>(largest) / 5;
  return tick > 1.0L ? static_cast<float>(tick) : 1.0f;
}

bool DeepPassReloadsInputs() { return true; }

}  // namespace strataplot::flavour
