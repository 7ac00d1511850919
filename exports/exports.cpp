#include "exports/exports.h"

#include "gasmaps/gasmaps.h"
#include "oilmaps/oilmaps.h"
#include "saprofile/saprofile.h"

std::int32_t MakePaiYou(HWND window) { return strataplot::MakePaiYou(window); }

std::int32_t MakeUnYou(HWND window) { return strataplot::MakeUnYou(window); }

std::int32_t MakeShengYou(HWND window) { return strataplot::MakeShengYou(window); }

std::int32_t MakeGasInten(HWND window) { return strataplot::MakeGasInten(window); }

std::int32_t MakeSa(HWND window, std::int32_t mode) { return strataplot::MakeSa(window, mode); }
