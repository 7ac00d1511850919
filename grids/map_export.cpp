#include "grids/map_export.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_alg.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>

#include "grids/gdal_support.h"
#include "grids/styles.h"
#include "strataplot_version.h"

namespace grids {
namespace {

constexpr const char* kProgram = "strataplot";

// The maps' kinds by the first two letters of their extension ("po1", "pot").
struct KindName {
  const char* code;
  const char* name;
};
constexpr KindName kKinds[] = {
    {"po", "oil expulsion intensity"},
    {"pp", "deep-layer oil expulsion intensity"},
    {"uo", "unexpelled oil intensity"},
    {"so", "oil generation intensity"},
    {"sg", "gas generation intensity"},
    {"pg", "gas total expulsion intensity"},
    {"fg", "free gas expulsion intensity"},
    {"wg", "water-dissolved gas expulsion intensity"},
    {"og", "oil-dissolved gas expulsion intensity"},
    {"kg", "diffusion phase gas expulsion intensity"},
    {"ug", "unexpelled gas intensity"},
    {"eg", "deep-layer gas generation intensity"},
    {"ag", "deep-layer gas expulsion intensity"},
};

// The no-data value of a map's grids: -9999, unless a value of the map is
// exactly -9999; then the highest of -1e5, -1e6, ... -1e10 below every value,
// or failing that the first of them that no value equals. Each is exact as a
// 32-bit real and as text in every format: a ZMap header keeps six
// significant digits of it, ZMap cells seven decimals. nullopt when the map
// holds every one of them.
std::optional<double> GridNoData(std::span<const float> values) {
  auto held = [&](double candidate) {
    return std::find(values.begin(), values.end(), static_cast<float>(candidate)) != values.end();
  };
  if (!held(kNoData)) return kNoData;
  static constexpr double kLower[] = {-1e5, -1e6, -1e7, -1e8, -1e9, -1e10};
  const float lowest = *std::min_element(values.begin(), values.end());  // -9999 at most
  for (double candidate : kLower) {
    if (candidate < lowest) return candidate;
  }
  for (double candidate : kLower) {
    if (!held(candidate)) return candidate;
  }
  return std::nullopt;
}

// Why the map's grid cannot be written in the format, nullopt when it can.
// GDAL refuses to write or read a ZMap Plus grid of a single row or column,
// gives a Surfer 7 one the node spacing 0/0, and finds an XYZ grid's cell
// size from the spacing of its points, two in each direction at least. A
// Surfer grid's cell equal to its blank value would read back as blank.
std::optional<std::string> CannotHold(const Format& format, const platform::CompletedMap& map) {
  const std::string_view driver = format.driver;
  if ((map.rowCount == 1 || map.columnCount == 1) &&
      (driver == "ZMap" || driver == "GS7BG" || driver == "XYZ")) {
    const char* grid = driver == "ZMap"    ? "a ZMap Plus grid"
                       : driver == "GS7BG" ? "a Surfer 7 grid"
                                           : "an XYZ grid";
    return std::string(grid) +
           " needs two rows and two columns at least: with fewer, GDAL cannot write or read back "
           "its cell size (gtiff and aaigrid hold a single row or column)";
  }
  constexpr float kSurferBlank = 1.701410009187828e+38f;  // GDAL's, Surfer's own
  if (driver == "GS7BG" &&
      std::find(map.values.begin(), map.values.end(), kSurferBlank) != map.values.end()) {
    return "a value of the map is 1.70141e+38, the blank value of Surfer 7 grids";
  }
  return std::nullopt;
}

GDALDriver* WritingDriver(const Format& format, const char* capability, std::string& error) {
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(format.driver);
  if (driver == nullptr) {
    error = std::string("this GDAL has no ") + format.driver + " driver";
    return nullptr;
  }
  if (!CPLFetchBool(driver->GetMetadata(), capability, false) &&
      !CPLFetchBool(driver->GetMetadata(), GDAL_DCAP_CREATE, false)) {
    error = std::string("GDAL's ") + format.driver + " driver cannot write files";
    return nullptr;
  }
  return driver;
}

// The map's values as a raster in memory: row 0 at the top, no data outside.
GDALDatasetUniquePtr InMemory(const platform::CompletedMap& map, double noData,
                              const ExportContext& context, const OGRSpatialReference* system,
                              std::string& error) {
  std::optional<std::vector<float>> raster = platform::CellsOf(map, static_cast<float>(noData));
  if (map.rowCount <= 0 || map.columnCount <= 0 || !raster) {
    error = "the map's grid holds no cells or its values do not match its active cells";
    return nullptr;
  }
  GDALDriver* memory = GetGDALDriverManager()->GetDriverByName("MEM");
  GDALDatasetUniquePtr dataset(memory == nullptr ? nullptr
                                                 : memory->Create("", map.columnCount, map.rowCount,
                                                                  1, GDT_Float32, nullptr));
  if (!dataset) {
    error = "cannot make the grid in memory: " + LastError();
    return nullptr;
  }
  const double scale = context.reference.scale;
  double transform[6] = {map.originX * scale,   map.cellSizeX * scale, 0, map.originY * scale, 0,
                         -map.cellSizeY * scale};
  GDALRasterBand* band = dataset->GetRasterBand(1);
  if (dataset->SetGeoTransform(transform) != CE_None || band->SetNoDataValue(noData) != CE_None ||
      (system != nullptr && dataset->SetSpatialRef(system) != CE_None) ||
      band->RasterIO(GF_Write, 0, 0, map.columnCount, map.rowCount, raster->data(), map.columnCount,
                     map.rowCount, GDT_Float32, 0, 0, nullptr) != CE_None) {
    error = "cannot make the grid in memory: " + LastError();
    return nullptr;
  }
  band->SetUnitType(platform::GbkForDisplay(map.unit).c_str());
  // Copied into a GeoTIFF's metadata, its description and software tags.
  for (const auto& [key, value] : MapMetadata(map, context))
    dataset->SetMetadataItem(key.c_str(), value.c_str());
  dataset->SetMetadataItem("TIFFTAG_IMAGEDESCRIPTION", platform::GbkForDisplay(map.title).c_str());
  const std::string software = kProgram + std::string(" ") + STRATAPLOT_VERSION;
  dataset->SetMetadataItem("TIFFTAG_SOFTWARE", software.c_str());
  return dataset;
}

// A ZMap Plus header's comment lines ("!") before its "@": GDAL's own give
// way to the map's metadata, which ZMap readers skip as they skip GDAL's.
bool CommentZMap(const std::string& path,
                 const std::vector<std::pair<std::string, std::string>>& metadata,
                 std::string& error) {
  std::string text;
  {
    std::ifstream in(path, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
      error = "cannot read it back to add its metadata";
      return false;
    }
  }
  const std::size_t header = text.find('@');
  if (header == std::string::npos || text.find_first_not_of("!", 0) == 0) {
    error = "GDAL wrote no ZMap Plus header to add the metadata to";
    return false;
  }
  std::string comments = "!\n";
  for (const auto& [key, value] : metadata) {
    std::string line = value;
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    comments += "! " + key + ": " + line + "\n";
  }
  comments += "!\n";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << comments;
  out.write(text.data() + header, static_cast<std::streamsize>(text.size() - header));
  out.close();
  if (out) return true;
  error = "cannot add its metadata";
  return false;
}

bool WriteGrid(GDALDataset& source, GDALDriver& driver, const std::string& path,
               const std::vector<std::pair<std::string, std::string>>& metadata,
               std::string& error) {
  CPLErrorReset();
  GDALDatasetUniquePtr written(
      driver.CreateCopy(path.c_str(), &source, FALSE, nullptr, nullptr, nullptr));
  if (!written || !CloseDataset(written)) {
    error = LastError();
    return false;
  }
  if (std::string_view(driver.GetDescription()) == "ZMap") {
    return CommentZMap(path, metadata, error);
  }
  return true;
}

// The metadata as one JSON object of texts.
std::string JsonObject(const std::vector<std::pair<std::string, std::string>>& metadata) {
  std::string json = "{";
  for (const auto& [key, value] : metadata) {
    json += (json.size() > 1 ? ", \"" : "\"") + key + "\": \"";
    for (unsigned char ch : value) {
      if (ch == '"' || ch == '\\') {
        json += '\\';
        json += static_cast<char>(ch);
      } else if (ch < 0x20) {
        json += CPLSPrintf("\\u%04x", ch);
      } else {
        json += static_cast<char>(ch);
      }
    }
    json += "\"";
  }
  return json + "}";
}

// What the contour layer is created with in each format: the system and the
// metadata as the format holds them.
CPLStringList LayerOptions(std::string_view driver, const platform::CompletedMap& map,
                           const std::vector<std::pair<std::string, std::string>>& metadata) {
  CPLStringList options;
  const std::string title = platform::GbkForDisplay(map.title);
  std::string description = title + ", contour lines every " + std::to_string(map.interval) + " " +
                            platform::GbkForDisplay(map.unit);
  if (driver == "GPKG") {
    options.SetNameValue("IDENTIFIER", title.c_str());
    options.SetNameValue("DESCRIPTION", description.c_str());
  } else if (driver == "GeoJSON") {
    // RFC 7946: WGS 84 longitude and latitude, transformed from the layer's system.
    options.SetNameValue("RFC7946", "YES");
    options.SetNameValue("DESCRIPTION", description.c_str());
    // A foreign member of the feature collection.
    options.SetNameValue("NATIVE_MEDIA_TYPE", "application/vnd.geo+json");
    options.SetNameValue("NATIVE_DATA", ("{\"metadata\": " + JsonObject(metadata) + "}").c_str());
  } else if (driver == "ESRI Shapefile") {
    options.SetNameValue("ENCODING", "UTF-8");  // and a .cpg that says so
  }
  return options;
}

// The most classes a map's classes table, bands, styles and contour lines
// hold; the library's maps have far fewer.
constexpr int kMostClasses = 1'000'000;

// The class code of a value, as the map file classes it: 1 up to 0, 2 up to
// the interval and on to twice it, c from c - 1 intervals (single precision);
// kMostClasses + 1 for every value beyond the last of kMostClasses.
int ClassCode(float value, int interval) {
  const float divisor = static_cast<float>(interval);
  if (value <= 0) return 1;
  if (value <= divisor) return 2;
  const float intervals = value / divisor;
  if (!(intervals < static_cast<float>(kMostClasses))) return kMostClasses + 1;
  return static_cast<int>(intervals) + 1;
}

bool WriteContours(GDALDataset& source, double noData, const platform::CompletedMap& map,
                   const OGRSpatialReference* system,
                   const std::vector<std::pair<std::string, std::string>>& metadata,
                   GDALDriver& driver, const std::string& path, std::string& error) {
  const std::string_view name = driver.GetDescription();
  // A line at every multiple of the interval: a map of more classes would
  // have more levels than any contour map holds (and take ages to trace).
  for (float value : map.values) {
    if (ClassCode(value, std::max(map.interval, 1)) > kMostClasses) {
      error = "a value of the map lies beyond a million contour levels";
      return false;
    }
  }
  if (name == "GeoJSON" && system == nullptr) {
    error =
        "GeoJSON holds WGS 84 longitude and latitude, and the map's grid has no reference system "
        "to transform its coordinates from";
    return false;
  }
  CPLErrorReset();
  GDALDatasetUniquePtr written(driver.Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  // Without a system the grid's coordinates are the basin model's own. A
  // GeoPackage takes a layer without one as geographic unless told otherwise.
  OGRSpatialReference cartesian;
  cartesian.SetLocalCS("Undefined cartesian SRS");
  const OGRSpatialReference* layerSystem =
      system != nullptr ? system : (name == "GPKG" ? &cartesian : nullptr);
  CPLStringList options = LayerOptions(name, map, metadata);
  // CreateLayer clones the system; GDAL 3.6 takes it as not const all the same.
  OGRLayer* layer =
      written ? written->CreateLayer("contours", const_cast<OGRSpatialReference*>(layerSystem),
                                     wkbLineString, options.List())
              : nullptr;
  if (layer != nullptr && name == "GPKG") {
    for (const auto& [key, value] : metadata) layer->SetMetadataItem(key.c_str(), value.c_str());
  }
  OGRFieldDefn id("id", OFTInteger);
  OGRFieldDefn level("level", OFTReal);
  if (layer == nullptr || layer->CreateField(&id) != OGRERR_NONE ||
      layer->CreateField(&level) != OGRERR_NONE) {
    error = LastError();
    return false;
  }
  CPLStringList contour;
  contour.SetNameValue("LEVEL_INTERVAL", CPLSPrintf("%d", map.interval));
  contour.SetNameValue("ID_FIELD", CPLSPrintf("%d", layer->FindFieldIndex("id", TRUE)));
  contour.SetNameValue("ELEV_FIELD", CPLSPrintf("%d", layer->FindFieldIndex("level", TRUE)));
  contour.SetNameValue("NODATA", CPLSPrintf("%.17g", noData));
  const bool transaction = written->StartTransaction() == OGRERR_NONE;
  if (GDALContourGenerateEx(source.GetRasterBand(1), layer, contour.List(), nullptr, nullptr) !=
          CE_None ||
      (transaction && written->CommitTransaction() != OGRERR_NONE)) {
    error = LastError();
    return false;
  }
  if (CloseDataset(written)) return true;
  error = LastError();
  return false;
}

// Square kilometres in one square unit of the written coordinates.
double SquareKilometresPerUnit(const Reference& reference) {
  const double metres = MetresPer(reference.gridUnit) / reference.scale;
  return metres * metres / 1e6;
}

std::string Shortest(double value) {
  char text[32];
  const auto [end, failed] = std::to_chars(text, text + sizeof text, value);
  return failed == std::errc() ? std::string(text, end) : std::string("nan");
}

// Writes the text as the whole file; false with the reason when it could not.
bool WriteText(const std::string& path, const std::string& text, std::string& error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (out) return true;
  std::remove(path.c_str());
  error = "cannot write the file";
  return false;
}

// MAPFILE.classes.csv: per class code its range, cells, area and amount.
bool WriteClasses(const platform::CompletedMap& map, const Reference& reference,
                  const std::string& path, std::string& error) {
  const int interval = std::max(map.interval, 1);
  std::vector<long long> cells;
  std::vector<double> amounts;
  // The cell area the exports divide the quantities by.
  const int cellArea = static_cast<int>(map.cellSizeX * map.cellSizeY);
  for (float value : map.values) {
    const int code = ClassCode(value, interval);
    if (code > kMostClasses) {
      error = "a value of the map lies beyond a million classes";
      return false;
    }
    if (static_cast<std::size_t>(code) > cells.size()) {
      cells.resize(static_cast<std::size_t>(code), 0);
      amounts.resize(static_cast<std::size_t>(code), 0);
    }
    ++cells[static_cast<std::size_t>(code - 1)];
    amounts[static_cast<std::size_t>(code - 1)] += static_cast<double>(value) * cellArea;
  }
  if (cells.size() < 2) cells.resize(2, 0), amounts.resize(2, 0);
  const double metres = MetresPer(reference.gridUnit);
  const double cellKm2 = static_cast<double>(map.cellSizeX) * map.cellSizeY * metres * metres / 1e6;
  std::string text = "code,min,max,cells,area_km2,amount\n";
  for (std::size_t c = 0; c < cells.size(); ++c) {
    const long long code = static_cast<long long>(c) + 1;
    const std::string lower = code == 1   ? ""
                              : code == 2 ? "0"
                                          : std::to_string((code - 1) * interval);
    const std::string upper = code == 1 ? "0" : std::to_string(std::max(code, 2LL) * interval);
    text += std::to_string(code) + "," + lower + "," + upper + "," + std::to_string(cells[c]) +
            "," + Shortest(static_cast<double>(cells[c]) * cellKm2) + "," + Shortest(amounts[c]) +
            "\n";
  }
  return WriteText(path, text, error);
}

// The filled bands between the class boundaries 0, 2I, 3I ... up to the
// highest class's upper bound, as polygons with min, max and area_km2, in a
// layer in memory (the grid's coordinates).
GDALDatasetUniquePtr MakeBands(GDALDataset& grid, double noData, const platform::CompletedMap& map,
                               const ExportContext& context, const OGRSpatialReference* system,
                               std::string& error) {
  GDALDriver* memory = GetGDALDriverManager()->GetDriverByName("Memory");
  GDALDatasetUniquePtr bands(
      memory == nullptr ? nullptr : memory->Create("bands", 0, 0, 0, GDT_Unknown, nullptr));
  OGRLayer* layer = bands ? bands->CreateLayer("bands", const_cast<OGRSpatialReference*>(system),
                                               wkbMultiPolygon, nullptr)
                          : nullptr;
  OGRFieldDefn min("min", OFTReal), max("max", OFTReal), area("area_km2", OFTReal);
  if (layer == nullptr || layer->CreateField(&min) != OGRERR_NONE ||
      layer->CreateField(&max) != OGRERR_NONE) {
    error = "cannot make the bands in memory: " + LastError();
    return nullptr;
  }
  const int interval = std::max(map.interval, 1);
  int highest = 2;
  for (float value : map.values) highest = std::max(highest, ClassCode(value, interval));
  if (highest > kMostClasses) {
    error = "a value of the map lies beyond a million classes";
    return nullptr;
  }
  std::string levels = "0";
  for (long long code = 2; code <= highest; ++code) levels += "," + std::to_string(code * interval);
  CPLStringList options;
  options.SetNameValue("POLYGONIZE", "YES");
  options.SetNameValue("FIXED_LEVELS", levels.c_str());
  options.SetNameValue("ELEV_FIELD_MIN", CPLSPrintf("%d", layer->FindFieldIndex("min", TRUE)));
  options.SetNameValue("ELEV_FIELD_MAX", CPLSPrintf("%d", layer->FindFieldIndex("max", TRUE)));
  options.SetNameValue("NODATA", CPLSPrintf("%.17g", noData));
  CPLErrorReset();
  if (GDALContourGenerateEx(grid.GetRasterBand(1), layer, options.List(), nullptr, nullptr) !=
          CE_None ||
      layer->CreateField(&area) != OGRERR_NONE) {
    error = "cannot make the bands: " + LastError();
    return nullptr;
  }
  const double km2 = SquareKilometresPerUnit(context.reference);
  layer->ResetReading();
  for (auto& feature : layer) {
    const OGRGeometry* geometry = feature->GetGeometryRef();
    const OGRwkbGeometryType type =
        geometry != nullptr ? wkbFlatten(geometry->getGeometryType()) : wkbUnknown;
    const double units = type == wkbMultiPolygon ? geometry->toMultiPolygon()->get_Area()
                         : type == wkbPolygon    ? geometry->toPolygon()->get_Area()
                                                 : 0;
    feature->SetField("area_km2", units * km2);
    if (layer->SetFeature(feature.get()) != OGRERR_NONE) {
      error = "cannot make the bands: " + LastError();
      return nullptr;
    }
  }
  return bands;
}

// The bands layer copied into a dataset of the format: the GeoPackage beside
// its contours, MAPFILE.bands.shp or MAPFILE.bands.geojson.
bool WriteBands(GDALDataset& bands, const platform::CompletedMap& map,
                const std::vector<std::pair<std::string, std::string>>& metadata,
                GDALDriver& driver, const std::string& path, bool intoExisting,
                std::string& error) {
  const std::string_view name = driver.GetDescription();
  CPLErrorReset();
  GDALDatasetUniquePtr written(
      intoExisting
          ? GDALDatasetUniquePtr(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE))
          : GDALDatasetUniquePtr(driver.Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr)));
  CPLStringList options = LayerOptions(name, map, metadata);
  if (name == "GPKG") {
    options.SetNameValue("IDENTIFIER",
                         (platform::GbkForDisplay(map.title) + ", class areas").c_str());
    options.SetNameValue(
        "DESCRIPTION",
        (platform::GbkForDisplay(map.title) + ", areas between the classes' bounds").c_str());
  } else if (name == "GeoJSON") {
    options.SetNameValue(
        "DESCRIPTION",
        (platform::GbkForDisplay(map.title) + ", areas between the classes' bounds").c_str());
  }
  OGRLayer* layer =
      written ? written->CopyLayer(bands.GetLayer(0), "bands", options.List()) : nullptr;
  if (layer == nullptr) {
    error = LastError();
    return false;
  }
  if (name == "GPKG") {
    for (const auto& [key, value] : metadata) layer->SetMetadataItem(key.c_str(), value.c_str());
  }
  if (CloseDataset(written)) return true;
  error = LastError();
  return false;
}

// The classes the map's styles colour.
ClassScale ScaleOf(const platform::CompletedMap& map) {
  ClassScale scale;
  scale.interval = std::max(map.interval, 1);
  for (float value : map.values) {
    scale.highestCode = std::max(scale.highestCode, ClassCode(value, scale.interval));
  }
  scale.unit = platform::GbkForDisplay(map.unit);
  return scale;
}

// QGIS's table of styles in the GeoPackage, a default style for the contours
// and one for the bands.
bool WriteLayerStyles(const std::string& path, const ClassScale& scale, std::string& error) {
  CPLErrorReset();
  GDALDatasetUniquePtr gpkg(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
  OGRLayer* table = gpkg ? gpkg->CreateLayer("layer_styles", nullptr, wkbNone, nullptr) : nullptr;
  bool ok = table != nullptr;
  for (const char* name : {"f_table_catalog", "f_table_schema", "f_table_name", "f_geometry_column",
                           "styleName", "styleQML", "styleSLD", "description", "owner", "ui"}) {
    OGRFieldDefn field(name, OFTString);
    ok = ok && table->CreateField(&field) == OGRERR_NONE;
  }
  OGRFieldDefn useAsDefault("useAsDefault", OFTInteger);
  useAsDefault.SetSubType(OFSTBoolean);
  OGRFieldDefn updated("update_time", OFTDateTime);
  ok = ok && table->CreateField(&useAsDefault) == OGRERR_NONE &&
       table->CreateField(&updated) == OGRERR_NONE;
  const std::pair<const char*, std::string> styles[] = {{"contours", ContourStyle()},
                                                        {"bands", BandStyle(scale)}};
  for (const auto& [layer, qml] : styles) {
    if (!ok) break;
    OGRFeature row(table->GetLayerDefn());
    row.SetField("f_table_catalog", "");
    row.SetField("f_table_schema", "");
    row.SetField("f_table_name", layer);
    row.SetField("f_geometry_column", "geom");
    row.SetField("styleName", layer);
    row.SetField("styleQML", qml.c_str());
    row.SetField("styleSLD", "");
    row.SetField("useAsDefault", 1);
    row.SetField("description", "strataplot");
    row.SetField("owner", "");
    row.SetField("ui", "");
    ok = table->CreateFeature(&row) == OGRERR_NONE;
  }
  if (ok && CloseDataset(gpkg)) return true;
  error = "cannot add the layers' styles: " + LastError();
  return false;
}

// The name of the bands' own file of a format: MAPFILE.bands.shp.
std::string BandsName(const std::string& mapFile, const Format& format) {
  return mapFile + ".bands" + format.extension;
}

// The formats that a GIS finds the system of in MAPFILE.prj: GDAL writes one
// beside an Arc/Info ASCII grid and a shapefile; ZMap Plus, Surfer 7 and XYZ
// grids have no place for a system in the file, and programs that know one
// look for it there too.
bool SharesReferenceFile(const Format& format) {
  const std::string_view driver = format.driver;
  return driver == "AAIGrid" || driver == "ZMap" || driver == "GS7BG" || driver == "XYZ" ||
         driver == "ESRI Shapefile";
}

// MAPFILE.prj as GIS programs write it (ESRI's WKT), or without a system,
// the one an earlier run wrote removed. nullopt when done, else the reason.
std::optional<std::string> PlaceReferenceFile(const std::string& path,
                                              const OGRSpatialReference* system) {
  VSIStatBufL stat;
  const bool exists = VSIStatL(path.c_str(), &stat) == 0;
  if (exists && !VSI_ISREG(stat.st_mode)) return "something that is not a file is in the way";
  if (system == nullptr) {
    if (exists && VSIUnlink(path.c_str()) != 0) return "cannot remove it: " + LastError();
    return std::nullopt;
  }
  char* wkt = nullptr;
  const char* const esri[] = {"FORMAT=WKT1_ESRI", nullptr};
  if (system->exportToWkt(&wkt, esri) != OGRERR_NONE || wkt == nullptr || *wkt == '\0') {
    CPLFree(wkt);
    wkt = nullptr;
    if (system->exportToWkt(&wkt) != OGRERR_NONE || wkt == nullptr) {
      CPLFree(wkt);
      return "its reference system cannot be written as WKT: " + LastError();
    }
  }
  const std::string text = wkt;
  CPLFree(wkt);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (out) return std::nullopt;
  std::remove(path.c_str());
  return std::string("cannot write the file");
}

}  // namespace

std::vector<std::pair<std::string, std::string>> MapMetadata(const platform::CompletedMap& map,
                                                             const ExportContext& context) {
  std::vector<std::pair<std::string, std::string>> metadata;
  metadata.emplace_back("TITLE", platform::GbkForDisplay(map.title));
  metadata.emplace_back("UNIT", platform::GbkForDisplay(map.unit));
  metadata.emplace_back("CONTOUR_INTERVAL", std::to_string(map.interval));
  if (!context.project.empty()) metadata.emplace_back("PROJECT", context.project);
  // "沙三段.po1": the horizon 沙三段's oil expulsion map; "demo.pot": all horizons'.
  const std::string name = platform::GbkForDisplay(map.fileName);
  const std::size_t slash = name.rfind('/');
  const std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
  const std::size_t dot = file.rfind('.');
  if (dot != std::string::npos && dot > 0 && file.size() - dot >= 4) {
    const std::string code = file.substr(dot + 1, 2);
    const std::string which = file.substr(dot + 3);
    const auto* kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                    [&](const KindName& k) { return code == k.code; });
    const bool numbered = which.find_first_not_of("0123456789") == std::string::npos;
    if (kind != std::end(kKinds) && (which == "t" || numbered)) {
      metadata.emplace_back("HORIZON", which == "t" ? "all horizons" : file.substr(0, dot));
      metadata.emplace_back("MAP_KIND", kind->name);
    }
  }
  const Reference& reference = context.reference;
  metadata.emplace_back("COORDINATE_UNIT", CoordinateUnit(reference));
  if (reference.Declared()) metadata.emplace_back("CRS", reference.name);
  metadata.emplace_back("PROGRAM", kProgram);
  metadata.emplace_back("VERSION", STRATAPLOT_VERSION);
  return metadata;
}

std::string ReferenceFileName(const std::string& mapFile) { return mapFile + ".prj"; }

std::string ExportName(const std::string& mapFile, const Format& format) {
  return mapFile + format.extension;
}

std::vector<std::string> ExportMap(const platform::CompletedMap& map,
                                   const std::vector<Format>& gridFormats,
                                   const std::vector<Format>& contourFormats,
                                   const ExportContext& context) {
  if (gridFormats.empty() && contourFormats.empty()) return {};
  const std::optional<std::string> mapFile = platform::GbkToUtf8(map.fileName);
  if (!mapFile) {
    return {"cannot write the grids and contours of " + platform::GbkForDisplay(map.fileName) +
            ": its name does not convert to UTF-8"};
  }
  return ExportMapAs(map, *mapFile, gridFormats, contourFormats, context);
}

std::vector<std::string> ExportMapAs(const platform::CompletedMap& map, const std::string& mapFile,
                                     const std::vector<Format>& gridFormats,
                                     const std::vector<Format>& contourFormats,
                                     const ExportContext& context) {
  std::vector<std::string> failures;
  if (gridFormats.empty() && contourFormats.empty()) return failures;
  GdalScope scope;
  std::string error;
  const std::optional<double> noData = GridNoData(map.values);
  if (!noData) error = "its values leave no no-data value free (-9999 and -1e5 to -1e10)";
  const std::optional<OGRSpatialReference> system = SystemOf(context.reference, error);
  const OGRSpatialReference* declared = system ? &*system : nullptr;
  const std::vector<std::pair<std::string, std::string>> metadata = MapMetadata(map, context);
  GDALDatasetUniquePtr grid = noData && (declared != nullptr || !context.reference.Declared())
                                  ? InMemory(map, *noData, context, declared, error)
                                  : nullptr;
  if (!grid) {
    failures.push_back("cannot write the grids and contours of " + mapFile + ": " + error);
    return failures;
  }
  bool referenceFile = false;  // a format written that MAPFILE.prj is for
  auto write = [&](const Format& format, const char* capability, auto&& writeFile) {
    const std::string path = ExportName(mapFile, format);
    GDALDriver* driver = WritingDriver(format, capability, error);
    if (driver != nullptr) {
      if (MakeRoom(*driver, path, error) && writeFile(*driver, path)) {
        referenceFile = referenceFile || SharesReferenceFile(format);
        return;
      }
      // What was written, and a shapefile's older parts beside whatever is in the way.
      Remove(*driver, path);
    }
    failures.push_back("cannot write " + path + ": " + error);
  };
  for (const Format& format : gridFormats) {
    write(format, GDAL_DCAP_CREATECOPY, [&](GDALDriver& driver, const std::string& path) {
      if (std::optional<std::string> reason = CannotHold(format, map)) {
        error = *reason;
        return false;
      }
      // QGIS takes MAPFILE.qml as the GeoTIFF's style: its classes' colours
      // (none for a map of more classes than a style holds).
      return WriteGrid(*grid, driver, path, metadata, error) &&
             (std::string_view(format.driver) != "GTiff" ||
              ScaleOf(map).highestCode > kMostClasses ||
              WriteText(mapFile + ".qml", RasterStyle(ScaleOf(map)), error));
    });
  }
  GDALDatasetUniquePtr bands;
  std::string bandsError;
  if (!contourFormats.empty())
    bands = MakeBands(*grid, *noData, map, context, declared, bandsError);
  for (const Format& format : contourFormats) {
    const bool geoPackage = std::string_view(format.driver) == "GPKG";
    write(format, GDAL_DCAP_CREATE, [&](GDALDriver& driver, const std::string& path) {
      if (!WriteContours(*grid, *noData, map, declared, metadata, driver, path, error))
        return false;
      if (!geoPackage) return true;
      error = bandsError;
      return bands && WriteBands(*bands, map, metadata, driver, path, true, error) &&
             WriteLayerStyles(path, ScaleOf(map), error);
    });
    if (geoPackage) continue;
    const std::string path = BandsName(mapFile, format);
    GDALDriver* driver = WritingDriver(format, GDAL_DCAP_CREATE, error);
    if (driver != nullptr) {
      if (!bands) error = bandsError;
      if (bands && MakeRoom(*driver, path, error) &&
          (std::string_view(format.driver) != "GeoJSON" || declared != nullptr ||
           (error = "GeoJSON needs a reference system", false)) &&
          WriteBands(*bands, map, metadata, *driver, path, false, error)) {
        // A shapefile's .prj of an earlier run with a system.
        const std::string prj = mapFile + ".bands.prj";
        if (declared == nullptr && std::string_view(format.driver) == "ESRI Shapefile" &&
            PlaceReferenceFile(prj, nullptr)) {
          failures.push_back("cannot remove " + prj + " of an earlier run");
        }
        continue;
      }
      Remove(*driver, path);
    }
    failures.push_back("cannot write " + path + ": " + error);
  }
  if (!gridFormats.empty()) {
    const std::string path = mapFile + ".classes.csv";
    if (!WriteClasses(map, context.reference, path, error)) {
      failures.push_back("cannot write " + path + ": " + error);
    }
  }
  if (referenceFile) {
    const std::string path = ReferenceFileName(mapFile);
    if (std::optional<std::string> failed = PlaceReferenceFile(path, declared)) {
      failures.push_back("cannot write " + path + ": " + *failed);
    }
  }
  return failures;
}

bool ReadRasterGrid(const std::string& path, RasterGrid& grid, std::string& error) {
  GdalScope scope;
  CPLErrorReset();
  GDALDatasetUniquePtr dataset(
      GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr));
  if (!dataset) {
    error = "cannot read " + path + ": " + LastError();
    return false;
  }
  const int columns = dataset->GetRasterXSize();
  const int rows = dataset->GetRasterYSize();
  double transform[6] = {0, 1, 0, 0, 0, 1};
  if (dataset->GetRasterCount() < 1 || rows <= 0 || columns <= 0) {
    error = "cannot read " + path + ": it holds no grid";
    return false;
  }
  if (dataset->GetGeoTransform(transform) != CE_None || transform[2] != 0 || transform[4] != 0) {
    error = "cannot read " + path + ": it has no grid geometry, or a rotated one";
    return false;
  }
  // Cells are kept as 32-bit reals: refuse what would not fit in memory at
  // all rather than fail on allocation.
  constexpr long long kLargest = 1LL << 30;
  if (static_cast<long long>(rows) * columns > kLargest) {
    error = "cannot read " + path + ": its grid of " + std::to_string(rows) + " x " +
            std::to_string(columns) + " cells is too large to show";
    return false;
  }
  RasterGrid read;
  read.rowCount = rows;
  read.columnCount = columns;
  read.originX = transform[0];
  read.cellSizeX = transform[1];
  read.originY = transform[3];
  read.cellSizeY = -transform[5];
  try {
    read.cells.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns));
  } catch (const std::bad_alloc&) {
    error = "cannot read " + path + ": its grid does not fit in memory";
    return false;
  }
  GDALRasterBand* band = dataset->GetRasterBand(1);
  if (band->RasterIO(GF_Read, 0, 0, columns, rows, read.cells.data(), columns, rows, GDT_Float32, 0,
                     0, nullptr) != CE_None) {
    error = "cannot read " + path + ": " + LastError();
    return false;
  }
  int hasNoData = 0;
  const double noData = band->GetNoDataValue(&hasNoData);
  if (hasNoData != 0) {
    const float missing = static_cast<float>(noData);
    for (float& cell : read.cells) {
      if (cell == missing) cell = std::numeric_limits<float>::quiet_NaN();
    }
  }
  if (const char* unit = dataset->GetMetadataItem("COORDINATE_UNIT")) read.coordinateUnit = unit;
  grid = std::move(read);
  return true;
}

}  // namespace grids
