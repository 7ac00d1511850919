#include "history/history_csv.h"

#include <charconv>
#include <optional>

#include "platform/platform.h"

namespace history {
namespace {

template <typename Number>
void AppendNumber(std::string& line, Number value) {
  char digits[64];
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  if (error == std::errc()) line.append(digits, end);
}

template <typename Number>
void AppendField(std::string& line, const std::optional<Number>& value) {
  line += ',';
  if (value) AppendNumber(line, static_cast<double>(*value));
}

void AppendName(std::string& line, const std::string& gbk) {
  const std::string name = platform::GbkForDisplay(gbk);
  if (name.find_first_of(",\"\r\n") == std::string::npos) {
    line += name;
    return;
  }
  line += '"';
  for (char c : name) {
    if (c == '"') line += '"';
    line += c;
  }
  line += '"';
}

void AppendRows(std::string& csv, const ProjectHistory& history, int number,
                const std::string& gbkName, const std::vector<PeriodRow>& rows) {
  const strataplot::BasinInputs& inputs = history.inputs;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const PeriodRow& row = rows[k];
    std::string line;
    AppendNumber(line, number);
    line += ',';
    AppendName(line, gbkName);
    line += ',';
    AppendNumber(line, static_cast<int>(k) + 1);
    line += ',';
    AppendName(line, inputs.periodNames[k]);
    line += ',';
    AppendNumber(line, inputs.periodAges[k]);
    AppendField(line, row.expelled);
    AppendField(line, row.expelledCumulative);
    AppendField(line, row.deepExpelled);
    AppendField(line, row.deepExpelledCumulative);
    AppendField(line, row.unexpelled);
    AppendField(line, row.generated);
    AppendField(line, row.expelledMaxIntensity);
    AppendField(line, row.expelledArea);
    csv += line;
    csv += '\n';
  }
}

}  // namespace

std::string HistoryCsv(const ProjectHistory& history) {
  std::string csv = std::string(kCsvHeader) + "\n";
  for (std::size_t h = 0; h < history.horizons.size(); ++h) {
    AppendRows(csv, history, static_cast<int>(h) + 1, history.inputs.horizonNames[h],
               history.horizons[h]);
  }
  AppendRows(csv, history, 0, "all", history.total);
  return csv;
}

}  // namespace history
