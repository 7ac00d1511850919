// strataplot-makeproject: writes a complete, synthetic basin-modelling project
// of any size from a seed: the age, horizon and grid files, the oil quantity
// files, the gas intensity file and the depth profiles.
//
// The same options and seed always give byte-identical files: every file draws
// from its own std::mt19937_64 stream, seeded from the seed and a fixed tag, so
// leaving out some files (--no-quantities) does not change the others.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/parsed.h"

namespace makeproject {

struct Options {
  std::filesystem::path dir;  // where the files go (created when missing)
  std::string project;        // UTF-8; the file names' stem
  int rows = 24;
  int cols = 30;
  int horizons = 3;
  int periods = 5;
  std::uint64_t seed = 1;
  double activeFraction = 0.6;            // share of the cells inside the modelled area
  int gasRecords = 1;                     // gasr.out records per (active cell, horizon)
  std::vector<std::string> horizonNames;  // UTF-8; empty: "H1", "H2", ...
  double cellSizeX = 2.0;
  double cellSizeY = 2.0;
  bool quantities = true;  // write .doe, .peo and .dou
};

// What was written.
struct Summary {
  int activeCount = 0;
  long long quantityValues = 0;  // values in each quantity file
  long long gasRecords = 0;
  std::vector<std::filesystem::path> files;  // in the order written
};

// Parses the command line (without the program name) into options. Unless
// the result says to proceed, the program ends with its status and output:
// the help, the version, or a usage error (status 2).
cli::Parsed ParseArguments(const std::vector<std::string>& args, Options& options);

// Checks the options and writes the project. Throws std::runtime_error with a
// message on a bad option value (names that do not convert to GBK or do not fit a
// 20-byte slot, sizes out of range) or when a file cannot be written.
Summary GenerateProject(const Options& options);

}  // namespace makeproject
