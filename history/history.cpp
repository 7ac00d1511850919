#include "history/history.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <new>
#include <thread>

#include "common/common.h"
#include "platform/threads.h"
#include "project/input_file.h"
#include "project/texts.h"

namespace history {
namespace {

using strataplot::BasinInputs;
using strataplot::InputFile;

// The history's own failures (%s: file names, GBK).
constexpr const char* kCannotOpen = "cannot open %s";
constexpr const char* kNoQuantityFile = "none of the quantity files %s exists";

constexpr std::size_t Index(Series series) { return static_cast<std::size_t>(series); }

// One series of one horizon or of the total: active cells x periods.
using Grid = std::span<float>;

// The memory of the series: one mapping, zero from the start, in large pages
// where the system gives them for the asking. The series are written across
// their whole length at once (a value per period for each cell), so every
// page of them is touched within the first horizon: a fault per 2 MiB
// instead of per 4 KiB. On a virtual machine, where a fault costs tens of
// microseconds, the 128 MB of the benchmark's project took a third of a
// second to be touched page by page.
class SeriesMemory {
 public:
  SeriesMemory() = default;
  ~SeriesMemory() {
    if (mapped_ != nullptr) ::munmap(mapped_, length_);
  }
  SeriesMemory(const SeriesMemory&) = delete;
  SeriesMemory& operator=(const SeriesMemory&) = delete;

  // count floats, zero; throws std::bad_alloc when the system has not the room.
  float* Take(std::size_t count) {
    constexpr std::size_t kLargePage = std::size_t{2} << 20;
    if (count == 0) return nullptr;
    if (count > (SIZE_MAX - 2 * kLargePage) / sizeof(float)) throw std::bad_alloc();
    // Room to start at a large page's boundary.
    length_ = count * sizeof(float) + kLargePage;
    void* mapped =
        ::mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    mapped_ = mapped;
    const auto at = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t start = (at + kLargePage - 1) & ~(kLargePage - 1);
#if defined(MADV_HUGEPAGE)
    // Only advice: without large pages, the pages are the usual ones.
    ::madvise(reinterpret_cast<void*>(start), length_ - (start - at), MADV_HUGEPAGE);
#endif
    return reinterpret_cast<float*>(start);
  }

  // Gives the whole pages within values[0, count) back to the system: they
  // read as zero again if ever used.
  static void Discard(float* values, std::size_t count) {
    constexpr std::uintptr_t kPage = 4096;
    const auto from = (reinterpret_cast<std::uintptr_t>(values) + kPage - 1) & ~(kPage - 1);
    const auto to = reinterpret_cast<std::uintptr_t>(values + count) & ~(kPage - 1);
    if (from < to) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
  }

 private:
  void* mapped_ = nullptr;
  std::size_t length_ = 0;
};

// A quantity file of the project, open when it exists.
struct Quantity {
  InputFile file;
  bool present = false;
  double* periodSums = nullptr;  // the horizon's rows being added up
};

// The amounts of one horizon's rows, added up while its values are read.
struct Amounts {
  std::vector<double> expelled, deep, unexpelled;
  void Reset(int periods) {
    expelled.assign(periods, 0.0);
    deep.assign(periods, 0.0);
    unexpelled.assign(periods, 0.0);
  }
};

// The largest value of each period of a cumulative expelled series (0 when
// none is above 0) and the number of its cells above 0.
struct Peaks {
  std::vector<float> largest;
  std::vector<std::int64_t> above;
  explicit Peaks(std::size_t periods) : largest(periods, 0.0f), above(periods, 0) {}
};

// The rows of a horizon (or of the total) from its amounts and the peaks of
// its cumulative expelled intensities (nullptr without an expelled file).
std::vector<PeriodRow> Rows(const ProjectHistory& history, const Amounts& amounts,
                            const Peaks* expelled) {
  const BasinInputs& inputs = history.inputs;
  const int periods = inputs.periodCount;
  std::vector<PeriodRow> rows(periods);
  double expelledSoFar = 0, deepSoFar = 0;
  for (int k = 0; k < periods; ++k) {
    PeriodRow& row = rows[k];
    if (history.hasExpelled) {
      expelledSoFar += amounts.expelled[k];
      row.expelled = amounts.expelled[k];
      row.expelledCumulative = expelledSoFar;
    }
    if (history.hasDeepExpelled) {
      deepSoFar += amounts.deep[k];
      row.deepExpelled = amounts.deep[k];
      row.deepExpelledCumulative = deepSoFar;
    }
    if (history.hasUnexpelled) row.unexpelled = amounts.unexpelled[k];
    if (history.hasExpelled && history.hasUnexpelled) {
      row.generated = expelledSoFar + amounts.unexpelled[k];
    }
  }
  if (expelled == nullptr) return rows;
  // The area of the cells above 0 in the grid unit squared.
  const double cellArea = static_cast<double>(inputs.grid.cellSizeX) * inputs.grid.cellSizeY;
  for (int k = 0; k < periods; ++k) {
    rows[k].expelledMaxIntensity = expelled->largest[static_cast<std::size_t>(k)];
    rows[k].expelledArea =
        static_cast<double>(expelled->above[static_cast<std::size_t>(k)]) * cellArea;
  }
  return rows;
}

using Four = float __attribute__((vector_size(16)));

using Fours = std::int32_t __attribute__((vector_size(16)));

// Peaks of values, four lanes at a time: each lane as one by one (a value
// replaces the largest when the largest is below it), the lanes then taken
// in turn the same way; the count of values above 0.
class PeakFinder {
 public:
  void Add(Four values) {
    largest_ = largest_ < values ? values : largest_;
    above_ -= values > Four{0, 0, 0, 0};  // -1 where above
  }
  void Add(float value) {
    largest1_ = largest1_ < value ? value : largest1_;
    aboveCount_ += value > 0 ? 1 : 0;
  }
  void Into(Peaks& peaks, std::size_t period) const {
    float largest = largest1_;
    std::int64_t above = aboveCount_;
    for (int lane = 0; lane < 4; ++lane) {
      largest = largest < largest_[lane] ? largest_[lane] : largest;
      above += above_[lane];
    }
    peaks.largest[period] = largest;
    peaks.above[period] = above;
  }

 private:
  Four largest_ = {0, 0, 0, 0};
  Fours above_ = {0, 0, 0, 0};
  float largest1_ = 0;
  std::int64_t aboveCount_ = 0;
};

// total[i] = grid[i] + total[i] (the same single-precision sums as one by
// one), period by period, four at a time; with the peaks of each period of
// the grid and of the new total where asked for.
void Sweep(Grid total, Grid grid, std::size_t periods, Peaks* gridPeaks, Peaks* totalPeaks) {
  const std::size_t cells = periods > 0 ? grid.size() / periods : 0;
  for (std::size_t k = 0; k < periods; ++k) {
    float* to = total.data() + k * cells;
    const float* from = grid.data() + k * cells;
    PeakFinder ofGrid, ofTotal;
    std::size_t at = 0;
    for (; at + 4 <= cells; at += 4) {
      Four a, b;
      std::memcpy(&a, from + at, sizeof a);
      std::memcpy(&b, to + at, sizeof b);
      b = a + b;
      std::memcpy(to + at, &b, sizeof b);
      if (gridPeaks != nullptr) ofGrid.Add(a);
      if (totalPeaks != nullptr) ofTotal.Add(b);
    }
    for (; at < cells; ++at) {
      to[at] = from[at] + to[at];
      if (gridPeaks != nullptr) ofGrid.Add(from[at]);
      if (totalPeaks != nullptr) ofTotal.Add(to[at]);
    }
    if (gridPeaks != nullptr) ofGrid.Into(*gridPeaks, k);
    if (totalPeaks != nullptr) ofTotal.Into(*totalPeaks, k);
  }
}

// Runs `aside` on a thread of its own while `here` runs on this one (both on
// this one when no thread can be started), and returns once both ended. An
// exception on the other thread (memory that ran out) is thrown here.
template <typename Aside, typename Here>
void RunBoth(Aside aside, Here here) {
  std::exception_ptr thrown;
  std::thread thread = platform::ThreadOrHere([&] {
    try {
      aside();
    } catch (...) {
      thrown = std::current_exception();
    }
  });
  try {
    here();
  } catch (...) {
    if (thread.joinable()) thread.join();
    throw;
  }
  if (thread.joinable()) thread.join();
  if (thrown) std::rethrow_exception(thrown);
}

// Lanes floats, and as many doubles, side by side; one lane: plain numbers
// (a vector has two lanes at least).
template <std::size_t Lanes>
struct SideBySide;
template <>
struct SideBySide<8> {
  using Floats = float __attribute__((vector_size(32)));
  using Sums = double __attribute__((vector_size(64)));
};
template <>
struct SideBySide<2> {
  using Floats = float __attribute__((vector_size(8)));
  using Sums = double __attribute__((vector_size(16)));
};
template <>
struct SideBySide<1> {
  using Floats = float;
  using Sums = double;
};

// Adds periods [k, k + Lanes) of the values of `cells` cells, `periods`
// values each (cell after cell), to both horizonSums[period] and
// totalSums[period] in double precision, cell by cell in order: the sums of
// the periods held side by side in registers over the cells, the same sums as
// value by value. Inlined into its caller, it takes the caller's machine.
template <std::size_t Lanes>
__attribute__((always_inline)) inline void AddPeriods(const float* values, std::size_t cells,
                                                      std::size_t periods, std::size_t k,
                                                      double* horizonSums, double* totalSums) {
  using Floats = typename SideBySide<Lanes>::Floats;
  using Sums = typename SideBySide<Lanes>::Sums;
  Sums horizon, total;
  std::memcpy(&horizon, horizonSums + k, sizeof horizon);
  std::memcpy(&total, totalSums + k, sizeof total);
  for (const float* at = values + k; at < values + cells * periods; at += periods) {
    Floats some;
    std::memcpy(&some, at, sizeof some);
    Sums wide;
    if constexpr (Lanes == 1) {
      wide = some;
    } else {
      wide = __builtin_convertvector(some, Sums);
    }
    horizon += wide;
    total += wide;
  }
  std::memcpy(horizonSums + k, &horizon, sizeof horizon);
  std::memcpy(totalSums + k, &total, sizeof total);
}

// AddPeriods over every period: eight at a time, then two, then one. Each sum
// waits for the one before it; eight periods' sums go on side by side, in a
// register where the machine has them that wide (chosen at start-up;
// ThreadSanitizer's runtime is not up yet when the choice is made).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
#endif
void AddCells(const float* values, std::size_t cells, std::size_t periods, double* horizonSums,
              double* totalSums) {
  std::size_t k = 0;
  for (; k + 8 <= periods; k += 8) AddPeriods<8>(values, cells, periods, k, horizonSums, totalSums);
  for (; k + 2 <= periods; k += 2) AddPeriods<2>(values, cells, periods, k, horizonSums, totalSums);
  for (; k < periods; ++k) AddPeriods<1>(values, cells, periods, k, horizonSums, totalSums);
}

class Reader {
 public:
  Reader(const std::string& project, ProjectHistory& history, SeriesSink& sink, Failure& failure)
      : project_(project), history_(history), sink_(sink), failure_(failure) {}
  ~Reader() {
    // The sink lets go of the series before their memory goes, whatever
    // stopped the reading.
    if (!unsettled_) return;
    try {
      sink_.Settle();
    } catch (...) {
      // The reading has failed already.
    }
  }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  bool Run() {
    if (!OpenQuantities()) return false;
    const BasinInputs& inputs = history_.inputs;
    const std::size_t size = static_cast<std::size_t>(inputs.grid.activeCount) *
                             static_cast<std::size_t>(inputs.periodCount);
    if (!FitsInMemory()) return false;
    // A horizon's series first, their totals (zero) after them.
    const std::size_t kinds = Kinds();
    float* const first = memory_.Take(2 * kinds * size);
    float* next = first;
    for (Series series :
         {Series::Expelled, Series::DeepExpelled, Series::Unexpelled, Series::Generated}) {
      if (!history_.Has(series)) continue;
      grids_[Index(series)] = {next, size};
      totals_[Index(series)] = {next + kinds * size, size};
      next += size;
    }
    totalAmounts_.Reset(inputs.periodCount);
    history_.horizons.reserve(inputs.horizonCount);
    // The peaks of the total, found as the last horizon is added to it (all
    // 0 without horizons).
    Peaks totalPeaks(static_cast<std::size_t>(inputs.periodCount));
    for (int h = 0; h < inputs.horizonCount; ++h) {
      if (!ReadHorizon(h, h + 1 == inputs.horizonCount ? &totalPeaks : nullptr)) return false;
    }
    for (Quantity& quantity : quantities_) quantity.file.Close();
    history_.total = Rows(history_, totalAmounts_, history_.hasExpelled ? &totalPeaks : nullptr);
    // The horizons' series are written: their memory goes back before the
    // totals are handed over (the sink may take more memory meanwhile).
    SeriesMemory::Discard(first, kinds * size);
    return HandOver(totals_, kTotal);
  }

 private:
  Quantity& Of(Series series) { return quantities_[Index(series)]; }

  bool OpenQuantities() {
    const std::array<std::pair<Series, const char*>, 3> files = {{
        {Series::Expelled, strataplot::texts::kExpelledOilFile},
        {Series::DeepExpelled, strataplot::texts::kDeepExpelledOilFile},
        {Series::Unexpelled, strataplot::texts::kUnexpelledOilFile},
    }};
    std::string names;
    for (const auto& [series, format] : files) {
      const std::string name = strataplot::Format(format, project_.c_str());
      Quantity& quantity = Of(series);
      if (quantity.file.Open(name)) {
        quantity.present = true;
      } else if (platform::FileExists(name.c_str())) {
        failure_.text = strataplot::Format(kCannotOpen, name.c_str());
        return false;
      }
      names += (names.empty() ? "" : ", ") + name;
    }
    history_.hasExpelled = Of(Series::Expelled).present;
    history_.hasDeepExpelled = Of(Series::DeepExpelled).present;
    history_.hasUnexpelled = Of(Series::Unexpelled).present;
    if (!history_.hasExpelled && !history_.hasDeepExpelled && !history_.hasUnexpelled) {
      failure_.text = strataplot::Format(kNoQuantityFile, names.c_str());
      return false;
    }
    return true;
  }

  // The kinds of series there are.
  std::size_t Kinds() const {
    std::size_t kinds = 0;
    for (int s = 0; s < kSeriesCount; ++s) kinds += history_.Has(static_cast<Series>(s)) ? 1 : 0;
    return kinds;
  }

  // A horizon's series and the totals of every kind there is.
  bool FitsInMemory() {
    const BasinInputs& inputs = history_.inputs;
    std::optional<std::string> doesNotFit = strataplot::HorizonArraysDoNotFit(
        project_, inputs, 2 * Kinds() * static_cast<std::size_t>(inputs.periodCount),
        inputs.grid.activeCount);
    if (doesNotFit) failure_.text = *doesNotFit;
    return !doesNotFit;
  }

  // Cells read and worked out at a time. A period's values of so many cells
  // fill a cache line of their series: one by one, each value of a cell
  // would go to a line of its own, a period's length apart from the next, a
  // stride the processor's cache keeps in few of its sets (the lines of the
  // periods kept throwing each other out).
  static constexpr std::size_t kTileCells = 16;

  // Reads the next cells' values of every period from a quantity file into
  // values (cell by cell), adding each to the horizon's and the total's
  // amount of its period.
  bool ReadCells(Series series, std::vector<float>& values, std::size_t cells, std::size_t periods,
                 double* horizonSums, double* totalSums) {
    InputFile& file = Of(series).file;
    if (!file.ReadReals({values.data(), cells * periods})) {
      failure_.text = file.DamageText();
      return false;
    }
    AddCells(values.data(), cells, periods, horizonSums, totalSums);
    return true;
  }

  // totalPeaks: where the peaks of the total go once the horizon is added to
  // it (the last horizon); nullptr: not asked for.
  bool ReadHorizon(int h, Peaks* totalPeaks) {
    const BasinInputs& inputs = history_.inputs;
    const auto periods = static_cast<std::size_t>(inputs.periodCount);
    const float area = static_cast<float>(inputs.grid.cellArea);
    Amounts amounts;
    amounts.Reset(inputs.periodCount);
    const bool hasExpelled = history_.hasExpelled, hasDeep = history_.hasDeepExpelled,
               hasUnexpelled = history_.hasUnexpelled,
               hasGenerated = history_.Has(Series::Generated);
    const auto cells = static_cast<std::size_t>(inputs.grid.activeCount);
    // The values of kTileCells cells of each file, cell by cell.
    std::vector<float> e(kTileCells * periods), d(kTileCells * periods), u(kTileCells * periods);
    const Four areas = {area, area, area, area};
    // Their series: [series][period][cell].
    std::vector<float> tile(kSeriesCount * periods * kTileCells);
    const auto tileOf = [&](Series series) {
      return tile.data() + Index(series) * periods * kTileCells;
    };
    float* const expelledTile = tileOf(Series::Expelled);
    float* const deepTile = tileOf(Series::DeepExpelled);
    float* const unexpelledTile = tileOf(Series::Unexpelled);
    float* const generatedTile = tileOf(Series::Generated);
    for (std::size_t first = 0; first < cells; first += kTileCells) {
      const std::size_t count = std::min(kTileCells, cells - first);
      if ((hasExpelled && !ReadCells(Series::Expelled, e, count, periods, amounts.expelled.data(),
                                     totalAmounts_.expelled.data())) ||
          (hasDeep && !ReadCells(Series::DeepExpelled, d, count, periods, amounts.deep.data(),
                                 totalAmounts_.deep.data())) ||
          (hasUnexpelled &&
           !ReadCells(Series::Unexpelled, u, count, periods, amounts.unexpelled.data(),
                      totalAmounts_.unexpelled.data()))) {
        return false;
      }
      // Four cells at a time, each as one by one: a period's value of each
      // divided by the cell area, the cumulative sums in period order. The
      // lanes past the tile's cells work on what is there, and are not copied.
      for (std::size_t c = 0; c < count; c += 4) {
        const auto gather = [&](const std::vector<float>& values, std::size_t k) {
          const float* at = values.data() + c * periods + k;
          return Four{at[0], at[periods], at[2 * periods], at[3 * periods]} / areas;
        };
        Four expelledSum = {0, 0, 0, 0}, deepSum = {0, 0, 0, 0};
        for (std::size_t k = 0, at = c; k < periods; ++k, at += kTileCells) {
          const Four expelled = hasExpelled ? gather(e, k) : Four{};
          const Four unexpelled = hasUnexpelled ? gather(u, k) : Four{};
          if (hasDeep) {
            deepSum += gather(d, k);
            std::memcpy(deepTile + at, &deepSum, sizeof deepSum);
          }
          if (hasUnexpelled) std::memcpy(unexpelledTile + at, &unexpelled, sizeof unexpelled);
          if (hasGenerated) {
            // The generation maps' order: the period's unexpelled intensity
            // on the expelled intensity so far, then the period's expelled.
            const Four generated = (unexpelled + expelledSum) + expelled;
            std::memcpy(generatedTile + at, &generated, sizeof generated);
          }
          if (hasExpelled) {
            expelledSum += expelled;
            std::memcpy(expelledTile + at, &expelledSum, sizeof expelledSum);
          }
        }
      }
      // Into the series, a period's cells together.
      for (int s = 0; s < kSeriesCount; ++s) {
        if (!history_.Has(static_cast<Series>(s))) continue;
        const float* from = tileOf(static_cast<Series>(s));
        float* to = grids_[s].data() + first;
        if (count == kTileCells) {
          for (std::size_t k = 0; k < periods; ++k, from += kTileCells, to += cells) {
            std::memcpy(to, from, kTileCells * sizeof(float));  // a copy of known length
            // The line the next tile writes, asked for while this one is
            // worked out: a period's lines lie far apart, more of them at
            // once than the processor foresees by itself.
            __builtin_prefetch(to + kTileCells, 1, 0);
          }
        } else {
          for (std::size_t k = 0; k < periods; ++k, from += kTileCells, to += cells) {
            std::memcpy(to, from, count * sizeof(float));
          }
        }
      }
    }
    // The totals add the horizons in order: each series in one sweep, which
    // the processor streams through its cache, two series on each core; the
    // sweep of the expelled series finds its peaks on the way.
    Peaks peaks(periods);
    const auto sweep = [&](Series series) {
      if (!history_.Has(series)) return;
      const bool expelled = series == Series::Expelled;
      Sweep(totals_[Index(series)], grids_[Index(series)], periods, expelled ? &peaks : nullptr,
            expelled ? totalPeaks : nullptr);
    };
    RunBoth(
        [&] {
          sweep(Series::Expelled);
          sweep(Series::DeepExpelled);
        },
        [&] {
          sweep(Series::Unexpelled);
          sweep(Series::Generated);
        });
    history_.horizons.push_back(Rows(history_, amounts, history_.hasExpelled ? &peaks : nullptr));
    return HandOver(grids_, h);
  }

  bool HandOver(const std::array<Grid, kSeriesCount>& grids, int horizon) {
    // No series without periods or horizons.
    if (history_.inputs.periodCount == 0 || history_.inputs.horizonCount == 0) return true;
    for (int s = 0; s < kSeriesCount; ++s) {
      const auto series = static_cast<Series>(s);
      if (!history_.Has(series)) continue;
      unsettled_ = true;
      if (!sink_.Take(history_, {series, horizon, history_.inputs.periodCount, grids[s]})) {
        failure_.text.clear();
        return false;
      }
    }
    unsettled_ = false;
    if (sink_.Settle()) return true;
    failure_.text.clear();
    return false;
  }

  const std::string& project_;
  ProjectHistory& history_;
  SeriesSink& sink_;
  Failure& failure_;
  std::array<Quantity, 3> quantities_;  // expelled, deep expelled, unexpelled
  SeriesMemory memory_;
  bool unsettled_ = false;  // series handed over that the sink may still use
  std::array<Grid, kSeriesCount> grids_;
  std::array<Grid, kSeriesCount> totals_;
  Amounts totalAmounts_;
};

}  // namespace

bool ProjectHistory::Has(Series series) const {
  switch (series) {
    case Series::Expelled:
      return hasExpelled;
    case Series::DeepExpelled:
      return hasDeepExpelled;
    case Series::Unexpelled:
      return hasUnexpelled;
    case Series::Generated:
      return hasExpelled && hasUnexpelled;
  }
  return false;
}

std::string PeriodLabel(const strataplot::BasinInputs& inputs, int period) {
  const auto k = static_cast<std::size_t>(period);
  return platform::GbkForDisplay(inputs.periodNames[k]) +
         strataplot::Format(" %.2f Ma", static_cast<double>(inputs.periodAges[k]));
}

std::string MapFileName(Series series, const ProjectHistory& history, int horizon,
                        const std::string& project) {
  namespace texts = strataplot::texts;
  struct Names {
    const char* horizon;
    const char* total;
  };
  static constexpr std::array<Names, kSeriesCount> kNames = {{
      {texts::kExpelledMapFile, texts::kExpelledTotalFile},
      {texts::kDeepExpelledMapFile, texts::kDeepExpelledTotalFile},
      {texts::kUnexpelledMapFile, texts::kUnexpelledTotalFile},
      {texts::kGeneratedMapFile, texts::kGeneratedTotalFile},
  }};
  const Names& names = kNames[Index(series)];
  if (horizon == kTotal) return strataplot::Format(names.total, project.c_str());
  return strataplot::Format(names.horizon,
                            history.inputs.horizonNames[static_cast<std::size_t>(horizon)].c_str(),
                            horizon + 1);
}

std::optional<ProjectHistory> ReadHistory(const std::string& project, SeriesSink& sink,
                                          Failure& failure) {
  ProjectHistory history;
  strataplot::InputFailure inputFailure;
  std::optional<BasinInputs> inputs = strataplot::LoadBasinInputs(project, inputFailure);
  if (!inputs) {
    failure.text = inputFailure.text;
    return std::nullopt;
  }
  if (std::optional<std::string> tooSmall = strataplot::CellAreaTooSmall(project, inputs->grid)) {
    failure.text = *tooSmall;
    return std::nullopt;
  }
  history.inputs = std::move(*inputs);
  try {
    Reader reader(project, history, sink, failure);
    if (!reader.Run()) return std::nullopt;
  } catch (const std::bad_alloc&) {
    // Beyond what the memory check could tell.
    failure.text = strataplot::texts::kOutOfMemory;
    return std::nullopt;
  }
  return history;
}

}  // namespace history
