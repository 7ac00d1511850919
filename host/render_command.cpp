// The render module: `strataplot render FILE... [-o OUT] [--width PIXELS]`.
// Each map file or .dsa profile becomes a picture; PNG, SVG or PDF by OUT's
// extension, FILE.png beside the file without -o. With several files, OUT
// names a directory for their PNG pictures.
#include "host/render_command.h"

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>

#include "rendering/pictures.h"

namespace host {
namespace {

// Checks what the command line cannot: with several files, -o names a
// directory; with one, an existing directory or a picture's name. nullopt, or
// the exit status after a usage error.
std::optional<int> CheckOutput(const RenderOptions& options) {
  if (options.out.empty() || std::filesystem::is_directory(options.out)) return std::nullopt;
  if (options.files.size() > 1) {
    std::fprintf(stderr, "strataplot render: with several files, -o names a directory: %s\n",
                 options.out.c_str());
    return 2;
  }
  if (!rendering::IsPictureName(options.out)) {
    std::fprintf(stderr,
                 "strataplot render: %s: the picture's name must end in .png, .svg or .pdf\n",
                 options.out.c_str());
    return 2;
  }
  return std::nullopt;
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
    const host::RenderOptions& options) {
  if (std::optional<int> status = host::CheckOutput(options)) return *status;
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
  int status = 0;
  for (const std::string& file : options.files) {
    std::string error;
    std::unique_ptr<rendering::Picture> picture = rendering::LoadPicture(file, error);
    const std::string out = host::OutputName(options, file);
    if (!picture || !rendering::RenderToFile(*picture, out, options.width, error)) {
      std::fprintf(stderr, "strataplot render: %s\n", error.c_str());
      status = 1;
      continue;
    }
    std::printf("%s\n", out.c_str());
  }
  return status;
}
