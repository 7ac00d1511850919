#include "host/options.h"

#include <array>
#include <charconv>
#include <string_view>

namespace host {
namespace {

struct CommandName {
  const char* name;
  Command command;
  const char* exportName;
};

// Exports are resolved by their decorated names: a function taking the
// window handle (a pointer to HWND__), and MakeSa also the mode.
constexpr std::array<CommandName, 5> kCommands = {{
    {"oil-expulsion", Command::OilExpulsion, "_Z10MakePaiYouP6HWND__"},
    {"oil-unexpelled", Command::OilUnexpelled, "_Z9MakeUnYouP6HWND__"},
    {"oil-generation", Command::OilGeneration, "_Z12MakeShengYouP6HWND__"},
    {"gas", Command::Gas, "_Z12MakeGasIntenP6HWND__"},
    {"saturation", Command::Saturation, "_Z6MakeSaP6HWND__i"},
}};

// Gas map kind codes in the order of the map type dialog's buttons.
constexpr std::array<const char*, 9> kKindCodes = {"sg", "pg", "fg", "wg", "og",
                                                   "kg", "ug", "eg", "ag"};

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (true) {
    std::size_t comma = list.find(',', start);
    items.push_back(list.substr(start, comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

bool ParseYesNo(const std::string& text, bool& value) {
  if (text == "yes") value = true;
  else if (text == "no") value = false;
  else return false;
  return true;
}

}  // namespace

const char* Usage() {
  return "usage: strataplot [OPTIONS] COMMAND\n"
         "\n"
         "commands:\n"
         "  oil-expulsion    oil expulsion intensity maps (and the deep-layer pass)\n"
         "  oil-unexpelled   unexpelled oil intensity maps\n"
         "  oil-generation   oil generation intensity maps\n"
         "  gas              gas intensity maps of one kind\n"
         "  saturation       chloroform bitumen \"A\" saturation profile\n"
         "\n"
         "options:\n"
         "  -p, --project NAME   the current project (required)\n"
         "  -C, --directory DIR  change to DIR first\n"
         "  --library WHICH      shared (default), static, or a path\n"
         "  --batch              ask nothing; answer from the options below\n"
         "  --gui                show dialogs and messages as windows (needs a display)\n"
         "  --interval LIST      contour interval answers: numbers, default, cancel\n"
         "  --overwrite LIST     overwrite answers: yes or no (default no)\n"
         "  --deep yes|no        the deep-layer question of oil-expulsion (default no)\n"
         "  --kind CODE          gas map kind: sg pg fg wg og kg ug eg ag, or cancel\n"
         "  --horizon NAME       horizon to choose, or cancel (default: the first)\n"
         "  --mode N             the mode of saturation (default 1)\n"
         "  --transcript FILE    append a JSON record of every interaction\n";
}

const char* ExportName(Command command) {
  for (const CommandName& entry : kCommands) {
    if (entry.command == command) return entry.exportName;
  }
  return "";
}

const char* KindCode(int position) {
  if (position < 0 || position >= static_cast<int>(kKindCodes.size())) return "";
  return kKindCodes[static_cast<std::size_t>(position)];
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
  Options options;
  bool haveCommand = false;
  bool haveProject = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::string value;
    bool hasInlineValue = false;
    if (arg.rfind("--", 0) == 0) {
      std::size_t equals = arg.find('=');
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
        arg = arg.substr(0, equals);
        hasInlineValue = true;
      }
    }
    auto takesValue = [&](const char* name) {
      if (arg != name) return false;
      if (!hasInlineValue) {
        if (i + 1 >= args.size()) {
          error = std::string("option ") + name + " needs a value";
          return false;
        }
        value = args[++i];
      }
      return true;
    };
    auto is = [&](const char* shortName, const char* longName) {
      return (shortName != nullptr && arg == shortName) || arg == longName;
    };

    if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--batch") {
      if (hasInlineValue) {
        error = "option --batch takes no value";
        return std::nullopt;
      }
      options.batch = true;
    } else if (arg == "--gui" && !hasInlineValue) {
      options.gui = true;
    } else if (is("-p", "--project")) {
      arg = "--project";
      if (!takesValue("--project")) return std::nullopt;
      options.project = value;
      haveProject = true;
    } else if (is("-C", "--directory")) {
      arg = "--directory";
      if (!takesValue("--directory")) return std::nullopt;
      options.directory = value;
    } else if (takesValue("--library")) {
      options.library = value;
    } else if (takesValue("--interval")) {
      options.intervals = SplitList(value);
    } else if (takesValue("--overwrite")) {
      options.overwrites.clear();
      for (const std::string& item : SplitList(value)) {
        bool answer = false;
        if (!ParseYesNo(item, answer)) {
          error = "--overwrite takes yes or no, not '" + item + "'";
          return std::nullopt;
        }
        options.overwrites.push_back(answer);
      }
    } else if (takesValue("--deep")) {
      if (!ParseYesNo(value, options.deep)) {
        error = "--deep takes yes or no, not '" + value + "'";
        return std::nullopt;
      }
    } else if (takesValue("--kind")) {
      options.kindCode = value;
      options.kind.reset();
      if (value != "cancel") {
        for (std::size_t k = 0; k < kKindCodes.size(); ++k) {
          if (value == kKindCodes[k]) options.kind = static_cast<int>(k);
        }
        if (!options.kind) {
          error = "--kind takes sg pg fg wg og kg ug eg ag or cancel, not '" + value + "'";
          return std::nullopt;
        }
      }
    } else if (takesValue("--horizon")) {
      if (value == "cancel") options.horizon.reset();
      else options.horizon = value;
    } else if (takesValue("--mode")) {
      auto [end, status] = std::from_chars(value.data(), value.data() + value.size(), options.mode);
      if (status != std::errc() || end != value.data() + value.size()) {
        error = "--mode takes a whole number, not '" + value + "'";
        return std::nullopt;
      }
    } else if (takesValue("--transcript")) {
      options.transcript = value;
    } else if (!error.empty()) {
      return std::nullopt;
    } else if (!arg.empty() && arg[0] == '-') {
      error = "unknown option '" + args[i] + "'";
      return std::nullopt;
    } else if (haveCommand) {
      error = "more than one command: '" + arg + "'";
      return std::nullopt;
    } else {
      bool known = false;
      for (const CommandName& entry : kCommands) {
        if (arg == entry.name) {
          options.command = entry.command;
          known = true;
        }
      }
      if (!known) {
        error = "unknown command '" + arg + "'";
        return std::nullopt;
      }
      haveCommand = true;
    }
    if (!error.empty()) return std::nullopt;
  }
  if (options.help) return options;
  if (!haveCommand) {
    error = "no command given";
    return std::nullopt;
  }
  if (!haveProject) {
    error = "no project given (-p NAME)";
    return std::nullopt;
  }
  return options;
}

}  // namespace host
