// What the host and its render module share: the module's entry points,
// `strataplot render FILE... [-o OUT] [--width PIXELS]` with what the command
// line gives it, and the painter of the history command's pictures.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "mapreader/map_reader.h"
#include "rendering/history_data.h"

namespace host {

struct RenderOptions {
  std::vector<std::string> files;  // map files and .dsa profiles
  std::string out;                 // empty: FILE.png beside each FILE
  int width = 1200;                // pixels
};
inline constexpr int kNarrowestPicture = 200;
inline constexpr int kWidestPicture = 20000;

inline constexpr const char* kRenderModule = "libstrataplot-render.so";
inline constexpr const char* kRenderEntry = "StrataplotRender";
// Writes the pictures; returns the exit status.
using RenderEntry = int (*)(const RenderOptions& options);

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
