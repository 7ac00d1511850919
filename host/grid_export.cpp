// The grid module: writes every completed map of a run as the standard grids
// and contour layers the command line asked for, and reports each file that
// could not be written on standard error.
#include "host/grid_export.h"

#include <gdal.h>

#include <cstdio>

#include "grids/map_export.h"
#include "grids/time_series.h"

namespace host {
namespace {

class GridExportToFiles final : public GridExportSink {
 public:
  GridExportToFiles(const std::vector<grids::Format>& gridFormats,
                    const std::vector<grids::Format>& contourFormats,
                    const grids::ExportContext& context)
      : gridFormats_(gridFormats), contourFormats_(contourFormats), context_(context) {}

  void MapCompleted(const platform::CompletedMap& map) override {
    for (const std::string& failure :
         grids::ExportMap(map, gridFormats_, contourFormats_, context_)) {
      std::fprintf(stderr, "strataplot: %s\n", failure.c_str());
      ++failures_;
    }
  }

  int Failures() const override { return failures_; }

 private:
  const std::vector<grids::Format> gridFormats_;
  const std::vector<grids::Format> contourFormats_;
  const grids::ExportContext context_;
  int failures_ = 0;
};

}  // namespace
}  // namespace host

extern "C" __attribute__((visibility("default"))) host::GridExportSink*
StrataplotMakeGridExportSink(const std::vector<grids::Format>& gridFormats,
                             const std::vector<grids::Format>& contourFormats,
                             const grids::ExportContext& context) {
  return new host::GridExportToFiles(gridFormats, contourFormats, context);
}

extern "C" __attribute__((visibility("default"))) std::optional<grids::Reference>
StrataplotParseReference(const std::string& text, grids::GridUnit gridUnit, std::string& error) {
  return grids::ParseReference(text, gridUnit, error);
}

extern "C" __attribute__((visibility("default"))) const char* StrataplotGdalVersion() {
  return GDALVersionInfo("RELEASE_NAME");
}

extern "C" __attribute__((visibility("default"))) host::HistoryGridWriters
StrataplotHistoryGridWriters() {
  return {&grids::WriteTimeSeries, [](const grids::CubeLayout& layout, std::string& error) {
            return grids::HistoryCube::Create(layout, error).release();
          }};
}

extern "C" __attribute__((visibility("default"))) std::optional<grids::GridPlacement>
StrataplotReadGridPlacement(const std::string& path, std::string& error) {
  return grids::ReadGridPlacement(path, error);
}

extern "C" __attribute__((visibility("default"))) host::MapGridTools StrataplotMapGridTools() {
  return {
      &grids::ReadRasterGrid, &grids::ReadGridPlacement, &grids::ParseReference,
      [](const platform::CompletedMap& map, const std::string& mapFile,
         const std::vector<grids::Format>& gridFormats,
         const std::vector<grids::Format>& contourFormats, const grids::ExportContext& context) {
        return grids::ExportMapAs(map, mapFile, gridFormats, contourFormats, context);
      }};
}
