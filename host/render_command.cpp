// The render module: `strataplot render FILE... [-o OUT] [--width PIXELS]`.
// Each map file or .dsa profile becomes a picture; PNG, SVG or PDF by OUT's
// extension, FILE.png beside the file without -o. With several files, OUT
// names a directory for their PNG pictures.
#include "host/render_command.h"

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>

#include "platform/platform.h"
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

// A map's picture with the values of its .tif (a contour map, when they fit
// the map's cells and classes) and its axes in the .tif's coordinates, which
// declare the reference system the grids were written in; a .tif of another
// grid (rows and columns) leaves the picture as it is.
std::unique_ptr<rendering::Picture> Placed(std::unique_ptr<rendering::Picture> picture,
                                           const PicturePlacement& placement) {
  const auto* map = dynamic_cast<const rendering::MapPicture*>(picture.get());
  if (map == nullptr || placement.geometry.rowCount != map->Map().geometry.rowCount ||
      placement.geometry.columnCount != map->Map().geometry.columnCount) {
    return picture;
  }
  const bool placed = !placement.system.empty();
  mapreader::IntensityMap shown = map->Map();
  if (placed) shown.geometry = placement.geometry;
  auto result = std::make_unique<rendering::MapPicture>(std::move(shown));
  if (placed) {
    const std::string unit = placement.unit.empty() ? "units" : placement.unit;
    result->SetAxesNote("x, y in " + unit + " of " + placement.system);
    result->SetCoordinateUnit(unit);
  } else if (!placement.coordinateUnit.empty()) {
    result->SetCoordinateUnit(placement.coordinateUnit);
  }
  if (!placement.cells.empty() && result->SetValues(placement.cells)) return result;
  return placed ? std::move(result) : std::move(picture);
}

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

// Paints every completed map from its values beside its map file. Qt's
// painting starts with the first map: in a run with windows, the
// application of the windows is there by then and serves.
class MapPicturesToFiles final : public MapPictureSink {
 public:
  explicit MapPicturesToFiles(const MapPictureOptions& options) : options_(options) {}

  void MapCompleted(const platform::CompletedMap& map) override {
    std::string error;
    if (!Paint(map, error)) {
      std::fprintf(stderr, "strataplot: %s\n", error.c_str());
      ++failures_;
    }
  }
  int Failures() const override { return failures_; }

 private:
  bool Paint(const platform::CompletedMap& map, std::string& error) {
    const std::optional<std::string> file = platform::GbkToUtf8(map.fileName);
    if (!file) {
      error = "cannot paint " + platform::GbkForDisplay(map.fileName) +
              ": its name does not convert to UTF-8";
      return false;
    }
    if (!painting_) painting_.emplace("strataplot");
    // The map file as written gives the title, classes and legend.
    mapreader::IntensityMap read;
    std::optional<std::vector<float>> cells =
        platform::CellsOf(map, std::numeric_limits<float>::quiet_NaN());
    if (!mapreader::ReadIntensityMap(*file, read, error)) {
      error = "cannot paint " + *file + ": " + error;
      return false;
    }
    if (!options_.system.empty()) {
      mapreader::MapGeometry& g = read.geometry;
      g.originX = map.originX * options_.scale;
      g.originY = map.originY * options_.scale;
      g.cellSizeX = map.cellSizeX * options_.scale;
      g.cellSizeY = map.cellSizeY * options_.scale;
    }
    rendering::MapPicture picture(std::move(read));
    if (!options_.system.empty()) {
      picture.SetAxesNote("x, y in " + options_.unit + " of " + options_.system);
    }
    picture.SetCoordinateUnit(options_.unit);
    if (!cells || !picture.SetValues(std::move(*cells))) {
      error = "cannot paint " + *file + ": its values do not agree with its classes";
      return false;
    }
    for (const std::string& format : options_.formats) {
      std::string failed;
      if (!rendering::RenderToFile(picture, *file + "." + format, options_.width, failed)) {
        std::fprintf(stderr, "strataplot: cannot paint %s\n", failed.c_str());
        ++failures_;
      }
    }
    return true;
  }

  const MapPictureOptions options_;
  std::optional<Painting> painting_;
  int failures_ = 0;
};

}  // namespace
}  // namespace host

extern "C" __attribute__((visibility("default"))) host::MapPictureSink*
StrataplotMakeMapPictureSink(const host::MapPictureOptions& options) {
  return new host::MapPicturesToFiles(options);
}

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
    if (auto placement = options.placements.find(file);
        picture && placement != options.placements.end()) {
      picture = host::Placed(std::move(picture), placement->second);
    }
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
