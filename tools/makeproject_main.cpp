// strataplot-makeproject: see makeproject.h and --help.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "strataplot_version.h"
#include "tools/makeproject.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("strataplot-makeproject %s\n", STRATAPLOT_VERSION);
    return 0;
  }
  makeproject::Options options;
  bool help = false;
  std::string error;
  if (!makeproject::ParseArguments(args, options, help, error)) {
    std::fprintf(stderr, "strataplot-makeproject: %s\n\n%s", error.c_str(), makeproject::Usage().c_str());
    return 2;
  }
  if (help) {
    std::fputs(makeproject::Usage().c_str(), stdout);
    return 0;
  }
  try {
    makeproject::Summary summary = makeproject::GenerateProject(options);
    std::printf("%s: %d x %d grid, %d active cells, %d horizons, %d periods; "
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
