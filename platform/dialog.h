// Modal dialogs built from dialog templates.
//
// A template is data: resource id or name, title, font, size and position in
// dialog units, and the controls in tab order. A dialog's behaviour is written
// only against control operations (set and get text, check a radio button,
// fill and select a list), so the same dialog runs in every user-interface
// backend: the backend shows the controls and feeds the user's actions back.
//
// Two ways to run a dialog, as the two builds of the library need them:
// - the framework's way: a Dialog subclass names its template by resource id;
//   DoModal finds it among the templates that loaded modules registered
//   (RegisterDialogTemplates);
// - the plain way: DialogBoxParam with a template the caller holds and a
//   dialog procedure that receives WM_INITDIALOG and WM_COMMAND.
// Texts handed in and out here are GBK.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

// Rect, ControlKind, ControlStyle and kNoId: strataplot/ui_backend.h.

enum DialogStyle : unsigned {
  kModalFrame = 1u << 0,
  kCaption = 1u << 1,
  kSysMenu = 1u << 2,
  kCentered = 1u << 3,
  kMinimizeBox = 1u << 4,
};

struct ControlTemplate {
  int id;  // kNoId for controls without one
  ControlKind kind;
  const char* text;  // GBK
  Rect rect;
  unsigned style;
};

struct DialogTemplate {
  const char* resource;  // "10002" or a template name such as "GetOilDlg"
  const char* title;     // GBK
  const char* font;      // GBK
  int fontSize;
  Rect rect;
  unsigned style;
  std::span<const ControlTemplate> controls;  // template order = tab order
};

// Registers the templates of a loaded module with the framework, so that
// Dialog::DoModal finds them by resource id; withdrawn by UnregisterDialogTemplates.
// The templates are not copied: they must stay in place while registered.
// Registering a module again replaces its templates.
PLATFORM_API void RegisterDialogTemplates(const void* module,
                                          std::span<const DialogTemplate> templates);
PLATFORM_API void UnregisterDialogTemplates(const void* module);
// The registered template of that resource, or nullptr. The module registered
// last is searched first.
PLATFORM_API const DialogTemplate* FindDialogTemplate(const std::string& resource);

class DialogRun;

// The framework's dialog class.
class PLATFORM_API Dialog {
 public:
  // The template is looked up by resource id when DoModal runs. A null owner
  // makes the host application's main window the owner.
  Dialog(std::string resource, HWND owner);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs modally: IDOK, IDCANCEL, or -1 when the dialog cannot be shown (no
  // such template registered, no user interface installed, or this dialog
  // object is already running). A dialog that the backend leaves open (it
  // refused every way out) ends with IDCANCEL.
  int DoModal();

 protected:
  // Called once the controls exist with their template texts. Return value
  // as the framework's: true lets the framework put the focus on the first
  // tab stop.
  virtual bool OnInitDialog() { return true; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }

  // The control operations below act on the running dialog; before DoModal
  // opened it and after it ended they do nothing and return empty values.
  void EndDialog(int result);
  // The dialog's own window, owner of message boxes it shows; also a handle
  // for the plain way's functions below. Null while the dialog is not running.
  HWND Window() const;

  void SetWindowText(const std::string& title);
  void SetDlgItemText(int id, const std::string& text);
  std::string GetDlgItemText(int id) const;
  void CheckRadioButton(int firstId, int lastId, int checkedId);
  bool IsDlgButtonChecked(int id) const;
  // List operations on a combo box. AddString returns the new item's index,
  // -1 when id is not a combo box.
  int AddString(int id, const std::string& text);
  void SetCurSel(int id, int index);  // -1 clears the selection
  int GetCurSel(int id) const;        // -1 when nothing is selected
  int GetCount(int id) const;
  std::string GetLBText(int id, int index) const;
  // Moves the keyboard focus to the control, selecting an input field's text.
  void GotoDlgCtrl(int id);

 private:
  friend class DialogRun;  // the running dialog calls the handlers above
  std::string resource_;
  HWND owner_;
  DialogRun* run_ = nullptr;
};

// ---- The plain way -------------------------------------------------------------------

constexpr unsigned WM_INITDIALOG = 0x0110;
constexpr unsigned WM_COMMAND = 0x0111;
constexpr unsigned WM_CLOSE = 0x0010;

// Dialog procedure: returns non-zero when it handled the message.
using DLGPROC = std::intptr_t (*)(HWND dialog, unsigned message, std::uintptr_t wParam,
                                  std::intptr_t lParam);

// Runs the dialog modally from the caller's template: WM_INITDIALOG (wParam 0,
// lParam = param) when it opens (a non-zero return puts the focus on the first
// tab stop), WM_COMMAND with the control id for the buttons (IDOK for the
// default button and Enter, IDCANCEL for Escape and the close box). Returns
// what the procedure passed to EndDialog, or -1 when the dialog cannot be
// created (no user interface installed). A dialog that the backend leaves open
// ends with IDCANCEL.
//
// The handle the procedure receives is valid while the dialog runs; the
// functions below return false (or 0, or an empty text) for any other handle
// or for a control id the dialog does not have.
PLATFORM_API std::intptr_t DialogBoxParam(const DialogTemplate& dialogTemplate, HWND owner,
                                          DLGPROC procedure, std::intptr_t param);

PLATFORM_API bool EndDialog(HWND dialog, std::intptr_t result);
PLATFORM_API bool SetDlgItemText(HWND dialog, int id, const char* text);
PLATFORM_API std::string GetDlgItemText(HWND dialog, int id);
// Writes value in decimal: as a signed number (static_cast<int>) when isSigned.
PLATFORM_API bool SetDlgItemInt(HWND dialog, int id, unsigned value, bool isSigned);
// The control's text as a decimal number. Unsigned: optional leading blanks,
// digits, nothing else, at most 4294967295. Signed: the same with an optional
// '-' before the digits, within the range of int, returned as its unsigned
// bit pattern. Otherwise 0 with *translated false (translated may be null).
PLATFORM_API unsigned GetDlgItemInt(HWND dialog, int id, bool* translated, bool isSigned);
// CheckRadioButton checks checkedId and clears every other radio button whose
// id lies in [firstId, lastId].
PLATFORM_API bool CheckRadioButton(HWND dialog, int firstId, int lastId, int checkedId);
PLATFORM_API bool IsDlgButtonChecked(HWND dialog, int id);
// Returns the new item's index, -1 when there is no such combo box.
PLATFORM_API int ComboAddString(HWND dialog, int id, const char* text);
PLATFORM_API bool SetFocusTo(HWND dialog, int id);

}  // namespace platform
