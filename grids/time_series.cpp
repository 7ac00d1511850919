#include "grids/time_series.h"

#include <H5public.h>
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <netcdf.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <tuple>

#include "grids/gdal_support.h"
#include "strataplot_version.h"

namespace grids {
namespace {

namespace fs = std::filesystem;

// The number of active cells of a usable grid; nullopt with the reason
// otherwise.
std::optional<std::size_t> ActiveCells(const GridGeometry& grid, std::string& error) {
  if (grid.rowCount <= 0 || grid.columnCount <= 0) {
    error = "the grid holds no cells";
    return std::nullopt;
  }
  const std::size_t cells =
      static_cast<std::size_t>(grid.rowCount) * static_cast<std::size_t>(grid.columnCount);
  if (grid.mask.size() != cells) {
    error = "the grid's mask has " + std::to_string(grid.mask.size()) + " cells, not " +
            std::to_string(grid.rowCount) + " x " + std::to_string(grid.columnCount);
    return std::nullopt;
  }
  if (!std::isfinite(grid.originX) || !std::isfinite(grid.originY) ||
      !std::isfinite(grid.cellSizeX) || !std::isfinite(grid.cellSizeY) || grid.cellSizeX <= 0 ||
      grid.cellSizeY <= 0) {
    error =
        "the grid's origin or cell sizes are not usable (a cell size of 0 or less, or not a "
        "number)";
    return std::nullopt;
  }
  return static_cast<std::size_t>(
      std::count_if(grid.mask.begin(), grid.mask.end(), [](std::uint8_t on) { return on != 0; }));
}

// Whether there are exactly `perCell` values for each active cell (no
// product is formed, so no overflow).
bool OnePerCellAnd(std::size_t valueCount, std::size_t active, std::size_t perCell) {
  return perCell != 0 && valueCount % perCell == 0 && valueCount / perCell == active;
}

std::string CountMismatch(std::size_t valueCount, std::size_t active, std::size_t perCell,
                          const char* what) {
  return std::to_string(valueCount) + " values, not one per active cell (" +
         std::to_string(active) + ") and " + what + " (" + std::to_string(perCell) + ")";
}

// Which of two values x and y one of the values equals.
struct Found {
  bool x = false, y = false;
};

// Four compared at once.
Found AnyEqual(const float* values, std::size_t count, float x, float y) {
  using Four = float __attribute__((vector_size(16)));
  using Hits = int __attribute__((vector_size(16)));
  const Four xs = {x, x, x, x}, ys = {y, y, y, y};
  Hits xHits = {}, yHits = {};
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    Four four;
    std::memcpy(&four, values + i, sizeof four);
    xHits |= four == xs;
    yHits |= four == ys;
  }
  Found found{(xHits[0] | xHits[1] | xHits[2] | xHits[3]) != 0,
              (yHits[0] | yHits[1] | yHits[2] | yHits[3]) != 0};
  for (; i < count; ++i) {
    found.x |= values[i] == x;
    found.y |= values[i] == y;
  }
  return found;
}

// Spreads the active cells' values of a band over the grid, a few rows at a
// time: the runs of active cells side by side are found once for all the
// bands, and each is copied whole.
class Spreader {
 public:
  Spreader(std::span<const std::uint8_t> mask, std::size_t columns) : columns_(columns) {
    std::size_t active = 0;
    for (std::size_t cell = 0; cell < mask.size(); ++cell) {
      if (mask[cell] == 0) continue;
      if (runs_.empty() || runs_.back().first + runs_.back().count != cell) {
        runs_.push_back({cell, 0, active});
      }
      ++runs_.back().count;
      ++active;
    }
  }

  // Rows [firstRow, firstRow + rowCount) of the band into `piece`, row by
  // row: `outside` off the area, and active[a] at the a-th active cell of the
  // grid (active holds one value per active cell). Tells whether a value of
  // these rows inside the area equals `outside` (x), and whether one equals
  // `also` (y).
  Found Spread(std::span<const float> active, float outside, float also, std::size_t firstRow,
               std::size_t rowCount, std::vector<float>& piece) const {
    piece.resize(rowCount * columns_);
    Found found;
    ForEachRun(firstRow, rowCount, [&](std::size_t from, std::size_t to, const Run& run) {
      float* out = piece.data() - firstRow * columns_;  // indexed by cell
      const float* in = active.data() + run.active + (from - run.first);
      std::copy(in, in + (to - from), out + from);
      const Found here = AnyEqual(out + from, to - from, outside, also);  // just copied: at hand
      found.x |= here.x;
      found.y |= here.y;
    });
    Refill(outside, firstRow, rowCount, piece);
    return found;
  }

  // Puts `outside` off the area in rows of a piece spread before.
  void Refill(float outside, std::size_t firstRow, std::size_t rowCount,
              std::vector<float>& piece) const {
    const std::size_t begin = firstRow * columns_, end = begin + rowCount * columns_;
    float* out = piece.data() - begin;  // indexed by cell
    std::size_t done = begin;           // cells up to which the area is filled
    ForEachRun(firstRow, rowCount, [&](std::size_t from, std::size_t to, const Run&) {
      std::fill(out + done, out + from, outside);
      done = to;
    });
    std::fill(out + done, out + end, outside);
  }

 private:
  struct Run {
    std::size_t first, count;  // the run's first cell and its length
    std::size_t active;        // the number of active cells before it
  };

  // each(from, to, run) for the active cells [from, to) of each run within
  // the rows, in order.
  template <typename Each>
  void ForEachRun(std::size_t firstRow, std::size_t rowCount, Each each) const {
    const std::size_t begin = firstRow * columns_, end = begin + rowCount * columns_;
    auto run = std::partition_point(runs_.begin(), runs_.end(),
                                    [&](const Run& r) { return r.first + r.count <= begin; });
    for (; run != runs_.end() && run->first < end; ++run) {
      each(std::max(run->first, begin), std::min(run->first + run->count, end), *run);
    }
  }

  std::size_t columns_;
  std::vector<Run> runs_;
};

// Rows of a band the cube takes at a time, a whole number of `step` rows (the
// GeoTIFF's strips): about 256 KiB (each piece costs the netCDF library a call
// through its layers; every series being written holds one), the band's pieces
// alike. A piece much smaller than the others (the rest of the band) would be
// stored through HDF5's own buffer of 64 KiB: read from the file first, and
// written again with what follows it.
std::size_t RowsPerPiece(std::size_t columns, std::size_t rows, std::size_t step = 1) {
  constexpr std::size_t kPieceBytes = std::size_t{256} << 10;
  const std::size_t wanted = std::max<std::size_t>(kPieceBytes / (columns * sizeof(float)), 1);
  const std::size_t steps = std::max<std::size_t>((rows + step - 1) / step, 1);
  const std::size_t stepsPerPiece = std::max<std::size_t>(wanted / step, 1);
  const std::size_t pieces = (steps + stepsPerPiece - 1) / stepsPerPiece;
  return (steps + pieces - 1) / pieces * step;
}

// A plain file at path is removed; anything else is left alone.
void RemoveFile(const std::string& path) {
  std::error_code ignored;
  if (fs::is_regular_file(path, ignored)) fs::remove(path, ignored);
}

// The history cube in a netCDF-4 file.
//
// CF as far as geological time allows: ages in Ma before present are not a
// CF time (no calendar, no reference date, and "Ma" is not a time unit of
// UDUNITS), so `age` carries no standard_name, axis or calendar and is not
// named after its dimension. It still is the coordinate of `period`: each
// data variable's `coordinates` attribute names, dimension by dimension, the
// variable that indexes it ("horizon_name age y x"), which is how readers find
// the indexing variable of a dimension without a variable of its own name.
// `age` has no `positive` attribute either: CF reserves it for vertical
// coordinates. With a reference system, every data variable names the
// variable `crs` as its grid_mapping, which holds the system's WKT (crs_wkt,
// and spatial_ref as GDAL reads it); without one there is no grid_mapping.
//
// The data variables are not pre-filled: every value of them is written
// (Close refuses a cube with a part never written, and removes the file), so
// filling first would only write each value twice.
class NetCdfCube final : public HistoryCube {
 public:
  NetCdfCube(const CubeLayout& layout, std::size_t activeCells)
      : path_(layout.path),
        spreader_(layout.grid.mask, static_cast<std::size_t>(layout.grid.columnCount)),
        rows_(static_cast<std::size_t>(layout.grid.rowCount)),
        columns_(static_cast<std::size_t>(layout.grid.columnCount)),
        activeCells_(activeCells),
        horizons_(layout.horizons),
        periodCount_(layout.periods.size()),
        fill_(layout.valuesHoldMinus9999 ? std::numeric_limits<float>::lowest()
                                         : static_cast<float>(kNoData)),
        parts_(layout.variables.size() * (layout.horizons.size() + 1), PartState::Unwritten) {
    for (const CubeVariable& variable : layout.variables) names_.push_back(variable.name);
  }

  ~NetCdfCube() override {
    if (closed_) return;
    const std::lock_guard<std::mutex> library(NetCdfLibrary());
    Release();
    RemoveFile(path_);
  }

  bool Open(const CubeLayout& layout, std::string& error);
  bool Write(std::size_t variable, int horizon, std::span<const float> values,
             std::string& error) override;
  bool Failed() const override {
    const std::lock_guard<std::mutex> library(NetCdfLibrary());
    return failed_;
  }
  bool Close(std::string& error) override;

  // A part written a few rows at a time (Write, and a GeoTIFF's writing with
  // it): Begin, the rows of every period (each piece spread over the grid,
  // Fill() off the area), End. A piece may be written again with the same
  // values. Each false with the reason, and the cube takes nothing more.
  bool Begin(std::size_t variable, int horizon, std::size_t valueCount, std::string& error);
  bool WriteRows(std::size_t variable, int horizon, std::size_t period, std::size_t firstRow,
                 std::size_t rowCount, const float* rows, std::string& error);
  void End(std::size_t variable, int horizon) {
    const std::lock_guard<std::mutex> library(NetCdfLibrary());
    parts_[Slot(variable, horizon)] = PartState::Written;
  }
  float Fill() const { return fill_; }
  // The reason a piece of the part cannot be stored: a value equals the fill value.
  std::string HoldsFill(std::size_t variable, int horizon) {
    std::string reason =
        Part(variable, horizon) + " holds " +
        (fill_ == static_cast<float>(kNoData) ? "the value -9999" : "the lowest float") +
        ", the fill value (no data) of the file";
    const std::lock_guard<std::mutex> library(NetCdfLibrary());
    return Fail(reason);
  }

 private:
  // Takes nothing more from now on (the library held); the reason of the
  // first failure.
  const std::string& Fail(const std::string& reason) {
    if (!failed_) reason_ = reason;
    failed_ = true;
    return reason_;
  }
  // Closes the file if it is open; the status of closing it.
  int Release() {
    if (ncid_ < 0) return NC_NOERR;
    const int status = nc_close(ncid_);
    ncid_ = -1;
    return status;
  }
  std::size_t Slot(std::size_t variable, int horizon) const {
    return variable * (horizons_.size() + 1) + static_cast<std::size_t>(horizon + 1);
  }
  std::string Part(std::size_t variable, int horizon) const {
    return horizon < 0
               ? names_[variable] + "_total"
               : names_[variable] + " of horizon " + horizons_[static_cast<std::size_t>(horizon)];
  }
  bool Define(const CubeLayout& layout, std::string& error);
  bool WriteCoordinates(const CubeLayout& layout, std::string& error);
  bool TakeStorage(std::string& error);

  std::string path_;
  Spreader spreader_;
  std::size_t rows_, columns_;
  std::size_t activeCells_;
  std::vector<std::string> horizons_;
  std::size_t periodCount_;
  float fill_;
  std::vector<std::string> names_;
  enum class PartState : std::uint8_t { Unwritten, Writing, Written };
  std::vector<PartState> parts_;  // per (variable, horizon), the total first
  // Below, and parts_: with the library held (parts are written on several threads).
  bool failed_ = false, closed_ = false;
  std::string reason_;  // of the first failure
  int ncid_ = -1;
  int x_ = -1, y_ = -1, age_ = -1, periodName_ = -1, horizonName_ = -1;
  std::vector<int> perHorizon_, totals_;  // variable ids, per variable
};

std::string Cannot(const std::string& what, int status) {
  return "cannot " + what + ": " + nc_strerror(status);
}

// A text attribute (NC_CHAR, as CF has them).
int PutText(int ncid, int varid, const char* name, const std::string& value) {
  return nc_put_att_text(ncid, varid, name, value.size(), value.data());
}

bool NetCdfCube::Define(const CubeLayout& layout, std::string& error) {
  int status = NC_NOERR;
  for (const auto& [name, value] : {std::pair<const char*, std::string>{"Conventions", "CF-1.8"},
                                    {"title", "history of " + layout.project},
                                    {"source", "strataplot"},
                                    {"project", layout.project}}) {
    if (status == NC_NOERR) status = PutText(ncid_, NC_GLOBAL, name, value);
  }
  if (status != NC_NOERR) {
    error = Cannot("write the file's attributes", status);
    return false;
  }
  int horizon = -1, period = -1, y = -1, x = -1;
  for (const auto& [name, size, id] :
       {std::tuple<const char*, std::size_t, int*>{"horizon", horizons_.size(), &horizon},
        {"period", periodCount_, &period},
        {"y", rows_, &y},
        {"x", columns_, &x}}) {
    if ((status = nc_def_dim(ncid_, name, size, id)) != NC_NOERR) {
      error = Cannot(std::string("define the dimension ") + name, status);
      return false;
    }
  }

  using Texts = std::vector<std::pair<const char*, std::string>>;
  auto array = [&](const std::string& name, std::vector<int> dims, nc_type type,
                   const Texts& attributes, int& id) {
    int made =
        nc_def_var(ncid_, name.c_str(), type, static_cast<int>(dims.size()), dims.data(), &id);
    if (made == NC_NOERR) made = nc_def_var_chunking(ncid_, id, NC_CONTIGUOUS, nullptr);
    for (const auto& [key, value] : attributes) {
      if (made == NC_NOERR) made = PutText(ncid_, id, key, value);
    }
    if (made != NC_NOERR) error = Cannot("define the variable " + name, made);
    return made == NC_NOERR;
  };
  if (!array("x", {x}, NC_DOUBLE,
             {{"standard_name", "projection_x_coordinate"},
              {"long_name", "x coordinate of cell centre"},
              {"units", CoordinateUnit(layout.grid.reference)},
              {"axis", "X"}},
             x_) ||
      !array("y", {y}, NC_DOUBLE,
             {{"standard_name", "projection_y_coordinate"},
              {"long_name", "y coordinate of cell centre"},
              {"units", CoordinateUnit(layout.grid.reference)},
              {"axis", "Y"}},
             y_) ||
      !array("age", {period}, NC_FLOAT,
             {{"long_name", "age before present"},
              {"units", "Ma"},
              {"comment",
               "geological age of the period in millions of years before present "
               "(larger is older)"}},
             age_) ||
      !array("period_name", {period}, NC_STRING, {{"long_name", "period of the history"}},
             periodName_) ||
      !array("horizon_name", {horizon}, NC_STRING, {{"long_name", "source-rock horizon"}},
             horizonName_)) {
    return false;
  }

  const bool mapped = layout.grid.reference.Declared();
  if (mapped) {
    int crs = -1;
    const std::string& wkt = layout.grid.reference.wkt;
    if ((status = nc_def_var(ncid_, "crs", NC_INT, 0, nullptr, &crs)) != NC_NOERR ||
        (status = PutText(ncid_, crs, "crs_wkt", wkt)) != NC_NOERR ||
        (status = PutText(ncid_, crs, "spatial_ref", wkt)) != NC_NOERR ||
        (status = PutText(ncid_, crs, "long_name", layout.grid.reference.name)) != NC_NOERR) {
      error = Cannot("define the reference system", status);
      return false;
    }
  }
  for (const CubeVariable& variable : layout.variables) {
    auto data = [&](const std::string& name, std::vector<int> dims, const std::string& longName,
                    const char* coordinates, std::vector<int>& ids) {
      int id = -1;
      Texts attributes = {
          {"long_name", longName}, {"units", variable.unit}, {"coordinates", coordinates}};
      if (mapped) attributes.emplace_back("grid_mapping", "crs");
      if (!array(name, std::move(dims), NC_FLOAT, attributes, id)) {
        return false;
      }
      ids.push_back(id);
      if (const int set = nc_put_att_float(ncid_, id, "_FillValue", NC_FLOAT, 1, &fill_);
          set != NC_NOERR) {
        error = Cannot("set the fill value of " + name, set);
        return false;
      }
      return true;
    };
    if (!data(variable.name, {horizon, period, y, x}, variable.longName, "horizon_name age y x",
              perHorizon_) ||
        !data(variable.name + "_total", {period, y, x}, variable.longName + ", all horizons",
              "age y x", totals_)) {
      return false;
    }
  }
  if ((status = nc_enddef(ncid_)) != NC_NOERR) {
    error = Cannot("define the file's variables", status);
    return false;
  }
  return true;
}

bool NetCdfCube::WriteCoordinates(const CubeLayout& layout, std::string& error) {
  const GridGeometry& grid = layout.grid;
  const double scale = grid.reference.scale;
  std::vector<double> xs(columns_);
  for (std::size_t c = 0; c < xs.size(); ++c) {
    xs[c] = (grid.originX + (static_cast<double>(c) + 0.5) * grid.cellSizeX) * scale;
  }
  std::vector<double> ys(rows_);
  for (std::size_t r = 0; r < ys.size(); ++r) {
    ys[r] = (grid.originY - (static_cast<double>(r) + 0.5) * grid.cellSizeY) * scale;
  }
  auto pointers = [](const std::vector<std::string>& texts) {
    std::vector<const char*> result;
    for (const std::string& text : texts) result.push_back(text.c_str());
    return result;
  };
  std::vector<const char*> periodNames = pointers(layout.periods);
  std::vector<const char*> horizonNames = pointers(horizons_);
  const std::size_t start[1] = {0};
  const std::size_t columns[1] = {columns_}, rows[1] = {rows_}, periods[1] = {periodCount_},
                    horizons[1] = {horizons_.size()};
  int status = nc_put_vara_double(ncid_, x_, start, columns, xs.data());
  if (status == NC_NOERR) status = nc_put_vara_double(ncid_, y_, start, rows, ys.data());
  if (status == NC_NOERR)
    status = nc_put_vara_float(ncid_, age_, start, periods, layout.ages.data());
  if (status == NC_NOERR) {
    status = nc_put_vara_string(ncid_, periodName_, start, periods, periodNames.data());
  }
  if (status == NC_NOERR) {
    status = nc_put_vara_string(ncid_, horizonName_, start, horizons, horizonNames.data());
  }
  if (status != NC_NOERR) {
    error = Cannot("store the coordinates", status);
    return false;
  }
  return true;
}

// The library takes a data variable's storage in the file when its first
// value is stored. Parts are written on several threads at once, in no fixed
// order: so that the same history gives the same file, each variable's
// storage is taken here, in order, by storing its first value (the fill
// value, which its part overwrites).
bool NetCdfCube::TakeStorage(std::string& error) {
  const std::size_t start[4] = {0, 0, 0, 0}, count[4] = {1, 1, 1, 1};
  for (const std::vector<int>* ids : {&perHorizon_, &totals_}) {
    for (const int id : *ids) {
      if (const int status = nc_put_vara_float(ncid_, id, start, count, &fill_);
          status != NC_NOERR) {
        error = Cannot("take the variables' storage", status);
        return false;
      }
    }
  }
  return true;
}

bool NetCdfCube::Open(const CubeLayout& layout, std::string& error) {
  int status = nc_create(path_.c_str(), NC_NETCDF4 | NC_CLOBBER, &ncid_);
  if (status != NC_NOERR) {
    ncid_ = -1;
    error = nc_strerror(status);
    return false;
  }
  int previous = 0;
  if ((status = nc_set_fill(ncid_, NC_NOFILL, &previous)) != NC_NOERR) {
    error = Cannot("write without pre-filling", status);
    return false;
  }
  return Define(layout, error) && WriteCoordinates(layout, error) && TakeStorage(error);
}

bool NetCdfCube::Begin(std::size_t variable, int horizon, std::size_t valueCount,
                       std::string& error) {
  const std::lock_guard<std::mutex> library(NetCdfLibrary());
  if (closed_) {
    error = "the history cube is closed";
    return false;
  }
  if (failed_) {
    error = "the history cube takes nothing more after a failure (" + reason_ + ")";
    return false;
  }
  if (variable >= names_.size()) {
    error = Fail("there is no variable " + std::to_string(variable) + " (the cube has " +
                 std::to_string(names_.size()) + ")");
    return false;
  }
  if (horizon < -1 || horizon >= static_cast<int>(horizons_.size())) {
    error = Fail("there is no horizon " + std::to_string(horizon) + " (the cube has " +
                 std::to_string(horizons_.size()) + ")");
    return false;
  }
  const std::string part = Part(variable, horizon);
  if (parts_[Slot(variable, horizon)] != PartState::Unwritten) {
    error = Fail(part + " is written already");
    return false;
  }
  if (!OnePerCellAnd(valueCount, activeCells_, periodCount_)) {
    error = Fail(part + " has " + CountMismatch(valueCount, activeCells_, periodCount_, "period"));
    return false;
  }
  parts_[Slot(variable, horizon)] = PartState::Writing;
  return true;
}

bool NetCdfCube::WriteRows(std::size_t variable, int horizon, std::size_t period,
                           std::size_t firstRow, std::size_t rowCount, const float* rows,
                           std::string& error) {
  const std::lock_guard<std::mutex> library(NetCdfLibrary());
  if (failed_) {
    error = reason_;
    return false;
  }
  // (horizon, period, rows, all x), or (period, rows, all x) for a total,
  // which has no horizon dimension.
  const int id = horizon < 0 ? totals_[variable] : perHorizon_[variable];
  const std::size_t first = horizon < 0 ? 1 : 0;
  const std::size_t start[4] = {horizon < 0 ? 0 : static_cast<std::size_t>(horizon), period,
                                firstRow, 0};
  const std::size_t count[4] = {1, 1, rowCount, columns_};
  if (const int status = nc_put_vara_float(ncid_, id, start + first, count + first, rows);
      status != NC_NOERR) {
    error = Fail(Cannot(
        "store period " + std::to_string(period + 1) + " of " + Part(variable, horizon), status));
    return false;
  }
  return true;
}

bool NetCdfCube::Write(std::size_t variable, int horizon, std::span<const float> values,
                       std::string& error) {
  if (!Begin(variable, horizon, values.size(), error)) return false;
  // A few rows of a band at a time.
  const std::size_t step = RowsPerPiece(columns_, rows_);
  std::vector<float> piece;
  for (std::size_t period = 0; period < periodCount_; ++period) {
    for (std::size_t row = 0; row < rows_; row += step) {
      const std::size_t count = std::min(step, rows_ - row);
      if (spreader_
              .Spread(values.subspan(period * activeCells_, activeCells_), fill_, fill_, row, count,
                      piece)
              .x) {
        error = HoldsFill(variable, horizon);
        return false;
      }
      if (!WriteRows(variable, horizon, period, row, count, piece.data(), error)) return false;
    }
  }
  End(variable, horizon);
  return true;
}

bool NetCdfCube::Close(std::string& error) {
  const std::lock_guard<std::mutex> library(NetCdfLibrary());
  if (closed_) {
    error = "the history cube is closed already";
    return false;
  }
  closed_ = true;
  std::string reason = failed_ ? "a part of the history could not be stored" : "";
  for (std::size_t variable = 0; reason.empty() && variable < names_.size(); ++variable) {
    for (int horizon = -1; reason.empty() && horizon < static_cast<int>(horizons_.size());
         ++horizon) {
      if (parts_[Slot(variable, horizon)] != PartState::Written) {
        reason = Part(variable, horizon) + " was not written";
      }
    }
  }
  if (const int status = Release(); status != NC_NOERR && reason.empty()) {
    reason = Cannot("complete the file", status);
  }
  if (reason.empty()) return true;
  RemoveFile(path_);
  error = reason;
  return false;
}

bool WriteGeoTiff(GDALDriver& driver, const GridGeometry& grid, std::size_t active,
                  const TimeSeries& series, std::string& error) {
  const int bandCount = static_cast<int>(series.bandDescriptions.size());
  const std::size_t bands = series.bandDescriptions.size();
  // Written band after band: each band's pixels lie together in the file.
  CPLStringList options;
  options.SetNameValue("INTERLEAVE", "BAND");
  CPLErrorReset();
  GDALDatasetUniquePtr dataset(driver.Create(series.path.c_str(), grid.columnCount, grid.rowCount,
                                             bandCount, GDT_Float32, options.List()));
  if (!dataset) {
    error = LastError();
    return false;
  }
  const double scale = grid.reference.scale;
  double transform[6] = {grid.originX * scale,   grid.cellSizeX * scale, 0, grid.originY * scale, 0,
                         -grid.cellSizeY * scale};
  std::optional<OGRSpatialReference> system = SystemOf(grid.reference, error);
  if (grid.reference.Declared() && !system) return false;
  const std::string software = std::string("strataplot ") + STRATAPLOT_VERSION;
  if (dataset->SetGeoTransform(transform) != CE_None ||
      (system && dataset->SetSpatialRef(&*system) != CE_None) ||
      dataset->SetMetadataItem("TITLE", series.title.c_str()) != CE_None ||
      dataset->SetMetadataItem("UNIT", series.unit.c_str()) != CE_None ||
      dataset->SetMetadataItem("PROJECT", series.project.c_str()) != CE_None ||
      dataset->SetMetadataItem("COORDINATE_UNIT", CoordinateUnit(grid.reference).c_str()) !=
          CE_None ||
      (system && dataset->SetMetadataItem("CRS", grid.reference.name.c_str()) != CE_None) ||
      dataset->SetMetadataItem("PROGRAM", "strataplot") != CE_None ||
      dataset->SetMetadataItem("VERSION", STRATAPLOT_VERSION) != CE_None ||
      dataset->SetMetadataItem("TIFFTAG_IMAGEDESCRIPTION", series.title.c_str()) != CE_None ||
      dataset->SetMetadataItem("TIFFTAG_SOFTWARE", software.c_str()) != CE_None) {
    error = LastError();
    return false;
  }
  // No data is -9999 unless a value is -9999: then the lowest float, and the
  // bands are written again from the first.
  const auto rows = static_cast<std::size_t>(grid.rowCount);
  const auto columns = static_cast<std::size_t>(grid.columnCount);
  const Spreader spreader(grid.mask, columns);
  std::vector<float> piece;
  // The cube's part, written from the same pieces. Every cube is one of ours.
  auto* const cube = static_cast<NetCdfCube*>(series.cube.cube);
  const std::size_t variable = series.cube.variable;
  const int horizon = series.cube.horizon;
  if (cube != nullptr && !cube->Begin(variable, horizon, series.values.size(), error)) {
    return false;
  }
  // Writes every band with that no-data value; false when GDAL or the cube
  // failed, or when a value is -9999 and so is noData (then error is empty).
  auto writeBands = [&](double noData) {
    const auto noDataValue = static_cast<float>(noData);
    for (std::size_t k = 0; k < bands; ++k) {
      GDALRasterBand* raster = dataset->GetRasterBand(static_cast<int>(k) + 1);
      raster->SetDescription(series.bandDescriptions[k].c_str());
      raster->SetMetadataItem("PERIOD", series.bandDescriptions[k].c_str());
      if (raster->SetUnitType(series.unit.c_str()) != CE_None ||
          raster->SetNoDataValue(noData) != CE_None) {
        error = LastError();
        return false;
      }
      // A few strips at a time (as many rows as the cube takes at a time),
      // spread straight into the buffer GDAL writes them from: through GDAL's
      // block cache, each strip would be copied again, and taken and given
      // back. The cube takes the same piece first, with its own fill value.
      int blockWidth = 0, blockHeight = 0;
      raster->GetBlockSize(&blockWidth, &blockHeight);
      if (blockWidth != grid.columnCount || blockHeight <= 0) {
        error = "GDAL did not lay the file out in strips";
        return false;
      }
      const auto step = static_cast<std::size_t>(blockHeight);
      const std::size_t pieceRows = cube == nullptr ? step : RowsPerPiece(columns, rows, step);
      const std::span<const float> band = series.values.subspan(k * active, active);
      for (std::size_t first = 0; first < rows; first += pieceRows) {
        const std::size_t count = std::min(pieceRows, rows - first);
        const float outside = cube != nullptr ? cube->Fill() : noDataValue;
        const Found found = spreader.Spread(band, outside, noDataValue, first, count, piece);
        if (cube != nullptr) {
          if (found.x) {
            error = cube->HoldsFill(variable, horizon);
            return false;
          }
          if (!cube->WriteRows(variable, horizon, k, first, count, piece.data(), error)) {
            return false;
          }
          if (outside != noDataValue) spreader.Refill(noDataValue, first, count, piece);
        }
        if (found.y && noData == kNoData) return false;
        // The last strip's rows below the grid are not written.
        piece.resize((count + step - 1) / step * step * columns);
        for (std::size_t strip = 0; strip < count; strip += step) {
          if (raster->WriteBlock(0, static_cast<int>((first + strip) / step),
                                 piece.data() + strip * columns) != CE_None) {
            error = LastError();
            return false;
          }
        }
      }
    }
    return true;
  };
  if (!writeBands(kNoData) &&
      (!error.empty() || !writeBands(std::numeric_limits<float>::lowest()))) {
    return false;
  }
  if (cube != nullptr) cube->End(variable, horizon);
  if (CloseDataset(dataset)) return true;
  error = LastError();
  return false;
}

}  // namespace

std::unique_ptr<HistoryCube> HistoryCube::Create(const CubeLayout& layout, std::string& error) {
  const std::optional<std::size_t> active = ActiveCells(layout.grid, error);
  if (!active) return nullptr;
  if (layout.horizons.empty() || layout.periods.empty()) {
    error = "the history has no horizon or no period";
    return nullptr;
  }
  if (layout.ages.size() != layout.periods.size()) {
    error = std::to_string(layout.ages.size()) + " ages for " +
            std::to_string(layout.periods.size()) + " periods";
    return nullptr;
  }
  std::error_code failed;
  if (fs::exists(layout.path, failed) && !fs::is_regular_file(layout.path, failed)) {
    error = "something that is not a file is in the way";
    return nullptr;
  }
  RemoveFile(layout.path);
  auto cube = std::make_unique<NetCdfCube>(layout, *active);
  bool opened = false;
  {
    const std::lock_guard<std::mutex> library(NetCdfLibrary());
    // HDF5, under the netCDF library, closes at the end of the process what
    // is still open: a cube that could not be completed (its disk full), which
    // it would try to write again, and crash. Told before it starts, when it
    // has not yet.
    static std::once_flag told;
    std::call_once(told, [] { H5dont_atexit(); });
    opened = cube->Open(layout, error);
  }
  if (!opened) return nullptr;  // the cube removes its file
  return cube;
}

std::optional<std::string> WriteTimeSeries(const GridGeometry& grid, const TimeSeries& series) {
  std::string error;
  const std::optional<std::size_t> active = ActiveCells(grid, error);
  if (!active) return error;
  const std::size_t bands = series.bandDescriptions.size();
  if (bands == 0 || bands > static_cast<std::size_t>(INT_MAX)) {
    return "the series has " + std::to_string(bands) + " bands";
  }
  if (!OnePerCellAnd(series.values.size(), *active, bands)) {
    return "the series has " + CountMismatch(series.values.size(), *active, bands, "band");
  }
  GdalScope scope(Drivers::GeoTiff);
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
  if (driver == nullptr) return "this GDAL has no GTiff driver";
  if (!MakeRoom(*driver, series.path, error)) return error;
  if (WriteGeoTiff(*driver, grid, *active, series, error)) return std::nullopt;
  Remove(*driver, series.path);
  return error;
}

}  // namespace grids
