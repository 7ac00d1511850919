// The history table as CSV (UTF-8, comma-separated, a header line): a row
// per horizon and period in horizon-file then period order, then the rows of
// the total over horizons (horizon number 0, horizon "all").
#pragma once

#include <string>

#include "history/history.h"

namespace history {

inline constexpr const char* kCsvHeader =
    "horizon_number,horizon,period_number,period,age_ma,expelled,expelled_cumulative,"
    "deep_expelled,deep_expelled_cumulative,unexpelled,generated,expelled_max_intensity,"
    "expelled_area_km2";

// Amounts and areas in the shortest form that reads back to the same double,
// intensities as the double of their 32-bit value, ages in the shortest form
// that reads back to the same 32-bit real; an unknown value empty. Names are
// quoted where they hold a comma, a quote or a line end.
std::string HistoryCsv(const ProjectHistory& history);

}  // namespace history
