// Oil expulsion intensity maps: for every horizon the oil it expelled in each
// active cell, summed over all periods and divided by the cell area; then the
// all-horizon total. A second, deep-layer pass does the same from the deep
// expelled-oil quantity file.
#include <vector>

#include "common/common.h"
#include "flavour/build_flavour.h"
#include "oilmaps/oil_map_steps.h"
#include "oilmaps/oilmaps.h"
#include "project/input_file.h"
#include "project/texts.h"

namespace strataplot {
namespace {

struct Pass {
  const char* quantityFile;  // %s: the project
  MapSet maps;
};

constexpr const char* kCaption = "输入油强度间距值";
constexpr const char* kHorizonCreateFailed = "生成排油强度文件%s错";
constexpr const char* kTotalCreateFailed = "生成总排油强度文件%s错";

constexpr Pass kNormalPass = {
    kExpelledOilFile,
    OilMaps({texts::kExpelledMapFile, "%s层各时期累计排油强度图",
             "本层各网格中最大累积排油强度为:%8.2f万吨/平方公里",
             "输入%s层排油强度间距值(万吨/平方公里):", texts::kExpelledTotalFile,
             "%s地区各层各时期总排油强度图", "所有层各网格中最大累积排油强度为:%8.2f万吨/平方公里",
             "输入所有层总排油强度间距值(万吨/平方公里):",
             "排油强度图文件生成.\n\n分别在文件%s*.po?和%s.pot中", kHorizonCreateFailed,
             kTotalCreateFailed, kCaption}),
};

constexpr Pass kDeepPass = {
    texts::kDeepExpelledOilFile,
    OilMaps({texts::kDeepExpelledMapFile, "%s层各时期深层累计排油强度图",
             "本层各网格中深层最大累积排油强度为:%8.2f万吨/平方公里",
             "输入%s层深层排油强度间距值(万吨/平方公里):", texts::kDeepExpelledTotalFile,
             "%s地区各层各时期深层总排油强度图",
             "所有层各网格中深层最大累积排油强度为:%8.2f万吨/平方公里",
             "输入所有层深层总排油强度间距值(万吨/平方公里):",
             "深层排油强度图文件生成.\n\n分别在文件%s*.pp?和%s.ppt中", kHorizonCreateFailed,
             kTotalCreateFailed, kCaption}),
};

constexpr const char* kOpenQuantityFailed = "打开文件 %s 错!";
constexpr const char* kDeepQuestion = "请问您还想继续生成深层排油强度图吗?";

// One pass: a map per horizon, then the total. Returns 1 when all were
// written, 0 when an existing horizon map was not to be replaced, -1 otherwise.
int WritePass(HWND window, const std::string& project, const BasinInputs& inputs,
              const Pass& pass) {
  const SimulationGrid& grid = inputs.grid;
  const float area = static_cast<float>(grid.cellArea);

  // The pass's quantity file, read in one sweep while the maps are written.
  InputFile quantities;
  if (!OpenQuantityFile(window, quantities, pass.quantityFile, project, kOpenQuantityFailed)) {
    return -1;
  }

  // Each horizon's map: per active cell, its periods' quantities over the cell area, summed.
  std::vector<float> intensities(grid.activeCount);
  std::vector<float> totals(grid.activeCount, 0.0f);
  for (int h = 0; h < inputs.horizonCount; ++h) {
    ShowClock(window, inputs.horizonCount, h);
    MapFile map;
    switch (StartHorizonMap(window, map, pass.maps, inputs, h)) {
      case MapFile::Opened::Declined:
        return 0;
      case MapFile::Opened::Failed:
        return -1;
      case MapFile::Opened::Created:
        break;
    }
    float largest = 0;
    for (int i = 0; i < grid.activeCount; ++i) {
      float sum = 0;
      for (int period = 0; period < inputs.periodCount; ++period) {
        float quantity = 0;
        if (!quantities.ReadReal(quantity)) {
          map.Discard();
          flavour::ShowFailure(window, quantities.DamageText());
          return -1;
        }
        sum += quantity / area;
      }
      intensities[i] = sum;
      if (sum > largest) largest = sum;
      totals[i] += sum;  // the total adds the horizons in order
    }
    if (!CompleteHorizonMap(window, map, pass.maps, inputs, h, intensities, largest)) return -1;
  }
  quantities.Close();

  // The total map.
  MapFile map;
  if (StartTotalMap(window, map, pass.maps, inputs, project) != MapFile::Opened::Created) {
    return -1;
  }
  if (!CompleteTotalMap(window, map, pass.maps, inputs, totals, LargestValue(totals))) return -1;
  return 1;
}

}  // namespace

int MakePaiYou(HWND window) {
  // The project and its input files.
  std::string project;
  std::optional<BasinInputs> inputs = LoadOilProject(window, project);
  if (!inputs) return -1;

  // The normal pass.
  int result = WritePass(window, project, *inputs, kNormalPass);
  if (result != 1) return result;

  // Completion, and the question whether the deep pass is wanted.
  ShowMapsWritten(window, kNormalPass.maps, project);
  if (!flavour::AskYesNo(window, kDeepQuestion)) return 0;
  if (flavour::DeepPassReloadsInputs()) {
    inputs = LoadOilProject(window, project);
    if (!inputs) return -1;
  }

  // The deep pass and its completion.
  result = WritePass(window, project, *inputs, kDeepPass);
  if (result != 1) return result;
  ShowMapsWritten(window, kDeepPass.maps, project);
  return 1;
}

}  // namespace strataplot
