// Modal dialogs from templates: the template registry, the running dialog
// (the session a backend drives) and the framework's and the plain way's
// control operations on it.
//
// A running dialog keeps its control texts in UTF-8, as the backends show
// them; the dialog side reads and writes GBK, converted at this boundary.

#include "platform/dialog.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/cancel.h"
#include "platform/ui_backend.h"

namespace platform {
namespace {

// ---- Template registry ---------------------------------------------------------------

struct ModuleTemplates {
  const void* module;
  std::span<const DialogTemplate> templates;
};

// Newest registration first, so that a module loaded later is searched first.
// Never destroyed: modules withdraw their templates while the process exits,
// in whatever order the destructors of the loaded objects run.
std::vector<ModuleTemplates>& Registry() {
  static auto* registry = new std::vector<ModuleTemplates>;
  return *registry;
}

// ---- Text conversion -----------------------------------------------------------------

std::string ForDisplay(const char* gbk) { return gbk ? GbkForDisplay(gbk) : std::string(); }

// Length of the UTF-8 sequence that starts with lead, 1 for a stray byte.
std::size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

// UTF-8 typed by the user to GBK; a character GBK does not have becomes '?'.
std::string ToGbk(std::string_view utf8) {
  if (auto whole = Utf8ToGbk(utf8)) return *whole;
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    std::size_t len = std::min(Utf8Length(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    if (auto piece = Utf8ToGbk(utf8.substr(i, len))) {
      out += *piece;
    } else {
      out += '?';
    }
    i += len;
  }
  return out;
}

}  // namespace

void RegisterDialogTemplates(const void* module, std::span<const DialogTemplate> templates) {
  UnregisterDialogTemplates(module);
  auto& registry = Registry();
  registry.insert(registry.begin(), ModuleTemplates{module, templates});
}

void UnregisterDialogTemplates(const void* module) {
  std::erase_if(Registry(), [module](const ModuleTemplates& m) { return m.module == module; });
}

const DialogTemplate* FindDialogTemplate(const std::string& resource) {
  for (const ModuleTemplates& m : Registry()) {
    for (const DialogTemplate& t : m.templates) {
      if (t.resource != nullptr && resource == t.resource) return &t;
    }
  }
  return nullptr;
}

std::vector<std::size_t> RadioGroup(const std::vector<ControlState>& controls, std::size_t index) {
  if (index >= controls.size() || controls[index].kind != ControlKind::RadioButton) return {};
  std::size_t first = index;
  while (first > 0 && (controls[first].style & kGroup) == 0) --first;
  std::vector<std::size_t> group;
  for (std::size_t i = first; i < controls.size(); ++i) {
    if (i > first && (controls[i].style & kGroup) != 0) break;
    if (controls[i].kind == ControlKind::RadioButton) group.push_back(i);
  }
  return group;
}

// ---- The running dialog ------------------------------------------------------------------

// One modal run of a dialog, for either way of running it. Its address is the
// dialog's window handle while it runs.
class DialogRun final : public DialogSession {
 public:
  DialogRun(const DialogTemplate& dialogTemplate, Dialog* dialog, DLGPROC procedure, bool owned)
      : template_(dialogTemplate), dialog_(dialog), procedure_(procedure), owned_(owned) {
    title_ = ForDisplay(dialogTemplate.title);
    for (const ControlTemplate& c : dialogTemplate.controls) {
      ControlState state;
      state.id = c.id;
      state.kind = c.kind;
      state.style = c.style;
      state.rect = c.rect;
      state.text = ForDisplay(c.text);
      controls_.push_back(std::move(state));
    }
    Live().push_back(this);
  }

  ~DialogRun() override { std::erase(Live(), this); }

  DialogRun(const DialogRun&) = delete;
  DialogRun& operator=(const DialogRun&) = delete;

  HWND Handle() { return reinterpret_cast<HWND>(this); }

  // The running dialog behind a handle, or nullptr.
  static DialogRun* From(HWND handle) {
    for (DialogRun* run : Live()) {
      if (reinterpret_cast<HWND>(run) == handle) return run;
    }
    return nullptr;
  }

  // Opening: the dialog's initialisation.
  void Initialize(std::intptr_t param) {
    bool focusFirst = dialog_ != nullptr ? dialog_->OnInitDialog()
                                         : procedure_(Handle(), WM_INITDIALOG, 0, param) != 0;
    if (focusFirst) FocusFirstTabStop();
  }

  // Hands the open dialog to the backend; returns the result it ended with.
  // A run asked to end closes it as cancelled and goes on ending.
  std::intptr_t Run(UiBackend& backend) {
    if (!CancelRequested()) backend.RunDialog(*this);
    if (!ended_ || CancelRequested()) End(IDCANCEL);
    ThrowIfCancelled();
    return result_;
  }

  void End(std::intptr_t result) {
    ended_ = true;
    result_ = result;
  }

  // ---- The dialog's side: GBK texts -------------------------------------------------

  void SetTitle(std::string_view gbk) { title_ = GbkForDisplay(gbk); }

  bool SetText(int id, std::string_view gbk) {
    ControlState* c = Find(id);
    if (c == nullptr) return false;
    std::string text = GbkForDisplay(gbk);
    if (IsDropDownList(*c)) {
      // A list without an edit field shows only its entries: the text selects
      // one (an empty text clears the selection).
      if (text.empty()) {
        SelectItem(*c, -1);
        return true;
      }
      auto it = std::find(c->items.begin(), c->items.end(), text);
      if (it == c->items.end()) return false;
      SelectItem(*c, static_cast<int>(it - c->items.begin()));
      return true;
    }
    c->text = std::move(text);
    return true;
  }

  std::optional<std::string> Text(int id) const {
    const ControlState* c = Find(id);
    if (c == nullptr) return std::nullopt;
    return ToGbk(c->text);
  }

  bool CheckRange(int firstId, int lastId, int checkedId) {
    bool any = false;
    for (ControlState& c : controls_) {
      if (c.kind != ControlKind::RadioButton || c.id < firstId || c.id > lastId) continue;
      c.checked = c.id == checkedId;
      any = true;
    }
    return any;
  }

  bool IsChecked(int id) const {
    const ControlState* c = Find(id);
    return c != nullptr && c->checked;
  }

  int AddItem(int id, std::string_view gbk) {
    ControlState* c = FindCombo(id);
    if (c == nullptr) return -1;
    c->items.push_back(GbkForDisplay(gbk));
    return static_cast<int>(c->items.size()) - 1;
  }

  void SetSelection(int id, int index) {
    if (ControlState* c = FindCombo(id)) SelectItem(*c, index);
  }

  int Selection(int id) const {
    const ControlState* c = FindCombo(id);
    return c != nullptr ? c->selected : -1;
  }

  int ItemCount(int id) const {
    const ControlState* c = FindCombo(id);
    return c != nullptr ? static_cast<int>(c->items.size()) : 0;
  }

  std::string Item(int id, int index) const {
    const ControlState* c = FindCombo(id);
    if (c == nullptr || index < 0 || index >= static_cast<int>(c->items.size())) return {};
    return ToGbk(c->items[static_cast<std::size_t>(index)]);
  }

  bool SetFocus(int id) {
    if (Find(id) == nullptr) return false;
    focus_ = id;
    ++focusMoves_;
    return true;
  }

  // ---- DialogSession: the backend's side, UTF-8 ---------------------------------------

  const DialogTemplate& Template() const override { return template_; }
  std::string Title() const override { return title_; }
  const std::vector<ControlState>& Controls() const override { return controls_; }
  int Focus() const override { return focus_; }
  unsigned FocusMoves() const override { return focusMoves_; }
  bool Owned() const override { return owned_; }

  void TypeText(int id, const std::string& text) override {
    ControlState* c = Find(id);
    if (ended_ || c == nullptr) return;
    if (c->kind == ControlKind::Edit) {
      c->text = text;
    } else if (c->kind == ControlKind::ComboBox && (c->style & kDropDown) != 0) {
      c->text = text;
      c->selected = -1;
    }
  }

  void Check(int id) override {
    if (ended_) return;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
      ControlState& c = controls_[i];
      if (c.id != id || c.kind != ControlKind::RadioButton) continue;
      if ((c.style & kAutoRadio) != 0) {
        for (std::size_t other : RadioGroup(controls_, i)) controls_[other].checked = false;
      }
      c.checked = true;
      return;
    }
  }

  void Select(int id, int index) override {
    if (ended_) return;
    if (ControlState* c = FindCombo(id)) SelectItem(*c, index);
  }

  void PressOk() override { Command(IDOK); }
  void PressCancel() override { Command(IDCANCEL); }

  bool Ended() const override { return ended_; }
  int Result() const override { return static_cast<int>(result_); }

  void SetAnswer(const std::string& answer) override { answer_ = answer; }
  const std::string& Answer() const override { return answer_; }

 private:
  static std::vector<DialogRun*>& Live() {
    static std::vector<DialogRun*> live;
    return live;
  }

  static bool IsDropDownList(const ControlState& c) {
    return c.kind == ControlKind::ComboBox && (c.style & kDropDown) == 0;
  }

  ControlState* Find(int id) {
    if (id == kNoId) return nullptr;
    auto it = std::find_if(controls_.begin(), controls_.end(),
                           [id](const ControlState& c) { return c.id == id; });
    return it != controls_.end() ? &*it : nullptr;
  }
  const ControlState* Find(int id) const { return const_cast<DialogRun*>(this)->Find(id); }

  ControlState* FindCombo(int id) {
    ControlState* c = Find(id);
    return c != nullptr && c->kind == ControlKind::ComboBox ? c : nullptr;
  }
  const ControlState* FindCombo(int id) const {
    return const_cast<DialogRun*>(this)->FindCombo(id);
  }

  // An index out of range clears the selection, as -1 does.
  static void SelectItem(ControlState& c, int index) {
    if (index < 0 || index >= static_cast<int>(c.items.size())) {
      c.selected = -1;
      if (IsDropDownList(c)) c.text.clear();
      return;
    }
    c.selected = index;
    c.text = c.items[static_cast<std::size_t>(index)];
  }

  void FocusFirstTabStop() {
    for (const ControlState& c : controls_) {
      if ((c.style & kTabStop) != 0) {
        focus_ = c.id;
        ++focusMoves_;
        return;
      }
    }
  }

  void Command(int id) {
    if (ended_) return;
    if (dialog_ != nullptr) {
      if (id == IDOK) {
        dialog_->OnOK();
      } else {
        dialog_->OnCancel();
      }
    } else {
      procedure_(Handle(), WM_COMMAND, static_cast<std::uintptr_t>(id), 0);
    }
  }

  const DialogTemplate& template_;
  Dialog* dialog_;     // the framework's way
  DLGPROC procedure_;  // the plain way
  bool owned_;
  std::string title_;
  std::vector<ControlState> controls_;
  int focus_ = kNoId;
  unsigned focusMoves_ = 0;
  bool ended_ = false;
  std::intptr_t result_ = 0;
  std::string answer_;
};

// ---- The framework's way ---------------------------------------------------------------

Dialog::Dialog(std::string resource, HWND owner) : resource_(std::move(resource)), owner_(owner) {}

Dialog::~Dialog() = default;

int Dialog::DoModal() {
  const DialogTemplate* dialogTemplate = FindDialogTemplate(resource_);
  UiBackend* backend = InstalledUiBackend();
  if (dialogTemplate == nullptr || backend == nullptr || run_ != nullptr) return -1;
  // A null owner makes the host's main window the owner: always owned.
  DialogRun run(*dialogTemplate, this, nullptr, true);
  run_ = &run;
  struct Detach {
    DialogRun*& run;
    ~Detach() { run = nullptr; }
  } detach{run_};
  run.Initialize(0);
  return static_cast<int>(run.Run(*backend));
}

void Dialog::EndDialog(int result) {
  if (run_) run_->End(result);
}

HWND Dialog::Window() const { return run_ ? run_->Handle() : nullptr; }

void Dialog::SetWindowText(const std::string& title) {
  if (run_) run_->SetTitle(title);
}

void Dialog::SetDlgItemText(int id, const std::string& text) {
  if (run_) run_->SetText(id, text);
}

std::string Dialog::GetDlgItemText(int id) const {
  if (!run_) return {};
  return run_->Text(id).value_or(std::string());
}

void Dialog::CheckRadioButton(int firstId, int lastId, int checkedId) {
  if (run_) run_->CheckRange(firstId, lastId, checkedId);
}

bool Dialog::IsDlgButtonChecked(int id) const { return run_ && run_->IsChecked(id); }

int Dialog::AddString(int id, const std::string& text) {
  return run_ ? run_->AddItem(id, text) : -1;
}

void Dialog::SetCurSel(int id, int index) {
  if (run_) run_->SetSelection(id, index);
}

int Dialog::GetCurSel(int id) const { return run_ ? run_->Selection(id) : -1; }

int Dialog::GetCount(int id) const { return run_ ? run_->ItemCount(id) : 0; }

std::string Dialog::GetLBText(int id, int index) const {
  return run_ ? run_->Item(id, index) : std::string();
}

void Dialog::GotoDlgCtrl(int id) {
  if (run_) run_->SetFocus(id);
}

// ---- The plain way ------------------------------------------------------------------------

std::intptr_t DialogBoxParam(const DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure,
                             std::intptr_t param) {
  UiBackend* backend = InstalledUiBackend();
  if (backend == nullptr || procedure == nullptr) return -1;
  DialogRun run(dialogTemplate, nullptr, procedure, owner != nullptr);
  run.Initialize(param);
  return run.Run(*backend);
}

bool EndDialog(HWND dialog, std::intptr_t result) {
  DialogRun* run = DialogRun::From(dialog);
  if (run == nullptr) return false;
  run->End(result);
  return true;
}

bool SetDlgItemText(HWND dialog, int id, const char* text) {
  DialogRun* run = DialogRun::From(dialog);
  return run != nullptr && run->SetText(id, text != nullptr ? text : "");
}

std::string GetDlgItemText(HWND dialog, int id) {
  DialogRun* run = DialogRun::From(dialog);
  if (run == nullptr) return {};
  return run->Text(id).value_or(std::string());
}

bool SetDlgItemInt(HWND dialog, int id, unsigned value, bool isSigned) {
  std::string text = isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
  return SetDlgItemText(dialog, id, text.c_str());
}

unsigned GetDlgItemInt(HWND dialog, int id, bool* translated, bool isSigned) {
  if (translated != nullptr) *translated = false;
  DialogRun* run = DialogRun::From(dialog);
  if (run == nullptr) return 0;
  std::optional<std::string> text = run->Text(id);
  if (!text) return 0;
  std::string_view s = *text;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  bool negative = false;
  if (isSigned && !s.empty() && s.front() == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  if (s.empty()) return 0;
  // The magnitude, with room for the largest unsigned and the smallest int.
  std::uint64_t magnitude = 0;
  for (char ch : s) {
    if (ch < '0' || ch > '9') return 0;
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(ch - '0');
    if (magnitude > 0xFFFFFFFFull) return 0;
  }
  if (isSigned) {
    if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull) return 0;
    std::int64_t value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (translated != nullptr) *translated = true;
    return static_cast<unsigned>(static_cast<int>(value));
  }
  if (translated != nullptr) *translated = true;
  return static_cast<unsigned>(magnitude);
}

bool CheckRadioButton(HWND dialog, int firstId, int lastId, int checkedId) {
  DialogRun* run = DialogRun::From(dialog);
  return run != nullptr && run->CheckRange(firstId, lastId, checkedId);
}

bool IsDlgButtonChecked(HWND dialog, int id) {
  DialogRun* run = DialogRun::From(dialog);
  return run != nullptr && run->IsChecked(id);
}

int ComboAddString(HWND dialog, int id, const char* text) {
  DialogRun* run = DialogRun::From(dialog);
  return run != nullptr ? run->AddItem(id, text != nullptr ? text : "") : -1;
}

bool SetFocusTo(HWND dialog, int id) {
  DialogRun* run = DialogRun::From(dialog);
  return run != nullptr && run->SetFocus(id);
}

}  // namespace platform
