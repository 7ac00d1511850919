// The host program's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace host {

enum class Command { OilExpulsion, OilUnexpelled, OilGeneration, Gas, Saturation };

struct Options {
  Command command = Command::OilExpulsion;
  std::string project;    // UTF-8 as given
  std::string directory;  // empty: stay where we are
  std::string library = "shared";
  bool batch = false;
  bool gui = false;  // dialogs and messages as windows
  std::vector<std::string> intervals{"default"};
  std::vector<bool> overwrites{false};
  bool deep = false;
  std::optional<int> kind = 0;  // position of the gas map kind; nullopt: cancel
  std::string kindCode = "sg";
  std::optional<std::string> horizon = std::string();  // "": the first listed; nullopt: cancel
  int mode = 1;
  std::string transcript;
  bool help = false;
};

// Parses the arguments (without the program name). On a usage error returns
// nullopt with the reason in error.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The usage text.
const char* Usage();

// The exported (decorated) name of the export a command calls.
const char* ExportName(Command command);

// The gas map kind code (sg, pg, ...) of the kind at that position, 0 to 8.
const char* KindCode(int position);

}  // namespace host
