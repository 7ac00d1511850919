// The library's commands: one export each, known by the host program's
// command name, the export's name and its exported (decorated) symbol.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

enum class Command { OilExpulsion, OilUnexpelled, OilGeneration, Gas, Saturation };

// Every command, in the host program's order.
const std::vector<Command>& Commands();

// The export a command calls: its name ("MakePaiYou") and its exported
// (decorated) symbol.
const char* ExportName(Command command);
const char* ExportSymbol(Command command);
// The command's name on the command line ("oil-expulsion").
const char* CommandName(Command command);
// The command of that name; nullopt when there is none.
std::optional<Command> CommandNamed(std::string_view name);

// The gas map kind codes, in the order of the map type dialog's buttons.
std::vector<std::string> KindCodes();

}  // namespace batch
