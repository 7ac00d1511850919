// The project's input files: the age, horizon and grid files, one after the
// other in the input, separated by lines holding "%%%" (a part that is not
// there is a file that is missing).
#include <algorithm>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_support.h"
#include "project/basin_inputs.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  fuzz::Prepare({});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using fuzz::Expect;
  constexpr std::string_view kSeparator = "\n%%%\n";
  const char* const kFiles[] = {"demo.iga", "demo.isc", "demo.dgr"};
  std::string_view rest = fuzz::Bytes(data, size);
  for (const char* name : kFiles) {
    std::remove(name);
    if (rest.data() == nullptr) continue;
    std::size_t end = rest.find(kSeparator);
    fuzz::Put(name, rest.substr(0, end));
    rest =
        end == std::string_view::npos ? std::string_view() : rest.substr(end + kSeparator.size());
  }

  strataplot::InputFailure failure;
  std::optional<strataplot::BasinInputs> inputs = strataplot::LoadBasinInputs("demo", failure);
  if (!inputs) {
    Expect(!failure.text.empty());
    return 0;
  }
  const strataplot::SimulationGrid& grid = inputs->grid;
  Expect(inputs->periodCount >= 0 && inputs->periodNames.size() == inputs->periodAges.size() &&
         static_cast<int>(inputs->periodNames.size()) == inputs->periodCount);
  Expect(static_cast<int>(inputs->horizonNames.size()) == inputs->horizonCount);
  Expect(std::all_of(inputs->horizonNames.begin(), inputs->horizonNames.end(),
                     strataplot::IsSafeHorizonName));
  Expect(static_cast<long long>(grid.rowCount) * grid.columnCount == grid.cellCount);
  Expect(static_cast<int>(grid.mask.size()) == grid.cellCount);
  Expect(std::count(grid.mask.begin(), grid.mask.end(), 1) == grid.activeCount);
  return 0;
}
