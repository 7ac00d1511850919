// Oil expulsion intensity maps: for every horizon the oil it expelled in each
// active cell, summed over all periods and divided by the cell area; then the
// all-horizon total. A second, deep-layer pass does the same from the deep
// expelled-oil quantity file.
#include <vector>

#include "common/common.h"
#include "exports/build_flavour.h"
#include "oilmaps/oil_map_steps.h"
#include "oilmaps/oilmaps.h"
#include "project/input_file.h"
#include "project/texts.h"

namespace strataplot {
namespace {

struct Pass {
  const char* quantityFile;  // %s: project
  const char* horizonFile;   // %s: horizon, %d: its number from 1
  const char* horizonTitle;
  const char* horizonHint;
  const char* horizonPrompt;
  const char* totalFile;
  const char* totalTitle;
  const char* totalHint;
  const char* totalPrompt;
  const char* completion;  // %s: project, twice
};

const Pass kNormalPass = {
    "%s.doe",
    "%s.po%d",
    "%s层各时期累计排油强度图",
    "本层各网格中最大累积排油强度为:%8.2f万吨/平方公里",
    "输入%s层排油强度间距值(万吨/平方公里):",
    "%s.pot",
    "%s地区各层各时期总排油强度图",
    "所有层各网格中最大累积排油强度为:%8.2f万吨/平方公里",
    "输入所有层总排油强度间距值(万吨/平方公里):",
    "排油强度图文件生成.\n\n分别在文件%s*.po?和%s.pot中",
};

const Pass kDeepPass = {
    "%s.peo",
    "%s.pp%d",
    "%s层各时期深层累计排油强度图",
    "本层各网格中深层最大累积排油强度为:%8.2f万吨/平方公里",
    "输入%s层深层排油强度间距值(万吨/平方公里):",
    "%s.ppt",
    "%s地区各层各时期深层总排油强度图",
    "所有层各网格中深层最大累积排油强度为:%8.2f万吨/平方公里",
    "输入所有层深层总排油强度间距值(万吨/平方公里):",
    "深层排油强度图文件生成.\n\n分别在文件%s*.pp?和%s.ppt中",
};

constexpr const char* kCaption = "输入油强度间距值";
constexpr const char* kOpenQuantityFailed = "打开文件 %s 错!";
constexpr const char* kHorizonCreateFailed = "生成排油强度文件%s错";
constexpr const char* kTotalCreateFailed = "生成总排油强度文件%s错";
constexpr const char* kDeepQuestion = "请问您还想继续生成深层排油强度图吗?";

// Steps 1 to 3: project name, progress, input files, and the cell area they give.
std::optional<BasinInputs> LoadProject(HWND window, std::string& project) {
  if (GetProjName(window, project) == 0) return std::nullopt;
  ShowClock(window, 1, 0);
  std::optional<BasinInputs> inputs = LoadBasinInputs(window, project);
  if (inputs && !CheckCellArea(window, project, inputs->grid)) return std::nullopt;
  return inputs;
}

// One pass: a map per horizon, then the total. Returns 1 when all were
// written, 0 when an existing horizon map was not to be replaced, -1 otherwise.
int WritePass(HWND window, const std::string& project, const BasinInputs& inputs,
              const Pass& pass) {
  const SimulationGrid& grid = inputs.grid;
  const float area = static_cast<float>(grid.cellArea);

  InputFile quantities;
  std::string quantityName = Format(pass.quantityFile, project.c_str());
  if (!quantities.Open(quantityName)) {
    flavour::ShowFailure(window, Format(kOpenQuantityFailed, quantityName.c_str()));
    return -1;
  }

  std::vector<float> intensities(grid.activeCount);
  std::vector<float> totals(grid.activeCount, 0.0f);
  for (int h = 0; h < inputs.horizonCount; ++h) {
    ShowClock(window, inputs.horizonCount, h);
    const char* horizon = inputs.horizonNames[h].c_str();
    MapFile map;
    switch (map.Create(window, Format(pass.horizonFile, horizon, h + 1), kHorizonCreateFailed)) {
      case MapFile::Opened::Declined: return 0;
      case MapFile::Opened::Failed: return -1;
      case MapFile::Opened::Created: break;
    }
    map.WriteHead(Format(pass.horizonTitle, horizon), grid, texts::kOilUnit);

    // Each active cell: its periods' quantities over the cell area, summed.
    float largest = 0;
    for (int i = 0; i < grid.activeCount; ++i) {
      float sum = 0;
      for (int period = 0; period < inputs.periodCount; ++period) {
        float quantity = 0;
        if (!quantities.ReadReal(quantity)) {
          map.Discard();
          quantities.ReportDamaged(window);
          return -1;
        }
        sum += quantity / area;
      }
      intensities[i] = sum;
      if (sum > largest) largest = sum;
      totals[i] += sum;
    }

    OilPrompt prompt{Format(pass.horizonHint, static_cast<double>(largest)),
                     Format(pass.horizonPrompt, horizon), kCaption};
    if (!CompleteOilMap(window, map, grid, intensities, largest, prompt)) return -1;
  }
  quantities.Close();

  MapFile map;
  if (map.Create(window, Format(pass.totalFile, project.c_str()), kTotalCreateFailed) !=
      MapFile::Opened::Created) {
    return -1;
  }
  map.WriteHead(Format(pass.totalTitle, project.c_str()), grid, texts::kOilUnit);
  float largest = 0;
  for (float total : totals) {
    if (total > largest) largest = total;
  }
  OilPrompt prompt{Format(pass.totalHint, static_cast<double>(largest)), pass.totalPrompt,
                   kCaption};
  if (!CompleteOilMap(window, map, grid, totals, largest, prompt)) return -1;
  return 1;
}

}  // namespace

int MakePaiYou(HWND window) {
  // 1-3. The project and its input files.
  std::string project;
  std::optional<BasinInputs> inputs = LoadProject(window, project);
  if (!inputs) return -1;

  // 4-14. The normal pass.
  int result = WritePass(window, project, *inputs, kNormalPass);
  if (result != 1) return result;

  // 15. Completion, and the question whether the deep pass is wanted.
  flavour::ShowCompletion(window, Format(kNormalPass.completion, project.c_str(), project.c_str()));
  if (!flavour::AskYesNo(window, kDeepQuestion)) return 0;
  if (flavour::DeepPassReloadsInputs()) {
    inputs = LoadProject(window, project);
    if (!inputs) return -1;
  }

  // 16. The deep pass and its completion.
  result = WritePass(window, project, *inputs, kDeepPass);
  if (result != 1) return result;
  flavour::ShowCompletion(window, Format(kDeepPass.completion, project.c_str(), project.c_str()));
  return 1;
}

}  // namespace strataplot
