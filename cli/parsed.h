// What parsing a command line came to (cli/cli.h parses), without CLI11.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace cli {

// The exit status of a command line that cannot be used.
inline constexpr int kUsageError = 2;

// What parsing came to: go on with the values parsed, or end the program
// with exitStatus after printing output (the help or the version on standard
// output with status 0; a usage error on standard error with kUsageError).
struct Parsed {
  bool proceed = false;
  int exitStatus = 0;
  std::string output;
};

// Prints what Parse came to; nullopt when the program goes on, otherwise its
// exit status.
inline std::optional<int> Finish(const Parsed& parsed) {
  if (parsed.proceed) return std::nullopt;
  std::fputs(parsed.output.c_str(), parsed.exitStatus == 0 ? stdout : stderr);
  return parsed.exitStatus;
}

}  // namespace cli
