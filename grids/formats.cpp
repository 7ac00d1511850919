#include "grids/formats.h"

#include <algorithm>

namespace grids {

const std::vector<Format>& GridFormats() {
  // Surfer 7 binary: the Surfer grid that keeps 64-bit values and its own blank value.
  static const std::vector<Format> formats = {{"gtiff", ".tif", "GTiff"},
                                              {"aaigrid", ".asc", "AAIGrid"},
                                              {"zmap", ".zmap", "ZMap"},
                                              {"surfer", ".grd", "GS7BG"},
                                              {"xyz", ".xyz", "XYZ"}};
  return formats;
}

const std::vector<Format>& ContourFormats() {
  static const std::vector<Format> formats = {{"gpkg", ".gpkg", "GPKG"},
                                              {"geojson", ".geojson", "GeoJSON"},
                                              {"shp", ".shp", "ESRI Shapefile"}};
  return formats;
}

std::optional<std::vector<Format>> ParseFormatList(std::string_view list,
                                                   const std::vector<Format>& formats,
                                                   std::string& error) {
  std::vector<Format> chosen;
  while (true) {
    const std::size_t comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    auto known = std::find_if(formats.begin(), formats.end(),
                              [&](const Format& format) { return name == format.name; });
    if (known == formats.end()) {
      error = "'" + std::string(name) + "' is not one of";
      for (const Format& format : formats) error += std::string(" ") + format.name;
      return std::nullopt;
    }
    if (std::none_of(chosen.begin(), chosen.end(),
                     [&](const Format& format) { return name == format.name; })) {
      chosen.push_back(*known);
    }
    if (comma == std::string_view::npos) return chosen;
    list.remove_prefix(comma + 1);
  }
}

}  // namespace grids
