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

std::string RemoveStalePartialFiles(const std::string& directory) {
  const std::vector<std::string> removed = platform::RemoveStalePartialFiles(directory);
  if (removed.empty()) return {};
  std::string line = "removed " + std::to_string(removed.size()) +
                     (removed.size() == 1 ? " temporary file" : " temporary files") +
                     " that a run which did not finish left behind:";
  for (const std::string& name : removed) line += " " + name;
  return line;
}

}  // namespace host
