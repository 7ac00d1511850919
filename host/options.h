// The host program's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "batch/answers.h"
#include "batch/commands.h"
#include "cli/parsed.h"
#include "grids/formats.h"
#include "grids/reference.h"
#include "host/history_command.h"
#include "host/render_command.h"

namespace host {

using batch::BatchAnswers;
using batch::Command;
using batch::CommandName;
using batch::ExportName;
using batch::ExportSymbol;
using batch::KindCodes;

struct Options {
  Command command = Command::OilExpulsion;

  // What the export runs on.
  std::string project;    // UTF-8 as given
  std::string directory;  // empty: stay where we are
  std::string library = "shared";

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

}  // namespace host
