// The scripted backend: every question answered from the host's options,
// nothing asked. It is also the recording fake of the tests (with a
// Transcribing around it).
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui_backend.h"

namespace console {

// Answers, from the host's options. Each list is consumed in order; its last
// answer repeats.
struct ScriptedAnswers {
  // Dialogs with an input field (--interval): a text to type and confirm with
  // OK, "default" (the value the field held when the dialog opened, put back
  // and confirmed with OK, also after a refused text) or "cancel".
  std::vector<std::string> inputs{"default"};
  // Overwrite questions (--overwrite).
  std::vector<bool> overwrites{false};
  // Yes/No message boxes (--deep).
  bool yes = false;
  // Dialogs with a radio group (--kind): the position of the button to check
  // (0 for the first, in template order), or nullopt to cancel.
  std::optional<int> radio = 0;
  // Dialogs with a list (--horizon): the entry to choose (its text), "" to
  // keep what the dialog selected when it opened (the dialogs select the
  // first entry), or nullopt to cancel. A text that is not in a choose-only
  // list cancels; an editable list takes it as typed.
  std::optional<std::string> listEntry = std::string();
};

// Where the scripted backend shows what it does: progress and wait notices
// when out is a terminal; with messages, also the text of every message box
// with an OK button (not the questions), one line each as
// "strataplot: TEXT", line breaks in the text becoming blanks. An answer that
// cannot be applied (a position beyond the radio buttons, an entry that is
// not in the list, the last text refused again) is always said on out, with
// the option it came from, before the dialog is cancelled.
// With lines, every such line goes there instead (without its line end) and
// out shows nothing, neither progress nor wait notices.
struct ScriptedDisplay {
  std::FILE* out = stderr;
  bool messages = false;
  std::function<void(const std::string& line)> lines;
};

// A dialog is answered by what it holds, whatever its template: one with an
// input field takes the next of inputs (a text the dialog refuses counts as
// one answer and the next is typed; the last answer refused again cancels);
// one with radio buttons checks radio and confirms; one with a list chooses
// listEntry and confirms (a list the dialog refuses cancels); any other is
// confirmed. The answer each dialog is given is set as the session's answer.
std::unique_ptr<platform::UiBackend> MakeScriptedBackend(ScriptedAnswers answers,
                                                         ScriptedDisplay display = {});

}  // namespace console
