// The viewer: a small known map opened from disk, its cells in their class
// colours, the text of a hovered cell, zooming about the pointer; a damaged
// map; a profile, hovered and zoomed; a map with its GeoTIFF beside it, and
// exported in the system that GeoTIFF declares.
#include "desktop/map_viewer.h"

#include <cpl_conv.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QRegularExpression>
#include <array>
#include <filesystem>

#include "rendering/pictures.h"
#include "testing/host_harness.h"
#include "testing/small_map.h"

namespace desktop {
namespace {

using test_support::TempDir;

const std::string& kMap = test_support::kSmallMap;

QPointF Centre(const MapViewer& viewer, const rendering::Cell& cell) {
  const auto* map = dynamic_cast<const rendering::MapPicture*>(viewer.Picture());
  return map->CellRect(QRectF(viewer.Canvas()->rect()), cell).center();
}

void Hover(const MapViewer& viewer, const QPointF& point) {
  QMouseEvent move(QEvent::MouseMove, point, viewer.Canvas()->mapToGlobal(point), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(viewer.Canvas(), &move);
}

TEST(MapViewer, ShowsAMapFromDiskWithTheTextOfTheHoveredCell) {
  TempDir dir;
  test_support::WriteFile(dir / "m.po1", test_support::Gbk(kMap));
  MapViewer viewer(nullptr);
  viewer.resize(800, 600);
  viewer.show();
  ASSERT_TRUE(viewer.Show({QString::fromStdString((dir / "m.po1").string())}, 0))
      << viewer.Message().toStdString();

  const QImage image = viewer.Canvas()->grab().toImage();
  EXPECT_EQ(image.pixelColor(Centre(viewer, {1, 2}).toPoint()), rendering::ClassColour(3, 3));
  EXPECT_EQ(image.pixelColor(Centre(viewer, {0, 0}).toPoint()), QColor(Qt::white));

  struct Case {
    rendering::Cell cell;
    QString text;
  };
  for (const Case& c : {Case{{0, 3}, "row 0, column 3: 20 – 30 (万吨/平方公里)"},
                        Case{{2, 2}, "row 2, column 2: ≤ 0 (万吨/平方公里)"},
                        Case{{2, 0}, "row 2, column 0: outside the modelled area"}}) {
    Hover(viewer, Centre(viewer, c.cell));
    EXPECT_EQ(viewer.Message().toStdString(), c.text.toStdString());
  }

  // Zooming keeps the cell under the pointer there, and draws it larger.
  const QPointF point = Centre(viewer, {1, 1});
  const double width = dynamic_cast<const rendering::MapPicture*>(viewer.Picture())
                           ->CellRect(QRectF(viewer.Canvas()->rect()), {1, 1})
                           .width();
  viewer.Zoom(2, point);
  EXPECT_NEAR(Centre(viewer, {1, 1}).x(), point.x(), 1);
  EXPECT_EQ(viewer.CellText(point).left(15), "row 1, column 1");
  EXPECT_GT(dynamic_cast<const rendering::MapPicture*>(viewer.Picture())
                ->CellRect(QRectF(viewer.Canvas()->rect()), {1, 1})
                .width(),
            1.5 * width);

  // A file that cannot be read says why and shows nothing.
  test_support::WriteFile(dir / "cut.po1", test_support::Gbk(kMap.substr(0, kMap.size() - 10)));
  EXPECT_FALSE(viewer.Show({QString::fromStdString((dir / "cut.po1").string())}, 0));
  EXPECT_TRUE(viewer.Message().contains("cut.po1")) << viewer.Message().toStdString();
  EXPECT_EQ(viewer.Picture(), nullptr);

  // A profile shows as its plot, with no cells to hover.
  test_support::WriteFile(
      dir / "p.dsa",
      " all\n        1500        4.00\n        1520       12.50\n        0.00        0.00\n"
      "           0        2000         100\n        0.00       15.00        2.50\n"
      "       Sa(%)    Depth(m)");
  ASSERT_TRUE(viewer.Show({QString::fromStdString((dir / "p.dsa").string())}, 0))
      << viewer.Message().toStdString();
  const auto* profile = dynamic_cast<const rendering::ProfilePicture*>(viewer.Picture());
  ASSERT_NE(profile, nullptr);
  // Hovering tells the sample nearest in depth; zooming narrows the depths
  // about the pointer.
  const QRectF canvas(viewer.Canvas()->rect());
  const QPointF deep = profile->SamplePoint(canvas, {1520, 12.5});
  EXPECT_EQ(viewer.CellText(deep - QPointF(0, 1)), "depth 1520 m: Sa 12.50 %");
  EXPECT_EQ(viewer.CellText(QPointF(1, 1)), "");
  EXPECT_EQ(viewer.Position(), "");
  viewer.Zoom(4, deep);
  EXPECT_NEAR(profile->DepthView().last - profile->DepthView().first, 500, 1e-6);
  EXPECT_NEAR(profile->SamplePoint(canvas, {1520, 12.5}).y(), deep.y(), 1);
  viewer.Zoom(0, deep);
  EXPECT_EQ(profile->DepthView().first, profile->WholeDepth().first);
}

// The 3 x 4 small map written as m.po1 into dir: its path; its cells'
// values, each in its class (outside: -9999).
std::string WriteSmallMap(const TempDir& dir) {
  test_support::WriteFile(dir / "m.po1", test_support::Gbk(kMap));
  return (dir / "m.po1").string();
}
const std::vector<float> kCells = {-9999, 0,     5,  25,     //
                                   -1,    7,     21, -9999,  //
                                   -9999, -9999, 0,  0};

// The map's cells as its GeoTIFF as --grids gtiff writes it: in the grid's
// coordinates, or in a system's (--crs) at scale times them.
void WriteTif(const std::string& path, double originX, const std::vector<float>& cells,
              const char* system = nullptr, double scale = 1) {
  GDALAllRegister();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
  GDALDatasetUniquePtr tif(driver->Create(path.c_str(), 4, 3, 1, GDT_Float32, nullptr));
  double transform[6] = {originX * scale, 2 * scale, 0, 200 * scale, 0, -2.5 * scale};
  tif->SetGeoTransform(transform);
  OGRSpatialReference reference;
  if (system != nullptr && reference.SetFromUserInput(system) == OGRERR_NONE)
    tif->SetSpatialRef(&reference);
  tif->GetRasterBand(1)->SetNoDataValue(-9999);
  ASSERT_EQ(tif->GetRasterBand(1)->RasterIO(GF_Write, 0, 0, 4, 3, const_cast<float*>(cells.data()),
                                            4, 3, GDT_Float32, 0, 0, nullptr),
            CE_None);
}

// A map reopened from disk: the position of the hovered point in the grid's
// coordinates, values from its .tif beside it (none from one that does not
// fit), a scale bar, the picture saved and the grids exported.
TEST(MapViewer, AReopenedMapWithItsGridBesideIt) {
  TempDir dir;
  const std::string map = WriteSmallMap(dir);
  const std::vector<float>& cells = kCells;
  WriteTif(map + ".tif", 100, cells);
  MapViewer viewer(nullptr);
  viewer.resize(800, 600);
  viewer.show();
  ASSERT_TRUE(viewer.Show({QString::fromStdString(map)}, 0)) << viewer.Message().toStdString();
  EXPECT_EQ(viewer.ValuesSource(), "values from m.po1.tif");
  // Painted as render paints it with the values: a contour map.
  EXPECT_TRUE(dynamic_cast<const rendering::MapPicture*>(viewer.Picture())->HasValues());

  // Cell (1, 2) spans x 104 to 106, y 197.5 down to 195: its centre.
  const auto* picture = dynamic_cast<const rendering::MapPicture*>(viewer.Picture());
  const QRectF plot = picture->Layout(QRectF(viewer.Canvas()->rect())).plot;
  const double perPixel = 8 / plot.width();
  Hover(viewer, Centre(viewer, {1, 2}));
  EXPECT_EQ(viewer.Message(), "row 1, column 2: 20 – 30 (万吨/平方公里), value 21");
  const QStringList position = viewer.Position().split(QRegularExpression("[ ,]+"));
  ASSERT_EQ(position.size(), 4) << viewer.Position().toStdString();
  EXPECT_EQ(position[0], "x");
  EXPECT_NEAR(position[1].toDouble(), 105, perPixel);
  EXPECT_NEAR(position[3].toDouble(), 196.25, perPixel);
  Hover(viewer, Centre(viewer, {0, 3}));
  EXPECT_EQ(viewer.Message(), "row 0, column 3: 20 – 30 (万吨/平方公里), value 25");

  // A round length of the grid's units, drawn inside the plot.
  const auto [length, bar] = viewer.ScaleBar();
  EXPECT_EQ(length, 2);
  EXPECT_TRUE(plot.contains(bar));
  EXPECT_NEAR(bar.width(), 2 / perPixel, 1e-6);

  // The picture as shown, in the format its name gives.
  const QString png = QString::fromStdString((dir / "saved.png").string());
  QString error;
  ASSERT_TRUE(viewer.SavePicture(png, 600, error)) << error.toStdString();
  EXPECT_EQ(QImage(png).width(), 600);
  EXPECT_FALSE(viewer.SavePicture(png.chopped(3) + "gif", 600, error));
  EXPECT_TRUE(error.contains(".png, .svg or .pdf")) << error.toStdString();

  // Grids and contours beside the map, of the values at hand.
  QStringList written, failures;
  // (GeoJSON needs a reference system, which a map alone does not have.)
  ASSERT_TRUE(viewer.ExportGrids({"aaigrid"}, {"gpkg"}, written, failures))
      << failures.join('\n').toStdString();
  EXPECT_EQ(written, (QStringList{QString::fromStdString(map + ".asc"),
                                  QString::fromStdString(map + ".gpkg")}));
  GDALDatasetUniquePtr asc(GDALDataset::Open((map + ".asc").c_str(), GDAL_OF_RASTER));
  ASSERT_TRUE(asc);
  float value = 0;
  ASSERT_EQ(asc->GetRasterBand(1)->RasterIO(GF_Read, 3, 0, 1, 1, &value, 1, 1, GDT_Float32, 0, 0,
                                            nullptr),
            CE_None);
  EXPECT_EQ(value, 25);

  // A value outside its cell's class (the map written again since) is not
  // shown, and nothing is exported; a grid elsewhere gives no values.
  std::vector<float> stale = cells;
  stale[3] = 35;
  WriteTif(map + ".tif", 100, stale);
  ASSERT_TRUE(viewer.Show({QString::fromStdString(map)}, 0));
  Hover(viewer, Centre(viewer, {0, 3}));
  EXPECT_EQ(viewer.Message(), "row 0, column 3: 20 – 30 (万吨/平方公里)");
  EXPECT_FALSE(viewer.ExportGrids({"aaigrid"}, {}, written, failures));
  EXPECT_TRUE(failures.join('\n').contains("row 0, column 3")) << failures.join('\n').toStdString();
  WriteTif(map + ".tif", 300, cells);
  ASSERT_TRUE(viewer.Show({QString::fromStdString(map)}, 0));
  EXPECT_EQ(viewer.ValuesSource(), "no values: m.po1.tif is not on the map's grid");
  EXPECT_FALSE(viewer.ExportGrids({"aaigrid"}, {}, written, failures));
  EXPECT_TRUE(failures.join('\n').startsWith("no values of m.po1"))
      << failures.join('\n').toStdString();
}

// Where the map's .tif declares a projected system (--crs, in metres for a
// grid in km), hovering tells the position in it too; not for a geographic
// system, nor a .tif that does not lie on the map's grid.
TEST(MapViewer, HoverTellsThePositionInTheSystemTheGridDeclares) {
  TempDir dir;
  const std::string map = WriteSmallMap(dir);
  struct Case {
    const char* system;
    double originX;
    QString expected;  // the system's part of the hover text; "" for none
  };
  for (const Case& c : {Case{"EPSG:4547", 100, "CGCS2000 / 3-degree Gauss-Kruger CM 114E"},
                        Case{"EPSG:4490", 100, ""}, Case{"EPSG:4547", 300, ""}}) {
    SCOPED_TRACE(std::string(c.system) + " at " + std::to_string(c.originX));
    WriteTif(map + ".tif", c.originX, kCells, c.system, 1000);
    MapViewer viewer(nullptr);
    viewer.resize(800, 600);
    viewer.show();
    ASSERT_TRUE(viewer.Show({QString::fromStdString(map)}, 0));
    // Cell (1, 2)'s centre: x 105, y 196.25 of the grid, in km.
    Hover(viewer, Centre(viewer, {1, 2}));
    const QString position = viewer.Position();
    if (c.expected.isEmpty()) {
      EXPECT_TRUE(position.startsWith("x ") && !position.contains(";")) << position.toStdString();
      continue;
    }
    const QRegularExpressionMatch match =
        QRegularExpression("^x \\S+, y \\S+; E (\\S+) m, N (\\S+) m \\((.+)\\)$").match(position);
    ASSERT_TRUE(match.hasMatch()) << position.toStdString();
    const auto* picture = dynamic_cast<const rendering::MapPicture*>(viewer.Picture());
    const double perPixel = 8 / picture->Layout(QRectF(viewer.Canvas()->rect())).plot.width();
    EXPECT_NEAR(match.captured(1).toDouble(), 105000, 1000 * perPixel);
    EXPECT_NEAR(match.captured(2).toDouble(), 196250, 1000 * perPixel);
    EXPECT_EQ(match.captured(3), c.expected);
  }
}

// A GeoTIFF's geotransform, system (WKT2), project and cells; the geometries
// of a contour layer's lines (WKT).
struct Georeferenced {
  std::array<double, 6> transform{};
  std::string wkt;
  std::string project;
  std::vector<float> cells;
};
Georeferenced ReadTif(const std::string& path) {
  Georeferenced read;
  GDALAllRegister();
  GDALDatasetUniquePtr tif(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  if (!tif) return read;
  tif->GetGeoTransform(read.transform.data());
  if (const char* project = tif->GetMetadataItem("PROJECT")) read.project = project;
  if (const OGRSpatialReference* system = tif->GetSpatialRef()) {
    char* wkt = nullptr;
    const char* const options[] = {"FORMAT=WKT2_2019", nullptr};
    if (system->exportToWkt(&wkt, options) == OGRERR_NONE) read.wkt = wkt;
    CPLFree(wkt);
  }
  const int columns = tif->GetRasterXSize(), rows = tif->GetRasterYSize();
  read.cells.resize(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
  if (tif->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, columns, rows, read.cells.data(), columns,
                                      rows, GDT_Float32, 0, 0, nullptr) != CE_None)
    read.cells.clear();
  return read;
}
std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  GDALAllRegister();
  GDALDatasetUniquePtr layers(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (!layers) return lines;
  for (auto& feature : *layers->GetLayer(0)) {
    if (const OGRGeometry* line = feature->GetGeometryRef()) lines.push_back(line->exportToWkt());
  }
  return lines;
}

// A map whose .tif a run wrote with --crs, exported from the viewer, is
// written as that run writes it, whichever the grid unit: the GeoTIFF's
// geotransform, system and cells, the classes' areas, the GeoJSON's lines in
// longitude and latitude; the .prj beside the .asc.
TEST(MapViewer, ExportsAMapInTheSystemItsGridWasWrittenIn) {
  struct Case {
    const char* gridUnit;
    double originX;  // the GeoTIFF's, in metres
  };
  for (const Case& c : {Case{"km", 540.04f * 1000.0}, Case{"m", 540.04f}}) {
    SCOPED_TRACE(c.gridUnit);
    TempDir dir;
    test_support::CopySample(dir.path());
    // An origin of more digits than the map file's one decimal holds.
    std::string grid = test_support::ReadFile(dir / "demo.dgr").value_or("");
    ASSERT_EQ(grid.rfind("540 340 ", 0), 0u);
    test_support::WriteFile(dir / "demo.dgr", "540.04 340.03" + grid.substr(7));
    const test_support::HostRun run = test_support::RunHost(
        dir.path(), {"-p", "demo", "--crs", "EPSG:4547", "--grid-unit", c.gridUnit, "--grids",
                     "gtiff", "--contours", "geojson", "oil-unexpelled"});
    ASSERT_EQ(run.exitStatus, 0) << run.errorOutput;
    const std::string map = (dir / "demo.uot").string();
    const Georeferenced written = ReadTif(map + ".tif");
    ASSERT_EQ(written.transform[0], c.originX);
    ASSERT_NE(written.wkt.find("Gauss-Kruger CM 114E"), std::string::npos);
    const std::optional<std::string> classes = test_support::ReadFile(map + ".classes.csv");
    const std::vector<std::string> lines = Lines(map + ".geojson");
    ASSERT_TRUE(classes && !lines.empty());
    for (const char* ext : {".tif", ".classes.csv", ".geojson"}) {
      std::filesystem::rename(map + ext, map + ".run" + ext);
    }
    // The .tif that declares the system lies beside the map again.
    std::filesystem::copy_file(map + ".run.tif", map + ".tif");

    MapViewer viewer(nullptr);
    ASSERT_TRUE(viewer.Show({QString::fromStdString(map)}, 0));
    ASSERT_EQ(viewer.ValuesSource(), "values from demo.uot.tif");
    QStringList files, failures;
    ASSERT_TRUE(viewer.ExportGrids({"gtiff", "aaigrid"}, {"geojson"}, files, failures))
        << failures.join('\n').toStdString();
    const Georeferenced exported = ReadTif(map + ".tif");
    EXPECT_EQ(exported.transform, written.transform);
    EXPECT_EQ(exported.wkt, written.wkt);
    EXPECT_EQ(exported.project, "demo");
    EXPECT_EQ(exported.project, written.project);
    EXPECT_EQ(exported.cells, written.cells);
    EXPECT_EQ(test_support::ReadFile(map + ".classes.csv"), classes);
    EXPECT_TRUE(Lines(map + ".geojson") == lines);  // (too long to print)
    GDALDatasetUniquePtr asc(GDALDataset::Open((map + ".asc").c_str(), GDAL_OF_RASTER));
    ASSERT_TRUE(asc && asc->GetSpatialRef());
    EXPECT_TRUE(asc->GetSpatialRef()->IsProjected());
  }
}

// Without a system to transform from, GeoJSON is refused before anything is
// written, as the host refuses it; the other formats are written in the
// grid's coordinates. A .tif whose coordinates are the map's in no unit of
// length the host writes (here twice the metres) is not exported in its
// system, nor written over without one.
TEST(MapViewer, ExportRefusesWhatTheSystemAtHandCannotGive) {
  TempDir dir;
  const std::string map = WriteSmallMap(dir);
  struct Case {
    const char* system;
    double scale;
    const char* refusal;
  };
  for (const Case& c :
       {Case{nullptr, 1,
             "GeoJSON holds WGS 84 longitude and latitude, transformed from the map's "
             "projected reference system, and m.po1 has none"},
        Case{"EPSG:4490", 1, "and m.po1 has none"},
        Case{"EPSG:4547", 2,
             "m.po1.tif declares CGCS2000 / 3-degree Gauss-Kruger CM 114E, which the grids cannot "
             "be written in: its coordinates are not the map's in kilometres or metres"}}) {
    SCOPED_TRACE(c.system != nullptr ? c.system : "none");
    WriteTif(map + ".tif", 100, kCells, c.system, c.scale);
    MapViewer viewer(nullptr);
    ASSERT_TRUE(viewer.Show({QString::fromStdString(map)}, 0));
    QStringList files, failures;
    EXPECT_FALSE(viewer.ExportGrids({"aaigrid"}, {"geojson"}, files, failures));
    EXPECT_TRUE(failures.join('\n').contains(c.refusal)) << failures.join('\n').toStdString();
    EXPECT_TRUE(files.isEmpty());
    EXPECT_FALSE(std::filesystem::exists(map + ".asc"));
    EXPECT_FALSE(std::filesystem::exists(map + ".geojson"));
    if (c.scale != 1) continue;
    ASSERT_TRUE(viewer.ExportGrids({"gtiff"}, {}, files, failures))
        << failures.join('\n').toStdString();
    const Georeferenced exported = ReadTif(map + ".tif");
    EXPECT_EQ(exported.transform[0], 100);
    EXPECT_EQ(exported.wkt, "");
  }
}

}  // namespace
}  // namespace desktop
