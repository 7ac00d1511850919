// GDAL as the grids layer uses it: errors kept for our messages, no side
// files, files replaced and removed whole. Only the layer's own sources
// include this header; nothing above the layer sees GDAL.
#pragma once

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "grids/reference.h"

namespace grids {

// The no-data value of our grids, unless a value is exactly -9999.
inline constexpr double kNoData = -9999;

// kNoData, or the lowest 32-bit real when one of the values is kNoData: the
// history's GeoTIFFs and netCDF cube, which hold it exactly. A map's grids
// take another instead (map_export.cpp): a ZMap header cannot hold this one.
double NoDataFor(std::span<const float> values);

// The netCDF library is not made for threads: held while the history cube
// uses it, and while GDAL registers its drivers (its netCDF and HDF5 drivers
// call into their libraries).
std::mutex& NetCdfLibrary();

// The drivers a scope needs registered.
enum class Drivers {
  All,      // every driver, for files of any format
  GeoTiff,  // the GeoTIFF driver alone (the history's series): the others,
            // registered, hold about 8 MB more
  None,     // reference systems only
};

// While it lives, GDAL's errors are kept for our messages instead of being
// printed, and no side files (.aux.xml) are written beside the grids.
class GdalScope {
 public:
  explicit GdalScope(Drivers drivers = Drivers::All);
  ~GdalScope();
  GdalScope(const GdalScope&) = delete;
  GdalScope& operator=(const GdalScope&) = delete;

 private:
  std::optional<std::string> pamBefore_;
};

// The reference's system as OGR holds it, axes in x, y order; nullopt without
// one, or with the reason in error when its WKT does not read back.
std::optional<OGRSpatialReference> SystemOf(const Reference& reference, std::string& error);

// The unit of the coordinates written: the system's, or without one the grid's.
std::string CoordinateUnit(const Reference& reference);

// GDAL's last error message, "unknown error" when it gave none.
std::string LastError();

// Closes the dataset; false when closing reported an error (data not stored).
bool CloseDataset(GDALDatasetUniquePtr& dataset);

// Removes the file a driver wrote (with its side files), whole or partial.
// Anything but a plain file is left alone: some drivers would empty a
// directory of that name. A shapefile's other parts go even when its .shp is
// missing or not a file, all but its .prj, which is the name of an Arc/Info
// ASCII grid's .prj of the same map too.
void Remove(GDALDriver& driver, const std::string& path);

// Clears the way for a new file: an old file of the name is removed; false
// when something else (a directory) is in the way.
bool MakeRoom(GDALDriver& driver, const std::string& path, std::string& error);

}  // namespace grids
