// The project panel: a sample run's maps, grids, contours, pictures and
// profile listed by kind and horizon; a click shows a map (a grid's map), a
// double click opens other files outside; File > Open's filters and types.
#include "desktop/project_panel.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include "desktop/main_window.h"
#include "testing/host_harness.h"

namespace desktop {
namespace {

using test_support::TempDir;

QString Path(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

TEST(ProjectPanel, ListsASampleRunsFilesByKindAndHorizon) {
  TempDir dir;
  test_support::CopySample(dir.path());
  ASSERT_EQ(test_support::RunHost(dir.path(), {"-p", "demo", "oil-expulsion", "--deep", "yes",
                                               "--grids", "gtiff", "--contours", "geojson"})
                .exitStatus,
            0);
  ASSERT_EQ(
      test_support::RunHost(dir.path(), {"-p", "demo", "saturation", "--mode", "1"}).exitStatus, 0);
  // What `render` and the history write beside them, and what is not listed.
  for (const char* name : {"沙三段.po1.png", "demo.dsa.svg", "demo.history.csv", "demo.pot.P2.png",
                           "沙三段.po1.shx", "notes.txt", "demo.po", "x.pox"})
    test_support::WriteFile(dir / name, "");

  MainWindow window;
  window.OpenDirectory(Path(dir.path()));
  ProjectPanel& panel = *window.Panel();
  const QString po = "Oil expulsion (.poN, .pot) / ",
                pp = "Deep-layer oil expulsion (.ppN, .ppt) / ";
  QStringList expected;
  for (const char* horizon : {"horizon 1: 沙三段 / 沙三段.po1", "horizon 2: 沙四段 / 沙四段.po2",
                              "horizon 3: Ek1 / Ek1.po3", "total: demo / demo.pot"}) {
    const QString row = po + horizon;
    expected << row << row + ".tif" << row + ".geojson";
    if (row.endsWith("沙三段.po1")) expected << row + ".png";
    if (row.endsWith("demo.pot")) expected << row + ".P2.png";
  }
  for (const char* horizon : {"horizon 1: 沙三段 / 沙三段.pp1", "horizon 2: 沙四段 / 沙四段.pp2",
                              "horizon 3: Ek1 / Ek1.pp3", "total: demo / demo.ppt"})
    expected << pp + horizon << pp + horizon + ".tif" << pp + horizon + ".geojson";
  expected << "Saturation profiles (.dsa) / demo / demo.dsa"
           << "Saturation profiles (.dsa) / demo / demo.dsa.svg"
           << "History / demo.history.csv";
  EXPECT_EQ(panel.Rows(), expected) << panel.Rows().join('\n').toStdString();

  // A click on a map, or on its grid, shows the map; on a picture nothing.
  QStringList shown;
  QObject::connect(&panel, &ProjectPanel::showRequested,
                   [&](const QString& path) { shown << path; });
  const QString base = Path(dir.path()) + "/";
  EXPECT_TRUE(panel.Click(base + "沙四段.po2"));
  EXPECT_EQ(window.Viewer()->Current(), base + "沙四段.po2");
  EXPECT_TRUE(panel.Click(base + "demo.pot.tif"));
  EXPECT_TRUE(panel.Click(base + "demo.dsa"));
  EXPECT_EQ(window.Viewer()->Current(), base + "demo.dsa");
  EXPECT_FALSE(panel.Click(base + "沙三段.po1.png"));
  EXPECT_FALSE(panel.Click(base + "notes.txt"));
  EXPECT_EQ(shown, (QStringList{base + "沙四段.po2", base + "demo.pot", base + "demo.dsa"}));

  // A double click opens what the viewer cannot show outside, as does the folder.
  QList<QUrl> opened;
  panel.SetOpener([&](const QUrl& url) {
    opened << url;
    return true;
  });
  EXPECT_TRUE(panel.Activate(base + "沙三段.po1.png"));
  EXPECT_TRUE(panel.Activate(base + "demo.history.csv"));
  EXPECT_TRUE(panel.OpenContainingFolder());
  EXPECT_EQ(opened, (QList<QUrl>{QUrl::fromLocalFile(base + "沙三段.po1.png"),
                                 QUrl::fromLocalFile(base + "demo.history.csv"),
                                 QUrl::fromLocalFile(Path(dir.path()))}));

  // A file that appears is listed at the next refresh; a grid whose map is
  // gone stays listed under the map's name.
  test_support::WriteFile(dir / "Ek1.uo3", "");
  std::filesystem::remove(dir / "沙三段.pp1");
  panel.Refresh();
  EXPECT_TRUE(panel.Rows().contains("Unexpelled oil (.uoN, .uot) / horizon 3: Ek1 / Ek1.uo3"));
  EXPECT_FALSE(panel.Rows().contains(pp + "horizon 1: 沙三段 / 沙三段.pp1"));
  EXPECT_TRUE(panel.Rows().contains(pp + "horizon 1: 沙三段 / 沙三段.pp1.tif"));
  EXPECT_FALSE(panel.Click(base + "沙三段.pp1.tif"));  // no map to show
}

// Every kind of file, what the file dialog calls it, and which filters of
// File > Open take it: the first, the one of its kind, and "All files".
TEST(ProjectPanel, NamesOfOurFilesAndTheFiltersOfFileOpen) {
  struct Case {
    const char* name;
    const char* type;    // FileTypeDescription; "" not ours
    const char* filter;  // the first filter but the first that takes it; "" only "All files"
  };
  const Case cases[] = {
      {"沙三段.po1", "oil expulsion map, horizon 1", "Oil expulsion maps"},
      {"demo.pot", "oil expulsion map, total", "Oil expulsion maps"},
      {"demo.ppt", "deep-layer oil expulsion map, total", "Deep-layer oil expulsion maps"},
      {"Ek1.uo12", "unexpelled oil map, horizon 12", "Unexpelled oil maps"},
      {"a.so3", "oil generation map, horizon 3", "Oil generation maps"},
      {"a.wg2", "water-dissolved gas expulsion map, horizon 2", "Gas maps"},
      {"demo.agt", "deep-layer gas expulsion map, total", "Gas maps"},
      {"demo.dsa", "saturation profile", "Saturation profiles"},
      {"a.po1.tif", "grid (GeoTIFF) of a.po1", "GeoTIFF grids of maps"},
      {"a.po1.history.tif", "time series (GeoTIFF) of a.po1", "GeoTIFF grids of maps"},
      {"a.po1.png", "picture (PNG) of a.po1", ""},
      {"demo.history.nc", "history cube (NetCDF)", ""},
      {"a.po0", "", ""},
      {"a.px1", "", ""},
      {"a.po1.txt", "", ""},
      {"demo.iga", "", ""},
  };
  const QStringList filters = OpenFileFilters();
  ASSERT_GE(filters.size(), 3);
  EXPECT_EQ(filters.last(), "All files (*)");
  auto takes = [](const QString& filter, const QString& name) {
    const QString patterns = filter.section('(', -1).chopped(1);
    for (const QString& pattern : patterns.split(' ')) {
      if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern))
              .match(name)
              .hasMatch())
        return true;
    }
    return false;
  };
  auto dialog = MakeOpenDialog(nullptr, QString());
  EXPECT_EQ(dialog->nameFilters(), filters);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FileTypeDescription(c.name).toStdString(), c.type);
    EXPECT_EQ(takes(filters.first(), c.name), std::string(c.filter) != "");
    QString first;
    for (qsizetype i = 1; i + 1 < filters.size() && first.isEmpty(); ++i) {
      if (takes(filters[i], c.name)) first = filters[i].section(" (", 0, 0);
    }
    EXPECT_EQ(first.toStdString(), c.filter);
    EXPECT_TRUE(takes(filters.last(), c.name));
  }
  // The dialog's type column says what our files are, not what the system's
  // type database takes their extensions for.
  TempDir dir;
  test_support::WriteFile(dir / "demo.pot", "");
  EXPECT_EQ(dialog->iconProvider()->type(QFileInfo(Path(dir / "demo.pot"))),
            "oil expulsion map, total");
}

}  // namespace
}  // namespace desktop
