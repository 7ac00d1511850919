// Small dialogs for the platform tests: templates in GBK and Dialog subclasses
// that behave as the library's interval, map kind and horizon dialogs do.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/dialog.h"

namespace platform::test_dialogs {

// GBK texts of the test templates.
#define GBK_OK "\xc8\xb7\xc8\xcf(&Y)"                         // 确认(&Y)
#define GBK_CANCEL "\xc8\xa1\xcf\xfb(&N)"                     // 取消(&N)
#define GBK_HINT "\xcc\xe1\xca\xbe"                           // 提示
#define GBK_PROMPT "\xbc\xe4\xbe\xe0:"                        // 间距:
#define GBK_SHASAN "\xc9\xb3\xc8\xfd\xb6\xce"                 // 沙三段
#define GBK_SHASI "\xc9\xb3\xcb\xc4\xb6\xce"                  // 沙四段
#define GBK_WHOLE "\xc7\xeb\xca\xe4\xc8\xeb\xd5\xfb\xca\xfd"  // 请输入整数
#define GBK_CHOOSE "\xd1\xa1\xd4\xf1\xb2\xe3\xce\xbb"         // 选择层位

inline constexpr const char* kMaxHint = "\xd7\xee\xb4\xf3\xd6\xb5 12";  // 最大值 12
// The interval dialog's controls as a transcript records them, its hint kMaxHint.
inline constexpr const char kIntervalControlsJson[] =
    R"j("controls":{"2000":"5","1":"确   认 (&Y)","2":"取    消 (&N)","1041":"间距:","1043":"最大值 12"})j";

inline constexpr unsigned kButton = kTabStop;
inline constexpr unsigned kRadio = kAutoRadio | kTabStop;

// An input field with its label left of it, and a titled frame around a hint.
inline const ControlTemplate kIntervalControls[] = {
    {2000, ControlKind::Edit, "", {195, 9, 35, 14}, kBorder | kAutoHScroll | kTabStop},
    {IDOK,
     ControlKind::PushButton,
     "\xc8\xb7   \xc8\xcf (&Y)",
     {40, 66, 60, 19},
     kDefaultButton | kButton},
    {IDCANCEL, ControlKind::PushButton, "\xc8\xa1    \xcf\xfb (&N)", {134, 66, 60, 19}, kButton},
    {1041, ControlKind::Label, GBK_PROMPT, {6, 10, 187, 14}, kAlignLeft},
    {kNoId, ControlKind::GroupBox, GBK_HINT, {5, 28, 225, 36}, 0},
    {1043, ControlKind::Label, "", {9, 38, 217, 21}, kAlignCenter},
};

// One radio group with an untitled frame inside it, then a second group.
inline const ControlTemplate kKindControls[] = {
    {IDOK, ControlKind::PushButton, GBK_OK, {110, 40, 44, 18}, kDefaultButton | kButton},
    {IDCANCEL, ControlKind::PushButton, GBK_CANCEL, {110, 101, 44, 18}, kButton},
    {2002, ControlKind::RadioButton, "A  a  (&A)", {10, 13, 86, 10}, kRadio | kGroup},
    {2003, ControlKind::RadioButton, "B(&B)", {10, 27, 85, 10}, kRadio},
    {kNoId, ControlKind::GroupBox, "", {3, 3, 100, 141}, 0},
    {8008, ControlKind::RadioButton, "W(&W)", {10, 98, 87, 10}, kRadio},
    {9001, ControlKind::RadioButton, "X", {10, 130, 87, 10}, kRadio | kGroup},
    {9002, ControlKind::RadioButton, "Y", {10, 140, 87, 10}, kRadio},
};

// A list with its label above it.
inline const ControlTemplate kHorizonControls[] = {
    {IDOK, ControlKind::PushButton, GBK_OK, {84, 7, 50, 19}, kDefaultButton | kButton},
    {IDCANCEL, ControlKind::PushButton, GBK_CANCEL, {84, 38, 50, 19}, kButton},
    {kNoId, ControlKind::Label, GBK_CHOOSE "(&S):", {8, 18, 68, 10}, kAlignLeft},
    {kNoId, ControlKind::GroupBox, "", {4, 5, 76, 61}, 0},
    {1061, ControlKind::ComboBox, "", {9, 30, 64, 67}, kDropDownList | kVScroll | kTabStop},
};

// The same with a list the user may type into.
inline const ControlTemplate kEditableHorizonControls[] = {
    {IDOK, ControlKind::PushButton, GBK_OK, {84, 7, 50, 19}, kDefaultButton | kButton},
    {IDCANCEL, ControlKind::PushButton, GBK_CANCEL, {84, 38, 50, 19}, kButton},
    {1061, ControlKind::ComboBox, "", {9, 30, 64, 40}, kDropDown | kVScroll | kTabStop},
};

inline const DialogTemplate kTemplates[] = {
    {"90002",
     GBK_PROMPT,
     "System",
     8,
     {60, 60, 235, 93},
     kModalFrame | kCaption,
     kIntervalControls},
    {"90003", "Kind", "System", 8, {60, 60, 159, 152}, kModalFrame | kCaption, kKindControls},
    {"HorizonDlg",
     "Horizon",
     "System",
     8,
     {60, 60, 137, 71},
     kModalFrame | kCaption,
     kHorizonControls},
    {"EditableHorizonDlg",
     "Horizon",
     "System",
     8,
     {60, 60, 137, 71},
     kModalFrame | kCaption,
     kEditableHorizonControls},
};

// Registers kTemplates for the life of the object.
class RegisteredTemplates {
 public:
  RegisteredTemplates() { RegisterDialogTemplates(this, kTemplates); }
  ~RegisteredTemplates() { UnregisterDialogTemplates(this); }
  RegisteredTemplates(const RegisteredTemplates&) = delete;
  RegisteredTemplates& operator=(const RegisteredTemplates&) = delete;
};

// Field 2000 takes a whole number; anything else is refused with a message
// owned by the dialog, and the dialog stays open.
class IntervalDialog : public Dialog {
 public:
  explicit IntervalDialog(std::string resource = "90002") : Dialog(std::move(resource), nullptr) {}
  int value = 5;
  std::string hint;  // GBK
  bool focusFirst = true;
  int refusals = 0;
  HWND window = nullptr;

 protected:
  bool OnInitDialog() override {
    window = Window();
    SetDlgItemText(2000, std::to_string(value));
    SetDlgItemText(1043, hint);
    return focusFirst;
  }
  void OnOK() override {
    bool whole = false;
    unsigned number = GetDlgItemInt(Window(), 2000, &whole, true);
    if (!whole) {
      ++refusals;
      MessageBox(Window(), GBK_WHOLE, nullptr, Icon::Information, Buttons::Ok);
      GotoDlgCtrl(2000);
      return;
    }
    value = static_cast<int>(number);
    EndDialog(IDOK);
  }
};

// The first radio group selects a kind: the checked button's position in it.
class KindDialog : public Dialog {
 public:
  KindDialog() : Dialog("90003", nullptr) {}
  int kind = 0;

 protected:
  bool OnInitDialog() override {
    CheckRadioButton(2002, 8008, kIds[kind]);
    return true;
  }
  void OnOK() override {
    for (int k = 0; k < 3; ++k) {
      if (IsDlgButtonChecked(kIds[k])) kind = k;
    }
    EndDialog(IDOK);
  }

 private:
  static constexpr int kIds[] = {2002, 2003, 8008};
};

// A list of names (GBK), the first selected; OK without a selection is refused.
class HorizonDialog : public Dialog {
 public:
  explicit HorizonDialog(std::vector<std::string> names, std::string resource = "HorizonDlg")
      : Dialog(std::move(resource), nullptr), names_(std::move(names)) {}
  std::string chosen;  // GBK

 protected:
  bool OnInitDialog() override {
    for (const std::string& name : names_) AddString(1061, name);
    if (!names_.empty()) SetCurSel(1061, 0);
    return true;
  }
  void OnOK() override {
    std::string text = GetDlgItemText(1061);
    if (text.empty()) {
      MessageBox(Window(), GBK_CHOOSE, nullptr, Icon::Information, Buttons::Ok);
      return;
    }
    chosen = text;
    EndDialog(IDOK);
  }

 private:
  std::vector<std::string> names_;
};

}  // namespace platform::test_dialogs
