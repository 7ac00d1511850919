#include "exports/exports.h"

#include <new>

#include "flavour/build_flavour.h"
#include "gasmaps/gasmaps.h"
#include "oilmaps/oilmaps.h"
#include "platform/cancel.h"
#include "project/texts.h"
#include "saprofile/saprofile.h"

namespace {

// The last resort when memory runs out all the same: what the export had
// allocated is freed on the way out and nothing half-written is left; a
// message says why, and the export fails. A run asked to end unwinds the
// same way, silently (platform/cancel.h).
template <typename Export>
std::int32_t Guarded(HWND window, Export run) {
  try {
    return run();
  } catch (const platform::Cancelled&) {
    return -1;
  } catch (const std::bad_alloc&) {
    try {
      strataplot::flavour::ShowFailure(window, strataplot::texts::kOutOfMemory);
    } catch (const std::bad_alloc&) {
      // Not even the message could be shown.
    } catch (const platform::Cancelled&) {
      // Asked to end meanwhile: no message.
    }
    return -1;
  }
}

}  // namespace

std::int32_t MakePaiYou(HWND window) {
  return Guarded(window, [window] { return strataplot::MakePaiYou(window); });
}

std::int32_t MakeUnYou(HWND window) {
  return Guarded(window, [window] { return strataplot::MakeUnYou(window); });
}

std::int32_t MakeShengYou(HWND window) {
  return Guarded(window, [window] { return strataplot::MakeShengYou(window); });
}

std::int32_t MakeGasInten(HWND window) {
  return Guarded(window, [window] { return strataplot::MakeGasInten(window); });
}

std::int32_t MakeSa(HWND window, std::int32_t mode) {
  return Guarded(window, [window, mode] { return strataplot::MakeSa(window, mode); });
}
