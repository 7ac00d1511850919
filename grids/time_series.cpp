#include "grids/time_series.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal_priv.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "grids/gdal_support.h"
#include "strataplot_version.h"

namespace grids {
namespace {

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

// One band over the whole grid, row by row: `outside` off the area, and at
// the a-th active cell values[a * stride + offset]. The values must hold
// stride values per active cell, offset < stride.
void Spread(std::span<const std::uint8_t> mask, std::span<const float> values, std::size_t stride,
            std::size_t offset, float outside, std::vector<float>& band) {
  std::size_t next = offset;
  for (std::size_t cell = 0; cell < mask.size(); ++cell) {
    if (mask[cell] != 0) {
      band[cell] = values[next];
      next += stride;
    } else {
      band[cell] = outside;
    }
  }
}

bool WriteGeoTiff(GDALDriver& driver, const GridGeometry& grid, const TimeSeries& series,
                  std::string& error) {
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
  const double noData = NoDataFor(series.values);
  std::vector<float> band(grid.mask.size());
  for (std::size_t k = 0; k < bands; ++k) {
    GDALRasterBand* raster = dataset->GetRasterBand(static_cast<int>(k) + 1);
    raster->SetDescription(series.bandDescriptions[k].c_str());
    raster->SetMetadataItem("PERIOD", series.bandDescriptions[k].c_str());
    Spread(grid.mask, series.values, bands, k, static_cast<float>(noData), band);
    if (raster->SetUnitType(series.unit.c_str()) != CE_None ||
        raster->SetNoDataValue(noData) != CE_None ||
        raster->RasterIO(GF_Write, 0, 0, grid.columnCount, grid.rowCount, band.data(),
                         grid.columnCount, grid.rowCount, GDT_Float32, 0, 0, nullptr) != CE_None ||
        // Out of GDAL's block cache at once: it would hold the whole file
        // (up to a twentieth of the machine's memory) until it is closed.
        raster->FlushCache(false) != CE_None) {
      error = LastError();
      return false;
    }
  }
  if (CloseDataset(dataset)) return true;
  error = LastError();
  return false;
}

// A plain file at path is removed; anything else is left alone.
void RemoveFile(const std::string& path) {
  VSIStatBufL stat;
  if (VSIStatL(path.c_str(), &stat) == 0 && VSI_ISREG(stat.st_mode)) VSIUnlink(path.c_str());
}

// The history cube in a netCDF-4 file, through GDAL's multidimensional API.
//
// CF as far as geological time allows: ages in Ma before present are not a
// CF time (no calendar, no reference date, and "Ma" is not a time unit of
// UDUNITS), so `age` carries no standard_name, axis or calendar and is not
// named after its dimension. It still is the coordinate of `period`: each
// data variable's `coordinates` attribute names, dimension by dimension, the
// variable that indexes it ("horizon_name age y x"), which is how GDAL finds
// the indexing variable of a dimension without a variable of its own name.
// `age` has no `positive` attribute either: CF reserves it for vertical
// coordinates. The grid has no known coordinate reference system, hence no
// grid_mapping.
class NetCdfCube final : public HistoryCube {
 public:
  NetCdfCube(const CubeLayout& layout, std::size_t activeCells)
      : path_(layout.path),
        mask_(layout.grid.mask.begin(), layout.grid.mask.end()),
        rows_(static_cast<std::size_t>(layout.grid.rowCount)),
        columns_(static_cast<std::size_t>(layout.grid.columnCount)),
        activeCells_(activeCells),
        horizons_(layout.horizons),
        periodCount_(layout.periods.size()),
        fill_(layout.valuesHoldMinus9999 ? std::numeric_limits<float>::lowest()
                                         : static_cast<float>(kNoData)),
        written_(layout.variables.size() * (layout.horizons.size() + 1), false) {
    for (const CubeVariable& variable : layout.variables) names_.push_back(variable.name);
  }

  ~NetCdfCube() override {
    if (closed_) return;
    GdalScope scope;
    Release();
    RemoveFile(path_);
  }

  bool Open(GDALDriver& driver, const CubeLayout& layout, std::string& error);
  bool Write(std::size_t variable, int horizon, std::span<const float> values,
             std::string& error) override;
  bool Close(std::string& error) override;

 private:
  // Lets go of the file: closed once neither the dataset nor an array of it
  // is held. True when closing reported no error.
  bool Release() {
    CPLErrorReset();
    perHorizon_.clear();
    totals_.clear();
    dataset_.reset();
    return CPLGetLastErrorType() < CE_Failure;
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

  std::string path_;
  std::vector<std::uint8_t> mask_;
  std::size_t rows_, columns_;
  std::size_t activeCells_;
  std::vector<std::string> horizons_;
  std::size_t periodCount_;
  float fill_;
  std::vector<std::string> names_;
  std::vector<bool> written_;  // per (variable, horizon), the total first
  bool failed_ = false, closed_ = false;
  GDALDatasetUniquePtr dataset_;
  std::shared_ptr<GDALMDArray> x_, y_, age_, periodName_, horizonName_;
  std::vector<std::shared_ptr<GDALMDArray>> perHorizon_, totals_;
};

// A text attribute (NC_CHAR, as CF has them).
bool PutText(GDALIHasAttribute& owner, const char* name, const std::string& value) {
  std::shared_ptr<GDALAttribute> attribute =
      owner.CreateAttribute(name, {}, GDALExtendedDataType::CreateString());
  return attribute && attribute->Write(value.c_str());
}

std::string Failed(const std::string& what) { return "cannot " + what + ": " + LastError(); }

bool NetCdfCube::Define(const CubeLayout& layout, std::string& error) {
  std::shared_ptr<GDALGroup> root = dataset_->GetRootGroup();
  if (!root || !PutText(*root, "title", "history of " + layout.project) ||
      !PutText(*root, "source", "strataplot") || !PutText(*root, "project", layout.project)) {
    error = Failed("write the file's attributes");
    return false;
  }
  auto dimension = [&](const char* name, const char* type, std::size_t size) {
    std::shared_ptr<GDALDimension> made = root->CreateDimension(name, type, "", size);
    if (!made) error = Failed(std::string("define the dimension ") + name);
    return made;
  };
  const auto horizon = dimension("horizon", "", horizons_.size());
  const auto period = horizon ? dimension("period", GDAL_DIM_TYPE_TEMPORAL, periodCount_) : nullptr;
  const auto y = period ? dimension("y", GDAL_DIM_TYPE_HORIZONTAL_Y, rows_) : nullptr;
  const auto x = y ? dimension("x", GDAL_DIM_TYPE_HORIZONTAL_X, columns_) : nullptr;
  if (!x) return false;

  std::optional<OGRSpatialReference> system = SystemOf(layout.grid.reference, error);
  if (layout.grid.reference.Declared() && !system) return false;
  const GDALExtendedDataType float32 = GDALExtendedDataType::Create(GDT_Float32);
  const GDALExtendedDataType float64 = GDALExtendedDataType::Create(GDT_Float64);
  const GDALExtendedDataType text = GDALExtendedDataType::CreateString();
  using Texts = std::vector<std::pair<const char*, std::string>>;
  auto array = [&](const std::string& name, const std::vector<std::shared_ptr<GDALDimension>>& dims,
                   const GDALExtendedDataType& type, const Texts& attributes) {
    std::shared_ptr<GDALMDArray> made = root->CreateMDArray(name, dims, type);
    bool ok = made != nullptr;
    for (const auto& [key, value] : attributes) ok = ok && PutText(*made, key, value);
    if (!ok) {
      error = Failed("define the variable " + name);
      made.reset();
    }
    return made;
  };
  const std::string unit = CoordinateUnit(layout.grid.reference);
  x_ = array("x", {x}, float64,
             {{"standard_name", "projection_x_coordinate"},
              {"long_name", "x coordinate of cell centre"},
              {"units", unit},
              {"axis", "X"}});
  y_ = x_ ? array("y", {y}, float64,
                  {{"standard_name", "projection_y_coordinate"},
                   {"long_name", "y coordinate of cell centre"},
                   {"units", unit},
                   {"axis", "Y"}})
          : nullptr;
  age_ = y_ ? array("age", {period}, float32,
                    {{"long_name", "age before present"},
                     {"units", "Ma"},
                     {"comment",
                      "geological age of the period in millions of years before present "
                      "(larger is older)"}})
            : nullptr;
  periodName_ = age_
                    ? array("period_name", {period}, text, {{"long_name", "period of the history"}})
                    : nullptr;
  horizonName_ =
      periodName_ ? array("horizon_name", {horizon}, text, {{"long_name", "source-rock horizon"}})
                  : nullptr;
  if (!horizonName_) return false;

  for (const CubeVariable& variable : layout.variables) {
    auto data = [&](const std::string& name,
                    const std::vector<std::shared_ptr<GDALDimension>>& dims,
                    const std::string& longName, const char* coordinates) {
      std::shared_ptr<GDALMDArray> made =
          array(name, dims, float32,
                {{"long_name", longName}, {"units", variable.unit}, {"coordinates", coordinates}});
      // Before anything is stored: netCDF fixes the fill value then.
      if (made && !made->SetNoDataValue(static_cast<double>(fill_))) {
        error = Failed("set the fill value of " + name);
        made.reset();
      }
      // A grid mapping variable that the data variable names (CF).
      if (made && system && !made->SetSpatialRef(&*system)) {
        error = Failed("declare the reference system of " + name);
        made.reset();
      }
      return made;
    };
    perHorizon_.push_back(
        data(variable.name, {horizon, period, y, x}, variable.longName, "horizon_name age y x"));
    totals_.push_back(perHorizon_.back() ? data(variable.name + "_total", {period, y, x},
                                                variable.longName + ", all horizons", "age y x")
                                         : nullptr);
    if (!totals_.back()) return false;
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
  const std::vector<const char*> periodNames = pointers(layout.periods);
  const std::vector<const char*> horizonNames = pointers(horizons_);
  const GDALExtendedDataType text = GDALExtendedDataType::CreateString();
  auto write = [](GDALMDArray& array, std::size_t count, const GDALExtendedDataType& type,
                  const void* values) {
    const GUInt64 start[1] = {0};
    const size_t counts[1] = {count};
    return array.Write(start, counts, nullptr, nullptr, type, values);
  };
  if (!write(*x_, xs.size(), GDALExtendedDataType::Create(GDT_Float64), xs.data()) ||
      !write(*y_, ys.size(), GDALExtendedDataType::Create(GDT_Float64), ys.data()) ||
      !write(*age_, periodCount_, GDALExtendedDataType::Create(GDT_Float32), layout.ages.data()) ||
      !write(*periodName_, periodCount_, text, periodNames.data()) ||
      !write(*horizonName_, horizons_.size(), text, horizonNames.data())) {
    error = Failed("store the coordinates");
    return false;
  }
  // Only the data variables are written from now on.
  x_.reset();
  y_.reset();
  age_.reset();
  periodName_.reset();
  horizonName_.reset();
  return true;
}

bool NetCdfCube::Open(GDALDriver& driver, const CubeLayout& layout, std::string& error) {
  CPLStringList options;
  options.SetNameValue("FORMAT", "NC4");
  options.SetNameValue("CONVENTIONS", "CF-1.8");
  CPLErrorReset();
  dataset_.reset(driver.CreateMultiDimensional(path_.c_str(), nullptr, options.List()));
  if (!dataset_) {
    error = LastError();
    return false;
  }
  return Define(layout, error) && WriteCoordinates(layout, error);
}

bool NetCdfCube::Write(std::size_t variable, int horizon, std::span<const float> values,
                       std::string& error) {
  if (closed_) {
    error = "the history cube is closed";
    return false;
  }
  if (failed_) {
    error = "the history cube takes nothing more after a failure";
    return false;
  }
  failed_ = true;  // until everything below went well
  if (variable >= names_.size()) {
    error = "there is no variable " + std::to_string(variable) + " (the cube has " +
            std::to_string(names_.size()) + ")";
    return false;
  }
  if (horizon < -1 || horizon >= static_cast<int>(horizons_.size())) {
    error = "there is no horizon " + std::to_string(horizon) + " (the cube has " +
            std::to_string(horizons_.size()) + ")";
    return false;
  }
  const std::string part = Part(variable, horizon);
  if (written_[Slot(variable, horizon)]) {
    error = part + " is written already";
    return false;
  }
  if (!OnePerCellAnd(values.size(), activeCells_, periodCount_)) {
    error = part + " has " + CountMismatch(values.size(), activeCells_, periodCount_, "period");
    return false;
  }
  if (std::find(values.begin(), values.end(), fill_) != values.end()) {
    error = part + " holds " +
            (fill_ == static_cast<float>(kNoData) ? "the value -9999" : "the lowest float") +
            ", the fill value (no data) of the file";
    return false;
  }
  written_[Slot(variable, horizon)] = true;

  GdalScope scope;
  GDALMDArray& array = horizon < 0 ? *totals_[variable] : *perHorizon_[variable];
  // One band at a time: (horizon, period, all y, all x), or (period, all y,
  // all x) for a total, which has no horizon dimension.
  const std::size_t first = horizon < 0 ? 1 : 0;
  GUInt64 start[4] = {horizon < 0 ? 0 : static_cast<GUInt64>(horizon), 0, 0, 0};
  const size_t count[4] = {1, 1, rows_, columns_};
  std::vector<float> band(mask_.size());
  for (std::size_t period = 0; period < periodCount_; ++period) {
    Spread(mask_, values, periodCount_, period, fill_, band);
    start[1] = period;
    CPLErrorReset();
    if (!array.Write(start + first, count + first, nullptr, nullptr,
                     GDALExtendedDataType::Create(GDT_Float32), band.data())) {
      error = Failed("store period " + std::to_string(period + 1) + " of " + part);
      return false;
    }
  }
  failed_ = false;
  return true;
}

bool NetCdfCube::Close(std::string& error) {
  if (closed_) {
    error = "the history cube is closed already";
    return false;
  }
  closed_ = true;
  GdalScope scope;
  std::string reason = failed_ ? "a part of the history could not be stored" : "";
  for (std::size_t variable = 0; reason.empty() && variable < names_.size(); ++variable) {
    for (int horizon = -1; reason.empty() && horizon < static_cast<int>(horizons_.size());
         ++horizon) {
      if (!written_[Slot(variable, horizon)]) reason = Part(variable, horizon) + " was not written";
    }
  }
  if (!Release() && reason.empty()) reason = Failed("complete the file");
  if (reason.empty()) return true;
  RemoveFile(path_);
  error = reason;
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
  GdalScope scope;
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("netCDF");
  if (driver == nullptr ||
      !CPLFetchBool(driver->GetMetadata(), GDAL_DCAP_CREATE_MULTIDIMENSIONAL, false)) {
    error = "this GDAL cannot write netCDF files of several dimensions";
    return nullptr;
  }
  VSIStatBufL stat;
  if (VSIStatL(layout.path.c_str(), &stat) == 0 && !VSI_ISREG(stat.st_mode)) {
    error = "something that is not a file is in the way";
    return nullptr;
  }
  RemoveFile(layout.path);
  auto cube = std::make_unique<NetCdfCube>(layout, *active);
  if (!cube->Open(*driver, layout, error)) return nullptr;  // the cube removes its file
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
  GdalScope scope;
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
  if (driver == nullptr) return "this GDAL has no GTiff driver";
  if (!MakeRoom(*driver, series.path, error)) return error;
  if (WriteGeoTiff(*driver, grid, series, error)) return std::nullopt;
  Remove(*driver, series.path);
  return error;
}

}  // namespace grids
