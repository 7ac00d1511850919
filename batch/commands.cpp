#include "batch/commands.h"

#include <strataplot/exports.h>

#include <array>

namespace batch {
namespace {

struct CommandEntry {
  const char* name;
  Command command;
  const char* exportName;
  const char* symbol;
};

// Exports are resolved by their decorated names (strataplot/exports.h).
constexpr std::array<CommandEntry, 5> kCommands = {{
    {"oil-expulsion", Command::OilExpulsion, "MakePaiYou", strataplot::kMakePaiYouSymbol},
    {"oil-unexpelled", Command::OilUnexpelled, "MakeUnYou", strataplot::kMakeUnYouSymbol},
    {"oil-generation", Command::OilGeneration, "MakeShengYou", strataplot::kMakeShengYouSymbol},
    {"gas", Command::Gas, "MakeGasInten", strataplot::kMakeGasIntenSymbol},
    {"saturation", Command::Saturation, "MakeSa", strataplot::kMakeSaSymbol},
}};

constexpr std::array<const char*, 9> kKindCodes = {"sg", "pg", "fg", "wg", "og",
                                                   "kg", "ug", "eg", "ag"};

const CommandEntry& EntryOf(Command command) {
  for (const CommandEntry& entry : kCommands) {
    if (entry.command == command) return entry;
  }
  return kCommands[0];
}

}  // namespace

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = [] {
    std::vector<Command> all;
    for (const CommandEntry& entry : kCommands) all.push_back(entry.command);
    return all;
  }();
  return commands;
}

const char* ExportName(Command command) { return EntryOf(command).exportName; }

const char* ExportSymbol(Command command) { return EntryOf(command).symbol; }

const char* CommandName(Command command) { return EntryOf(command).name; }

std::optional<Command> CommandNamed(std::string_view name) {
  for (const CommandEntry& entry : kCommands) {
    if (name == entry.name) return entry.command;
  }
  return std::nullopt;
}

std::vector<std::string> KindCodes() { return {kKindCodes.begin(), kKindCodes.end()}; }

}  // namespace batch
