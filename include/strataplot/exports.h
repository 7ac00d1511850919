// The library's five exports as a C++ host finds them. The builds of the
// library (libstrataplot.so, the shared-framework build, and
// libstrataplot-static.so, the static-framework build) are modules to load
// with dlopen, not libraries to link: a host resolves each export with dlsym
// under the symbol named here and calls it through the function type.
//
// Contract of every export:
// - before: the current project is set (strataplot/project.h) and the process's
//   working directory is the project's directory (the library opens its files
//   by relative names); a user-interface backend is installed
//   (strataplot/ui_backend.h), or every message box answers OK or No and no
//   dialog can be shown;
// - the call is synchronous and runs on the calling thread, which is also the
//   thread of every backend and observer call it makes; calls must not overlap
//   in one loaded build, and only one export may run at a time in the process
//   (the user interface, the observers and the working directory are the
//   process's);
// - the window is an opaque token the library hands back to the backend as
//   the owner of its message boxes and dialogs; nullptr means no owner;
// - result: 1 when everything asked for was written, 0 where the export ended
//   early at the user's word (a map not replaced, the deep-layer pass
//   declined), -1 on failure or cancellation. Failures are told only through
//   the backend's message boxes; no exception leaves an export;
// - module-level state (the saturation profile's selected horizon) lasts as
//   long as the build stays loaded, and is shared by everything that loaded
//   the same build.
#pragma once

#include <cstdint>

// The window handle type of the exports' signatures (opaque).
struct HWND__;

namespace strataplot {

// The window a host hands to an export: an opaque token, never dereferenced
// by the library; nullptr means "no owner".
using Window = HWND__*;

using MakePaiYouFunction = std::int32_t (*)(Window window);    // oil expulsion maps
using MakeUnYouFunction = std::int32_t (*)(Window window);     // unexpelled oil maps
using MakeShengYouFunction = std::int32_t (*)(Window window);  // oil generation maps
using MakeGasIntenFunction = std::int32_t (*)(Window window);  // gas maps of one kind
// The saturation profile: mode 1 for the project, 2 to choose a horizon,
// any other to use the horizon chosen last.
using MakeSaFunction = std::int32_t (*)(Window window, std::int32_t mode);

// The symbols to resolve with dlsym.
inline constexpr char kMakePaiYouSymbol[] = "_Z10MakePaiYouP6HWND__";
inline constexpr char kMakeUnYouSymbol[] = "_Z9MakeUnYouP6HWND__";
inline constexpr char kMakeShengYouSymbol[] = "_Z12MakeShengYouP6HWND__";
inline constexpr char kMakeGasIntenSymbol[] = "_Z12MakeGasIntenP6HWND__";
inline constexpr char kMakeSaSymbol[] = "_Z6MakeSaP6HWND__i";

}  // namespace strataplot
