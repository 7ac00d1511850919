#include "exports/exports.h"

#include "oilmaps/oilmaps.h"

std::int32_t MakePaiYou(HWND window) { return strataplot::MakePaiYou(window); }
