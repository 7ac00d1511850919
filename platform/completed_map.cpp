#include "platform/completed_map.h"

namespace platform {
namespace {

CompletedMapSink* installed = nullptr;

}  // namespace

void InstallCompletedMapSink(CompletedMapSink* sink) { installed = sink; }

void ReportCompletedMap(const CompletedMap& map) {
  if (installed != nullptr) installed->MapCompleted(map);
}

}  // namespace platform
