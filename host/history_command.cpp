#include "host/history_command.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "history/history.h"
#include "history/history_csv.h"
#include "host/export_runner.h"
#include "host/grid_export.h"
#include "host/library.h"
#include "host/modules.h"
#include "host/render_command.h"
#include "platform/cancel.h"
#include "platform/platform.h"
#include "platform/threads.h"
#include "project/texts.h"

namespace host {
namespace {

namespace fs = std::filesystem;
using history::Series;

constexpr const char* kName = "strataplot history";

// The unit of the oil intensities, as the maps write it (without brackets),
// and for the NetCDF cube as units a CF reader parses.
constexpr const char* kIntensityUnit = "万吨/平方公里";
constexpr const char* kCubeUnit = "1e4 t km-2";
constexpr const char* kMapUnit = "(万吨/平方公里)";

struct SeriesText {
  const char* variable;  // in the NetCDF cube
  const char* title;     // %s: the horizon, or "all horizons"
};
constexpr SeriesText kSeriesTexts[history::kSeriesCount] = {
    {"expelled", "cumulative expelled oil intensity of %s"},
    {"deep_expelled", "cumulative deep expelled oil intensity of %s"},
    {"unexpelled", "unexpelled oil intensity of %s"},
    {"generated", "cumulative generated oil intensity of %s"},
};
const SeriesText& TextOf(Series series) { return kSeriesTexts[static_cast<int>(series)]; }

// Removes the files, on two threads: removing a large file frees its pages,
// which takes about as long as writing them.
void RemoveAll(const std::vector<fs::path>& files) {
  std::atomic<std::size_t> next = 0;
  auto remove = [&] {
    for (std::size_t i = next++; i < files.size(); i = next++) {
      std::error_code ignored;
      fs::remove(files[i], ignored);
    }
  };
  // Without a second thread, this one removes them all.
  std::thread helper = files.size() > 1 ? platform::ThreadOrHere(remove) : std::thread();
  remove();
  if (helper.joinable()) helper.join();
}

// The files of a run, each written under a temporary name beside its own and
// renamed over it when the whole run has succeeded; removed otherwise.
class StagedFiles {
 public:
  explicit StagedFiles(fs::path directory) : directory_(std::move(directory)) {}
  ~StagedFiles() {
    std::error_code ignored;
    for (const Staged& file : files_) fs::remove(file.partial, ignored);
    for (int fd : locks_) ::close(fd);
  }
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;

  // The temporary path to write the file of that name (UTF-8) under: hidden,
  // ".NAME.PID-N.partial", and its extension again for whatever writes it by
  // the extension. Its writer makes it.
  std::string Stage(const std::string& name) {
    Staged file{directory_ / name, directory_ / ("." + name + "." + std::to_string(::getpid()) +
                                                 "-" + std::to_string(files_.size()) + ".partial" +
                                                 fs::path(name).extension().string())};
    files_.push_back(file);
    return file.partial.string();
  }
  // Locks the files written so far, as every partial file is locked while
  // its run lives (a later run removes it once the lock is free). Taken once
  // a file is written, as its writers replace what is in the way and the
  // netCDF library locks its file itself while writing it.
  void LockWritten() {
    for (Staged& file : files_) {
      if (file.locked) continue;
      const int fd = ::open(file.partial.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;  // not written yet
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        locks_.push_back(fd);
        file.locked = true;
      } else {
        ::close(fd);
      }
    }
  }

  // Every file takes its name; false with the reason at the first that
  // cannot (those before it keep theirs, and it keeps its file).
  //
  // A file already there steps aside under a hidden name first, and is
  // removed once every file has its name: a file renamed over another would
  // make the file system store the new one's data there and then, in the
  // rename, and the old one's removal would wait in each rename too.
  bool Commit(std::string& error) {
    std::vector<fs::path> replaced;
    bool committed = true;
    for (std::size_t i = 0; committed && i < files_.size(); ++i) {
      const Staged& file = files_[i];
      std::error_code failed;
      fs::path aside;
      if (fs::is_regular_file(file.final, failed)) {
        aside = file.final.parent_path() /
                ("." + file.final.filename().string() + ".old." + std::to_string(::getpid()) + "-" +
                 std::to_string(i) + ".partial");
        fs::rename(file.final, aside, failed);
        if (failed) aside.clear();  // then renamed over it
      }
      fs::rename(file.partial, file.final, failed);
      if (failed) {
        error = "cannot write " + file.final.string() + ": " + failed.message();
        std::error_code ignored;
        if (!aside.empty()) fs::rename(aside, file.final, ignored);
        files_.erase(files_.begin(), files_.begin() + static_cast<std::ptrdiff_t>(i));
        committed = false;
      } else {
        committed_.push_back(file.final);
        if (!aside.empty()) replaced.push_back(aside);
      }
    }
    if (committed) files_.clear();
    RemoveAll(replaced);
    for (int fd : locks_) ::close(fd);
    locks_.clear();
    return committed;
  }
  // The files that took their names, in the order they were staged.
  const std::vector<fs::path>& Committed() const { return committed_; }

 private:
  struct Staged {
    fs::path final, partial;
    bool locked = false;
  };
  fs::path directory_;
  std::vector<Staged> files_;
  std::vector<fs::path> committed_;
  std::vector<int> locks_;  // held until the files have their names
};

// Writes each time series as it comes: its GeoTIFF and its part of the cube.
class GridWriter final : public history::SeriesSink {
 public:
  // painter: also the frames of the cumulative expelled intensity; nullptr: none.
  GridWriter(const HistoryGridWriters& writers, HistoryPainter* painter,
             history::SeriesSink* observer, StagedFiles& staged, const std::string& gbkProject,
             grids::Reference reference)
      : reference_(std::move(reference)),
        writers_(writers),
        painter_(painter),
        observer_(observer),
        staged_(staged),
        project_(platform::GbkForDisplay(gbkProject)),
        gbkProject_(gbkProject) {}
  ~GridWriter() override {
    for (auto& write : writes_)
      if (write->thread.joinable()) write->thread.join();
  }
  GridWriter(const GridWriter&) = delete;
  GridWriter& operator=(const GridWriter&) = delete;

  // Called once, as the totals come (every horizon's rows are known then).
  void OnTotals(std::function<void(const history::ProjectHistory&)> onTotals) {
    onTotals_ = std::move(onTotals);
  }

  bool Take(const history::ProjectHistory& history, const history::SeriesGrids& grids) override {
    if (!cube_ && !StartCube(history)) return false;
    std::optional<std::string> map = platform::GbkToUtf8(
        history::MapFileName(grids.series, history, grids.horizon, gbkProject_));
    if (!map) {
      error_ = "the name of " + Owner(history, grids.horizon) + " does not convert to UTF-8";
      return false;
    }
    const std::string name = *map + ".history.tif";
    auto write = std::make_unique<SeriesWrite>(SeriesWrite{
        &history,
        grids,
        *map,
        name,
        {staged_.Stage(name),
         strataplot::Format(TextOf(grids.series).title, Owner(history, grids.horizon).c_str()),
         kIntensityUnit,
         project_,
         bands_,
         grids.values,
         {cube_.get(), VariableOf(grids.series), grids.horizon}},
        std::nullopt,
        nullptr,
        std::thread()});
    // The GeoTIFF and the cube's part on a thread of their own, which may go
    // on until the sink is settled: a horizon's series share the cores.
    SeriesWrite& written = *write;
    written.thread = platform::ThreadOrHere([this, &written] {
      try {
        written.failed = writers_.writeTimeSeries(geometry_, written.series);
      } catch (...) {
        written.thrown = std::current_exception();  // memory ran out, as it would here
      }
    });
    writes_.push_back(std::move(write));
    // While the first total is written.
    if (grids.horizon == history::kTotal && onTotals_) std::exchange(onTotals_, nullptr)(history);
    return true;
  }

  // Waits for the GeoTIFFs and cube parts of the series taken, then paints
  // their frames and shows them to the observer.
  bool Settle() override {
    std::vector<std::unique_ptr<SeriesWrite>> writes = std::move(writes_);
    writes_.clear();
    for (auto& write : writes)
      if (write->thread.joinable()) write->thread.join();
    for (auto& write : writes)
      if (write->thrown) std::rethrow_exception(write->thrown);
    for (auto& write : writes) {
      if (write->failed) {
        // The reason of a failed cube is the cube's.
        error_ =
            "cannot write " + (cube_->Failed() ? cubeName_ : write->name) + ": " + *write->failed;
        return false;
      }
      if (painter_ != nullptr && write->grids.series == Series::Expelled &&
          !PaintFrames(write->map, write->series.title, write->grids)) {
        return false;
      }
      staged_.LockWritten();
      if (observer_ != nullptr && !observer_->Take(*write->history, write->grids)) {
        error_ = "stopped";
        return false;
      }
    }
    return true;
  }

  // Closes the cube; false with the reason when it was not stored.
  bool Finish() {
    if (!cube_) return true;
    if (cube_->Close(error_)) {
      staged_.LockWritten();
      return true;
    }
    error_ = "cannot write " + cubeName_ + ": " + error_;
    return false;
  }

  const std::string& Error() const { return error_; }

 private:
  // MAPFILE.P1.png, ... of the series, on one colour scale.
  bool PaintFrames(const std::string& map, const std::string& title,
                   const history::SeriesGrids& grids) {
    FrameSeries frames;
    frames.unit = kMapUnit;
    frames.geometry = {geometry_.originX,   geometry_.originY,  geometry_.cellSizeX,
                       geometry_.cellSizeY, geometry_.rowCount, geometry_.columnCount};
    frames.mask = geometry_.mask;
    frames.periodCount = grids.periodCount;
    frames.values = grids.values;
    for (int k = 0; k < grids.periodCount; ++k) {
      frames.titles.push_back(title + ", " + bands_[static_cast<std::size_t>(k)]);
      frames.paths.push_back(staged_.Stage(map + ".P" + std::to_string(k + 1) + ".png"));
    }
    if (painter_->PaintFrames(frames, error_)) return true;
    error_ = "cannot paint the frames of " + map + ": " + error_;
    return false;
  }

  static std::string Owner(const history::ProjectHistory& history, int horizon) {
    if (horizon == history::kTotal) return "all horizons";
    return platform::GbkForDisplay(history.inputs.horizonNames[static_cast<std::size_t>(horizon)]);
  }

  std::size_t VariableOf(Series series) const {
    for (std::size_t v = 0; v < variables_.size(); ++v)
      if (variables_[v] == series) return v;
    return 0;
  }

  bool StartCube(const history::ProjectHistory& history) {
    const strataplot::BasinInputs& inputs = history.inputs;
    const strataplot::SimulationGrid& grid = inputs.grid;
    geometry_ = {grid.originX,  grid.originY,     grid.cellSizeX, grid.cellSizeY,
                 grid.rowCount, grid.columnCount, grid.mask,      reference_};
    grids::CubeLayout layout;
    cubeName_ = project_ + ".history.nc";
    layout.path = staged_.Stage(cubeName_);
    layout.project = project_;
    layout.grid = geometry_;
    // The values come after the cube is made: its fill value is one that no
    // intensity takes (the lowest 32-bit real) rather than -9999.
    layout.valuesHoldMinus9999 = true;
    for (const std::string& name : inputs.horizonNames)
      layout.horizons.push_back(platform::GbkForDisplay(name));
    for (int k = 0; k < inputs.periodCount; ++k) {
      layout.periods.push_back(platform::GbkForDisplay(inputs.periodNames[k]));
      bands_.push_back(history::PeriodLabel(inputs, k));
    }
    layout.ages = inputs.periodAges;
    for (int s = 0; s < history::kSeriesCount; ++s) {
      const auto series = static_cast<Series>(s);
      if (!history.Has(series)) continue;
      variables_.push_back(series);
      layout.variables.push_back({TextOf(series).variable,
                                  strataplot::Format(TextOf(series).title, "each horizon"),
                                  kCubeUnit});
    }
    cube_.reset(writers_.createCube(layout, error_));
    if (!cube_) error_ = "cannot write " + cubeName_ + ": " + error_;
    return cube_ != nullptr;
  }

  const grids::Reference reference_;
  const HistoryGridWriters& writers_;
  HistoryPainter* painter_;
  history::SeriesSink* observer_;
  StagedFiles& staged_;
  const std::string project_;  // UTF-8
  const std::string gbkProject_;
  grids::GridGeometry geometry_;
  std::vector<std::string> bands_;
  std::vector<Series> variables_;
  std::string cubeName_;
  std::unique_ptr<grids::HistoryCube> cube_;
  // A series' GeoTIFF being written, until the sink is settled.
  struct SeriesWrite {
    const history::ProjectHistory* history;
    history::SeriesGrids grids;
    std::string map, name;
    grids::TimeSeries series;
    std::optional<std::string> failed;
    std::exception_ptr thrown;
    std::thread thread;
  };
  std::vector<std::unique_ptr<SeriesWrite>> writes_;
  std::function<void(const history::ProjectHistory&)> onTotals_;
  std::string error_;
};

}  // namespace

// The chart: every horizon's amounts through the periods.
rendering::HistoryChartData HistoryChartOf(const history::ProjectHistory& history,
                                           const std::string& project) {
  const strataplot::BasinInputs& inputs = history.inputs;
  rendering::HistoryChartData chart;
  chart.title = project + ": oil expelled through time";
  chart.amountUnit = "万吨";
  for (int k = 0; k < inputs.periodCount; ++k) {
    chart.periodNames.push_back(platform::GbkForDisplay(inputs.periodNames[k]));
    chart.ages.push_back(inputs.periodAges[k]);
  }
  for (std::size_t h = 0; h < history.horizons.size(); ++h) {
    rendering::HistoryChartData::Horizon horizon;
    horizon.name = platform::GbkForDisplay(inputs.horizonNames[h]);
    auto add = [](std::vector<double>& into, const std::optional<double>& value) {
      if (value) into.push_back(*value);
    };
    for (const history::PeriodRow& row : history.horizons[h]) {
      add(horizon.expelled, row.expelled);
      add(horizon.expelledCumulative, row.expelledCumulative);
      add(horizon.generated, row.generated);
    }
    chart.horizons.push_back(std::move(horizon));
  }
  return chart;
}

namespace {

// The render module and the painter it makes (which goes first).
struct Pictures {
  std::unique_ptr<Library> module;
  std::unique_ptr<HistoryPainter> painter;

  bool Load(const ModuleFolder& folder, std::string& error) {
    module = LoadModule(kRenderModule, kMakeHistoryPainter, error, folder);
    if (module) painter.reset(module->FindFunction<MakeHistoryPainter>(kMakeHistoryPainter)());
    return painter != nullptr;
  }
};

// The chart painted on a thread of its own while the totals are written,
// which leave one of the two cores free part of the time (their parts of the
// cube are stored one at a time). Qt is loaded before, on the reading's thread
// (where its application is made and ends), while the first total is
// written: it no longer adds to the peak then, the horizons' series being let
// go.
class ChartPainting {
 public:
  ~ChartPainting() {
    if (thread_.joinable()) thread_.join();
  }

  void Start(HistoryPainter& painter, rendering::HistoryChartData chart, std::string path) {
    painter_ = &painter;
    chart_ = std::move(chart);
    path_ = std::move(path);
    thread_ = platform::ThreadOrHere([this] { Paint(); });
  }
  bool Started() const { return painter_ != nullptr; }
  // Waits for it: whether the chart was painted, with the reason when not.
  bool Finish(std::string& error) {
    if (thread_.joinable()) thread_.join();
    error = error_;
    return painted_;
  }

 private:
  void Paint() {
    try {
      painted_ = painter_->PaintChart(chart_, path_, error_);
    } catch (const std::exception& failed) {
      error_ = failed.what();  // memory ran out
    }
  }

  HistoryPainter* painter_ = nullptr;
  rendering::HistoryChartData chart_;
  std::string path_;
  std::thread thread_;
  bool painted_ = false;
  std::string error_;
};

// Says the message on standard error, or to the observer when there is one.
void Say(HistoryObserver* observer, const std::string& message) {
  if (observer != nullptr) {
    observer->Said(message);
  } else {
    std::fprintf(stderr, "%s: %s\n", kName, message.c_str());
  }
}

int Fail(HistoryObserver* observer, const std::string& message) {
  Say(observer, message);
  return 1;
}

bool WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

int RunHistoryCommand(const HistoryOptions& options, const std::string& gbkProject, bool quiet,
                      HistoryObserver* observer) {
  std::string error;
  std::unique_ptr<Library> gridModule =
      LoadModule(kGridModule, kHistoryGridWriters, error, options.modules);
  if (!gridModule) {
    Say(observer, error);
    return kExitHostError;
  }
  const HistoryGridWriters writers =
      gridModule->FindFunction<GetHistoryGridWriters>(kHistoryGridWriters)();
  const std::string utf8Project = platform::GbkToUtf8(gbkProject).value_or(std::string());
  std::optional<grids::Reference> reference =
      ResolveReference(*gridModule, options.crs, options.gridUnit, utf8Project, error);
  if (!reference) {
    Say(observer, error);
    return kExitHostError;
  }
  // The pictures' painting (Qt) is loaded after the reading unless the frames
  // are painted while reading: the reading holds the most memory.
  Pictures pictures;
  if (options.frames && !pictures.Load(options.modules, error)) {
    Say(observer, error);
    return kExitHostError;
  }

  const fs::path directory = options.out.empty() ? fs::path(".") : fs::path(options.out);
  std::error_code failed;
  if (!fs::is_directory(directory, failed)) {
    return Fail(observer, "cannot write into " + directory.string() + ": not a directory");
  }
  const std::string project = platform::GbkForDisplay(gbkProject);
  StagedFiles staged(directory);
  GridWriter gridWriter(writers, pictures.painter.get(), observer, staged, gbkProject,
                        std::move(*reference));
  // Frames are painted on this thread meanwhile: the chart then waits for the
  // end, as painting on two threads at once is not asked of the painter.
  const std::string chart = project + ".history." + options.chart;
  ChartPainting painting;
  std::optional<std::string> cannotLoad;  // the painting, with the reason
  if (!options.frames) {
    gridWriter.OnTotals([&](const history::ProjectHistory& history) {
      std::string reason;
      if (!pictures.Load(options.modules, reason)) {
        cannotLoad = reason;
        return;
      }
      painting.Start(*pictures.painter, HistoryChartOf(history, project), staged.Stage(chart));
    });
  }

  // The series, read horizon by horizon and written as they come.
  history::Failure failure;
  std::optional<history::ProjectHistory> read;
  try {
    read = history::ReadHistory(gbkProject, gridWriter, failure);
  } catch (const platform::Cancelled&) {
    return Fail(observer, "cancelled");  // a Stop of the desktop's (platform/cancel.h)
  }
  if (!read)
    return Fail(observer,
                failure.text.empty() ? gridWriter.Error() : platform::GbkForDisplay(failure.text));
  if (!gridWriter.Finish()) return Fail(observer, gridWriter.Error());

  // The table.
  const std::string table = project + ".history.csv";
  if (!WriteText(staged.Stage(table), history::HistoryCsv(*read))) {
    return Fail(observer, "cannot write " + (directory / table).string());
  }

  // The chart.
  if (read->inputs.periodCount == 0 || read->inputs.horizonCount == 0) {
    Say(observer, std::string("the project has no ") +
                      (read->inputs.periodCount == 0 ? "periods" : "horizons") +
                      ": its history is empty");
  } else if (cannotLoad) {
    Say(observer, *cannotLoad);
    return kExitHostError;
  } else if (painting.Started()) {
    if (!painting.Finish(error)) return Fail(observer, "cannot paint " + chart + ": " + error);
  } else {
    if (!pictures.painter && !pictures.Load(options.modules, error)) {
      Say(observer, error);
      return kExitHostError;
    }
    if (!pictures.painter->PaintChart(HistoryChartOf(*read, project), staged.Stage(chart), error)) {
      return Fail(observer, "cannot paint " + chart + ": " + error);
    }
  }
  staged.LockWritten();
  if (!staged.Commit(error)) return Fail(observer, error);
  if (observer != nullptr) {
    for (const fs::path& file : staged.Committed())
      observer->Wrote(fs::absolute(file).lexically_normal().string());
    observer->Finished(*read);
  }
  if (!quiet) {
    std::printf("%s: %zu files written into %s\n", kName, staged.Committed().size(),
                directory.string().c_str());
  }
  return 0;
}

}  // namespace host
