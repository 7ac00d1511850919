// What the history chart shows: a project's oil through its periods, per
// horizon. Plain data without Qt, so that the host can fill it in without
// loading the painting.
#pragma once

#include <string>
#include <vector>

namespace rendering {

// A project's oil through its periods, per horizon: what the history chart
// shows. A horizon's lists hold one value per period (any beyond the periods'
// count are ignored, missing ones are not drawn).
struct HistoryChartData {
  std::string title;                     // UTF-8, e.g. "demo: oil expelled through time"
  std::string amountUnit;                // UTF-8, "万吨" (10^4 t)
  std::vector<std::string> periodNames;  // UTF-8, period order (oldest first as a rule)
  std::vector<double> ages;              // Ma, one per period: the periods are those with an age
  struct Horizon {
    std::string name;                        // UTF-8
    std::vector<double> expelled;            // per period; empty when not known
    std::vector<double> expelledCumulative;  // per period; empty when not known
    std::vector<double> generated;           // generated up to each period; empty when not known
  };
  std::vector<Horizon> horizons;
};

}  // namespace rendering
