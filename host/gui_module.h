// What the host program and its gui module share: the module, loaded only for
// --gui so that terminal and batch runs map no Qt, and its one entry point,
// which runs RunWithWindows (host/gui_run.h).
#pragma once

#include <string>

#include "console/transcript.h"
#include "host/export_runner.h"

namespace host {

inline constexpr const char* kGuiModule = "libstrataplot-gui.so";
inline constexpr const char* kGuiEntry = "StrataplotRunWithWindows";
using GuiEntry = int (*)(const LoadedLibrary& library, Command command,
                         const std::string& gbkProject, int mode, console::Transcript* transcript);

}  // namespace host
