// The standard grid and contour formats a completed map can also be written
// in: their names on the command line, the extension added to the map file's
// name, and the GDAL driver that writes them. Plain data, without GDAL, so
// that the host can check its options without loading it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace grids {

struct Format {
  const char* name;       // on the command line: "gtiff"
  const char* extension;  // added to the map file's name: ".tif"
  const char* driver;     // GDAL's short name: "GTiff"
};

// gtiff aaigrid zmap surfer xyz
const std::vector<Format>& GridFormats();
// gpkg geojson shp
const std::vector<Format>& ContourFormats();

// The formats named in a comma-separated list, in its order, each once; on a
// name that is not one of formats, nullopt with the reason in error.
std::optional<std::vector<Format>> ParseFormatList(std::string_view list,
                                                   const std::vector<Format>& formats,
                                                   std::string& error);

}  // namespace grids
