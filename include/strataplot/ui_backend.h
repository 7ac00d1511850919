// The user-interface backend: what a host implements to show the library's
// message boxes, overwrite questions, dialogs, progress and wait notices, and
// what it sees of a running dialog. The terminal, the scripted answers of
// batch runs and the windows of our programs are such backends. Provided by
// libstrataplot-platform.so.1.
//
// Everything here is UTF-8: the library's own code page stays inside.
// Every call comes on the thread that runs the export, while it runs; each
// call blocks the export until it returns (all interaction is modal).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "strataplot/api.h"

namespace platform {

enum class Icon { None, Information, Error, Question };
enum class Buttons { Ok, YesNo };

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// A control's place in dialog units.
struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};

enum class ControlKind { PushButton, Edit, Label, GroupBox, RadioButton, ComboBox };

// Control styles that matter to the behaviour or to a backend's rendering.
enum ControlStyle : unsigned {
  kDefaultButton = 1u << 0,
  kTabStop = 1u << 1,
  kGroup = 1u << 2,  // starts a group (radio buttons)
  kAutoRadio = 1u << 3,
  kAlignLeft = 1u << 4,
  kAlignCenter = 1u << 5,
  kBorder = 1u << 6,
  kAutoHScroll = 1u << 7,
  kDropDownList = 1u << 8,  // combo box: choose from the list only
  kDropDown = 1u << 9,      // combo box: the user may also type
  kVScroll = 1u << 10,
};

constexpr int kNoId = -1;

// The template a dialog was built from: internal to the library (its texts
// are in the library's code page). Hosts go by Title() and Controls().
struct DialogTemplate;

struct MessageBoxRequest {
  std::string text;
  std::optional<std::string> caption;  // nullopt: the host application's title
  Icon icon = Icon::Information;
  Buttons buttons = Buttons::Ok;
  bool owned = false;  // owned by a window (the export's or a dialog's)
};

// The state of one control of a running dialog.
struct ControlState {
  int id = kNoId;
  ControlKind kind = ControlKind::Label;
  unsigned style = 0;
  Rect rect;
  std::string text;                // label, button or input field text; a combo box's edit text
  bool checked = false;            // radio buttons
  std::vector<std::string> items;  // combo boxes
  int selected = -1;               // combo boxes: selected item, -1 for none
};

// The positions (in controls) of the radio buttons in the same group as the
// radio button at position index, in template order; empty when that control
// is not a radio button. As with Windows dialogs, a control with kGroup
// starts a group (the first control starts one too) and the group runs up to
// the next control with kGroup; controls without kGroup in between, such as a
// group frame, neither end nor start it, they are just not radio buttons.
STRATAPLOT_API std::vector<std::size_t> RadioGroup(const std::vector<ControlState>& controls,
                                                   std::size_t index);

// The accelerator of a control text, as every backend takes it: the character
// after a lone '&' ("&&" stands for one '&'), a whole UTF-8 character, an
// ASCII letter in upper case: "确认(&Y)" has "Y", "层位(&s):" has "S", "&层"
// has "层". Empty when the text has none.
STRATAPLOT_API std::string AcceleratorOf(std::string_view text);
// True when the typed character (UTF-8) is the text's accelerator, an ASCII
// letter in either case.
STRATAPLOT_API bool IsAcceleratorOf(std::string_view typed, std::string_view text);
// The text as shown, without the markers: "&&" shows one '&'.
STRATAPLOT_API std::string WithoutAcceleratorMarks(std::string_view text);

// A running dialog as a backend drives it.
class STRATAPLOT_API DialogSession {
 public:
  virtual ~DialogSession() = default;
  virtual const DialogTemplate& Template() const = 0;
  virtual std::string Title() const = 0;
  // In template order; the controls change while the dialog runs but are
  // never added or removed, so references to them stay valid.
  virtual const std::vector<ControlState>& Controls() const = 0;
  virtual int Focus() const = 0;  // id of the control with the keyboard focus, kNoId if none
  // How often the dialog moved the focus (when it opened and in its handlers),
  // so that a backend also sees a move to the control that had the focus.
  virtual unsigned FocusMoves() const = 0;
  // True when the dialog has an owner window (the host's main window).
  virtual bool Owned() const = 0;

  // The user's actions. Each may run the dialog's own handlers, which may show
  // message boxes and may end the dialog.
  virtual void TypeText(int id, const std::string& text) = 0;  // replaces the text
  virtual void Check(int id) = 0;                              // radio button
  virtual void Select(int id, int index) = 0;                  // combo box item
  virtual void PressOk() = 0;                                  // the default button, or Enter
  virtual void PressCancel() = 0;  // the cancel button, Escape or the close box

  virtual bool Ended() const = 0;
  virtual int Result() const = 0;

  // What the user typed or chose last, for the transcript: the text typed,
  // "default" for the value suggested, "cancel".
  virtual void SetAnswer(const std::string& answer) = 0;
  virtual const std::string& Answer() const = 0;
};

class STRATAPLOT_API UiBackend {
 public:
  virtual ~UiBackend() = default;
  // Returns IDOK, IDYES or IDNO.
  virtual int ShowMessage(const MessageBoxRequest& request) = 0;
  // The file (UTF-8 path) exists: may it be replaced?
  virtual bool AskOverwrite(const std::string& path) = 0;
  // Drives the open dialog until it has ended. The session may already have
  // ended (its initialisation ended it); if the backend returns with the
  // dialog still open, the dialog ends with IDCANCEL. A backend that waits
  // for the user (here and in ShowMessage, AskOverwrite) returns soon after a
  // cancel is requested (strataplot/cancel.h), from whatever thread, closing
  // what it shows; the platform layer then ends the run.
  virtual void RunDialog(DialogSession& session) = 0;
  virtual void Progress(int total, int current) = 0;
  virtual void Wait(const std::string& text, bool show) = 0;
  // How far the file (UTF-8 name) being read is: done bytes of size (0: not
  // known). Between progress steps, a few times per file; shown only, never
  // recorded.
  virtual void Reading(const std::string& file, std::uint64_t done, std::uint64_t size) {
    (void)file;
    (void)done;
    (void)size;
  }
  // The export has returned; completed: it wrote everything it was asked
  // for. A progress display ends (at its total when completed).
  virtual void Finished(bool completed) { (void)completed; }
};

// Installs the backend every message box, question and dialog goes to (the
// caller keeps ownership). nullptr removes it: boxes then answer IDOK or IDNO
// and dialogs cannot be shown.
STRATAPLOT_API void InstallUiBackend(UiBackend* backend);
STRATAPLOT_API UiBackend* InstalledUiBackend();

// What every backend shows for UiBackend::Reading, UTF-8: "读取 demo.doe 35%
// (1.2 GB / 3.5 GB)", or without a size "读取 demo.doe 12.0 MB".
STRATAPLOT_API std::string ReadingText(const std::string& file, std::uint64_t done,
                                       std::uint64_t size);

}  // namespace platform
