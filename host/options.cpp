#include "host/options.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "cli/cli.h"

namespace host {
namespace {

// What each command's help says of it, in the order of batch::Commands().
constexpr std::array<const char*, 5> kDescriptions = {
    "oil expulsion intensity maps (and the deep-layer pass)",
    "unexpelled oil intensity maps",
    "oil generation intensity maps",
    "gas intensity maps of one kind (--kind)",
    "chloroform bitumen \"A\" saturation profile (--mode)",
};

const char kExitStatuses[] =
    "exit status: 0 when the export wrote everything, 3 when it ended early at\n"
    "the user's word (oil-expulsion: the deep-layer pass declined or a horizon\n"
    "map not replaced; oil-generation: a map not replaced), 1 when it failed or\n"
    "was cancelled (any other map or profile not replaced too), 2 when\n"
    "strataplot could not run it.";

void AddRunOptions(CLI::App& app, Options& options) {
  app.add_option("-p,--project", options.project, "the current project (required)")
      ->type_name("NAME");
  app.add_option("-C,--directory", options.directory,
                 "change to DIR first: project files, maps and gasr.out\nare relative to it")
      ->type_name("DIR");
  app.add_option("--library", options.library,
                 "shared (default) or static build of the library, or\n"
                 "a path (taken from where strataplot was started)")
      ->type_name("WHICH");
  app.add_option("--mode", options.answers.mode, "the mode of saturation (default 1)")
      ->type_name("N");
}

void AddInterfaceOptions(CLI::App& app, Options& options) {
  const char* group = "user interface";
  app.add_flag("--batch", options.batch,
               "ask nothing; answer from the options below (implied\n"
               "when standard input is not a terminal)")
      ->group(group);
  app.add_flag("--quiet", options.quiet,
               "in batch, do not echo the library's messages to\nstandard error")
      ->group(group);
  app.add_flag("--gui", options.gui,
               "show dialogs and messages as windows (needs a display;\n"
               "the answers in batch do not apply)")
      ->group(group);
  app.add_option("--transcript", options.transcript, "append a JSON record of every interaction")
      ->type_name("FILE")
      ->group(group);
}

void AddBatchAnswers(CLI::App& app, BatchAnswers& answers) {
  const char* group = "answers in batch";
  app.add_option_function<std::string>(
         "--interval",
         [&answers](const std::string& list) { batch::ApplyAnswer(answers, "interval", list); },
         "contour interval answers in order: a number to type,\n"
         "default (OK on the suggested value, also after a\n"
         "refused text) or cancel; the last repeats. Write\n"
         "--interval=LIST for a list that begins with \"-\"")
      ->type_name("LIST")
      ->group(group);
  app.add_option_function<std::string>(
         "--overwrite",
         [&answers](const std::string& list) { batch::ApplyAnswer(answers, "overwrite", list); },
         "overwrite answers: yes or no; the last repeats\n(default no)")
      ->type_name("LIST")
      ->check(cli::EachOneOf({"yes", "no"}))
      ->group(group);
  app.add_option_function<std::string>(
         "--deep",
         [&answers](const std::string& value) { batch::ApplyAnswer(answers, "deep", value); },
         "the deep-layer question of oil-expulsion (default no)")
      ->type_name("yes|no")
      ->check(cli::EachOneOf({"yes", "no"}))
      ->group(group);
  std::vector<std::string> kinds = KindCodes();
  kinds.push_back("cancel");
  app.add_option_function<std::string>(
         "--kind",
         [&answers](const std::string& code) { batch::ApplyAnswer(answers, "kind", code); },
         "gas map kind: sg pg fg wg og kg ug eg ag, or cancel\n(default sg)")
      ->type_name("CODE")
      ->check(cli::EachOneOf(kinds))
      ->group(group);
  app.add_option_function<std::string>(
         "--horizon",
         [&answers](const std::string& name) { batch::ApplyAnswer(answers, "horizon", name); },
         "horizon to choose, or cancel (default: the first)")
      ->type_name("NAME")
      ->group(group);
}

// Standard grids and contour layers of every completed map.
void AddGridOptions(CLI::App& app, Options& options) {
  const char* group = "files beside the maps";
  auto formats = [&app, group](const char* name, std::vector<grids::Format>& into,
                               const std::vector<grids::Format>& (*known)(), const char* help) {
    app.add_option_function<std::string>(
           name,
           [&into, known](const std::string& list) {
             std::string error;
             into = grids::ParseFormatList(list, known(), error)
                        .value_or(std::vector<grids::Format>{});
           },
           help)
        ->type_name("LIST")
        ->check(
            [known](const std::string& list) {
              std::string error;
              return grids::ParseFormatList(list, known(), error) ? std::string() : error;
            },
            "")
        ->group(group);
  };
  formats("--grids", options.grids, grids::GridFormats,
          "map commands: also write each completed map as\n"
          "standard grids (gtiff aaigrid zmap surfer xyz),\n"
          "named MAPFILE.tif/.asc/.zmap/.grd/.xyz");
  formats("--contours", options.contours, grids::ContourFormats,
          "map commands: also write each completed map's\n"
          "contour lines at its interval (gpkg geojson shp),\n"
          "named MAPFILE.gpkg/.geojson/.shp");
  // png, svg, pdf: each once, in the order given.
  auto pictureFormats = [](const std::string& list, std::string& error) {
    std::vector<std::string> chosen;
    std::size_t from = 0;
    while (true) {
      const std::size_t comma = list.find(',', from);
      const std::string name = list.substr(from, comma - from);
      if (std::find(std::begin(kPictureFormats), std::end(kPictureFormats), name) ==
          std::end(kPictureFormats)) {
        error = "unknown picture format '" + name + "' (png svg pdf)";
        return std::vector<std::string>{};
      }
      if (std::find(chosen.begin(), chosen.end(), name) == chosen.end()) chosen.push_back(name);
      if (comma == std::string::npos) return chosen;
      from = comma + 1;
    }
  };
  app.add_option_function<std::string>(
         "--pictures",
         [&options, pictureFormats](const std::string& list) {
           std::string error;
           options.pictureFormats = pictureFormats(list, error);
         },
         "map commands: also paint each completed map from\n"
         "its values (png svg pdf), named MAPFILE.png/.svg/.pdf")
      ->type_name("LIST")
      ->check(
          [pictureFormats](const std::string& list) {
            std::string error;
            pictureFormats(list, error);
            return error;
          },
          "")
      ->group(group);
  app.add_option("--crs", options.crs,
                 "map commands and history: the projected reference\n"
                 "system of the grids and contours (EPSG:n, WKT or\n"
                 "PROJ); default: the WKT in NAME.prj of the project\n"
                 "directory, else none (and no GeoJSON)")
      ->type_name("CRS")
      ->group(group);
  app.add_option_function<std::string>(
         "--grid-unit",
         [&options](const std::string& unit) {
           options.gridUnit = grids::GridUnitNamed(unit).value_or(grids::GridUnit::Kilometre);
         },
         "unit of the project's grid coordinates and cell\nsizes (default km)")
      ->type_name("km|m")
      ->check(cli::EachOneOf({"km", "m"}))
      ->group(group);
}

// `render FILE... [-o OUT] [--width PIXELS]`.
void AddRenderCommand(CLI::App& app, Options& options) {
  CLI::App* render = app.add_subcommand(
      "render", "a map or .dsa profile as a picture (PNG, SVG or PDF by\nOUT's extension)");
  render->group("commands");
  render->add_option("FILE", options.pictures.files, "map files and .dsa profiles")
      ->type_name("")
      ->required();
  render
      ->add_option("-o,--output", options.pictures.out,
                   "the picture, .png, .svg or .pdf (without it FILE.png\nbeside FILE); with "
                   "several FILEs, a directory")
      ->type_name("OUT");
  render
      ->add_option("--width", options.pictures.width,
                   "the picture's width, " + std::to_string(kNarrowestPicture) + " to " +
                       std::to_string(kWidestPicture) + " (default 1200)")
      ->type_name("PIXELS")
      ->check(CLI::Range(kNarrowestPicture, kWidestPicture).description(""));
  render->parse_complete_callback([&options] { options.render = true; });
}

// `history [-o DIR] [--chart png|svg|pdf] [--frames]`: the program's options
// (the project, the directory, --quiet, --transcript) fall through to it.
void AddHistoryCommand(CLI::App& app, Options& options) {
  CLI::App* history = app.add_subcommand("history",
                                         "the project through its periods: NAME.history.csv,\n"
                                         "MAPFILE.history.tif, NAME.history.nc and a chart of\n"
                                         "the oil each horizon expelled, from the expelled,\n"
                                         "deep expelled and unexpelled oil files (gas has no\n"
                                         "periods: it is not part of it); replaced without asking");
  history->group("commands");
  history->fallthrough();
  history->set_help_flag();  // --help falls through: the program's help with the command's
  const char* group = "history";
  history
      ->add_option("-o,--output", options.periods.out,
                   "the directory to write into (default: the project's)")
      ->type_name("DIR")
      ->group(group);
  history->add_option("--chart", options.periods.chart, "the chart's format (default png)")
      ->type_name("png|svg|pdf")
      ->check(CLI::IsMember({"png", "svg", "pdf"}).description(""))
      ->group(group);
  history
      ->add_flag("--frames", options.periods.frames,
                 "also a picture per horizon and period of the\n"
                 "cumulative expelled intensity (MAPFILE.PN.png)")
      ->group(group);
  history->parse_complete_callback([&options] { options.history = true; });
}

// The map and profile commands: one export each. Their options are the
// program's, before or after the command.
void AddExportCommands(CLI::App& app, Options& options) {
  for (std::size_t c = 0; c < batch::Commands().size(); ++c) {
    Command each = batch::Commands()[c];
    CLI::App* command = app.add_subcommand(CommandName(each), kDescriptions[c]);
    command->group("commands");
    command->fallthrough();
    command->set_help_flag();  // --help falls through: the program's help
    command->parse_complete_callback([&options, each] { options.command = each; });
  }
}

// What the parser left over, in words; empty when nothing was.
std::string LeftOver(const CLI::App& app) {
  std::vector<std::string> rest = app.remaining();
  bool haveCommand = !app.get_subcommands().empty();
  if (rest.empty()) return haveCommand ? "" : "no command given";
  const std::string& first = rest.front();
  if (first.starts_with("-")) return "unknown option '" + first + "'";
  if (!haveCommand) return "unknown command '" + first + "'";
  if (batch::CommandNamed(first)) return "more than one command: '" + first + "'";
  if (first == "history" || first == "render") return "more than one command: '" + first + "'";
  return "unexpected argument '" + first + "'";
}

}  // namespace

cli::Parsed ParseOptions(const std::vector<std::string>& args, Options& options) {
  std::unique_ptr<CLI::App> app =
      cli::MakeApp("strataplot", "Runs one export of the library on the current project.");
  AddRunOptions(*app, options);
  AddInterfaceOptions(*app, options);
  AddBatchAnswers(*app, options.answers);
  AddGridOptions(*app, options);
  AddExportCommands(*app, options);
  AddRenderCommand(*app, options);
  AddHistoryCommand(*app, options);
  // What is left over is named by LeftOver.
  app->require_subcommand(0, 1);
  app->allow_extras();
  app->footer(kExitStatuses);

  cli::Parsed parsed = cli::Parse(*app, args);
  if (!parsed.proceed) return parsed;
  if (std::string error = LeftOver(*app); !error.empty()) return cli::UsageError(*app, error);
  bool needsProject = options.history;
  for (Command command : batch::Commands())
    needsProject = needsProject || app->got_subcommand(CommandName(command));
  if (needsProject && app->get_option("--project")->count() == 0) {
    return cli::UsageError(*app, "no project given (-p NAME)");
  }
  if (options.history && !(options.grids.empty() && options.contours.empty())) {
    return cli::UsageError(*app, "--grids and --contours go with the map commands, not history");
  }
  if (options.history && options.gui) {
    return cli::UsageError(*app, "history asks nothing: --gui does not apply to it");
  }
  if (options.command == Command::Saturation &&
      !(options.grids.empty() && options.contours.empty())) {
    return cli::UsageError(*app, "--grids and --contours go with the map commands, not saturation");
  }
  if (!options.pictureFormats.empty() &&
      (options.history || options.render || options.command == Command::Saturation)) {
    return cli::UsageError(*app, std::string("--pictures goes with the map commands, not ") +
                                     (options.history  ? "history"
                                      : options.render ? "render"
                                                       : "saturation"));
  }
  const bool placed =
      app->get_option("--crs")->count() > 0 || app->get_option("--grid-unit")->count() > 0;
  if (placed && (options.render || (!options.history && options.command == Command::Saturation))) {
    return cli::UsageError(
        *app, std::string("--crs and --grid-unit go with the map commands and "
                          "history, not ") +
                  (options.render ? "render (it takes the .tif's system)" : "saturation"));
  }
  return parsed;
}

}  // namespace host
