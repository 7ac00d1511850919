#include "platform/completed_map.h"

#include <algorithm>

namespace platform {
namespace {

CompletedMapSink* installed = nullptr;

}  // namespace

std::optional<std::vector<float>> CellsOf(const CompletedMap& map, float outside) {
  if (map.rowCount < 0 || map.columnCount < 0 ||
      map.mask.size() !=
          static_cast<std::size_t>(map.rowCount) * static_cast<std::size_t>(map.columnCount) ||
      map.values.size() !=
          static_cast<std::size_t>(std::count_if(map.mask.begin(), map.mask.end(),
                                                 [](std::uint8_t on) { return on != 0; }))) {
    return std::nullopt;
  }
  std::vector<float> cells(map.mask.size(), outside);
  std::size_t next = 0;
  for (std::size_t cell = 0; cell < cells.size(); ++cell) {
    if (map.mask[cell] != 0) cells[cell] = map.values[next++];
  }
  return cells;
}

void InstallCompletedMapSink(CompletedMapSink* sink) { installed = sink; }

void ReportCompletedMap(const CompletedMap& map) {
  if (installed != nullptr) installed->MapCompleted(map);
}

}  // namespace platform
