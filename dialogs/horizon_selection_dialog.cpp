#include "dialogs/horizon_selection_dialog.h"

#include <utility>
#include <vector>

#include "common/common.h"
#include "dialogs/dialog_outcome.h"
#include "dialogs/module_state.h"
#include "dialogs/templates.h"
#include "project/input_file.h"
#include "project/texts.h"

namespace strataplot {

namespace {

constexpr const char* kOpenHorizonNamesFailed = "打开烃源岩名文件 %s 失败";
constexpr const char* kChooseHorizon = "请选择一个烃源岩层位";

// The names of the project's horizon file, whole and in file order. Without a
// project there is no file to read: no names, and nothing shown. When the
// file cannot be opened, reportFailure gets the message and there are no names.
template <typename ReportFailure>
std::vector<std::string> ReadHorizonNames(HWND owner, ReportFailure reportFailure) {
  std::vector<std::string> names;
  std::string project;
  if (GetProjName(owner, project) == 0) return names;
  InputFile file;
  if (!file.Open(project + ".isc")) {
    reportFailure(Format(kOpenHorizonNamesFailed, file.Name().c_str()));
    return names;
  }
  std::string name;
  while (file.ReadText(name)) names.push_back(name);
  return names;
}

// A list shows its entries in UTF-8, and the plain way's list holds texts up
// to a NUL byte: a name holding a NUL byte, or bytes that start no whole
// character, is listed in its readable form (as messages show it), and
// choosing that form gives the whole name back (which then cannot name a
// file). Kept from the opening of the dialog to its end.
std::vector<std::pair<std::string, std::string>> listedReadably;  // shown, whole

std::string ShownInList(const std::string& name) {
  if (name.find('\0') == std::string::npos && platform::GbkToUtf8(name)) return name;
  std::string shown = ReadableName(name);
  listedReadably.emplace_back(shown, name);
  return shown;
}

std::string WholeName(const std::string& shown) {
  for (const auto& [text, whole] : listedReadably) {
    if (text == shown) return whole;
  }
  return shown;
}

}  // namespace

PreSaLayerDlg::PreSaLayerDlg() : platform::Dialog(templates::kHorizonSelection.resource, nullptr) {}

bool PreSaLayerDlg::OnInitDialog() {
  std::vector<std::string> names = ReadHorizonNames(Window(), [this](const std::string& text) {
    platform::MessageBox(Window(), text.c_str(), nullptr, platform::Icon::Information,
                         platform::Buttons::Ok);
  });
  listedReadably.clear();
  for (const std::string& name : names) AddString(templates::kHorizonList, ShownInList(name));
  if (!names.empty()) SetCurSel(templates::kHorizonList, 0);
  wholeNames_ = std::move(names);
  return true;
}

void PreSaLayerDlg::OnOK() {
  int selected = GetCurSel(templates::kHorizonList);
  if (selected < 0) {
    platform::MessageBox(Window(), kChooseHorizon, nullptr, platform::Icon::Information,
                         platform::Buttons::Ok);
    return;
  }
  // The entry's name as the horizon file holds it, not as the list shows it.
  chosenName = static_cast<std::size_t>(selected) < wholeNames_.size()
                   ? wholeNames_[static_cast<std::size_t>(selected)]
                   : GetLBText(templates::kHorizonList, selected);
  EndDialog(platform::IDOK);
}

std::intptr_t PreSaLayerDlgProc(HWND dialog, unsigned message, std::uintptr_t wParam,
                                std::intptr_t /*lParam*/) {
  constexpr int kList = templates::kHorizonComboStatic;
  if (message == platform::WM_INITDIALOG) {
    // Every name is listed, however many; the first is put in the edit field
    // without selecting a list entry.
    std::vector<std::string> names = ReadHorizonNames(dialog, [](const std::string& text) {
      platform::MessageBox(nullptr, text.c_str(), "", platform::Icon::Error, platform::Buttons::Ok);
    });
    listedReadably.clear();
    for (std::string& name : names) name = ShownInList(name);
    for (const std::string& name : names) platform::ComboAddString(dialog, kList, name.c_str());
    if (!names.empty()) platform::SetDlgItemText(dialog, kList, names.front().c_str());
    return 1;
  }
  if (message != platform::WM_COMMAND) return 0;
  if (wParam == platform::IDOK) {
    // Whatever the field holds, typed or chosen, even nothing, and whole.
    module_state::selectedHorizon = WholeName(platform::GetDlgItemText(dialog, kList));
    return EndProcedureDialog(dialog, true);
  }
  if (wParam == platform::IDCANCEL) return EndProcedureDialog(dialog, false);
  return 0;
}

}  // namespace strataplot
