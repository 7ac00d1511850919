// Runs the host program the way a person would, on projects the tests write
// into temporary directories. The host is run by its path: nothing of it is
// linked into the tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "testing/temp_dir.h"

namespace test_support {

// GBK bytes of a UTF-8 text (the test sources are UTF-8).
std::string Gbk(const std::string& utf8);

// A small project: the age file (periods named Q1, Q2, ... with a trailing
// count of 0), the horizon file (UTF-8 names written as GBK) and the grid file.
struct TinyProject {
  std::string name = "demo";
  int periods = 1;
  std::vector<std::string> horizons;
  std::string grid;  // the grid file's text
};
void WriteProject(const TempDir& dir, const TinyProject& project);

// Overwrites the horizon and grid files of the project "demo" with 100 000
// horizons on a row of a million active cells: their intensities would take
// some 400 GB, more than any machine running the tests has.
void WriteHorizonsBeyondMemory(const TempDir& dir);

struct HostRun {
  int exitStatus = -1;
  std::string errorOutput;
  std::vector<std::string> transcript;  // one JSON record per line
};

// The bundled sample project (the project "demo") in the source tree.
std::filesystem::path SampleDir();
// Copies the bundled sample project into dir.
void CopySample(const std::filesystem::path& dir);

// The host program's path; the library builds lie beside it.
std::filesystem::path HostProgram();

// Runs `strataplot -C dir --batch --transcript FILE args...` with no terminal
// on standard input. A fileSizeLimit above 0 is the largest file the host may
// write (RLIMIT_FSIZE; writes beyond it fail as on a full disk); a dataLimit
// above 0 the most memory it may allocate (RLIMIT_DATA).
HostRun RunHost(const std::filesystem::path& dir, const std::vector<std::string>& args,
                long fileSizeLimit = 0, long dataLimit = 0);
// Runs `strataplot args...` as given, in the current directory, with no
// terminal on standard input (no transcript).
HostRun RunHostAsGiven(const std::vector<std::string>& args);

bool Contains(const std::string& text, const std::string& part);

// A test of one command of the host on the project "demo" in a fresh directory.
class ExportTest : public ::testing::Test {
 protected:
  explicit ExportTest(std::string command) : command_(std::move(command)) {}
  // Runs `strataplot -p demo ARGS... COMMAND` in the directory, with the
  // limits of RunHost.
  HostRun Run(std::vector<std::string> args, long fileSizeLimit = 0, long dataLimit = 0) const;
  // A file of the directory, or "<missing>".
  std::string Map(const std::string& name) const;

  TempDir dir_;

 private:
  std::string command_;
};

// The records of the given type ("message", "dialog", ...).
std::vector<std::string> RecordsOfType(const HostRun& run, const std::string& type);

}  // namespace test_support
