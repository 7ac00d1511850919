// The user-interface backend (installed header strataplot/ui_backend.h) with
// the dialog templates behind DialogSession::Template(), for our own backends.
//
// The host installs one backend: the terminal, the scripted answers of batch
// runs (both in console/), or the windows (qtui/); a transcript wraps any of
// them (console/transcript.h).
#pragma once

#include <strataplot/ui_backend.h>

#include "platform/dialog.h"
#include "platform/platform.h"
