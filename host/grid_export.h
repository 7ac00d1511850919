// What the host and its grid module share: the module's one entry point,
// which makes the completed-map hook that writes the grids and contours.
#pragma once

#include <vector>

#include "grids/formats.h"
#include "platform/completed_map.h"

namespace host {

class GridExportSink : public platform::CompletedMapSink {
 public:
  // The number of files that could not be written.
  virtual int Failures() const = 0;
};

inline constexpr const char* kGridModule = "libstrataplot-grids.so";
inline constexpr const char* kMakeGridExportSink = "StrataplotMakeGridExportSink";
// The caller owns the sink, which keeps copies of the format lists.
using MakeGridExportSink = GridExportSink* (*)(const std::vector<grids::Format>& gridFormats,
                                               const std::vector<grids::Format>& contourFormats);

}  // namespace host
