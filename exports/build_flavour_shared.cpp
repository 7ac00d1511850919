// The shared-framework build: the framework's message boxes (no owner of the
// export's, the application's title, information icon), dialogs through the
// framework from the templates the library registers when it is loaded.
#include "dialogs/contour_interval_dialog.h"
#include "dialogs/gas_type_dialog.h"
#include "dialogs/horizon_selection_dialog.h"
#include "dialogs/module_state.h"
#include "dialogs/templates.h"
#include "flavour/build_flavour.h"
#include "project/texts.h"

namespace strataplot::flavour {

namespace {

// Extension-module registration: the templates are found by the framework
// from the moment the library is loaded until it is unloaded.
const char kModule = 0;

__attribute__((constructor)) void RegisterModule() {
  platform::RegisterDialogTemplates(&kModule, templates::FrameworkTemplates());
}

__attribute__((destructor)) void UnregisterModule() {
  platform::UnregisterDialogTemplates(&kModule);
}

}  // namespace

void ShowFailure(HWND /*window*/, const std::string& text, Caption /*caption*/) {
  platform::AfxMessageBox(text.c_str(), platform::Icon::Information, platform::Buttons::Ok);
}

void ShowCompletion(HWND /*window*/, const std::string& text) {
  platform::AfxMessageBox(text.c_str(), platform::Icon::Information, platform::Buttons::Ok);
}

bool AskYesNo(HWND /*window*/, const std::string& question) {
  return platform::AfxMessageBox(question.c_str(), platform::Icon::Question,
                                 platform::Buttons::YesNo) == platform::IDYES;
}

int DefaultContourInterval(float largest) {
  float scaled = largest * 0.1f;
  if (!(scaled < 2147483648.0f)) return 2147483647;
  return static_cast<int>(scaled);
}

namespace {

// The contour interval dialog for one map. The family's interval is set to
// the default first and to the typed value after OK; true for OK.
bool RunIntervalDialog(const IntervalRequest& request, int& interval) {
  interval = request.defaultInterval;
  module_state::hintText = request.hint;
  module_state::promptText = request.prompt;
  GetOilDlg dialog;
  dialog.value = interval;
  dialog.promptText = module_state::promptText;
  dialog.hintText = module_state::hintText;
  dialog.caption = request.caption;
  if (dialog.DoModal() != platform::IDOK) return false;
  interval = dialog.value;
  return true;
}

}  // namespace

std::optional<int> AskOilInterval(const IntervalRequest& request) {
  // Cancel keeps the default and the map goes on.
  RunIntervalDialog(request, module_state::oilInterval);
  return module_state::oilInterval;
}

std::optional<int> AskGasMapKind(HWND /*window*/) {
  GetGasTypeDlg dialog;
  if (dialog.DoModal() != platform::IDOK) return std::nullopt;
  module_state::gasMapKind = dialog.kind;
  return module_state::gasMapKind;
}

std::optional<int> AskGasInterval(const IntervalRequest& request) {
  if (!RunIntervalDialog(request, module_state::gasInterval)) return std::nullopt;
  return module_state::gasInterval;
}

const char* GasNoValueText() { return "本区无该值,不必计算"; }

const char* GasTooSmallText() { return "本区该值太小,不必计算"; }

bool ChooseSaturationHorizon(HWND /*window*/) {
  PreSaLayerDlg dialog;
  if (dialog.DoModal() != platform::IDOK) return false;
  module_state::selectedHorizon = dialog.chosenName;
  return true;
}

std::string SelectedHorizon() { return module_state::selectedHorizon; }

void ShowDensityFileFailure(HWND /*window*/, const std::string& text) {
  platform::MessageBox(nullptr, text.c_str(), nullptr, platform::Icon::Information,
                       platform::Buttons::Ok);
}

void ShowSaturationFailure(HWND window, const std::string& text) {
  platform::MessageBox(window, text.c_str(), "计算SA", platform::Icon::Information,
                       platform::Buttons::Ok);
}

void ShowSaturationDone(HWND window, const std::string& path) {
  std::string text = Format("氯仿沥青A饱和度计算完毕.\n\t\t\n 结果在文件%s中. ", path.c_str());
  platform::MessageBox(window, text.c_str(), "计算SA", platform::Icon::Information,
                       platform::Buttons::Ok);
}

float SaturationAxisEnd(float largest) { return 1.2f * largest; }

float SaturationAxisTick(float largest) {
  float tick = 0.2f * largest;
  return tick > 1.0f ? tick : 1.0f;
}

bool DeepPassReloadsInputs() { return false; }

}  // namespace strataplot::flavour
