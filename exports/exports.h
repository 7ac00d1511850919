// The library's exported entry points, as the host resolves them by their
// (decorated) names. Each takes the host's window handle and returns 1 on
// success, -1 on failure or cancellation, and 0 where an export says so.
#pragma once

#include <cstdint>

#include "platform/platform.h"

#define STRATAPLOT_EXPORT __attribute__((visibility("default")))

STRATAPLOT_EXPORT std::int32_t MakePaiYou(HWND window);
STRATAPLOT_EXPORT std::int32_t MakeUnYou(HWND window);
STRATAPLOT_EXPORT std::int32_t MakeShengYou(HWND window);
STRATAPLOT_EXPORT std::int32_t MakeGasInten(HWND window);
// The saturation profile also takes the mode (1, 2 or any other).
STRATAPLOT_EXPORT std::int32_t MakeSa(HWND window, std::int32_t mode);
