// What the host and its render module share: the module's entry points,
// `strataplot render FILE... [-o OUT] [--width PIXELS]` with what the command
// line gives it, and the painter of the history command's pictures.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "mapreader/map_reader.h"
#include "platform/completed_map.h"
#include "rendering/history_data.h"

namespace host {

// Where a map's picture puts its axes: the geometry and reference system of
// the map's .tif (MAPFILE.tif), when it lies beside the map.
struct PicturePlacement {
  mapreader::MapGeometry geometry;
  std::string system;  // UTF-8 name; empty: none declared
  std::string unit;    // the system's unit of length
  // The .tif's values, row by row (NaN outside the modelled area), and the
  // unit of its coordinates; no cells: none read.
  std::vector<float> cells;
  std::string coordinateUnit;
};

struct RenderOptions {
  std::vector<std::string> files;  // map files and .dsa profiles
  std::string out;                 // empty: FILE.png beside each FILE
  int width = 1200;                // pixels
  // By file: the placement of its .tif (the host reads them through the grid module).
  std::map<std::string, PicturePlacement> placements;
};
inline constexpr int kNarrowestPicture = 200;
inline constexpr int kWidestPicture = 20000;

inline constexpr const char* kRenderModule = "libstrataplot-render.so";
inline constexpr const char* kRenderEntry = "StrataplotRender";
// Writes the pictures; returns the exit status.
using RenderEntry = int (*)(const RenderOptions& options);

// `--pictures png,svg,pdf` of the map commands: each completed map painted
// from its values as MAPFILE.png, .svg, .pdf beside it.
inline constexpr const char* kPictureFormats[] = {"png", "svg", "pdf"};
struct MapPictureOptions {
  std::vector<std::string> formats;  // of kPictureFormats, each once
  int width = 1200;                  // pixels
  // Where the grid lies: its coordinates times scale are those of the
  // reference system named (empty: none, the grid's own), in unit.
  double scale = 1;
  std::string system;
  std::string unit;
};
// The hook that paints them; Failures() counts the pictures not written
// (each reported on standard error).
class MapPictureSink : public platform::CompletedMapSink {
 public:
  virtual int Failures() const = 0;
};
inline constexpr const char* kMakeMapPictureSink = "StrataplotMakeMapPictureSink";
// The caller owns the sink and deletes it before the module goes.
using MakeMapPictureSink = MapPictureSink* (*)(const MapPictureOptions& options);

// A map through its periods, painted as one picture per period on one colour
// scale (taken from the last period) so that they can be flipped through.
struct FrameSeries {
  std::string unit;  // UTF-8, as the maps write it
  mapreader::MapGeometry geometry;
  std::span<const std::uint8_t> mask;  // rows x columns, non-zero: active
  int periodCount = 0;
  // periods x active cells, period by period (as history::SeriesGrids::values)
  std::span<const float> values;
  std::vector<std::string> titles;  // UTF-8, one per period
  std::vector<std::string> paths;   // the PNG of each period
};

// The history command's pictures. Made by the render module (which starts
// Qt's painting for it); the caller owns it and deletes it before the module
// goes.
class HistoryPainter {
 public:
  virtual ~HistoryPainter() = default;
  // The chart, as PNG, SVG or PDF by the path's extension; false with the reason.
  virtual bool PaintChart(const rendering::HistoryChartData& data, const std::string& path,
                          std::string& error) = 0;
  // Every frame of the series; false with the reason at the first that fails.
  virtual bool PaintFrames(const FrameSeries& frames, std::string& error) = 0;
};
inline constexpr const char* kMakeHistoryPainter = "StrataplotMakeHistoryPainter";
using MakeHistoryPainter = HistoryPainter* (*)();

}  // namespace host
