// Gas intensity maps: the user picks one of nine kinds; the gas intensity
// file is folded into per-horizon and all-horizon grids; the unit follows the
// magnitude; then a map per horizon and the total.
#include <span>
#include <string>

#include "common/common.h"
#include "flavour/build_flavour.h"
#include "gasmaps/gas_intensity_file.h"
#include "gasmaps/gasmaps.h"
#include "mapfile/map_steps.h"
#include "project/texts.h"

namespace strataplot {
namespace {

constexpr const char* kCaption = "输入生(排)气强度间距值";
constexpr const char* kCreateFailed = "生成生排气强度文件%s错";

// The texts of each kind; the hints and prompts take the unit, chosen by the
// magnitude of the values.
const MapTexts kKinds[kGasMapKindCount] = {
    {"%s.sg%d", "%s层各时期累计生气强度图", "本层各网格中最大累积生气强度为:%10.2f%s",
     "输入%s层生气强度间距值%s:", "%s.sgt", "%s地区各层各时期总生气强度图",
     "所有层各网格中最大累积生气强度为:%10.2f%s", "输入所有层总生气强度间距值%s:",
     "生气强度图文件生成.\n\n分别在文件%s*.sg?和%s.sgt中", kCreateFailed, kCreateFailed, kCaption},
    {"%s.pg%d", "%s层各时期累计排气强度图", "本层各网格中最大累积排气强度为:%10.2f%s",
     "输入%s层排气强度间距值%s:", "%s.pgt", "%s地区各层各时期总排气强度图",
     "所有层各网格中最大累积排气强度为:%10.2f%s",
     "输入所有层总排气强度间距值%s:", "总排气强度图文件生成.\n\n分别在文件%s*.pg?和%s.pgt中",
     kCreateFailed, kCreateFailed, kCaption},
    {"%s.fg%d", "%s层各时期累计游离相排气强度图", "本层各网格中最大累积游离相排气强度为:%10.2f%s",
     "输入%s层游离相排气强度间距值%s:", "%s.fgt", "%s地区各层各时期游离相总排气强度图",
     "所有层各网格中最大累积游离相排气强度为:%10.2f%s", "输入所有层游离相总排气强度间距值%s:",
     "游离相排气强度图文件生成.\n\n分别在文件%s*.fg?和%s.fgt中", kCreateFailed, kCreateFailed,
     kCaption},
    {"%s.wg%d", "%s层各时期累计水溶相排气强度图", "本层各网格中最大累积水溶相排气强度为:%10.2f%s",
     "输入%s层水溶相排气强度间距值%s:", "%s.wgt", "%s地区各层各时期水溶相总排气强度图",
     "所有层各网格中最大累积水溶相排气强度为:%10.2f%s", "输入所有层水溶相总排气强度间距值%s:",
     "水溶相排气强度图文件生成.\n\n分别在文件%s*.wg?和%s.wgt中", kCreateFailed, kCreateFailed,
     kCaption},
    {"%s.og%d", "%s层各时期累计油溶相排气强度图", "本层各网格中最大累积油溶相排气强度为:%10.2f%s",
     "输入%s层油溶相排气强度间距值%s:", "%s.ogt", "%s地区各层各时期油溶相总排气强度图",
     "所有层各网格中最大累积油溶相排气强度为:%10.2f%s", "输入所有层油溶相总排气强度间距值%s:",
     "油溶相排气强度图文件生成.\n\n分别在文件%s*.og?和%s.ogt中", kCreateFailed, kCreateFailed,
     kCaption},
    {"%s.kg%d", "%s层各时期累计扩散相排气强度图", "本层各网格中最大累积扩散相排气强度为:%10.2f%s",
     "输入%s层扩散相排气强度间距值%s:", "%s.kgt", "%s地区各层各时期扩散相总排气强度图",
     "所有层各网格中最大累积扩散相排气强度为:%10.2f%s", "输入所有层扩散相总排气强度间距值%s:",
     "扩散相排气强度图文件生成.\n\n分别在文件%s*.kg?和%s.kgt中", kCreateFailed, kCreateFailed,
     kCaption},
    {"%s.ug%d", "%s层各时期累计未排气强度图", "本层各网格中最大累积未排气强度为:%10.2f%s",
     "输入%s层未排气强度间距值%s:", "%s.ugt", "%s地区各层各时期总未排气强度图",
     "所有层各网格中最大累积未排气强度为:%10.2f%s",
     "输入所有层总未排气强度间距值%s:", "未排气强度图文件生成.\n\n分别在文件%s*.ug?和%s.ugt中",
     kCreateFailed, kCreateFailed, kCaption},
    {"%s.eg%d", "%s层各时期累计深层生气强度图", "本层各网格中最大累积深层生气强度为:%10.2f%s",
     "输入%s层深层生气强度间距值%s:", "%s.egt", "%s地区各层各时期总深层生气强度图",
     "所有层各网格中深层最大累积生气强度为:%10.2f%s",
     "输入所有层深层总生气强度间距值%s:", "深层生气强度图文件生成.\n\n分别在文件%s*.eg?和%s.egt中",
     kCreateFailed, kCreateFailed, kCaption},
    {"%s.ag%d", "%s层各时期累计深层排气强度图", "本层各网格中最大累积深层排气强度为:%10.2f%s",
     "输入%s层深层排气强度间距值%s:", "%s.agt", "%s地区各层各时期总深层排气强度图",
     "所有层各网格中深层最大累积排气强度为:%10.2f%s",
     "输入所有层深层总排气强度间距值%s:", "深层排气强度图文件生成.\n\n分别在文件%s*.ag?和%s.agt中",
     kCreateFailed, kCreateFailed, kCaption},
};

constexpr const char* kLargeUnit = "(亿方/平方公里)";
constexpr const char* kSmallUnit = "(百万方/平方公里)";
constexpr const char* kHorizonTooSmall = "%s层的强度值太小，不必计算\n\n请按“确定”钮继续";
constexpr int kHorizonLegendWidth = 8;
constexpr int kTotalLegendWidth = 10;

// When the smallest horizon maximum is below 10, every value is shown
// multiplied by 100 in the smaller unit. Returns the unit text.
const char* ChooseUnit(GasAccumulation& gas, int activeCount) {
  float smallest = 100000.0f;
  for (float maximum : gas.horizonMaxima) {
    if (maximum < smallest) smallest = maximum;
  }
  if (!(smallest < 10.0f)) return kLargeUnit;
  for (float& maximum : gas.horizonMaxima) maximum *= 100;
  for (std::vector<float>& grid : gas.horizonGrids) {
    for (int i = 0; i < activeCount; ++i) grid[i] *= 100;
  }
  for (int i = 0; i < activeCount; ++i) gas.totalGrid[i] *= 100;
  gas.totalMaximum *= 100;
  return kSmallUnit;
}

}  // namespace

int MakeGasInten(HWND window) {
  // The project, the progress display, the kind.
  std::string project;
  if (GetProjName(window, project) == 0) return -1;
  ShowClock(window, 1, 0);
  std::optional<int> kind = flavour::AskGasMapKind(window);
  if (!kind || *kind < 0 || *kind >= kGasMapKindCount) return -1;

  // The input files and the gas intensity file.
  InputFailure failure;
  std::optional<BasinInputs> inputs = LoadBasinInputs(project, failure);
  if (!inputs) {
    flavour::ShowInputFailure(window, failure, flavour::Caption::Empty);
    return -1;
  }
  const SimulationGrid& grid = inputs->grid;
  if (std::optional<std::string> text = HorizonArraysDoNotFit(
          project, *inputs, static_cast<std::size_t>(inputs->horizonCount) + 1, grid.activeCount)) {
    flavour::ShowFailure(window, *text);
    return -1;
  }
  std::optional<GasAccumulation> gas =
      ReadGasIntensityFile(window, static_cast<GasMapKind>(*kind), *inputs);
  if (!gas) return -1;
  const std::size_t active = static_cast<std::size_t>(grid.activeCount);

  // The unit, and the kind's set of maps in it.
  const char* unit = ChooseUnit(*gas, grid.activeCount);
  const MapSet maps = {kKinds[*kind], unit, kHorizonLegendWidth, kTotalLegendWidth,
                       &flavour::AskGasInterval};

  // A map per horizon; horizons whose largest value is too small are skipped.
  for (int h = 0; h < inputs->horizonCount; ++h) {
    ShowClock(window, inputs->horizonCount, h);
    float largest = gas->horizonMaxima[h];
    if (static_cast<double>(largest) <= 0.0001) {
      flavour::ShowFailure(window, Format(kHorizonTooSmall, inputs->horizonNames[h].c_str()),
                           flavour::Caption::Blank);
      continue;
    }
    MapFile map;
    if (StartHorizonMap(window, map, maps, *inputs, h) != MapFile::Opened::Created) return -1;
    std::span<const float> values(gas->horizonGrids[h].data(), active);
    if (!CompleteHorizonMap(window, map, maps, *inputs, h, values, largest)) return -1;
  }

  // The total map.
  ShowClock(window, 12, 11);
  MapFile map;
  if (StartTotalMap(window, map, maps, *inputs, project) != MapFile::Opened::Created) return -1;
  std::span<const float> totals(gas->totalGrid.data(), active);
  if (!CompleteTotalMap(window, map, maps, *inputs, totals, gas->totalMaximum)) return -1;

  // Completion.
  ShowMapsWritten(window, maps, project);
  return 1;
}

}  // namespace strataplot
