// The command line of every Strataplot program, on CLI11: --help and -h,
// --version ("PROGRAM VERSION" from the project's version), one help layout,
// and usage errors that end the program with status 2 and a message on
// standard error. A program describes its options on a CLI::App made by
// MakeApp, then calls ParseOrExit (or Parse, which prints nothing, in tests).
// What parsing came to is in cli/parsed.h, without CLI11: the headers that
// only hand it on include that one, and CLI11 is compiled only where a
// command line is described.
#pragma once

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/parsed.h"
#include "strataplot_version.h"

namespace cli {

// The help layout: "usage: PROGRAM [OPTIONS] COMMAND", the description, the
// option groups with "-p, --project NAME" in the left column (the value's
// name only: no defaults, no allowed values; the text says them), then the
// commands and the footer.
class HelpFormatter : public CLI::Formatter {
 public:
  HelpFormatter() {
    label("Usage", "usage");
    label("Positionals", "arguments");
    column_width(25);
  }

  // The arguments as a group like the others, set apart by a blank line.
  std::string make_positionals(const CLI::App* app) const override {
    std::string out = CLI::Formatter::make_positionals(app);
    return out.empty() ? out : out + "\n";
  }

  // A command's help shows its own options, its program's options when they
  // apply to it (fall through), and its program's footer.
  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override {
    if (mode == CLI::AppFormatMode::Sub) return make_expanded(app);
    const CLI::App* owner =
        app->get_parent() != nullptr && app->get_fallthrough() ? app->get_parent() : app;
    std::string description = make_description(app);
    std::string own = owner != app ? make_groups(app, mode) : "";
    if (!own.empty()) own += "\n";
    return make_usage(app, name) + (description.empty() ? "" : "\n" + description) + "\n" +
           make_positionals(app) + own + make_groups(owner, mode) + make_subcommands(app, mode) +
           make_footer(owner);
  }

  // "usage: PROGRAM --dir DIR [OPTIONS] COMMAND": the options the
  // parser requires, then the others, then a command when there are any.
  std::string make_usage(const CLI::App* app, std::string name) const override {
    std::string usage = get_label("Usage") + ": " + name;
    bool optional = app->get_parent() != nullptr && app->get_fallthrough();
    for (const CLI::Option* option : app->get_options()) {
      if (!option->nonpositional()) continue;
      if (option->get_required()) {
        std::string names = option->get_name(false, true);
        usage += " " + names.substr(0, names.find(',')) + make_option_opts(option);
      } else {
        optional = true;
      }
    }
    if (optional) usage += " [OPTIONS]";
    for (const CLI::Option* option : app->get_options()) {
      if (option->get_positional()) usage += " " + make_option_usage(option);
    }
    if (!app->get_subcommands({}).empty()) usage += " COMMAND";
    return usage + "\n";
  }

  // A group under its name; the groups are set apart by one blank line.
  std::string make_group(std::string group, bool positional,
                         std::vector<const CLI::Option*> options) const override {
    std::string out = group + ":\n";
    for (const CLI::Option* option : options) out += make_option(option, positional);
    return out;
  }

  std::string make_option_name(const CLI::Option* option, bool positional) const override {
    std::string names = CLI::Formatter::make_option_name(option, positional);
    std::string out;
    for (char ch : names) out += ch == ',' ? std::string(", ") : std::string(1, ch);
    return out;
  }

  std::string make_option_opts(const CLI::Option* option) const override {
    if (option->get_type_size() == 0 || option->get_type_name().empty()) return "";
    return " " + option->get_type_name();
  }

  std::string make_footer(const CLI::App* app) const override {
    std::string footer = app->get_footer();
    return footer.empty() ? "" : "\n" + footer + "\n";
  }
};

// A program's command line with our help layout, --help (-h) and --version.
// An option given twice takes its last value. Every option should name its
// value with type_name ("NAME"), which the help and the errors show.
inline std::unique_ptr<CLI::App> MakeApp(const std::string& program,
                                         const std::string& description) {
  auto app = std::make_unique<CLI::App>(description, program);
  app->formatter(std::make_shared<HelpFormatter>());
  app->option_defaults()->group("options")->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app->set_help_flag("-h,--help", "show this help and exit")->group("options");
  app->set_version_flag("--version", program + " " STRATAPLOT_VERSION, "show the version and exit")
      ->group("options");
  return app;
}

// The items of a list option ("12,default,cancel"), split at every comma.
// Taken as one value, so that a list given again replaces the first.
inline std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  for (std::size_t start = 0;;) {
    std::size_t comma = list.find(',', start);
    items.push_back(
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return items;
    start = comma + 1;
  }
}

// Checks that every item of a list option is one of the allowed words.
inline CLI::Validator EachOneOf(std::vector<std::string> allowed) {
  return CLI::Validator(
      [allowed = std::move(allowed)](std::string& list) -> std::string {
        for (const std::string& item : SplitList(list)) {
          if (std::find(allowed.begin(), allowed.end(), item) == allowed.end()) {
            std::string words;
            for (const std::string& word : allowed) words += (words.empty() ? "" : ", ") + word;
            return "'" + item + "' is not one of " + words;
          }
        }
        return "";
      },
      "", "");
}

// Checks that a number is at least `least`. The help shows only the value's
// name; the error says "VALUE is less than LEAST".
inline CLI::Validator AtLeast(double least) {
  return CLI::Validator(
      [least](std::string& text) -> std::string {
        double value = 0;
        if (!CLI::detail::lexical_cast(text, value)) return "'" + text + "' is not a number";
        if (value >= least) return "";
        std::ostringstream bound;
        bound << least;
        return text + " is less than " + bound.str();
      },
      "", "");
}

// Checks that a number lies between least and most, both included. The help
// shows only the value's name; the error says "VALUE is not between LEAST and
// MOST".
inline CLI::Validator Between(double least, double most) {
  return CLI::Validator(
      [least, most](std::string& text) -> std::string {
        double value = 0;
        if (!CLI::detail::lexical_cast(text, value)) return "'" + text + "' is not a number";
        if (value >= least && value <= most) return "";
        std::ostringstream bounds;
        bounds << least << " and " << most;
        return text + " is not between " + bounds.str();
      },
      "", "");
}

// A usage error: the message on standard error, status kUsageError. Also for
// what the parser cannot check itself (a combination of options).
inline Parsed UsageError(const CLI::App& app, const std::string& message) {
  const std::string& program = app.get_name();
  return {false, kUsageError,
          program + ": " + message + "\nRun '" + program + " --help' for the options.\n"};
}

// Parses the arguments (without the program name); prints nothing.
inline Parsed Parse(CLI::App& app, std::vector<std::string> args) {
  std::reverse(args.begin(), args.end());  // CLI11 takes them last first
  try {
    app.parse(args);
  } catch (const CLI::CallForHelp&) {
    return {false, 0, app.help()};
  } catch (const CLI::CallForAllHelp&) {
    return {false, 0, app.help("", CLI::AppFormatMode::All)};
  } catch (const CLI::CallForVersion& version) {
    return {false, 0, std::string(version.what()) + "\n"};
  } catch (const CLI::ParseError& error) {
    return UsageError(app, error.what());
  }
  return {true, 0, ""};
}

}  // namespace cli
