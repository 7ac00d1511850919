#include "mapreader/map_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/platform.h"
#include "scan/field_scan.h"

namespace mapreader {
namespace {

constexpr std::size_t kLongestTextLine = 65536;  // 64 KiB: a title, a unit, a name line
constexpr std::size_t kLongestField = 256;       // a number or a legend range
constexpr int kLegendLine = 3;

// How a reading ends when the file is not what it should be; caught where
// reading starts and turned into the error text.
struct Damaged {
  std::string message;
};

// A blank within a line: a field separator other than the line end.
bool IsBlank(char c) { return c != '\n' && scan::IsFieldSeparator(c); }

// A file read as lines or as fields, counting lines as it goes.
class Reader {
 public:
  Reader(std::FILE* file, std::string name) : file_(file), name_(std::move(name)) {}

  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw Damaged{name_ + ":" + std::to_string(line) + ": " + what};
  }

  // The rest of the current line without its line end (and without a "\r"
  // before it); false at the end of the file.
  bool Line(std::string& text) {
    text.clear();
    line_ = current_;
    int c = getc_unlocked(file_);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n'; c = getc_unlocked(file_)) {
      if (text.size() == kLongestTextLine) Fail(line_, "the line is too long");
      text.push_back(static_cast<char>(c));
    }
    if (c == '\n') ++current_;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return true;
  }

  // The next field, whatever line it is on; false at the end of the file.
  bool Field(std::string& field) {
    field.clear();
    int c = getc_unlocked(file_);
    for (; c != EOF && scan::IsFieldSeparator(static_cast<char>(c)); c = getc_unlocked(file_)) {
      if (c == '\n') ++current_;
    }
    line_ = current_;
    if (c == EOF) return false;
    for (; c != EOF && !scan::IsFieldSeparator(static_cast<char>(c)); c = getc_unlocked(file_)) {
      if (field.size() == kLongestField) Fail(line_, "a field is too long");
      field.push_back(static_cast<char>(c));
    }
    if (c != EOF) ungetc(c, file_);
    return true;
  }

  // The line of the last line or field read (at the end of the file: the line
  // where the file ends).
  int line() const { return line_; }

 private:
  std::FILE* file_;
  std::string name_;
  int current_ = 1;
  int line_ = 1;
};

std::vector<std::string_view> Split(std::string_view text) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (true) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at == text.size()) return fields;
    std::size_t end = at;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    fields.push_back(text.substr(at, end - at));
    at = end;
  }
}

template <typename Number>
bool Parse(std::string_view text, Number& value) {
  auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (status != std::errc() || end != text.data() + text.size()) return false;
  if constexpr (std::is_floating_point_v<Number>) return std::isfinite(value);
  return true;
}

std::string Quoted(std::string_view text) { return "'" + platform::GbkForDisplay(text) + "'"; }

template <typename Number>
Number ParseOrFail(const Reader& reader, std::string_view text, const char* what) {
  Number value{};
  if (!Parse(text, value)) reader.Fail(reader.line(), Quoted(text) + " is not " + what);
  return value;
}

std::string_view TrimEnd(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Trim(std::string_view text) {
  text = TrimEnd(text);
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

// The size written in one field against the extent written in another: both
// are rounded to one decimal, the extent from the single-precision product.
void CheckExtent(const Reader& reader, double extent, int count, double size, const char* what) {
  double slack = 0.05 * (count + 1) + 1e-6 * std::fabs(extent);
  if (std::fabs(extent - count * size) > slack) {
    char text[160];
    std::snprintf(text, sizeof text, "the grid's %s %.1f does not match %d cells of %.1f", what,
                  extent, count, size);
    reader.Fail(reader.line(), text);
  }
}

// Record 1: the title, then ten numbers. The title may hold blanks, so the
// numbers are taken from the end of the line.
void ReadHead(Reader& reader, IntensityMap& map) {
  std::string line;
  if (!reader.Line(line)) reader.Fail(1, "the file is empty");
  std::vector<std::string_view> fields = Split(line);
  if (fields.size() < 10)
    reader.Fail(1, "the title is not followed by the ten numbers of the grid");
  const std::string_view* f = fields.data() + fields.size() - 10;
  double numbers[8];
  for (int i = 0; i < 8; ++i) numbers[i] = ParseOrFail<double>(reader, f[i], "a number");
  MapGeometry& g = map.geometry;
  g.rowCount = ParseOrFail<int>(reader, f[8], "a row count");
  g.columnCount = ParseOrFail<int>(reader, f[9], "a column count");
  if (g.rowCount < 0 || g.columnCount < 0) reader.Fail(1, "the grid has a negative count");
  if (g.columnCount != 0 && g.rowCount > INT32_MAX / g.columnCount) {
    reader.Fail(1, "the grid has more cells than 32 bits can count");
  }
  if (f[4] != f[0] || f[5] != f[1]) {
    reader.Fail(1, "the origin is written twice with different values");
  }
  g.originX = numbers[0];
  g.originY = numbers[1];
  CheckExtent(reader, -numbers[2], g.rowCount, numbers[7], "height");
  CheckExtent(reader, numbers[3], g.columnCount, numbers[6], "width");
  g.cellSizeX = g.columnCount > 0 ? numbers[3] / g.columnCount : numbers[6];
  g.cellSizeY = g.rowCount > 0 ? -numbers[2] / g.rowCount : numbers[7];
  std::string_view title(line.data(), static_cast<std::size_t>(f[0].data() - line.data()));
  map.title = platform::GbkForDisplay(TrimEnd(title));
}

// Record 3: the class count, 0, and one range per class above the lowest,
// each the next multiple of the interval in unsigned 32-bit arithmetic.
void ReadLegend(Reader& reader, IntensityMap& map) {
  std::string field;
  auto onLegendLine = [&] { return reader.Field(field) && reader.line() == kLegendLine; };
  if (!onLegendLine()) reader.Fail(kLegendLine, "the legend is missing");
  map.classCount = ParseOrFail<int>(reader, field, "a class count");
  if (map.classCount < 1) reader.Fail(kLegendLine, "the class count is below 1");
  if (!onLegendLine() || field != "0") {
    reader.Fail(kLegendLine, "the class count is not followed by 0");
  }
  std::uint32_t interval = 0;
  for (int k = 0; k + 1 < map.classCount; ++k) {
    if (!onLegendLine()) {
      reader.Fail(kLegendLine, "the legend holds " + std::to_string(k) + " ranges where its " +
                                   std::to_string(map.classCount) + " classes call for " +
                                   std::to_string(map.classCount - 1));
    }
    std::size_t hyphen = field.find('-');
    double lower = -1;
    std::uint32_t upper = 0;
    if (hyphen == std::string::npos || !Parse(std::string_view(field).substr(0, hyphen), lower) ||
        !Parse(std::string_view(field).substr(hyphen + 1), upper)) {
      reader.Fail(kLegendLine, Quoted(field) + " is not a legend range");
    }
    if (k == 0) interval = upper;
    const std::uint32_t from = static_cast<std::uint32_t>(k) * interval;
    if (interval == 0 || upper != from + interval ||
        lower != static_cast<double>(static_cast<float>(from))) {
      reader.Fail(kLegendLine, "the legend range " + Quoted(field) +
                                   " does not follow the interval " + std::to_string(interval));
    }
  }
  if (map.classCount > 1) map.interval = interval;
}

// What a field found on a line that should have ended before it means.
std::string TooMany(int line, int columnCount) {
  if (line == kLegendLine) return "the legend holds more ranges than its class count calls for";
  return "the row holds more than " + std::to_string(columnCount) + " class codes";
}

// Record 4: one line of columnCount codes per row.
void ReadClassGrid(Reader& reader, IntensityMap& map) {
  const MapGeometry& g = map.geometry;
  const int highest = map.HighestCode();
  map.codes.reserve(std::min<std::size_t>(static_cast<std::size_t>(g.rowCount) * g.columnCount,
                                          std::size_t{1} << 22));
  std::string field;
  for (int row = 0; row < g.rowCount; ++row) {
    const int line = kLegendLine + 1 + row;
    for (int column = 0; column < g.columnCount; ++column) {
      if (!reader.Field(field)) {
        reader.Fail(reader.line(), "the class grid ends in row " + std::to_string(row + 1) +
                                       " of " + std::to_string(g.rowCount));
      }
      if (reader.line() < line) reader.Fail(reader.line(), TooMany(reader.line(), g.columnCount));
      if (reader.line() > line) {
        reader.Fail(line, "the row holds " + std::to_string(column) + " class codes, not " +
                              std::to_string(g.columnCount));
      }
      int code = -1;
      if (!Parse(field, code) || code < 0 || code > highest) {
        reader.Fail(line, Quoted(field) + " is not a class code of this map (0 to " +
                              std::to_string(highest) + ")");
      }
      map.codes.push_back(code);
    }
  }
  if (reader.Field(field)) {
    const int line = reader.line();
    reader.Fail(line, line <= kLegendLine + g.rowCount
                          ? TooMany(line, g.columnCount)
                          : "more follows the " + std::to_string(g.rowCount) +
                                " rows of class codes the head gives");
  }
}

// The .dsa trailer and samples, line by line.
void ReadProfile(Reader& reader, SaturationProfile& profile) {
  std::string line;
  if (!reader.Line(line)) reader.Fail(1, "the file is empty");
  profile.name = platform::GbkForDisplay(Trim(line));
  auto next = [&](std::size_t count, const char* what) {
    if (!reader.Line(line)) reader.Fail(reader.line(), std::string("the file ends before ") + what);
    std::vector<std::string_view> fields = Split(line);
    if (fields.size() != count) {
      reader.Fail(reader.line(), std::string("the line is not ") + what);
    }
    return fields;
  };
  while (true) {
    std::vector<std::string_view> fields = next(2, "a sample (depth and Sa) or the zero line");
    if (fields[0].find('.') != std::string_view::npos) {
      // The zero line that closes the samples.
      if (ParseOrFail<double>(reader, fields[0], "0.00") != 0 ||
          ParseOrFail<double>(reader, fields[1], "0.00") != 0) {
        reader.Fail(reader.line(), "the zero line holds something else than zeros");
      }
      break;
    }
    profile.samples.push_back({ParseOrFail<int>(reader, fields[0], "a depth in whole metres"),
                               ParseOrFail<double>(reader, fields[1], "a saturation")});
  }
  auto axis = [&](const char* what, bool whole) {
    std::vector<std::string_view> fields = next(3, what);
    double values[3];
    for (int i = 0; i < 3; ++i) {
      values[i] = whole ? ParseOrFail<int>(reader, fields[i], "a whole number")
                        : ParseOrFail<double>(reader, fields[i], "a number");
    }
    return Axis{values[0], values[1], values[2]};
  };
  profile.depthAxis = axis("the depth axis (three whole numbers)", true);
  profile.saturationAxis = axis("the saturation axis (three numbers)", false);
  std::vector<std::string_view> labels = next(2, "the two axis labels");
  if (labels[0] != kSaturationLabel || labels[1] != kDepthLabel) {
    reader.Fail(reader.line(), "the axis labels are not Sa(%) and Depth(m)");
  }
  if (reader.Line(line)) reader.Fail(reader.line(), "more follows the axis labels");
}

// Opens the file and runs the reading; false with the message when it fails.
template <typename Read>
bool ReadFile(const std::string& path, std::string& error, Read read) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) {
    error = path + ": cannot be opened: " + std::strerror(errno);
    return false;
  }
  try {
    Reader reader(file.get(), path);
    read(reader);
  } catch (const Damaged& damaged) {
    error = damaged.message;
    return false;
  }
  if (std::ferror(file.get())) {
    error = path + ": cannot be read: " + std::strerror(errno);
    return false;
  }
  return true;
}

std::string Number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.0f", value);
  return text;
}

}  // namespace

ClassRange IntensityMap::RangeOf(int code) const {
  ClassRange range;
  range.code = code;
  if (code <= 1) {
    range.upper = 0;
    return range;
  }
  if (!interval) {
    range.lower = 0;
    return range;
  }
  const double step = *interval;
  range.lower = code == 2 ? 0 : (code - 1) * step;
  range.upper = code * step;
  return range;
}

bool ClassRange::Contains(double value) const {
  // The classing divides in single precision: a value next to a bound may
  // have been classed on either side of it.
  const double slack = 1e-5 * std::fabs(value);
  return (!lower || value >= *lower - slack) && (!upper || value <= *upper + slack);
}

std::string ClassRange::Label() const {
  if (!lower) return "≤ " + Number(upper.value_or(0));
  if (!upper) return "> " + Number(*lower);
  return Number(*lower) + " – " + Number(*upper);
}

bool ReadIntensityMap(const std::string& path, IntensityMap& map, std::string& error) {
  map = IntensityMap();
  return ReadFile(path, error, [&](Reader& reader) {
    ReadHead(reader, map);
    std::string unit;
    if (!reader.Line(unit)) reader.Fail(2, "the file ends before the unit");
    map.unit = platform::GbkForDisplay(unit);
    ReadLegend(reader, map);
    ReadClassGrid(reader, map);
  });
}

bool ReadSaturationProfile(const std::string& path, SaturationProfile& profile,
                           std::string& error) {
  profile = SaturationProfile();
  return ReadFile(path, error, [&](Reader& reader) { ReadProfile(reader, profile); });
}

bool IsSaturationProfileName(const std::string& path) {
  return path.size() >= 4 && path.compare(path.size() - 4, 4, ".dsa") == 0;
}

std::array<int, 3> ClassRgb(int code, int highestCode) {
  // Viridis at nine even stops; between them the colour is interpolated.
  static constexpr int kStops[9][3] = {{68, 1, 84},    {72, 40, 120},  {62, 73, 137},
                                       {49, 104, 142}, {38, 130, 142}, {31, 158, 137},
                                       {53, 183, 121}, {110, 206, 88}, {253, 231, 37}};
  const double t = highestCode > 1 ? std::clamp((code - 1.0) / (highestCode - 1.0), 0.0, 1.0) : 0;
  const double at = t * 8;
  const int low = std::min(7, static_cast<int>(at));
  const double f = at - low;
  std::array<int, 3> rgb{};
  for (int i = 0; i < 3; ++i) {
    rgb[static_cast<std::size_t>(i)] =
        static_cast<int>(std::lround(kStops[low][i] + f * (kStops[low + 1][i] - kStops[low][i])));
  }
  return rgb;
}

}  // namespace mapreader
