// strataplot-makeproject: see makeproject.h and --help.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/makeproject.h"

int main(int argc, char** argv) {
  makeproject::Options options;
  if (auto status = cli::Finish(makeproject::ParseArguments({argv + 1, argv + argc}, options)))
    return *status;
  try {
    makeproject::Summary summary = makeproject::GenerateProject(options);
    std::printf(
        "%s: %d x %d grid, %d active cells, %d horizons, %d periods; "
        "%lld values per quantity file, %lld gas records, %zu files in %s\n",
        options.project.c_str(), options.rows, options.cols, summary.activeCount, options.horizons,
        options.periods, summary.quantityValues, summary.gasRecords, summary.files.size(),
        options.dir.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "strataplot-makeproject: %s\n", e.what());
    return 1;
  }
  return 0;
}
