// The observers a host may install: of every file the library writes whole
// (to list a map or profile, or open it, as soon as it is complete), and of
// every completed map with its values (to write it in other forms or show
// it). Provided by libstrataplot-platform.so.1.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "strataplot/api.h"

namespace platform {

// Called on the thread that runs the export. Paths are UTF-8 as the library
// named the file: relative names are relative to the working directory.
class STRATAPLOT_API WrittenFileObserver {
 public:
  virtual ~WrittenFileObserver() = default;
  // A file the library created was closed with all its data stored and has
  // its name.
  virtual void FileWritten(const std::string& path) = 0;
  // A file was removed by the library.
  virtual void FileRemoved(const std::string& path) = 0;
};

// Installs the observer (the caller keeps ownership and keeps it alive while
// installed); nullptr removes it. Install it before an export starts and
// remove it after the export returned.
STRATAPLOT_API void InstallWrittenFileObserver(WrittenFileObserver* observer);

}  // namespace platform

namespace strataplot {

// A map whose file the library has written and closed successfully; texts in
// UTF-8. Everything is borrowed for the duration of the call.
struct CompletedMap {
  std::string fileName;  // as the map file was named (relative to the working directory)
  std::string title;
  std::string unit;  // the unit text of the map
  int interval = 1;  // the contour interval the classes were made with (at least 1)
  // The simulation grid: row 0 lies at originY, row r at originY - r x
  // cellSizeY; column c at originX + c x cellSizeX.
  float originX = 0, originY = 0;
  float cellSizeX = 0, cellSizeY = 0;
  int rowCount = 0, columnCount = 0;
  std::span<const std::uint8_t> mask;  // rowCount x columnCount, row by row; non-zero: active
  std::span<const float> values;       // one per active cell, row by row, in the map's unit
};

// Called on the thread that runs the export, once per completed map, in the
// order the maps are written; never for a map declined, cancelled or failed.
class STRATAPLOT_API CompletedMapObserver {
 public:
  virtual ~CompletedMapObserver() = default;
  virtual void MapCompleted(const CompletedMap& map) = 0;
};

// Installs the observer (the caller keeps ownership and keeps it alive while
// installed); nullptr removes it. Not during an export.
STRATAPLOT_API void InstallCompletedMapObserver(CompletedMapObserver* observer);

}  // namespace strataplot
