// Unexpelled oil intensity maps: for every horizon the oil it still holds in
// each active cell in the last period, the present day, divided by the cell
// area; then the all-horizon total. Every declined or failed map ends with -1.
#include <vector>

#include "common/common.h"
#include "flavour/build_flavour.h"
#include "oilmaps/oil_map_steps.h"
#include "oilmaps/oilmaps.h"
#include "project/input_file.h"
#include "project/texts.h"

namespace strataplot {
namespace {

constexpr MapSet kMaps = OilMaps({
    texts::kUnexpelledMapFile,
    "%s层各时期累计未排油强度图",
    "本层各网格中现最大未排油强度为:%8.2f万吨/平方公里",
    "输入%s层现未排油强度间距值(万吨/平方公里):",
    texts::kUnexpelledTotalFile,
    "%s地区各层各时期总未排油强度图",
    "所有层各网格中现最大未排油强度为:%8.2f万吨/平方公里",
    "输入所有层总未排油强度间距值(万吨/平方公里):",
    "未排油强度图文件生成.\n\n分别在文件%s*.uo?和%s.uot中",
    "生成未排油强度文件%s错",
    "生成总未排油强度文件%s错",
    "",
});

}  // namespace

int MakeUnYou(HWND window) {
  // The project and its input files.
  std::string project;
  std::optional<BasinInputs> inputs = LoadOilProject(window, project);
  if (!inputs) return -1;
  const SimulationGrid& grid = inputs->grid;
  const float area = static_cast<float>(grid.cellArea);

  // The unexpelled-oil quantity file, read in one sweep while the maps are written.
  InputFile quantities;
  if (!OpenQuantityFile(window, quantities, kUnexpelledOilFile, project,
                        kOpenUnexpelledOilFailed)) {
    return -1;
  }

  // Each horizon's map: per active cell, the present-day quantity over the cell area.
  std::vector<float> intensities(grid.activeCount);
  std::vector<float> totals(grid.activeCount, 0.0f);
  for (int h = 0; h < inputs->horizonCount; ++h) {
    ShowClock(window, inputs->horizonCount, h);
    MapFile map;
    if (StartHorizonMap(window, map, kMaps, *inputs, h) != MapFile::Opened::Created) return -1;
    float largest = 0;
    for (int i = 0; i < grid.activeCount; ++i) {
      float present = 0;
      for (int period = 0; period < inputs->periodCount; ++period) {
        if (!quantities.ReadReal(present)) {
          map.Discard();
          flavour::ShowFailure(window, quantities.DamageText());
          return -1;
        }
      }
      float intensity = inputs->periodCount > 0 ? present / area : 0.0f;
      intensities[i] = intensity;
      if (intensity > largest) largest = intensity;
      totals[i] = intensity + totals[i];  // the total adds the horizons in order
    }
    if (!CompleteHorizonMap(window, map, kMaps, *inputs, h, intensities, largest)) return -1;
  }
  quantities.Close();

  // The total map; its largest value is taken over the finished sums.
  MapFile map;
  if (StartTotalMap(window, map, kMaps, *inputs, project) != MapFile::Opened::Created) return -1;
  if (!CompleteTotalMap(window, map, kMaps, *inputs, totals, LargestValue(totals))) return -1;

  // Completion.
  ShowMapsWritten(window, kMaps, project);
  return 1;
}

}  // namespace strataplot
