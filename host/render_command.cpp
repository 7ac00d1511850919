// The render module: `strataplot render FILE... [-o OUT] [--width PIXELS]`.
// Each map file or .dsa profile becomes a picture; PNG, SVG or PDF by OUT's
// extension, FILE.png beside the file without -o. With several files, OUT
// names a directory for their PNG pictures.
#include "host/render_command.h"

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "rendering/history_chart.h"
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

// Qt's painting for a command: fonts, no display. Qt's notes about the
// desktop session (no runtime directory and the like) are not ours to show.
// In a process that has its application already (the desktop's), that one
// serves and nothing is changed.
class Painting {
 public:
  explicit Painting(const char* command) {
    if (QCoreApplication::instance() != nullptr) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static const char* shownAs = nullptr;
    shownAs = command;
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
      if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s: %s\n", shownAs, message.toUtf8().constData());
      }
    });
    application_.emplace(argc_, argv_);
  }

 private:
  int argc_ = 1;
  char name_[11] = "strataplot";
  char* argv_[2] = {name_, nullptr};
  std::optional<QGuiApplication> application_;
};

constexpr int kHistoryPictureWidth = 1200;

class HistoryPictures final : public HistoryPainter {
 public:
  bool PaintChart(const rendering::HistoryChartData& data, const std::string& path,
                  std::string& error) override {
    return rendering::RenderToFile(rendering::HistoryChart(data), path, kHistoryPictureWidth,
                                   error);
  }

  bool PaintFrames(const FrameSeries& frames, std::string& error) override {
    const auto periods = static_cast<std::size_t>(frames.periodCount);
    if (periods == 0 || frames.paths.size() != periods || frames.titles.size() != periods ||
        frames.values.size() % periods != 0) {
      error = "the frames do not match their periods";
      return false;
    }
    const std::size_t cells = frames.values.size() / periods;
    auto frame = [&](std::size_t period) { return frames.values.subspan(period * cells, cells); };
    const rendering::FrameScale scale = rendering::ScaleForFrames(frame(periods - 1));
    for (std::size_t k = 0; k < periods; ++k) {
      rendering::MapPicture picture(rendering::FrameMap(
          frames.titles[k], frames.unit, frames.geometry, frames.mask, frame(k), scale));
      if (!rendering::RenderToFile(picture, frames.paths[k], kHistoryPictureWidth, error)) {
        return false;
      }
    }
    return true;
  }

 private:
  Painting painting_{"strataplot history"};
};

}  // namespace
}  // namespace host

extern "C" __attribute__((visibility("default"))) host::HistoryPainter*
StrataplotMakeHistoryPainter() {
  return new host::HistoryPictures();
}

extern "C" __attribute__((visibility("default"))) int StrataplotRender(
    const host::RenderOptions& options) {
  if (std::optional<int> status = host::CheckOutput(options)) return *status;
  host::Painting painting("strataplot render");
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
