// What the host and its grid module share: the module's one entry point,
// which makes the completed-map hook that writes the grids and contours.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "grids/formats.h"
#include "grids/map_export.h"
#include "grids/reference.h"
#include "grids/time_series.h"
#include "platform/completed_map.h"

namespace host {

class GridExportSink : public platform::CompletedMapSink {
 public:
  // The number of files that could not be written.
  virtual int Failures() const = 0;
};

inline constexpr const char* kGridModule = "libstrataplot-grids.so";
inline constexpr const char* kMakeGridExportSink = "StrataplotMakeGridExportSink";
// The caller owns the sink, which keeps copies of the format lists and the context.
using MakeGridExportSink = GridExportSink* (*)(const std::vector<grids::Format>& gridFormats,
                                               const std::vector<grids::Format>& contourFormats,
                                               const grids::ExportContext& context);

// The module's reading of a grid file's placement: grids::ReadGridPlacement.
inline constexpr const char* kReadGridPlacement = "StrataplotReadGridPlacement";
using ReadGridPlacement = std::optional<grids::GridPlacement> (*)(const std::string& path,
                                                                  std::string& error);

// The module's reading of a reference system: grids::ParseReference.
inline constexpr const char* kParseReference = "StrataplotParseReference";
using ParseReference = std::optional<grids::Reference> (*)(const std::string& text,
                                                           grids::GridUnit gridUnit,
                                                           std::string& error);

// The history command's writers, in the same module: the time series as
// GeoTIFFs and the NetCDF cube (the caller owns the cube).
struct HistoryGridWriters {
  std::optional<std::string> (*writeTimeSeries)(const grids::GridGeometry& grid,
                                                const grids::TimeSeries& series);
  grids::HistoryCube* (*createCube)(const grids::CubeLayout& layout, std::string& error);
};
inline constexpr const char* kHistoryGridWriters = "StrataplotHistoryGridWriters";
using GetHistoryGridWriters = HistoryGridWriters (*)();

// A viewer's use of the same module: a map's grid read back with its
// placement, the system it declares read as --crs reads one, and a map read
// from its file written as grids and contours beside it, in that system or in
// none (see grids/map_export.h).
struct MapGridTools {
  bool (*readGrid)(const std::string& path, grids::RasterGrid& grid, std::string& error);
  ReadGridPlacement readPlacement;
  ParseReference parseReference;
  std::vector<std::string> (*exportMap)(const platform::CompletedMap& map,
                                        const std::string& mapFile,
                                        const std::vector<grids::Format>& gridFormats,
                                        const std::vector<grids::Format>& contourFormats,
                                        const grids::ExportContext& context);
};
inline constexpr const char* kMapGridTools = "StrataplotMapGridTools";
using GetMapGridTools = MapGridTools (*)();

// The release of GDAL the module was linked with ("3.6.2"), for an About box.
inline constexpr const char* kGdalVersion = "StrataplotGdalVersion";
using GetGdalVersion = const char* (*)();

}  // namespace host
