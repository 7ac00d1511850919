// Reading the files the library writes, for display: the intensity map file
// and the saturation profile (.dsa). No user interface and no library of the
// workstation: the viewer, the render command and the tests share it.
//
// Titles, units and names are GBK in the files and UTF-8 here (bytes that do
// not convert are shown as U+FFFD). A file that is damaged, cut short or
// longer than its counts say is refused with a message that names the file
// and the line ("FILE:LINE: what is wrong"); nothing is guessed.
//
// Files are read as a stream: only the class grid and the samples are kept.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mapreader {

// The grid of a map as its head records it: row 0 lies at originY and row r at
// originY - r x cellSizeY (rows run downward for a positive cell size);
// column c at originX + c x cellSizeX. The cell sizes are taken from the
// grid's extent divided by its counts when there are rows and columns, which
// keeps more of their precision than the one decimal of the size fields.
struct MapGeometry {
  double originX = 0, originY = 0;
  double cellSizeX = 0, cellSizeY = 0;
  int rowCount = 0, columnCount = 0;
};

// The values a class code stands for under the classing rule: code 1 holds the
// values up to 0, code 2 those above 0 and below two intervals, code c >= 3
// those from c - 1 intervals up to (not including) c intervals. Without a
// known interval (a map of one class) code 2 is every value above 0.
struct ClassRange {
  int code = 0;
  std::optional<double> lower;  // nullopt: unbounded below
  std::optional<double> upper;  // nullopt: unbounded above
  // Whether a value classed in single precision may carry this code: the
  // bounds included, with a margin of 1e-5 of the value.
  bool Contains(double value) const;
  // "≤ 0", "0 – 20", "20 – 30", "> 0".
  std::string Label() const;
};

struct IntensityMap {
  std::string title;  // UTF-8
  std::string unit;   // UTF-8, as written, brackets included
  MapGeometry geometry;
  int classCount = 1;
  // The contour interval: the upper bound of the legend's first range;
  // nullopt when the legend holds no range (a class count of 1).
  std::optional<std::uint32_t> interval;
  // rowCount x columnCount class codes, row by row: 0 outside the modelled
  // area, 1 to HighestCode() inside.
  std::vector<std::int32_t> codes;

  std::int32_t Code(int row, int column) const {
    return codes[static_cast<std::size_t>(row) * static_cast<std::size_t>(geometry.columnCount) +
                 static_cast<std::size_t>(column)];
  }
  // The highest code a cell may carry: the class count, and at least 2 (a map
  // of one class still gives its positive cells code 2).
  int HighestCode() const { return classCount < 2 ? 2 : classCount; }
  // The range of a code from 1 to HighestCode().
  ClassRange RangeOf(int code) const;
};

struct SaturationSample {
  int depth = 0;          // metres
  double saturation = 0;  // Sa, percent
};

// An axis as the profile's trailer gives it: from first to last, a tick
// every tick.
struct Axis {
  double first = 0, last = 0, tick = 0;
};

struct SaturationProfile {
  std::string name;  // UTF-8: "all" for the project's profile, else the horizon
  std::vector<SaturationSample> samples;
  Axis depthAxis;
  Axis saturationAxis;
};

// The labels of the profile's axes, as its last line gives them.
inline constexpr const char* kSaturationLabel = "Sa(%)";
inline constexpr const char* kDepthLabel = "Depth(m)";

// Each returns true with the file read, or false with the message in error.
// path is the file's name as the operating system takes it (UTF-8).
bool ReadIntensityMap(const std::string& path, IntensityMap& map, std::string& error);
bool ReadSaturationProfile(const std::string& path, SaturationProfile& profile, std::string& error);

// True when the name is that of a saturation profile (it ends in ".dsa").
bool IsSaturationProfileName(const std::string& path);

// The colour of a class in every picture and style of a map: the
// perceptually uniform sequential palette (viridis) sampled evenly over the
// codes 1 to highestCode; red, green and blue from 0 to 255.
std::array<int, 3> ClassRgb(int code, int highestCode);

}  // namespace mapreader
