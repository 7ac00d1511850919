// The user interface the host installs while an export runs.
#pragma once

#include <memory>
#include <string>

#include "host/options.h"
#include "platform/backends.h"

namespace host {

// The terminal when a person is there (standard input is a terminal and
// --batch is not given); otherwise the answers of the options, with the
// library's messages echoed to standard error unless --quiet. transcript may
// be null.
std::unique_ptr<platform::UiBackend> MakeUserInterface(const Options& options,
                                                       platform::Transcript* transcript);

// The scripted backend's answers from the options.
platform::ScriptedAnswers ScriptedAnswersFrom(const BatchAnswers& answers);

// What the command's export does after the person declined something at the
// terminal, in words for the line that reports it.
std::string WhatFollows(Command command, const platform::Declined& declined);

}  // namespace host
