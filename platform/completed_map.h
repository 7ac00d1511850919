// The completed-map hook: the library hands every map whose file it has
// written and closed successfully to whatever the host installed, so that the
// host can write the same map in other forms (standard grids, contour lines,
// a viewer) without the library knowing about them.
//
// Nothing is called for a map that was declined, cancelled or failed: only
// after the map file is complete. Everything handed over is borrowed for the
// duration of the call.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace platform {

struct CompletedMap {
  std::string_view
      fileName;            // GBK, as the map file was created (relative to the current directory)
  std::string_view title;  // GBK
  std::string_view unit;   // GBK, the unit text of the map
  int interval = 1;        // the contour interval the classes were made with (at least 1)
  // The simulation grid: row 0 lies at originY, row r at originY - r x cellSizeY;
  // column c at originX + c x cellSizeX.
  float originX = 0, originY = 0;
  float cellSizeX = 0, cellSizeY = 0;
  int rowCount = 0, columnCount = 0;
  std::span<const std::uint8_t> mask;  // rowCount x columnCount, row by row; non-zero: active
  std::span<const float> values;       // one per active cell, row by row, in the map's unit
};

// The map's values over its whole grid, row by row, with `outside` at the
// cells outside the area; nullopt when the counts do not fit (a negative
// count, a mask that is not rows x columns, or not one value per active cell).
PLATFORM_API std::optional<std::vector<float>> CellsOf(const CompletedMap& map, float outside);

class PLATFORM_API CompletedMapSink {
 public:
  virtual ~CompletedMapSink() = default;
  // Called once per completed map, in the order the maps are written.
  virtual void MapCompleted(const CompletedMap& map) = 0;
};

// Installs the sink (the caller keeps ownership); nullptr removes it.
PLATFORM_API void InstallCompletedMapSink(CompletedMapSink* sink);

// Hands a completed map to the installed sink, if there is one.
PLATFORM_API void ReportCompletedMap(const CompletedMap& map);

}  // namespace platform
