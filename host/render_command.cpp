// The render module: `strataplot render FILE... [-o OUT] [--width PIXELS]`.
// Each map file or .dsa profile becomes a picture; PNG, SVG or PDF by OUT's
// extension, FILE.png beside the file without -o. With several files, OUT
// names a directory for their PNG pictures.
#include "host/render_command.h"

#include <QGuiApplication>
#include <charconv>
#include <cstdio>
#include <filesystem>

#include "rendering/pictures.h"

namespace host {
namespace {

constexpr int kDefaultWidth = 1200;
constexpr int kNarrowest = 200;
constexpr int kWidest = 20000;

constexpr const char* kUsage =
    "usage: strataplot render FILE... [-o OUT] [--width PIXELS]\n"
    "  a map file or .dsa profile as a picture: PNG, SVG or PDF by OUT's extension;\n"
    "  without -o, FILE.png beside FILE; with several FILEs, OUT is a directory\n"
    "  --width PIXELS   the picture's width (default 1200)\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "strataplot render: %s\n\n%s", message.c_str(), kUsage);
  return 2;
}

struct RenderOptions {
  std::vector<std::string> files;
  std::string out;
  int width = kDefaultWidth;
};

// nullopt after a usage error has been shown.
std::optional<RenderOptions> Parse(const std::vector<std::string>& args, int& status) {
  RenderOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool out = arg == "-o" || arg == "--output";
    if (out || arg == "--width") {
      if (i + 1 == args.size()) {
        status = UsageError("option " + arg + " needs a value");
        return std::nullopt;
      }
      const std::string& value = args[++i];
      if (out) {
        options.out = value;
        continue;
      }
      auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), options.width);
      if (error != std::errc() || end != value.data() + value.size() ||
          options.width < kNarrowest || options.width > kWidest) {
        status =
            UsageError("--width takes a whole number of pixels from " + std::to_string(kNarrowest) +
                       " to " + std::to_string(kWidest) + ", not '" + value + "'");
        return std::nullopt;
      }
    } else if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      status = 0;
      return std::nullopt;
    } else if (arg.size() > 1 && arg[0] == '-') {
      status = UsageError("unknown option '" + arg + "'");
      return std::nullopt;
    } else {
      options.files.push_back(arg);
    }
  }
  if (options.files.empty()) {
    status = UsageError("no map file given");
    return std::nullopt;
  }
  if (options.files.size() > 1 && !options.out.empty() &&
      !std::filesystem::is_directory(options.out)) {
    status = UsageError("with several files, -o names a directory: " + options.out);
    return std::nullopt;
  }
  return options;
}

std::string OutputName(const RenderOptions& options, const std::string& file) {
  if (options.out.empty()) return file + ".png";
  if (options.files.size() == 1 && !std::filesystem::is_directory(options.out)) return options.out;
  return (std::filesystem::path(options.out) / std::filesystem::path(file).filename()).string() +
         ".png";
}

}  // namespace
}  // namespace host

extern "C" __attribute__((visibility("default"))) int StrataplotRender(
    const std::vector<std::string>& args) {
  int status = 0;
  std::optional<host::RenderOptions> options = host::Parse(args, status);
  if (!options) return status;
  // Pictures need fonts, not a display; and Qt's notes about the desktop
  // session (no runtime directory and the like) are not ours to show.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
      std::fprintf(stderr, "strataplot render: %s\n", message.toUtf8().constData());
    }
  });
  int argc = 1;
  char name[] = "strataplot";
  char* argv[] = {name, nullptr};
  QGuiApplication application(argc, argv);
  for (const std::string& file : options->files) {
    std::string error;
    std::unique_ptr<rendering::Picture> picture = rendering::LoadPicture(file, error);
    const std::string out = host::OutputName(*options, file);
    if (!picture || !rendering::RenderToFile(*picture, out, options->width, error)) {
      std::fprintf(stderr, "strataplot render: %s\n", error.c_str());
      status = 1;
      continue;
    }
    std::printf("%s\n", out.c_str());
  }
  return status;
}
