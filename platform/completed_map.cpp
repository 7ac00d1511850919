#include "platform/completed_map.h"

#include <strataplot/observers.h>

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

namespace strataplot {
namespace {

// The public observer behind the completed-map hook, its texts in UTF-8.
class Utf8Sink final : public platform::CompletedMapSink {
 public:
  CompletedMapObserver* observer = nullptr;
  void MapCompleted(const platform::CompletedMap& map) override {
    CompletedMap utf8;
    utf8.fileName = platform::GbkForDisplay(map.fileName);
    utf8.title = platform::GbkForDisplay(map.title);
    utf8.unit = platform::GbkForDisplay(map.unit);
    utf8.interval = map.interval;
    utf8.originX = map.originX;
    utf8.originY = map.originY;
    utf8.cellSizeX = map.cellSizeX;
    utf8.cellSizeY = map.cellSizeY;
    utf8.rowCount = map.rowCount;
    utf8.columnCount = map.columnCount;
    utf8.mask = map.mask;
    utf8.values = map.values;
    observer->MapCompleted(utf8);
  }
};

}  // namespace

void InstallCompletedMapObserver(CompletedMapObserver* observer) {
  static Utf8Sink sink;
  sink.observer = observer;
  platform::InstallCompletedMapSink(observer != nullptr ? &sink : nullptr);
}

}  // namespace strataplot
