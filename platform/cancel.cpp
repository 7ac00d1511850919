#include "platform/cancel.h"

#include <atomic>

namespace platform {
namespace {

constinit std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler may raise the flag");

}  // namespace

void RequestCancel() noexcept { requested.store(true, std::memory_order_relaxed); }

bool CancelRequested() noexcept { return requested.load(std::memory_order_relaxed); }

void ResetCancel() noexcept { requested.store(false, std::memory_order_relaxed); }

const char* Cancelled::what() const noexcept { return "cancelled"; }

void ThrowIfCancelled() {
  if (CancelRequested()) throw Cancelled();
}

}  // namespace platform
