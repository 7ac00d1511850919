// Oil generation intensity maps: for every horizon the oil it expelled in all
// periods plus the oil it still holds in the last period, per active cell and
// divided by the cell area; then the all-horizon total. Both quantity files
// are read in lockstep, under a wait notice, before the first map is written.
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
    texts::kGeneratedMapFile,
    "%s层各时期累计生油强度图",
    "本层各网格中最大累积生油强度为:%8.2f万吨/平方公里",
    "输入%s层生油强度间距值(万吨/平方公里):",
    texts::kGeneratedTotalFile,
    "%s地区各层各时期总生油强度图",
    "所有层各网格中最大累积生油强度为:%8.2f万吨/平方公里",
    "输入所有层总生油强度间距值(万吨/平方公里):",
    "生油强度图文件生成.\n\n分别在文件%s*.so?和%s.sot中",
    "生成生油强度文件%s错",
    "生成总生油强度文件%s错",
    "",
});

constexpr const char* kWaitNotice = "正在生成%s地区的生油强度图文件，请稍候...";
constexpr const char* kOpenExpelledFailed = "打开排油量文件%s错";

void RemoveWaitNotice(HWND window) { ShowWait(window, "", 0); }

// The generation intensities of every horizon, with the running maxima.
struct Generation {
  std::vector<std::vector<float>> intensities;  // [horizon][active cell]
  std::vector<float> maxima;
  std::vector<float> totals;
  float totalMaximum = 0;
};

// Reads both quantity files in lockstep and finishes every sum. False
// when a file cannot be opened or is damaged (the message has been shown).
bool Accumulate(HWND window, const std::string& project, const BasinInputs& inputs,
                Generation& generation) {
  const SimulationGrid& grid = inputs.grid;
  const float area = static_cast<float>(grid.cellArea);
  InputFile expelled;
  InputFile unexpelled;
  if (!OpenQuantityFile(window, expelled, kExpelledOilFile, project, kOpenExpelledFailed) ||
      !OpenQuantityFile(window, unexpelled, kUnexpelledOilFile, project,
                        kOpenUnexpelledOilFailed)) {
    return false;
  }

  // Each running sum adds the present unexpelled intensity (0 before the
  // last period) and the period's expelled intensity; the horizon maximum
  // follows the running sums.
  generation.intensities.assign(inputs.horizonCount, std::vector<float>(grid.activeCount, 0.0f));
  generation.maxima.assign(inputs.horizonCount, 0.0f);
  for (int h = 0; h < inputs.horizonCount; ++h) {
    std::vector<float>& intensities = generation.intensities[h];
    float& maximum = generation.maxima[h];
    for (int i = 0; i < grid.activeCount; ++i) {
      for (int period = 1; period <= inputs.periodCount; ++period) {
        float e = 0;
        float u = 0;
        if (!expelled.ReadReal(e)) {
          flavour::ShowFailure(window, expelled.DamageText());
          return false;
        }
        if (!unexpelled.ReadReal(u)) {
          flavour::ShowFailure(window, unexpelled.DamageText());
          return false;
        }
        e = e / area;
        u = period == inputs.periodCount ? u / area : 0.0f;
        float partial = u + intensities[i];
        intensities[i] = partial + e;
        if (intensities[i] > maximum) maximum = intensities[i];
      }
    }
  }

  // The totals add the horizons in order; their maximum follows every addition.
  generation.totals.assign(grid.activeCount, 0.0f);
  for (int i = 0; i < grid.activeCount; ++i) {
    float& total = generation.totals[i];
    for (int h = 0; h < inputs.horizonCount; ++h) {
      total = generation.intensities[h][i] + total;
      if (total > generation.totalMaximum) generation.totalMaximum = total;
    }
  }
  return true;
}

// The maps. 1 when all were written, 0 when an existing map was not to
// be replaced, -1 on failure.
int WriteMaps(HWND window, const std::string& project, const BasinInputs& inputs,
              const Generation& generation) {
  for (int h = 0; h < inputs.horizonCount; ++h) {
    ShowClock(window, inputs.horizonCount, h);
    MapFile map;
    switch (StartHorizonMap(window, map, kMaps, inputs, h)) {
      case MapFile::Opened::Declined:
        return 0;
      case MapFile::Opened::Failed:
        return -1;
      case MapFile::Opened::Created:
        break;
    }
    if (!CompleteHorizonMap(window, map, kMaps, inputs, h, generation.intensities[h],
                            generation.maxima[h])) {
      return -1;
    }
  }
  MapFile map;
  switch (StartTotalMap(window, map, kMaps, inputs, project)) {
    case MapFile::Opened::Declined:
      return 0;
    case MapFile::Opened::Failed:
      return -1;
    case MapFile::Opened::Created:
      break;
  }
  if (!CompleteTotalMap(window, map, kMaps, inputs, generation.totals, generation.totalMaximum)) {
    return -1;
  }
  ShowMapsWritten(window, kMaps, project);
  return 1;
}

}  // namespace

int MakeShengYou(HWND window) {
  // The project, the progress display and the wait notice.
  std::string project;
  if (GetProjName(window, project) == 0) return -1;
  ShowClock(window, 1, 0);
  ShowWait(window, Format(kWaitNotice, project.c_str()).c_str(), 1);

  // The input files and the cell area.
  std::optional<BasinInputs> inputs = LoadOilInputs(window, project, flavour::Caption::Empty);
  if (!inputs) {
    RemoveWaitNotice(window);
    return -1;
  }

  // The intensities of every horizon are held at once: they must fit.
  std::optional<std::string> doesNotFit =
      HorizonArraysDoNotFit(project, *inputs, static_cast<std::size_t>(inputs->horizonCount) + 1,
                            inputs->grid.activeCount);
  if (doesNotFit) {
    flavour::ShowFailure(window, *doesNotFit);
    RemoveWaitNotice(window);
    return -1;
  }

  // Every sum, then the notice goes; then the maps.
  Generation generation;
  int result = -1;
  if (Accumulate(window, project, *inputs, generation)) {
    RemoveWaitNotice(window);
    result = WriteMaps(window, project, *inputs, generation);
  }

  // The notice is removed on every way out.
  RemoveWaitNotice(window);
  return result;
}

}  // namespace strataplot
