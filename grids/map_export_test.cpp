// Grids and contour layers read back through GDAL: geometry, the no-data
// mask, the values; contour levels and the number of lines per level; the
// reference system and the metadata of every format.
#include "grids/map_export.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string_view>
#include <utility>

#include "mapreader/map_reader.h"
#include "testing/host_harness.h"

namespace {

using namespace test_support;
namespace fs = std::filesystem;

struct Raster {
  double transform[6] = {};
  int rows = 0, columns = 0;
  std::optional<double> noData;
  std::vector<float> values;
};

Raster ReadRaster(const std::string& path) {
  GDALAllRegister();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  Raster raster;
  EXPECT_TRUE(dataset) << path;
  if (!dataset) return raster;
  dataset->GetGeoTransform(raster.transform);
  raster.rows = dataset->GetRasterYSize();
  raster.columns = dataset->GetRasterXSize();
  GDALRasterBand* band = dataset->GetRasterBand(1);
  int hasNoData = 0;
  double noData = band->GetNoDataValue(&hasNoData);
  if (hasNoData) raster.noData = noData;
  raster.values.resize(static_cast<std::size_t>(raster.rows) * raster.columns);
  EXPECT_EQ(band->RasterIO(GF_Read, 0, 0, raster.columns, raster.rows, raster.values.data(),
                           raster.columns, raster.rows, GDT_Float32, 0, 0, nullptr),
            CE_None);
  return raster;
}

// Lines per level of a contour layer.
std::map<double, int> ReadContours(const std::string& path) {
  GDALAllRegister();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  std::map<double, int> lines;
  EXPECT_TRUE(dataset) << path;
  // A GeoPackage holds the bands and the styles beside the contours.
  OGRLayer* layer = !dataset                        ? nullptr
                    : dataset->GetLayerCount() == 1 ? dataset->GetLayer(0)
                                                    : dataset->GetLayerByName("contours");
  EXPECT_NE(layer, nullptr) << path;
  if (layer == nullptr) return lines;
  for (auto& feature : layer) {
    EXPECT_EQ(wkbFlatten(feature->GetGeometryRef()->getGeometryType()), wkbLineString);
    ++lines[feature->GetFieldAsDouble("level")];
  }
  return lines;
}

// A projected system in metres, for maps whose grid is in metres too (the
// coordinates stay as they are) and whose contours include GeoJSON.
grids::ExportContext InMetres() {
  std::string error;
  grids::ExportContext context;
  context.reference = grids::ParseReference("EPSG:4547", grids::GridUnit::Metre, error).value();
  return context;
}

// XYZ records no no-data value: its cells outside the area hold -9999.
bool IsNoData(const Raster& raster, float value) {
  return value == static_cast<float>(raster.noData.value_or(-9999));
}

// Two hills of 15 in a plain of 0, one with a top of 25; the corners lie
// outside the modelled area.
TEST(MapExport, EveryFormatHoldsTheGridAndItsContours) {
  const int rows = 5, columns = 7, cells = rows * columns;
  std::vector<std::uint8_t> mask(cells, 1);
  mask[0] = mask[columns - 1] = mask[cells - columns] = mask[cells - 1] = 0;
  const float grid[rows][columns] = {{0, 0, 0, 0, 0, 0, 0},
                                     {0, 15, 15, 0, 15, 15, 0},
                                     {0, 15, 25, 0, 15, 15, 0},
                                     {0, 15, 15, 0, 15, 15, 0},
                                     {0, 0, 0, 0, 0, 0, 0}};
  std::vector<float> values;
  for (int cell = 0; cell < cells; ++cell) {
    if (mask[cell]) values.push_back(grid[cell / columns][cell % columns]);
  }
  TempDir dir;
  const std::string name = (dir / "沙三段.po1").string();
  const std::string gbkName = Gbk(name), title = Gbk("标题"), unit = Gbk("(万吨/平方公里)");
  const platform::CompletedMap map{gbkName, title, unit, 10,      540,  340,
                                   2,       2.5f,  rows, columns, mask, values};
  EXPECT_EQ(grids::ExportMap(map, grids::GridFormats(), grids::ContourFormats(), InMetres()),
            std::vector<std::string>());

  for (const grids::Format& format : grids::GridFormats()) {
    SCOPED_TRACE(format.name);
    const Raster raster = ReadRaster(grids::ExportName(name, format));
    ASSERT_EQ(raster.rows, rows);
    ASSERT_EQ(raster.columns, columns);
    const double expected[6] = {540, 2, 0, 340, 0, -2.5};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(raster.transform[i], expected[i], 1e-6) << i;
    for (int cell = 0; cell < cells; ++cell) {
      const float value = raster.values[cell];
      if (mask[cell]) {
        EXPECT_EQ(value, grid[cell / columns][cell % columns]) << cell;
      } else {
        EXPECT_TRUE(IsNoData(raster, value)) << cell << ": " << value;
      }
    }
  }
  for (const grids::Format& format : grids::ContourFormats()) {
    EXPECT_EQ(ReadContours(grids::ExportName(name, format)),
              (std::map<double, int>{{10, 2}, {20, 1}}))
        << format.name;
  }
  EXPECT_FALSE(fs::exists(name + ".tif.aux.xml"));
}

// A map of rows x columns at (540, 340) in cells of 2 x 2.5: cell 0 outside
// the area, the others holding `front`, then 1, 2, 3 ...
struct SmallGrid {
  SmallGrid(const TempDir& dir, int rowCount, int columnCount, std::vector<float> front = {})
      : name(dir.File("m.po1")), rows(rowCount), columns(columnCount), mask(rows * columns, 1) {
    mask[0] = 0;
    values = front;
    while (values.size() + 1 < mask.size()) values.push_back(static_cast<float>(values.size()));
  }
  platform::CompletedMap Map() const {
    return {name, "t", "u", 10, 540, 340, 2, 2.5f, rows, columns, mask, values};
  }
  // The value at the cell, `outside` outside the area.
  float At(int cell, float outside) const { return cell == 0 ? outside : values[cell - 1]; }

  std::string name;  // ASCII: the same bytes in GBK
  int rows, columns;
  std::vector<std::uint8_t> mask;
  std::vector<float> values;
};

// A map written under a name of the caller's reads back as it was: the
// geometry of its map file, its values, NaN outside the area; files that hold
// no grid are refused naming the file.
TEST(MapExport, GridReadBackAsTheViewerReadsIt) {
  TempDir dir;
  const SmallGrid small(dir, 2, 3, {-9999, 1.5f});
  const std::string name = (dir / "沙三段.po1").string();
  EXPECT_EQ(grids::ExportMapAs(small.Map(), name, {grids::GridFormats()[0]}, {}),
            std::vector<std::string>());
  grids::RasterGrid grid;
  std::string error;
  ASSERT_TRUE(grids::ReadRasterGrid(name + ".tif", grid, error)) << error;
  EXPECT_EQ(grid.rowCount, 2);
  EXPECT_EQ(grid.columnCount, 3);
  EXPECT_EQ(std::vector<double>({grid.originX, grid.originY, grid.cellSizeX, grid.cellSizeY}),
            std::vector<double>({540, 340, 2, 2.5}));
  ASSERT_EQ(grid.cells.size(), 6u);
  EXPECT_TRUE(std::isnan(grid.cells[0]));
  for (int cell = 1; cell < 6; ++cell) EXPECT_EQ(grid.cells[cell], small.At(cell, 0)) << cell;

  WriteFile(dir / "text.tif", "not a grid");
  for (const std::string& path : {(dir / "text.tif").string(), (dir / "none.tif").string()}) {
    EXPECT_FALSE(grids::ReadRasterGrid(path, grid, error));
    EXPECT_TRUE(Contains(error, path)) << error;
  }
}

// A value of -9999 stays a value: no data moves to a round value below every
// value (or, with values below them all, one that none equals), which every
// format records exactly (Surfer its own blank; XYZ holds it as a value).
TEST(MapExport, NoDataNeverEqualsAValue) {
  struct Case {
    std::vector<float> front;
    double noData;
  } cases[] = {{{-9999}, -1e5},
               {{-9999, -250000}, -1e6},
               {{-9999, -2e10f}, -1e5},
               {{-9999, -1e5, -2e10f}, -1e6}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.noData);
    TempDir dir;
    const SmallGrid grid(dir, 3, 4, test.front);
    ASSERT_EQ(grids::ExportMap(grid.Map(), grids::GridFormats(), {}), std::vector<std::string>());
    for (const grids::Format& format : grids::GridFormats()) {
      SCOPED_TRACE(format.name);
      const Raster raster = ReadRaster(grids::ExportName(grid.name, format));
      const std::string_view driver = format.driver;
      ASSERT_EQ(raster.noData.has_value(), driver != "XYZ");
      const double outside = driver == "GS7BG" ? *raster.noData : test.noData;
      EXPECT_EQ(raster.noData.value_or(outside), outside);
      ASSERT_EQ(raster.values.size(), 12u);
      for (int cell = 0; cell < 12; ++cell) {
        EXPECT_EQ(raster.values[cell], grid.At(cell, static_cast<float>(outside))) << cell;
      }
    }
  }
  TempDir dir;
  const SmallGrid blank(dir, 3, 4, {1.701410009187828e+38f});
  EXPECT_EQ(grids::ExportMap(blank.Map(), grids::GridFormats(), {}),
            (std::vector<std::string>{
                "cannot write " + blank.name +
                    ".grd: a value of the map is 1.70141e+38, the blank value of Surfer 7 grids",
                // A map of that many classes never comes from the library.
                "cannot write " + blank.name +
                    ".classes.csv: a value of the map lies beyond a million classes"}));
  // Nor do its contours and bands (at every multiple of the interval, which
  // would take ages to trace): refused, as is a style of its classes.
  EXPECT_FALSE(fs::exists(blank.name + ".qml"));
  const SmallGrid huge(dir, 3, 4, {1e12f});
  const std::vector<std::string> failures =
      grids::ExportMap(huge.Map(), {}, grids::ContourFormats(), InMetres());
  ASSERT_FALSE(failures.empty());
  for (const std::string& failure : failures)
    EXPECT_NE(failure.find("beyond a million"), std::string::npos) << failure;
}

// ZMap Plus, Surfer 7 and XYZ grids of a single row or column are refused
// (an older file of the name goes); the others hold the grid and its cell size.
TEST(MapExport, OneRowOrOneColumn) {
  for (const auto& [rows, columns] : {std::pair{1, 6}, std::pair{5, 1}}) {
    SCOPED_TRACE(std::to_string(rows) + " x " + std::to_string(columns));
    TempDir dir;
    const SmallGrid grid(dir, rows, columns);
    WriteFile(grid.name + ".zmap", "from an earlier run");
    const std::vector<std::string> failures =
        grids::ExportMap(grid.Map(), grids::GridFormats(), grids::ContourFormats(), InMetres());
    ASSERT_EQ(failures.size(), 3u);
    const char* refused[][2] = {
        {".zmap", "a ZMap Plus"}, {".grd", "a Surfer 7"}, {".xyz", "an XYZ"}};
    for (int i = 0; i < 3; ++i) {
      const std::string path = grid.name + refused[i][0];
      EXPECT_EQ(failures[i].rfind("cannot write " + path + ": " + refused[i][1] + " grid needs", 0),
                0u)
          << failures[i];
      EXPECT_FALSE(fs::exists(path));
    }
    for (const char* extension : {".tif", ".asc"}) {
      const Raster raster = ReadRaster(grid.name + extension);
      ASSERT_EQ(raster.values.size(), grid.mask.size()) << extension;
      const double expected[6] = {540, 2, 0, 340, 0, -2.5};
      for (int i = 0; i < 6; ++i) EXPECT_EQ(raster.transform[i], expected[i]) << extension << i;
      for (int cell = 1; cell < rows * columns; ++cell) {
        EXPECT_EQ(raster.values[cell], grid.At(cell, 0)) << extension;
      }
    }
  }
}

// A shapefile that cannot be written leaves none of its parts, this run's or
// an earlier one's; what is in the way stays, and so does the .prj, which an
// Arc/Info ASCII grid of the map shares.
TEST(MapExport, AShapefileThatCannotBeWrittenLeavesNoParts) {
  const std::vector<grids::Format> shapefile = {grids::ContourFormats()[2]};
  for (const std::string blocked : {".shp", ".shx", ".dbf"}) {
    SCOPED_TRACE(blocked);
    TempDir dir;
    const SmallGrid grid(dir, 3, 4);
    ASSERT_EQ(grids::ExportMap(grid.Map(), {}, shapefile), std::vector<std::string>());
    WriteFile(dir / "m.po1.prj", "the grid's");
    fs::remove(grid.name + blocked);
    fs::create_directory(grid.name + blocked);

    const std::vector<std::string> failures = grids::ExportMap(grid.Map(), {}, shapefile);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(Contains(failures[0], "cannot write " + grid.name + ".shp: ")) << failures[0];
    for (const std::string part : {".shp", ".shx", ".dbf"}) {
      EXPECT_EQ(fs::exists(grid.name + part), part == blocked) << part;
    }
    EXPECT_TRUE(fs::is_directory(grid.name + blocked));
    EXPECT_EQ(TempDir::Contents(dir / "m.po1.prj"), "the grid's");
  }
}

// The system a file declares as GDAL reads it: a raster's, or its one
// layer's; nullopt when it declares none (or the GeoPackage's undefined
// cartesian system).
std::optional<OGRSpatialReference> DeclaredSystem(const std::string& path) {
  GDALAllRegister();
  GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_READONLY));
  EXPECT_TRUE(dataset) << path;
  if (!dataset) return std::nullopt;
  const OGRSpatialReference* system = dataset->GetLayerCount() > 0
                                          ? dataset->GetLayer(0)->GetSpatialRef()
                                          : dataset->GetSpatialRef();
  if (system == nullptr || system->IsLocal()) return std::nullopt;
  return *system;
}

OGRSpatialReference SystemFrom(const std::string& text) {
  OGRSpatialReference system;
  EXPECT_EQ(system.SetFromUserInput(text.c_str()), OGRERR_NONE) << text;
  system.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);  // as GDAL reads files
  return system;
}

// Two projected systems are the same when they share the linear unit and
// project a point of the area alike (a .prj's ESRI names differ from EPSG's).
bool SameSystem(const OGRSpatialReference& a, const OGRSpatialReference& b) {
  if (!a.IsProjected() || !b.IsProjected() ||
      std::fabs(a.GetLinearUnits() / b.GetLinearUnits() - 1) > 1e-9) {
    return false;
  }
  OGRSpatialReference geographic;
  geographic.SetWellKnownGeogCS("WGS84");
  geographic.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  double points[2][2] = {{117.5, 37}, {117.5, 37}};
  for (int i = 0; i < 2; ++i) {
    std::unique_ptr<OGRCoordinateTransformation> transform(
        OGRCreateCoordinateTransformation(&geographic, i == 0 ? &a : &b));
    if (!transform || !transform->Transform(1, &points[i][0], &points[i][1])) return false;
  }
  return std::fabs(points[0][0] - points[1][0]) < 1e-3 &&
         std::fabs(points[0][1] - points[1][1]) < 1e-3;
}

// Every format declares the system (MAPFILE.prj for those that cannot hold
// it), with the coordinates scaled from the grid unit into the system's; a
// run without one declares none and takes away the .prj of an earlier run.
TEST(MapExport, ReferenceSystemOfEveryFormat) {
  struct Case {
    const char* name;
    const char* crs;
    grids::GridUnit unit;
    double scale;
  } cases[] = {
      {"EPSG, grid in km", "EPSG:4547", grids::GridUnit::Kilometre, 1000},
      {"PROJ in US feet, grid in m",
       "+proj=tmerc +lat_0=35 +lon_0=117 +k=1 +x_0=500000 +y_0=0 +ellps=GRS80 +units=us-ft",
       grids::GridUnit::Metre, 1 / 0.304800609601219},
      {"none", "", grids::GridUnit::Kilometre, 1},
  };
  TempDir dir;
  const SmallGrid grid(dir, 3, 4, {0, 20, 0, 20, 0, 20});
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    grids::ExportContext context;
    std::string error;
    const bool declared = *test.crs != '\0';
    if (declared) context.reference = *grids::ParseReference(test.crs, test.unit, error);
    std::vector<grids::Format> contours = grids::ContourFormats();
    if (!declared) contours.erase(contours.begin() + 1);  // GeoJSON needs a system
    ASSERT_EQ(grids::ExportMap(grid.Map(), grids::GridFormats(), contours, context),
              std::vector<std::string>());
    const OGRSpatialReference expected = SystemFrom(declared ? test.crs : "EPSG:4547");
    auto same = [&](const std::optional<OGRSpatialReference>& system) {
      return declared ? system && SameSystem(*system, expected) : !system;
    };
    for (const grids::Format& format : grids::GridFormats()) {
      SCOPED_TRACE(format.name);
      const std::string path = grids::ExportName(grid.name, format);
      const Raster raster = ReadRaster(path);
      const double transform[6] = {540, 2, 0, 340, 0, -2.5};
      for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(raster.transform[i], transform[i] * test.scale, 1e-6 * test.scale) << i;
      }
      const std::string_view driver = format.driver;
      if (driver == "GTiff" || driver == "AAIGrid") {
        EXPECT_TRUE(same(DeclaredSystem(path)));
      }
    }
    const std::string prj = grids::ReferenceFileName(grid.name);
    ASSERT_EQ(fs::exists(prj), declared);
    if (declared) {
      EXPECT_TRUE(SameSystem(SystemFrom(TempDir::Contents(prj)), expected));
    }
    for (const grids::Format& format : contours) {
      SCOPED_TRACE(format.name);
      const std::optional<OGRSpatialReference> system =
          DeclaredSystem(grids::ExportName(grid.name, format));
      if (std::string_view(format.driver) == "GeoJSON") {
        const OGRSpatialReference wgs84 = SystemFrom("EPSG:4326");
        EXPECT_TRUE(system && system->IsSame(&wgs84));
      } else {
        EXPECT_TRUE(same(system));
      }
    }
    EXPECT_EQ(TempDir::Contents(grid.name + ".cpg"), "UTF-8");
  }
}

// GeoJSON holds WGS 84 longitude and latitude: a contour through the
// projection's natural origin (500 km east, 0 north, in a grid in km) passes
// 117 E, 35 N.
TEST(MapExport, GeoJsonInLongitudeAndLatitude) {
  TempDir dir;
  const std::vector<std::uint8_t> mask(9, 1);
  const std::vector<float> values = {0, 20, 20, 0, 20, 20, 0, 20, 20};
  const std::string name = dir.File("m.po1");
  // Cell centres at x = 499, 501, 503 and y = 0, -2, -4: level 10 runs along x = 500.
  const platform::CompletedMap map{name, "t", "u", 10, 498, 1, 2, 2, 3, 3, mask, values};
  grids::ExportContext context;
  std::string error;
  context.reference = *grids::ParseReference(
      "+proj=tmerc +lat_0=35 +lon_0=117 +k=1 +x_0=500000 +y_0=0 +ellps=GRS80 +units=m",
      grids::GridUnit::Kilometre, error);
  const std::vector<grids::Format> geoJson = {grids::ContourFormats()[1]};
  ASSERT_EQ(grids::ExportMap(map, {}, geoJson, context), std::vector<std::string>());
  GDALAllRegister();
  GDALDatasetUniquePtr dataset(GDALDataset::Open((name + ".geojson").c_str(), GDAL_OF_VECTOR));
  ASSERT_TRUE(dataset);
  int atOrigin = 0;
  for (auto& feature : dataset->GetLayer(0)) {
    if (feature->GetFieldAsDouble("level") != 10) continue;
    for (const OGRPoint& point : *feature->GetGeometryRef()->toLineString()) {
      EXPECT_NEAR(point.getX(), 117, 1e-7);
      if (std::fabs(point.getY() - 35) < 1e-7) ++atOrigin;
    }
  }
  EXPECT_EQ(atOrigin, 1);
}

// The map's title, unit, interval, project, horizon, kind, program and
// version in every format that holds them; ZMap Plus as comments GDAL skips.
TEST(MapExport, MetadataInEveryFormatThatHoldsIt) {
  struct Case {
    const char* file;
    const char* horizon;  // "": none known
    const char* kind;
  } cases[] = {{"沙三段.po1", "沙三段", "oil expulsion intensity"},
               {"demo.ppt", "all horizons", "deep-layer oil expulsion intensity"},
               {"a.b.kg12", "a.b", "diffusion phase gas expulsion intensity"},
               {"notes.txt", "", ""},
               {"x.po", "", ""}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.file);
    const std::string gbk = Gbk(test.file), title = Gbk("标题"), unit = Gbk("(万吨/平方公里)");
    const platform::CompletedMap map{gbk, title, unit, 25, 0, 0, 1, 1, 2, 2, {}, {}};
    grids::ExportContext context;
    context.project = "demo";
    std::map<std::string, std::string> metadata;
    for (const auto& [key, value] : grids::MapMetadata(map, context)) metadata[key] = value;
    EXPECT_EQ(metadata["TITLE"], "标题");
    EXPECT_EQ(metadata["UNIT"], "(万吨/平方公里)");
    EXPECT_EQ(metadata["CONTOUR_INTERVAL"], "25");
    EXPECT_EQ(metadata["PROJECT"], "demo");
    EXPECT_EQ(metadata["COORDINATE_UNIT"], "km");
    EXPECT_EQ(metadata["PROGRAM"], "strataplot");
    EXPECT_FALSE(metadata["VERSION"].empty());
    EXPECT_EQ(metadata.count("CRS"), 0u);
    EXPECT_EQ(metadata["HORIZON"], test.horizon);
    EXPECT_EQ(metadata["MAP_KIND"], test.kind);
  }

  TempDir dir;
  const SmallGrid grid(dir, 3, 4, {0, 20, 0, 20, 0, 20});
  grids::ExportContext context = InMetres();
  context.project = "demo";
  ASSERT_EQ(grids::ExportMap(grid.Map(), grids::GridFormats(), grids::ContourFormats(), context),
            std::vector<std::string>());
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"TITLE", "t"},
      {"UNIT", "u"},
      {"CONTOUR_INTERVAL", "10"},
      {"PROJECT", "demo"},
      {"HORIZON", "m"},
      {"MAP_KIND", "oil expulsion intensity"},
      {"COORDINATE_UNIT", "metre"},
      {"PROGRAM", "strataplot"}};
  GDALAllRegister();
  GDALDatasetUniquePtr tiff(GDALDataset::Open((grid.name + ".tif").c_str(), GDAL_OF_RASTER));
  GDALDatasetUniquePtr gpkg(GDALDataset::Open((grid.name + ".gpkg").c_str(), GDAL_OF_VECTOR));
  ASSERT_TRUE(tiff && gpkg);
  const std::string zmap = TempDir::Contents(grid.name + ".zmap");
  const std::string geoJson = TempDir::Contents(grid.name + ".geojson");
  for (const auto& [key, value] : expected) {
    SCOPED_TRACE(key);
    EXPECT_STREQ(tiff->GetMetadataItem(key.c_str()), value.c_str());
    EXPECT_STREQ(gpkg->GetLayer(0)->GetMetadataItem(key.c_str()), value.c_str());
    EXPECT_TRUE(Contains(zmap, "! " + key + ": " + value + "\n"));
    EXPECT_TRUE(Contains(geoJson, "\"" + key + "\": \"" + value + "\""));
  }
  EXPECT_STREQ(tiff->GetMetadataItem("CRS"), "CGCS2000 / 3-degree Gauss-Kruger CM 114E");
  EXPECT_STREQ(tiff->GetRasterBand(1)->GetUnitType(), "u");
  EXPECT_EQ(ReadRaster(grid.name + ".zmap").values, ReadRaster(grid.name + ".tif").values);
}

// A system is anything GDAL reads as one, projected; the scale takes the
// grid unit into the system's.
TEST(MapExport, ReferenceSystemsTakenAndRefused) {
  struct Case {
    const char* text;
    grids::GridUnit unit;
    double scale;        // 0: refused
    const char* reason;  // part of the refusal
  } cases[] = {
      {"EPSG:4547", grids::GridUnit::Kilometre, 1000, ""},
      {"EPSG:4547", grids::GridUnit::Metre, 1, ""},
      {"+proj=utm +zone=50 +units=km", grids::GridUnit::Kilometre, 1, ""},
      {"+proj=tmerc +lon_0=117 +units=ft", grids::GridUnit::Metre, 1 / 0.3048, ""},
      {"EPSG:4326", grids::GridUnit::Kilometre, 0, "WGS 84 is not a projected reference system"},
      {"EPSG:4978", grids::GridUnit::Kilometre, 0, "is not a projected reference system"},
      {"not a system", grids::GridUnit::Kilometre, 0, "it describes no reference system"},
      {"", grids::GridUnit::Kilometre, 0, "it describes no reference system"},
      {"EPSG:99999999", grids::GridUnit::Kilometre, 0, "it describes no reference system"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.text);
    std::string error;
    const std::optional<grids::Reference> reference =
        grids::ParseReference(test.text, test.unit, error);
    ASSERT_EQ(reference.has_value(), test.scale != 0) << error;
    if (reference) {
      EXPECT_NEAR(reference->scale, test.scale, 1e-12 * test.scale);
      EXPECT_TRUE(reference->Declared());
      EXPECT_EQ(reference->gridUnit, test.unit);
    } else {
      EXPECT_TRUE(Contains(error, test.reason)) << error;
    }
  }
}

// Class areas: the bands between the class bounds 0, 2I, 3I ... in every
// contour format with min, max and area_km2, summing to the modelled area;
// the classes table of --grids summing to the active cells, their area and
// the map's amount (values times the cell area the exports divide by).
TEST(MapExport, ClassAreasAndTheClassesTable) {
  const int rows = 6, columns = 7;
  std::vector<std::uint8_t> mask(rows * columns, 1);
  mask[0] = mask[columns - 1] = mask[mask.size() - 1] = 0;
  std::vector<float> values;
  for (std::size_t cell = 0; cell < mask.size(); ++cell) {
    if (mask[cell]) values.push_back(static_cast<float>((cell * 7) % 45) - 3);  // -3 to 41
  }
  TempDir dir;
  const std::string name = dir.File("m.po1");
  // Cells of 2 x 2.5 km: 5 km2 each; the exports' cell area is 5 too.
  const platform::CompletedMap map{name, "t",  "u",  10,      540,  340,
                                   2,    2.5f, rows, columns, mask, values};
  grids::ExportContext context;
  std::string error;
  context.reference = *grids::ParseReference("EPSG:4547", grids::GridUnit::Kilometre, error);
  ASSERT_EQ(grids::ExportMap(map, {grids::GridFormats()[0]}, grids::ContourFormats(), context),
            std::vector<std::string>());
  const double modelled = 5.0 * static_cast<double>(values.size());

  // The table: code,min,max,cells,area_km2,amount.
  std::istringstream table(TempDir::Contents(name + ".classes.csv"));
  std::string line;
  std::getline(table, line);
  EXPECT_EQ(line, "code,min,max,cells,area_km2,amount");
  long long cells = 0;
  double area = 0, amount = 0;
  int code = 0;
  while (std::getline(table, line)) {
    ++code;
    std::vector<std::string> fields;
    std::istringstream row(line);
    for (std::string field; std::getline(row, field, ',');) fields.push_back(field);
    ASSERT_EQ(fields.size(), 6u) << line;
    EXPECT_EQ(fields[0], std::to_string(code));
    EXPECT_EQ(fields[1], code == 1 ? "" : code == 2 ? "0" : std::to_string((code - 1) * 10));
    EXPECT_EQ(fields[2], std::to_string(code == 1 ? 0 : std::max(code, 2) * 10));
    cells += std::stoll(fields[3]);
    EXPECT_EQ(std::stod(fields[4]), 5.0 * std::stod(fields[3])) << line;
    area += std::stod(fields[4]);
    amount += std::stod(fields[5]);
  }
  EXPECT_EQ(code, 5);  // 41 is in class 5: 40 to 50
  EXPECT_EQ(cells, static_cast<long long>(values.size()));
  EXPECT_DOUBLE_EQ(area, modelled);
  double total = 0;
  for (float value : values) total += static_cast<double>(value) * 5;
  EXPECT_NEAR(amount, total, 1e-9 * std::fabs(total));

  // The bands, alike in every format, at the class bounds.
  std::vector<std::string> paths = {name + ".gpkg", name + ".bands.shp", name + ".bands.geojson"};
  std::optional<std::size_t> count;
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    GDALAllRegister();
    GDALDatasetUniquePtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR));
    ASSERT_TRUE(dataset);
    OGRLayer* layer =
        dataset->GetLayerCount() == 1 ? dataset->GetLayer(0) : dataset->GetLayerByName("bands");
    ASSERT_NE(layer, nullptr);
    double sum = 0;
    std::size_t features = 0;
    for (auto& feature : layer) {
      ++features;
      sum += feature->GetFieldAsDouble("area_km2");
      const double max = feature->GetFieldAsDouble("max");
      EXPECT_TRUE(max == 0 || (max >= 20 && std::fmod(max, 10) == 0)) << max;
    }
    EXPECT_GT(features, 3u);
    if (count) {
      EXPECT_EQ(features, *count);
    }
    count = features;
    EXPECT_NEAR(sum, modelled, 0.1 * modelled);
  }
  EXPECT_EQ(TempDir::Contents(name + ".bands.cpg"), "UTF-8");
}

// Styles in the pictures' colours: a .qml beside the GeoTIFF with an entry
// per class, and the GeoPackage's layer_styles with the contours labelled by
// level and the bands coloured per class.
TEST(MapExport, StylesInThePicturesColours) {
  TempDir dir;
  const SmallGrid grid(dir, 3, 4, {-2, 5, 41});  // classes 1 to 5 at an interval of 10
  grids::ExportContext context = InMetres();
  ASSERT_EQ(grids::ExportMap(grid.Map(), {grids::GridFormats()[0]}, {grids::ContourFormats()[0]},
                             context),
            std::vector<std::string>());
  auto colour = [](int code, const char* form) {
    const auto [r, g, b] = mapreader::ClassRgb(code, 5);
    char text[32];
    std::snprintf(text, sizeof text, form, r, g, b);
    return std::string(text);
  };
  const std::string qml = TempDir::Contents(grid.name + ".qml");
  int items = 0;
  for (std::size_t at = qml.find("<item "); at != std::string::npos;
       at = qml.find("<item ", at + 1))
    ++items;
  EXPECT_EQ(items, 5);
  const long long bounds[] = {0, 20, 30, 40, 50};
  for (int code = 1; code <= 5; ++code) {
    EXPECT_TRUE(Contains(qml, "value=\"" + std::to_string(bounds[code - 1]) + "\"")) << code;
    EXPECT_TRUE(Contains(qml, colour(code, "color=\"#%02x%02x%02x\""))) << code;
  }

  GDALAllRegister();
  GDALDatasetUniquePtr gpkg(GDALDataset::Open((grid.name + ".gpkg").c_str(), GDAL_OF_VECTOR));
  ASSERT_TRUE(gpkg);
  OGRLayer* styles = gpkg->GetLayerByName("layer_styles");
  ASSERT_NE(styles, nullptr);
  std::map<std::string, std::string> byTable;
  for (auto& row : styles) {
    EXPECT_EQ(row->GetFieldAsInteger("useAsDefault"), 1);
    EXPECT_STREQ(row->GetFieldAsString("f_geometry_column"), "geom");
    byTable[row->GetFieldAsString("f_table_name")] = row->GetFieldAsString("styleQML");
  }
  ASSERT_EQ(byTable.size(), 2u);
  EXPECT_TRUE(Contains(byTable["contours"], "fieldName=\"level\""));
  EXPECT_TRUE(Contains(byTable["contours"], "labelsEnabled=\"1\""));
  for (int code = 1; code <= 5; ++code) {
    EXPECT_TRUE(Contains(byTable["bands"], "value=\"" + std::to_string(bounds[code - 1]) + "\""));
    EXPECT_TRUE(Contains(byTable["bands"], colour(code, "v=\"%d,%d,%d,255\""))) << code;
  }
}

TEST(MapExport, FormatListsOnTheCommandLine) {
  std::string error;
  auto formats = grids::ParseFormatList("xyz,gtiff,xyz", grids::GridFormats(), error);
  ASSERT_TRUE(formats);
  ASSERT_EQ(formats->size(), 2u);
  EXPECT_STREQ((*formats)[0].extension, ".xyz");
  EXPECT_FALSE(grids::ParseFormatList("gtiff,", grids::GridFormats(), error));
  EXPECT_FALSE(grids::ParseFormatList("gpkg", grids::GridFormats(), error));
  EXPECT_EQ(error, "'gpkg' is not one of gtiff aaigrid zmap surfer xyz");
}

// Through the host: every grid of every completed map agrees with the map
// file's classes; a file that cannot be written fails the run; a cancelled
// map gets none.
TEST(MapExport, CompletedMapsOfARunAgreeWithTheirMapFiles) {
  TempDir dir;
  test_support::CopySample(dir.path());
  fs::create_directory(dir / "Ek1.po3.xyz");  // in the way of two files, and left alone
  fs::create_directory(dir / "Ek1.po3.shp");
  WriteFile(dir / "Ek1.po3.shp" / "other.shp", "a file of the user's");
  HostRun run = RunHost(dir.path(), {"-p", "demo", "--deep", "yes", "--interval", "30", "--grids",
                                     "gtiff,aaigrid,zmap,surfer,xyz", "--contours",
                                     "gpkg,geojson,shp", "oil-expulsion"});
  EXPECT_EQ(run.exitStatus, 2);  // the maps are written, one grid is not
  EXPECT_TRUE(Contains(run.errorOutput, "cannot write Ek1.po3.xyz: ")) << run.errorOutput;
  EXPECT_TRUE(Contains(run.errorOutput, "cannot write Ek1.po3.shp: ")) << run.errorOutput;
  EXPECT_TRUE(fs::exists(dir / "Ek1.po3.shp" / "other.shp"));

  run =
      RunHost(dir.path(), {"-p", "demo", "--interval", "5,5,5,cancel", "--grids", "gtiff", "gas"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(fs::exists(dir / "沙三段.sg1.tif"));
  EXPECT_FALSE(fs::exists(dir / "demo.sgt.tif"));  // the total map was cancelled

  for (const char* mapName : {"沙三段.po1", "沙四段.po2", "Ek1.po3", "demo.pot", "demo.ppt"}) {
    SCOPED_TRACE(mapName);
    const std::string path = (dir / mapName).string();
    mapreader::IntensityMap map;
    std::string error;
    ASSERT_TRUE(mapreader::ReadIntensityMap(path, map, error)) << error;
    for (const grids::Format& format : grids::GridFormats()) {
      if (std::string(mapName) == "Ek1.po3" && format.name == std::string("xyz")) continue;
      SCOPED_TRACE(format.name);
      const Raster raster = ReadRaster(grids::ExportName(path, format));
      ASSERT_EQ(raster.rows, map.geometry.rowCount);
      ASSERT_EQ(raster.columns, map.geometry.columnCount);
      // The sample's demo.prj is in metres, its grid in kilometres.
      EXPECT_NEAR(raster.transform[0], map.geometry.originX * 1000, 50);
      EXPECT_NEAR(raster.transform[3], map.geometry.originY * 1000, 50);
      EXPECT_NEAR(raster.transform[1], map.geometry.cellSizeX * 1000, 50);
      EXPECT_NEAR(raster.transform[5], -map.geometry.cellSizeY * 1000, 50);
      for (std::size_t cell = 0; cell < map.codes.size(); ++cell) {
        const float value = raster.values[cell];
        const int code = map.codes[cell];
        if (code == 0) {
          EXPECT_TRUE(IsNoData(raster, value)) << cell;
          continue;
        }
        const mapreader::ClassRange range = map.RangeOf(code);
        const double slack = 1e-5 * std::fabs(value);  // the classing divides in single precision
        EXPECT_TRUE((!range.lower || value >= *range.lower - slack) &&
                    (!range.upper || value <= *range.upper + slack))
            << cell << ": " << value << " in class " << range.Label();
      }
    }
    for (const grids::Format& format : grids::ContourFormats()) {
      if (std::string(mapName) == "Ek1.po3" && format.name == std::string("shp")) continue;
      const std::map<double, int> lines = ReadContours(grids::ExportName(path, format));
      EXPECT_FALSE(lines.empty()) << format.name;
      for (const auto& [level, count] : lines) {
        EXPECT_EQ(std::fmod(level, 30.0), 0) << format.name << ": " << level;
      }
    }
  }
}

}  // namespace
