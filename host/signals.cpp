#include "host/signals.h"

#include <signal.h>

#include "platform/platform.h"

namespace host {
namespace {

// Only async-signal-safe calls: unlink, sigaction, raise.
extern "C" void RemoveAndEnd(int number) {
  platform::RemovePartialFiles();
  struct sigaction fallback = {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(number, &fallback, nullptr);
  raise(number);
}

}  // namespace

void RemovePartialFilesOnSignals() {
  struct sigaction action = {};
  action.sa_handler = RemoveAndEnd;
  sigemptyset(&action.sa_mask);
  for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, number);
  for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
}

}  // namespace host
