// The backends the host installs.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui_backend.h"

namespace platform {

// Answers for the scripted backend, from the host's options. Each list is
// consumed in order; its last answer repeats.
struct ScriptedAnswers {
  // Dialogs with an input field: a text to type and confirm with OK,
  // "default" (the value the field held when the dialog opened, put back and
  // confirmed with OK, also after a refused text) or "cancel".
  std::vector<std::string> inputs{"default"};
  // Overwrite questions.
  std::vector<bool> overwrites{false};
  // Yes/No message boxes.
  bool yes = false;
  // Dialogs with a radio group: the position of the button to check (0 for
  // the first, in template order), or nullopt (or a position out of range) to
  // cancel.
  std::optional<int> radio = 0;
  // The transcript's answer for a radio dialog confirmed (such as the kind
  // code "sg"); empty: the checked button's text.
  std::string radioAnswer;
  // Dialogs with a list: the entry to choose (its text), "" to keep what the
  // dialog selected when it opened (the dialogs select the first entry), or
  // nullopt to cancel. A text that is not in a choose-only list cancels; an
  // editable list takes it as typed.
  std::optional<std::string> listEntry = std::string();
};

// Writes one JSON object per line for every message box, overwrite question,
// dialog, wait notice and progress step.
class PLATFORM_API Transcript {
 public:
  explicit Transcript(std::FILE* out) : out_(out) {}
  void Message(const MessageBoxRequest& request, int answer);
  void Overwrite(const std::string& path, bool answer);
  // Controls as shown when the dialog opened, and how it ended.
  void Dialog(const DialogTemplate& dialogTemplate, const std::string& title,
              const std::vector<ControlState>& opened, const std::string& answer, int result);
  void Wait(const std::string& text, bool show);
  void Progress(int total, int current);

 private:
  std::FILE* out_;
};

// What a person declined at the terminal.
struct Declined {
  enum class What { Dialog, Overwrite, Question };
  What what = What::Dialog;
  // The dialog's template (resource id or name), the file's path, or the
  // question's text.
  std::string name;
  // A dialog's input field as it opened (the suggested value); else empty.
  std::string value;
};

// How the terminal backend meets the host's commands.
struct TerminalSettings {
  // Codes that also choose the buttons of a radio group of as many buttons,
  // in template order (such as the gas map kind codes): shown beside the
  // buttons, and the transcript's answer when one is chosen.
  std::vector<std::string> radioCodes;
  // What the export does after the person declined, for the line that
  // reports it: "已取消“TITLE”：" followed by this text (empty: the line says
  // only what was declined). The line is shown, never recorded.
  std::function<std::string(const Declined&)> whatFollows;
};

// Creates the terminal backend: questions on the terminal (standard error for
// what is shown, standard input for answers). transcript may be null.
//
// Every answer takes one key or one line: a typed value and Enter confirm a
// dialog (OK); an empty line confirms what is suggested (for an input field,
// the value it opened with); Escape or Ctrl-D cancels at once. Radio groups
// and lists take a number, a shortcut letter or a code (radioCodes), or an
// empty line for the current choice. Yes/No questions take Y or N at once and
// Enter for their default (Yes; No for the overwrite question).
PLATFORM_API std::unique_ptr<UiBackend> MakeTerminalBackend(Transcript* transcript,
                                                            TerminalSettings settings = {});
// The same on the given streams (UTF-8): out shows, in answers. On a terminal
// the keys are read in raw mode and echoed by the backend; the progress
// overprints one line only when out is a terminal; answers read from a stream
// that is not a terminal are echoed to out when each is complete. The caller
// keeps both streams open while the backend lives.
PLATFORM_API std::unique_ptr<UiBackend> MakeTerminalBackend(Transcript* transcript, std::FILE* in,
                                                            std::FILE* out,
                                                            TerminalSettings settings = {});

// Where the scripted backend shows what it does: progress and wait notices
// when out is a terminal; with messages, also the text of every message box
// with an OK button (not the questions), one line each as
// "strataplot: TEXT", line breaks in the text becoming blanks.
struct ScriptedDisplay {
  std::FILE* out = stderr;
  bool messages = false;
};

// Creates the scripted backend: every question answered from answers, nothing
// asked. Progress and wait notices still go to standard error when it is a
// terminal. transcript may be null.
//
// A dialog is answered by what it holds, whatever its template: one with an
// input field takes the next of inputs (a text the dialog refuses counts as one
// answer and the next is typed; the last answer refused again cancels); one
// with radio buttons checks radio and confirms; one with a list chooses
// listEntry and confirms (a list the dialog refuses cancels); any other is
// confirmed. Every question is recorded in the transcript as it is answered;
// a dialog when it ends, with its controls as they were when it opened.
PLATFORM_API std::unique_ptr<UiBackend> MakeScriptedBackend(ScriptedAnswers answers,
                                                            Transcript* transcript,
                                                            ScriptedDisplay display = {});

}  // namespace platform
