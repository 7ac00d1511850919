#include "tools/makeproject.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>

#include "cli/cli.h"
#include "platform/platform.h"

namespace makeproject {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& message) { throw std::runtime_error(message); }

// ---- Random streams --------------------------------------------------------------

std::uint64_t SplitMix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// One file's (or one horizon's) random stream. The conversions to reals and
// ranges are written out here rather than taken from <random>'s distributions,
// whose algorithms differ between standard libraries.
class Random {
 public:
  Random(std::uint64_t seed, std::uint64_t tag) : engine_(SplitMix(seed ^ SplitMix(tag))) {}
  double Uniform() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
  // 0 .. n-1 for 0 < n < 2^32.
  std::uint64_t Below(std::uint64_t n) { return ((engine_() >> 32) * n) >> 32; }

 private:
  std::mt19937_64 engine_;
};

// Stream tags: one per file or purpose.
enum Tag : std::uint64_t {
  kMaskTag = 1,
  kAgeTag,
  kDoeTag,
  kPeoTag,
  kDouTag,
  kGasTag,
  kProjectProfileTag,  // + 0, 1, 2 for .ids, .ips, .ica
  kHorizonProfileTag = kProjectProfileTag + 3,
  kKitchenTag = 1000,  // + horizon index
};

// ---- Buffered text output ---------------------------------------------------------

class TextWriter {
 public:
  explicit TextWriter(const fs::path& path)
      : path_(path), file_(std::fopen(path.c_str(), "wb")), buffer_(new char[kCapacity]) {
    if (file_ == nullptr) Fail("cannot create " + path.string() + ": " + std::strerror(errno));
  }
  ~TextWriter() {
    if (file_ != nullptr) std::fclose(file_);
  }
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  void Bytes(std::string_view text) {
    if (text.size() > kCapacity - used_) Flush();
    if (text.size() > kCapacity) {
      Put(text.data(), text.size());
      return;
    }
    std::memcpy(buffer_.get() + used_, text.data(), text.size());
    used_ += text.size();
  }
  void Char(char c) {
    if (used_ == kCapacity) Flush();
    buffer_[used_++] = c;
  }
  void Int(long long value) {
    Room(24);
    used_ = static_cast<std::size_t>(
        std::to_chars(buffer_.get() + used_, buffer_.get() + kCapacity, value).ptr - buffer_.get());
  }
  // units / 10^decimals, written exactly in fixed notation ("12.3400" for 123400, 4).
  void Scaled(long long units, int decimals) {
    Room(48);
    char* p = buffer_.get() + used_;
    unsigned long long magnitude = units < 0 ? 0ull - static_cast<unsigned long long>(units)
                                             : static_cast<unsigned long long>(units);
    if (units < 0) *p++ = '-';
    unsigned long long scale = kPowers[decimals];
    p = std::to_chars(p, p + 24, magnitude / scale).ptr;
    if (decimals > 0) {
      *p++ = '.';
      unsigned long long fraction = magnitude % scale;
      for (int i = decimals - 1; i >= 0; --i) {
        p[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
      }
      p += decimals;
    }
    used_ = static_cast<std::size_t>(p - buffer_.get());
  }
  // The value rounded half away from zero to `decimals` digits after the point.
  void Fixed(double value, int decimals) { Scaled(ToUnits(value, decimals), decimals); }
  // The shortest text that reads back as the same double ("2", "2.5").
  void Shortest(double value) {
    Room(32);
    used_ = static_cast<std::size_t>(
        std::to_chars(buffer_.get() + used_, buffer_.get() + kCapacity, value).ptr - buffer_.get());
  }

  void Close() {
    Flush();
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) != 0)
      Fail("cannot write " + path_.string() + ": " + std::strerror(errno));
  }

  static long long ToUnits(double value, int decimals) {
    return std::llround(value * static_cast<double>(kPowers[decimals]));
  }

 private:
  static constexpr std::size_t kCapacity = std::size_t{1} << 20;
  static constexpr std::array<unsigned long long, 10> kPowers = {
      1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

  void Room(std::size_t n) {
    if (kCapacity - used_ < n) Flush();
  }
  void Flush() {
    Put(buffer_.get(), used_);
    used_ = 0;
  }
  void Put(const char* data, std::size_t size) {
    if (size > 0 && std::fwrite(data, 1, size, file_) != size)
      Fail("cannot write " + path_.string() + ": " + std::strerror(errno));
  }

  fs::path path_;
  std::FILE* file_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

// ---- The grid and its modelled area --------------------------------------------------

struct Grid {
  int rows = 0;
  int cols = 0;
  std::vector<std::uint8_t> mask;  // rows x cols, row by row
  std::vector<int> activeCells;    // cell index (row * cols + col) of each active index
};

// A smooth bump of a 2-D field, in coordinates normalised to the grid (0..1).
struct Bump {
  double cx, cy, sx, sy, weight;
  double At(double x, double y) const {
    double dx = (x - cx) / sx;
    double dy = (y - cy) / sy;
    return weight * std::exp(-0.5 * (dx * dx + dy * dy));
  }
};

// The middle of the cell's column and row, as fractions of the grid's width and height.
double NormX(const Grid& grid, int cell) {
  int column = cell % grid.cols;
  return (column + 0.5) / grid.cols;
}
double NormY(const Grid& grid, int cell) {
  int row = cell / grid.cols;
  return (row + 0.5) / grid.rows;
}

// The modelled area: the cells where a sum of a few bumps near the middle is
// highest, exactly round(fraction x cellCount) of them. The result is one or a few
// rounded blobs with slightly ragged edges.
Grid MakeGrid(const Options& options) {
  Grid grid;
  grid.rows = options.rows;
  grid.cols = options.cols;
  const int cellCount = grid.rows * grid.cols;
  Random random(options.seed, kMaskTag);
  std::vector<Bump> bumps(3 + random.Below(3));
  for (Bump& b : bumps) {
    b = Bump{random.Uniform(0.3, 0.7), random.Uniform(0.3, 0.7), random.Uniform(0.15, 0.32),
             random.Uniform(0.15, 0.32), random.Uniform(0.6, 1.0)};
  }
  std::vector<double> field(cellCount);
  for (int cell = 0; cell < cellCount; ++cell) {
    double x = NormX(grid, cell), y = NormY(grid, cell);
    double sum = 0;
    for (const Bump& b : bumps) sum += b.At(x, y);
    field[cell] = sum + random.Uniform(-0.03, 0.03);
  }
  const auto target = static_cast<int>(std::llround(options.activeFraction * cellCount));
  std::vector<int> order(cellCount);
  for (int cell = 0; cell < cellCount; ++cell) order[cell] = cell;
  // Highest field first; ties by cell index, so the order is total and the
  // selection the same on every standard library.
  auto higher = [&](int a, int b) { return field[a] != field[b] ? field[a] > field[b] : a < b; };
  if (target < cellCount)
    std::nth_element(order.begin(), order.begin() + target, order.end(), higher);
  grid.mask.assign(cellCount, 0);
  for (int i = 0; i < target; ++i) grid.mask[order[i]] = 1;
  for (int cell = 0; cell < cellCount; ++cell)
    if (grid.mask[cell]) grid.activeCells.push_back(cell);
  return grid;
}

// ---- Source-rock horizons ---------------------------------------------------------------

// One horizon's source rock: its "kitchen" (a maturity/richness field of 0..1 per
// active cell, highest at a few centres inside the modelled area) and the peak
// intensities of its oil and gas.
struct Horizon {
  std::vector<float> kitchen;
  double oilPeak;       // expelled oil over all periods at the richest cell, 10^4 t/km2
  double deepPeak;      // deep-layer expelled oil, 10^4 t/km2
  double retainedPeak;  // present-day unexpelled oil, 10^4 t/km2
  double gasPeak;       // generated gas over all records, 10^8 m3/km2
};

Horizon MakeHorizon(const Options& options, const Grid& grid, int index) {
  Random random(options.seed, kKitchenTag + static_cast<std::uint64_t>(index));
  Horizon h;
  h.oilPeak = random.Uniform(120, 450);
  h.deepPeak = random.Uniform(20, 80);
  h.retainedPeak = random.Uniform(40, 160);
  h.gasPeak = random.Uniform(20, 90);
  const std::size_t active = grid.activeCells.size();
  h.kitchen.assign(active, 0.0f);
  if (active == 0) return h;
  std::vector<Bump> bumps(2 + random.Below(2));
  for (Bump& b : bumps) {
    int centre = grid.activeCells[random.Below(active)];
    b = Bump{NormX(grid, centre), NormY(grid, centre), random.Uniform(0.12, 0.3),
             random.Uniform(0.12, 0.3), random.Uniform(0.5, 1.0)};
  }
  double largest = 0;
  std::vector<double> raw(active);
  for (std::size_t i = 0; i < active; ++i) {
    double x = NormX(grid, grid.activeCells[i]), y = NormY(grid, grid.activeCells[i]);
    double sum = 0;
    for (const Bump& b : bumps) sum += b.At(x, y);
    raw[i] = sum * random.Uniform(0.95, 1.05);
    largest = std::max(largest, raw[i]);
  }
  for (std::size_t i = 0; i < active; ++i)
    h.kitchen[i] = static_cast<float>(largest > 0 ? raw[i] / largest : 0.0);
  return h;
}

// ---- Files ----------------------------------------------------------------------------

std::string ToGbk(const std::string& utf8, const char* what) {
  auto gbk = platform::Utf8ToGbk(utf8);
  if (!gbk) Fail(std::string(what) + " \"" + utf8 + "\" does not convert to GBK");
  return *gbk;
}

// Age file: period count; per period a name and an age (Ma, the last 0 for the
// present day); a trailing count and that many values.
void WriteAges(const Options& options, const fs::path& path) {
  static constexpr std::array<const char*, 9> kNames = {"Ek", "Es4", "Es3", "Es2", "Es1",
                                                        "Ed", "Ng",  "Nm",  "Q"};
  Random random(options.seed, kAgeTag);
  TextWriter out(path);
  const int periods = options.periods;
  out.Int(periods);
  out.Char('\n');
  double oldest = random.Uniform(50, 66);
  for (int p = 0; p < periods; ++p) {
    if (periods <= static_cast<int>(kNames.size())) {
      out.Bytes(
          kNames[kNames.size() - static_cast<std::size_t>(periods) + static_cast<std::size_t>(p)]);
    } else {
      out.Char('T');
      out.Int(p + 1);
    }
    out.Char(' ');
    double age = periods > 1 ? oldest * (1.0 - static_cast<double>(p) / (periods - 1)) : 0.0;
    out.Fixed(age, 2);
    out.Char('\n');
  }
  const int trailing = 2;
  out.Int(trailing);
  out.Char('\n');
  for (int i = 0; i < trailing; ++i) {
    if (i > 0) out.Char(' ');
    out.Fixed(random.Uniform(0, 20), 4);
  }
  out.Char('\n');
  out.Close();
}

void WriteHorizonNames(const std::vector<std::string>& gbkNames, const fs::path& path) {
  TextWriter out(path);
  for (const std::string& name : gbkNames) {
    out.Bytes(name);
    out.Char('\n');
  }
  out.Close();
}

// Grid file: originX originY cellSizeX cellSizeY rowCount columnCount, then the
// mask, one row per line.
void WriteGrid(const Options& options, const Grid& grid, const fs::path& path) {
  Random random(options.seed, kMaskTag + 0x100);
  TextWriter out(path);
  out.Shortest(static_cast<double>(500 + 10 * random.Below(50)));
  out.Char(' ');
  out.Shortest(static_cast<double>(300 + 10 * random.Below(50)));
  out.Char(' ');
  out.Shortest(options.cellSizeX);
  out.Char(' ');
  out.Shortest(options.cellSizeY);
  out.Char(' ');
  out.Int(grid.rows);
  out.Char(' ');
  out.Int(grid.cols);
  out.Char('\n');
  std::string line(static_cast<std::size_t>(grid.cols) * 2, ' ');
  line.back() = '\n';
  for (int r = 0; r < grid.rows; ++r) {
    for (int c = 0; c < grid.cols; ++c)
      line[static_cast<std::size_t>(c) * 2] =
          grid.mask[static_cast<std::size_t>(r) * grid.cols + c] ? '1' : '0';
    out.Bytes(line);
  }
  out.Close();
}

enum class Quantity { Expelled, DeepExpelled, Unexpelled };

// Quantity file: for each horizon, for each active cell, one value per period
// (the whole cell's amount, 10^4 t; the intensity times the cell area), at most
// ten values a line and a new line for every cell.
void WriteQuantities(const Options& options, const std::vector<Horizon>& horizons,
                     Quantity quantity, const fs::path& path) {
  const std::uint64_t tag = quantity == Quantity::Expelled       ? kDoeTag
                            : quantity == Quantity::DeepExpelled ? kPeoTag
                                                                 : kDouTag;
  Random random(options.seed, tag);
  const auto area = static_cast<int>(static_cast<float>(options.cellSizeX) *
                                     static_cast<float>(options.cellSizeY));
  const double cellArea = area > 0 ? area : 1.0;
  const int periods = options.periods;
  std::vector<double> share(static_cast<std::size_t>(periods));
  TextWriter out(path);
  for (const Horizon& h : horizons) {
    for (float k : h.kitchen) {
      double total = 0;
      int onset = periods;
      // Cells at the rim of the kitchen never expel; elsewhere the rock starts
      // expelling the earlier the richer (more deeply buried) it is.
      if (quantity == Quantity::Expelled && k >= 0.04f) {
        total = h.oilPeak * std::pow(k, 1.5);
        onset = static_cast<int>((1.0 - k) * 0.35 * periods);
      } else if (quantity == Quantity::DeepExpelled && k >= 0.08f) {
        total = h.deepPeak * std::pow(k, 2.0);
        onset = static_cast<int>((1.0 - k) * 0.5 * periods);
      } else if (quantity == Quantity::Unexpelled && k >= 0.02f) {
        total = h.retainedPeak * std::pow(k, 1.2);
        onset = static_cast<int>((1.0 - k) * 0.3 * periods);
      }
      onset = std::min(onset, periods - 1);
      double sum = 0;
      for (int p = 0; p < periods; ++p) {
        double s = 0;
        if (p >= onset) {
          if (quantity == Quantity::Unexpelled) {
            // Retained oil builds up: the amount held at the end of each period,
            // the last one the present day.
            s = (p - onset + 1.0) / (periods - onset) * random.Uniform(0.85, 1.15);
          } else if (random.Uniform() >= 0.03) {
            // Expelled during the period: more as the rock matures.
            s = (p - onset + 1.0) * random.Uniform(0.5, 1.5);
          }
        }
        share[static_cast<std::size_t>(p)] = s;
        sum += s;
      }
      if (quantity == Quantity::Unexpelled) sum = 1;
      for (int p = 0; p < periods; ++p) {
        if (p > 0) out.Char(p % 10 == 0 ? '\n' : ' ');
        double value = sum > 0 ? total * cellArea * share[static_cast<std::size_t>(p)] / sum : 0.0;
        out.Fixed(value, 4);
      }
      out.Char('\n');
    }
  }
  out.Close();
}

// gasr.out: in rounds (periods of the gas simulation), for each active cell, for
// each horizon, one record of twelve fields: cellNumber, period, row, horizonNumber,
// column, then generated, expelled, free, water, oil, diffusion and deep-layer
// generated gas (10^8 m3/km2). The last record names the last active cell.
long long WriteGas(const Options& options, const Grid& grid, const std::vector<Horizon>& horizons,
                   const fs::path& path) {
  Random random(options.seed, kGasTag);
  TextWriter out(path);
  const int rounds = options.gasRecords;
  long long records = 0;
  for (int r = 0; r < rounds; ++r) {
    for (std::size_t i = 0; i < grid.activeCells.size(); ++i) {
      const int cell = grid.activeCells[i];
      for (std::size_t h = 0; h < horizons.size(); ++h) {
        const float k = horizons[h].kitchen[i];
        const int onset = std::min(static_cast<int>((1.0 - k) * 0.35 * rounds), rounds - 1);
        double generated = 0;
        if (k >= 0.04f && r >= onset) {
          // Expected shares over the rounds add up to 1.
          double n = rounds - onset;
          double share = 2.0 * (r - onset + 1) / (n * (n + 1));
          generated = horizons[h].gasPeak * std::pow(k, 1.5) * share * random.Uniform(0.7, 1.3);
        }
        const long long gen = TextWriter::ToUnits(generated, 4);
        const long long expelled =
            std::min(gen, TextWriter::ToUnits(generated * random.Uniform(0.4, 0.85), 4));
        double weights[4] = {random.Uniform(0.3, 0.6), random.Uniform(0.1, 0.3),
                             random.Uniform(0.05, 0.2), random.Uniform(0.01, 0.08)};
        double weightSum = weights[0] + weights[1] + weights[2] + weights[3];
        out.Int(static_cast<long long>(i) + 1);
        out.Char(' ');
        out.Int(r + 1);
        out.Char(' ');
        out.Int(cell / grid.cols + 1);
        out.Char(' ');
        out.Int(static_cast<long long>(h) + 1);
        out.Char(' ');
        out.Int(cell % grid.cols + 1);
        out.Char(' ');
        out.Scaled(gen, 4);
        out.Char(' ');
        out.Scaled(expelled, 4);
        for (double w : weights) {
          out.Char(' ');
          out.Scaled(std::llround(static_cast<double>(expelled) * w / weightSum *
                                  random.Uniform(0.99, 1.01)),
                     4);
        }
        out.Char(' ');
        out.Scaled(std::llround(static_cast<double>(gen) * random.Uniform(0.05, 0.3)), 4);
        out.Char('\n');
        ++records;
      }
    }
  }
  out.Close();
  return records;
}

enum class Profile { Density, Porosity, Content };

// Depth profile: a name token, 20 to 60 (depth, value) pairs of increasing depth
// between about 1000 and 4000 m, the terminating pair "0 0", and for the density
// profile the bitumen density.
void WriteProfile(const Options& options, std::uint64_t tag, Profile profile,
                  const fs::path& path) {
  static const char* const kTokens[] = {"源岩密度", "源岩孔隙度", "氯仿沥青A含量"};
  Random random(options.seed, tag);
  TextWriter out(path);
  out.Bytes(ToGbk(kTokens[static_cast<int>(profile)], "profile name"));
  out.Char('\n');
  const int pairs = 20 + static_cast<int>(random.Below(41));
  const double top = random.Uniform(1000, 1150);
  const double bottom = random.Uniform(3850, 4000);
  std::vector<double> gaps(static_cast<std::size_t>(pairs - 1));
  double gapSum = 0;
  for (double& g : gaps) gapSum += g = random.Uniform(0.5, 1.5);
  double depth = top;
  for (int i = 0; i < pairs; ++i) {
    if (i > 0) depth += gaps[static_cast<std::size_t>(i - 1)] / gapSum * (bottom - top);
    const double t = (depth - 1000) / 3000;
    double value = 0;
    switch (profile) {
      case Profile::Density:
        value = std::clamp(2.30 + 0.28 * t + random.Uniform(-0.01, 0.01), 2.30, 2.60);
        break;
      case Profile::Porosity:
        value = std::clamp(0.30 * std::exp(-1.75 * t) * random.Uniform(0.97, 1.03), 0.05, 0.30);
        break;
      case Profile::Content: {
        double u = (depth - 2800) / 600;
        value = std::clamp(0.01 + 0.45 * std::exp(-u * u) * random.Uniform(0.9, 1.1), 0.01, 0.50);
        break;
      }
    }
    out.Fixed(depth, 1);
    out.Char(' ');
    out.Fixed(value, 4);
    out.Char('\n');
  }
  out.Bytes("0 0\n");
  if (profile == Profile::Density) {
    out.Fixed(random.Uniform(1.02, 1.08), 2);
    out.Char('\n');
  }
  out.Close();
}

// ---- Checks ---------------------------------------------------------------------------

bool HasAsciiSpace(std::string_view text) {
  return text.find_first_of(" \t\r\n\v\f") != std::string_view::npos;
}

// What is wrong with a name that the library reads into a 20-byte slot and
// that names files: it must be 1 to 19 GBK bytes without white space or '/'.
// Empty when nothing is.
std::string SlotNameProblem(const std::string& utf8, const std::string& what) {
  if (utf8.empty()) return what + " is empty";
  if (HasAsciiSpace(utf8)) return what + " \"" + utf8 + "\" contains white space";
  if (utf8.find('/') != std::string::npos) return what + " \"" + utf8 + "\" contains '/'";
  std::optional<std::string> gbk = platform::Utf8ToGbk(utf8);
  if (!gbk) return what + " \"" + utf8 + "\" does not convert to GBK";
  if (gbk->size() > 19)
    return what + " \"" + utf8 + "\" is " + std::to_string(gbk->size()) +
           " GBK bytes; a name has at most 19";
  return {};
}

// The horizon names the options give, or H1, H2, ... by default.
std::vector<std::string> HorizonNames(const Options& options) {
  std::vector<std::string> names = options.horizonNames;
  if (names.empty()) {
    for (int h = 1; h <= options.horizons; ++h) names.push_back("H" + std::to_string(h));
  }
  return names;
}

// The first thing wrong with the options, in words; empty when nothing is.
std::string OptionsProblem(const Options& options) {
  if (std::string problem = SlotNameProblem(options.project, "project name"); !problem.empty())
    return problem;
  if (options.rows < 1 || options.cols < 1) return "--rows and --cols must be at least 1";
  if (static_cast<long long>(options.rows) * options.cols > std::numeric_limits<int>::max())
    return "the grid has more than 2^31-1 cells";
  if (options.periods < 0) return "--periods must not be negative";
  if (options.horizons < 0) return "--horizons must not be negative";
  if (!(options.activeFraction >= 0 && options.activeFraction <= 1))
    return "--active-fraction must lie in 0..1";
  if (options.gasRecords < 0) return "--gas-records must not be negative";
  if (!(std::isfinite(options.cellSizeX) && std::isfinite(options.cellSizeY) &&
        options.cellSizeX > 0 && options.cellSizeY > 0))
    return "--cell-size must be positive";
  std::vector<std::string> names = HorizonNames(options);
  if (static_cast<int>(names.size()) != options.horizons)
    return "--horizon-names gives " + std::to_string(names.size()) + " names for " +
           std::to_string(options.horizons) + " horizons";
  for (const std::string& name : names) {
    if (std::string problem = SlotNameProblem(name, "horizon name"); !problem.empty())
      return problem;
  }
  return {};
}

// A validator of the option's value made from a check that returns what is
// wrong (empty when nothing is).
CLI::Validator Checked(std::function<std::string(const std::string&)> problem) {
  return CLI::Validator([problem = std::move(problem)](std::string& text) { return problem(text); },
                        "", "");
}

}  // namespace

cli::Parsed ParseArguments(const std::vector<std::string>& args, Options& options) {
  std::unique_ptr<CLI::App> app = cli::MakeApp(
      "strataplot-makeproject",
      "Writes a synthetic basin-modelling project into DIR: NAME.iga NAME.isc NAME.dgr\n"
      "NAME.doe NAME.peo NAME.dou gasr.out NAME.ids NAME.ips NAME.ica and the depth\n"
      "profiles HORIZON.ids HORIZON.ips HORIZON.ica of the first horizon. The same\n"
      "options and seed give byte-identical files.");
  app->add_option("--dir", options.dir, "output directory (created when missing)")
      ->type_name("DIR")
      ->required()
      ->check(Checked([](const std::string& dir) { return dir.empty() ? "--dir is empty" : ""; }));
  app->add_option("--project", options.project, "project name, UTF-8, at most 19 GBK bytes")
      ->type_name("NAME")
      ->required()
      ->check(
          Checked([](const std::string& name) { return SlotNameProblem(name, "project name"); }));
  app->add_option("--rows", options.rows, "grid rows (default 24)")
      ->type_name("R")
      ->check(cli::AtLeast(1));
  app->add_option("--cols", options.cols, "grid columns (default 30)")
      ->type_name("C")
      ->check(cli::AtLeast(1));
  CLI::Option* horizons =
      app->add_option("--horizons", options.horizons,
                      "source-rock horizons (default 3, or the number of names)")
          ->type_name("H")
          ->check(cli::AtLeast(0));
  app->add_option("--periods", options.periods, "geological periods (default 5)")
      ->type_name("P")
      ->check(cli::AtLeast(0));
  app->add_option("--seed", options.seed, "random seed (default 1)")
      ->type_name("S")
      ->check(cli::AtLeast(0));
  app->add_option("--active-fraction", options.activeFraction,
                  "share of cells inside the modelled area, 0..1\n(default 0.6)")
      ->type_name("F")
      ->check(cli::Between(0, 1));
  app->add_option("--gas-records", options.gasRecords,
                  "gasr.out records per active cell and horizon\n(default 1)")
      ->type_name("N")
      ->check(cli::AtLeast(0));
  app->add_option_function<std::string>(
         "--horizon-names",
         [&options](const std::string& list) { options.horizonNames = cli::SplitList(list); },
         "horizon names, UTF-8 (written to NAME.isc in GBK);\ndefault H1,H2,...")
      ->type_name("a,b,c")
      ->check(Checked([](const std::string& list) {
        for (const std::string& name : cli::SplitList(list)) {
          if (std::string problem = SlotNameProblem(name, "horizon name"); !problem.empty())
            return problem;
        }
        return std::string();
      }));
  std::vector<double> cellSize;
  app->add_option("--cell-size", cellSize, "cell sizes (default 2,2: cell area 4)")
      ->type_name("X[,Y]")
      ->delimiter(',')
      ->expected(1, 2)
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw)
      ->check(Checked([](const std::string& size) -> std::string {
        double value = 0;
        if (CLI::detail::lexical_cast(size, value) && std::isfinite(value) && value > 0) return "";
        return "'" + size + "' is not a positive number";
      }));
  bool noQuantities = false;
  app->add_flag("--no-quantities", noQuantities, "leave out NAME.doe, NAME.peo and NAME.dou");

  cli::Parsed parsed = cli::Parse(*app, args);
  if (!parsed.proceed) return parsed;
  if (!cellSize.empty()) {
    options.cellSizeX = cellSize.front();
    options.cellSizeY = cellSize.back();
  }
  options.quantities = !noQuantities;
  if (horizons->count() == 0 && !options.horizonNames.empty()) {
    options.horizons = static_cast<int>(options.horizonNames.size());
  }
  // What no single option shows: the names against the count, the grid's size.
  if (std::string problem = OptionsProblem(options); !problem.empty())
    return cli::UsageError(*app, problem);
  return parsed;
}

Summary GenerateProject(const Options& options) {
  // Check everything before the first file is written.
  if (std::string problem = OptionsProblem(options); !problem.empty()) Fail(problem);
  const std::vector<std::string> namesUtf8 = HorizonNames(options);
  std::vector<std::string> namesGbk;
  for (const std::string& name : namesUtf8) namesGbk.push_back(ToGbk(name, "horizon name"));

  std::error_code ec;
  fs::create_directories(options.dir, ec);
  if (ec) Fail("cannot create directory " + options.dir.string() + ": " + ec.message());

  Summary summary;
  auto file = [&](const std::string& name) {
    summary.files.push_back(options.dir / name);
    return summary.files.back();
  };
  const std::string& p = options.project;

  const Grid grid = MakeGrid(options);
  summary.activeCount = static_cast<int>(grid.activeCells.size());
  std::vector<Horizon> horizons;
  for (int h = 0; h < options.horizons; ++h) horizons.push_back(MakeHorizon(options, grid, h));

  WriteAges(options, file(p + ".iga"));
  WriteHorizonNames(namesGbk, file(p + ".isc"));
  WriteGrid(options, grid, file(p + ".dgr"));
  if (options.quantities) {
    WriteQuantities(options, horizons, Quantity::Expelled, file(p + ".doe"));
    WriteQuantities(options, horizons, Quantity::DeepExpelled, file(p + ".peo"));
    WriteQuantities(options, horizons, Quantity::Unexpelled, file(p + ".dou"));
    summary.quantityValues =
        static_cast<long long>(options.horizons) * summary.activeCount * options.periods;
  }
  summary.gasRecords = WriteGas(options, grid, horizons, file("gasr.out"));
  const char* const extensions[] = {".ids", ".ips", ".ica"};
  for (int i = 0; i < 3; ++i)
    WriteProfile(options, kProjectProfileTag + static_cast<std::uint64_t>(i),
                 static_cast<Profile>(i), file(p + extensions[i]));
  if (!namesUtf8.empty()) {
    for (int i = 0; i < 3; ++i)
      WriteProfile(options, kHorizonProfileTag + static_cast<std::uint64_t>(i),
                   static_cast<Profile>(i), file(namesUtf8[0] + extensions[i]));
  }
  return summary;
}

}  // namespace makeproject
