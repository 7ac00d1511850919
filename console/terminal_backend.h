// The terminal backend: message boxes, questions and dialogs as text on one
// stream (standard error) with the answers read key by key from another
// (standard input).
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui_backend.h"

namespace console {

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
  // buttons and typed to choose one.
  std::vector<std::string> radioCodes;
  // What the export does after the person declined, for the line that
  // reports it: "已取消“TITLE”：" followed by this text (empty: the line says
  // only what was declined). The line is shown, never recorded.
  std::function<std::string(const Declined&)> whatFollows;
};

// Questions on the terminal (standard error for what is shown, standard input
// for answers).
//
// Every answer takes one key or one line: a typed value and Enter confirm a
// dialog (OK); an empty line confirms what is suggested (for an input field,
// the value it opened with); Escape or Ctrl-D cancels at once. Radio groups
// and lists take a number, an accelerator letter or a code (radioCodes), or
// an empty line for the current choice. Yes/No questions take Y or N at once
// and Enter for their default (Yes; No for the overwrite question). The
// session's answer is the text typed, "default" for the suggested value, or
// "cancel".
std::unique_ptr<platform::UiBackend> MakeTerminalBackend(TerminalSettings settings = {});
// The same on the given streams (UTF-8): out shows, in answers. On a terminal
// the keys are read in raw mode and echoed by the backend; the progress
// overprints one line only when out is a terminal; answers read from a stream
// that is not a terminal are echoed to out when each is complete. The caller
// keeps both streams open while the backend lives.
std::unique_ptr<platform::UiBackend> MakeTerminalBackend(std::FILE* in, std::FILE* out,
                                                         TerminalSettings settings = {});

}  // namespace console
