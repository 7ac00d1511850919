// The project through its periods: the oil each horizon expelled, still
// held and generated up to each period, read from the quantity files in one
// streaming pass each. The map exports sum the periods away; here every
// period is kept.
//
// Intensities are computed as the oil map exports compute them, in single
// precision and in the same order, so that the last period of each series
// equals the values of the map the export writes, bit for bit:
// - expelled (".doe"; deep expelled, ".peo", alike): each period's quantity
//   divided by the cell area, summed in period order;
// - unexpelled (".dou"): the period's quantity divided by the cell area;
// - generated at period k: (unexpelled_k / area + expelled through k - 1)
//   + expelled_k / area;
// - the totals: the horizons' values added in horizon order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "project/basin_inputs.h"

namespace history {

// The kinds of time series, in the order they are handed over.
enum class Series { Expelled, DeepExpelled, Unexpelled, Generated };
inline constexpr int kSeriesCount = 4;

// One row of the history table: amounts in 10^4 t (the quantity files'
// values of the active cells added in double precision, in file order);
// nullopt where a quantity file the value needs is missing.
struct PeriodRow {
  std::optional<double> expelled, expelledCumulative;
  std::optional<double> deepExpelled, deepExpelledCumulative;
  std::optional<double> unexpelled, generated;
  // The largest cumulative expelled intensity of any active cell (0 when none
  // is above 0), and the area of the cells above 0: their count times the
  // cell width and height, in the grid unit squared.
  std::optional<float> expelledMaxIntensity;
  std::optional<double> expelledArea;
};

struct ProjectHistory {
  strataplot::BasinInputs inputs;  // names GBK, as the files hold them
  bool hasExpelled = false, hasDeepExpelled = false, hasUnexpelled = false;
  std::vector<std::vector<PeriodRow>> horizons;  // [horizon][period]
  std::vector<PeriodRow> total;                  // [period]: over every horizon

  // Whether the series can be computed from the quantity files there are.
  bool Has(Series series) const;
};

// A time series of one horizon (or the total over horizons): the intensity
// of each active cell at each period, in the oil maps' unit.
struct SeriesGrids {
  Series series;
  int horizon;  // from 0; kTotal for the total over horizons
  int periodCount;
  // periods x active cells, period by period, each period's active cells in
  // row order: a period's values lie together, as a band of a grid file
  std::span<const float> values;
  std::size_t CellCount() const {
    return periodCount > 0 ? values.size() / static_cast<std::size_t>(periodCount) : 0;
  }
  std::span<const float> Period(int period) const {
    return values.subspan(static_cast<std::size_t>(period) * CellCount(), CellCount());
  }
};
inline constexpr int kTotal = -1;

// Takes each time series as soon as it is known: a horizon's series after its
// values are read (expelled, deep expelled, unexpelled, generated, those there
// are), the totals' after the last horizon; none when there are no periods or no
// horizons. What is handed over is borrowed until the sink is settled.
class SeriesSink {
 public:
  virtual ~SeriesSink() = default;
  // False stops the reading (the sink has its reason).
  virtual bool Take(const ProjectHistory& history, const SeriesGrids& grids) = 0;
  // Called once a horizon's series (or the totals') are all handed over, and
  // when the reading stops after a Take: until it returns, the sink may go on
  // using what it took (writing it on other threads); the series' memory is
  // then written again or let go. False stops the reading.
  virtual bool Settle() { return true; }
};

// A period as the history's bands, frames and views name it (UTF-8): its name
// and its age with two decimals, "Es1 60.46 Ma".
std::string PeriodLabel(const strataplot::BasinInputs& inputs, int period);

// The name of the map the oil map export writes for the series of the horizon
// (or of the total): "HORIZON.poN", "PROJECT.pot", ... (GBK).
std::string MapFileName(Series series, const ProjectHistory& history, int horizon,
                        const std::string& project);

// Why the history could not be read: the message (GBK, as the library's
// messages), naming the file and, for a damaged file, the line.
struct Failure {
  std::string text;
};

// Reads the project's input files and whichever quantity files exist, one
// horizon at a time, handing each time series to the sink. The project name
// is GBK; the files are relative to the current directory. nullopt, with
// failure filled in, when an input file is missing or damaged, no quantity
// file exists, the cell area is below 1, a quantity file is damaged or ends
// early, the series do not fit in memory (or memory runs out all the same), or
// the sink stopped (failure then empty).
std::optional<ProjectHistory> ReadHistory(const std::string& project, SeriesSink& sink,
                                          Failure& failure);

}  // namespace history
