// Work handed to a thread of its own where the system gives one.
#pragma once

#include <system_error>
#include <thread>

namespace platform {

// Runs work on a thread of its own, returned to be joined; where the system
// starts no thread, runs it here, and the thread returned is empty (not
// joinable). work is copied into the thread: what it refers to must outlive
// the join.
template <typename Work>
std::thread ThreadOrHere(Work work) {
  try {
    return std::thread(work);
  } catch (const std::system_error&) {
    work();
    return std::thread();
  }
}

}  // namespace platform
