// The host program's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/parsed.h"
#include "grids/formats.h"
#include "grids/reference.h"
#include "host/history_command.h"
#include "host/render_command.h"

namespace host {

enum class Command { OilExpulsion, OilUnexpelled, OilGeneration, Gas, Saturation };

// The answers to the library's questions when nothing is asked (batch).
struct BatchAnswers {
  std::vector<std::string> intervals{"default"};  // texts to type, "default" or "cancel"
  std::vector<bool> overwrites{false};
  bool deep = false;
  std::optional<int> kind = 0;  // position of the gas map kind; nullopt: cancel
  std::string kindCode = "sg";
  std::optional<std::string> horizon = std::string();  // "": the first listed; nullopt: cancel
};

struct Options {
  Command command = Command::OilExpulsion;

  // What the export runs on.
  std::string project;    // UTF-8 as given
  std::string directory;  // empty: stay where we are
  std::string library = "shared";
  int mode = 1;  // handed to saturation's export

  // How it meets the user.
  bool batch = false;
  bool quiet = false;
  bool gui = false;  // dialogs and messages as windows
  std::string transcript;
  BatchAnswers answers;

  // Files written beside every completed map (map commands only).
  std::vector<grids::Format> grids;
  std::vector<grids::Format> contours;
  std::vector<std::string> pictureFormats;  // --pictures: png svg pdf
  // Where the grid lies (map commands and history): the projected reference
  // system as given (empty: NAME.prj of the project directory, else none)
  // and the unit of the grid's coordinates.
  std::string crs;
  grids::GridUnit gridUnit = grids::GridUnit::Kilometre;

  // `render`: pictures of map files instead of an export.
  bool render = false;
  RenderOptions pictures;

  // `history`: the project through its periods instead of an export.
  bool history = false;
  HistoryOptions periods;
};

// Parses the arguments (without the program name) into options. Unless the
// result says to proceed, the program ends with its status and output: the
// help, the version, or a usage error (status 2).
cli::Parsed ParseOptions(const std::vector<std::string>& args, Options& options);

// The export a command calls: its name ("MakePaiYou") and its exported
// (decorated) symbol.
const char* ExportName(Command command);
const char* ExportSymbol(Command command);
// The command's name on the command line ("oil-expulsion").
const char* CommandName(Command command);

// The gas map kind codes, in the order of the map type dialog's buttons.
std::vector<std::string> KindCodes();

}  // namespace host
