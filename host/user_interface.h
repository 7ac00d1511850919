// The user interface the host installs while an export runs.
#pragma once

#include <memory>
#include <string>

#include "console/scripted_backend.h"
#include "console/terminal_backend.h"
#include "console/transcript.h"
#include "host/options.h"

namespace host {

// The terminal when a person is there (standard input is a terminal and
// --batch is not given); otherwise the answers of the options, with the
// library's messages echoed to standard error unless --quiet.
std::unique_ptr<platform::UiBackend> MakeUserInterface(const Options& options);

// The transcript around the backend (the gas map kinds named by their
// codes), or nullptr without a transcript.
std::unique_ptr<platform::UiBackend> Transcribed(platform::UiBackend& backend,
                                                 console::Transcript* transcript);

using batch::ScriptedAnswersFrom;

// What the command's export does after the person declined something at the
// terminal, in words for the line that reports it.
std::string WhatFollows(Command command, const console::Declined& declined);

}  // namespace host
