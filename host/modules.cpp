#include "host/modules.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "host/grid_export.h"
#include "host/gui_module.h"
#include "host/library.h"
#include "host/render_command.h"

namespace host {

std::unique_ptr<Library> LoadModule(const char* fileName, const char* entryName, std::string& error,
                                    const ModuleFolder& folder) {
  auto module = std::make_unique<Library>();
  // The modules bring Qt and GDAL, which are not made to be unloaded.
  if (!module->Load(ModulePath(fileName, folder), error, Library::Stay::ForTheProcess)) {
    error = std::string("cannot load ") + fileName + ": " + error;
    return nullptr;
  }
  if (module->Find(entryName) == nullptr) {
    error = std::string("cannot load ") + fileName + ": it has no " + entryName;
    return nullptr;
  }
  return module;
}

namespace {

// The hooks of a map command's files beside its maps: grids and contours
// from the grid module, pictures from the render module (when asked for).
class GridExportSession final : public GridExport, public platform::CompletedMapSink {
 public:
  GridExportSession(std::unique_ptr<Library> module, const Options& options,
                    const grids::ExportContext& context)
      : module_(std::move(module)),
        sink_(module_->FindFunction<MakeGridExportSink>(kMakeGridExportSink)(
            options.grids, options.contours, context)) {
    platform::InstallCompletedMapSink(this);
  }
  ~GridExportSession() override {
    platform::InstallCompletedMapSink(nullptr);
    pictureSink_.reset();  // before its module goes
  }
  void PaintPictures(std::unique_ptr<Library> module, const MapPictureOptions& options) {
    pictureModule_ = std::move(module);
    pictureSink_.reset(
        pictureModule_->FindFunction<MakeMapPictureSink>(kMakeMapPictureSink)(options));
  }
  void MapCompleted(const platform::CompletedMap& map) override {
    sink_->MapCompleted(map);
    if (pictureSink_) pictureSink_->MapCompleted(map);
  }
  int Failures() const override {
    return sink_->Failures() + (pictureSink_ ? pictureSink_->Failures() : 0);
  }

 private:
  std::unique_ptr<Library> module_;  // goes last, after the sink it made
  std::unique_ptr<Library> pictureModule_;
  std::unique_ptr<GridExportSink> sink_;
  std::unique_ptr<MapPictureSink> pictureSink_;
};

}  // namespace

namespace {

// The placement and values of every map's MAPFILE.tif that lies beside it,
// read through the grid module; a .tif that does not read leaves its map as
// it is.
void PlaceMaps(RenderOptions& options) {
  std::unique_ptr<Library> gridModule;
  for (const std::string& file : options.files) {
    std::error_code failed;
    if (file.ends_with(".dsa") || !std::filesystem::is_regular_file(file + ".tif", failed)) {
      continue;
    }
    std::string error;
    if (!gridModule && !(gridModule = LoadModule(kGridModule, kReadGridPlacement, error))) return;
    auto read = gridModule->FindFunction<ReadGridPlacement>(kReadGridPlacement);
    std::optional<grids::GridPlacement> grid = read(file + ".tif", error);
    if (!grid) continue;
    PicturePlacement& placement = options.placements[file];
    placement = {{grid->originX, grid->originY, grid->cellSizeX, grid->cellSizeY, grid->rowCount,
                  grid->columnCount},
                 grid->system,
                 grid->linearUnit,
                 {},
                 {}};
    if (auto tools = gridModule->FindFunction<GetMapGridTools>(kMapGridTools)) {
      grids::RasterGrid raster;
      if (tools().readGrid(file + ".tif", raster, error)) {
        placement.cells = std::move(raster.cells);
        placement.coordinateUnit = std::move(raster.coordinateUnit);
      }
    }
  }
}

}  // namespace

int RunRenderCommand(const RenderOptions& given) {
  RenderOptions options = given;
  PlaceMaps(options);
  std::string error;
  std::unique_ptr<Library> module = LoadModule(kRenderModule, kRenderEntry, error);
  if (!module) {
    std::fprintf(stderr, "strataplot: %s\n", error.c_str());
    return kExitHostError;
  }
  return module->FindFunction<RenderEntry>(kRenderEntry)(options);
}

int RunWithWindowsModule(const LoadedLibrary& library, Command command,
                         const std::string& gbkProject, int mode, console::Transcript* transcript) {
  std::string error;
  std::unique_ptr<Library> module = LoadModule(kGuiModule, kGuiEntry, error);
  if (!module) {
    std::fprintf(stderr, "strataplot: --gui: %s\n", error.c_str());
    return kExitHostError;
  }
  return module->FindFunction<GuiEntry>(kGuiEntry)(library, command, gbkProject, mode, transcript);
}

std::optional<grids::Reference> ResolveReference(const Library& gridModule, const std::string& crs,
                                                 grids::GridUnit gridUnit,
                                                 const std::string& utf8Project,
                                                 std::string& error) {
  auto parse = gridModule.FindFunction<ParseReference>(kParseReference);
  if (parse == nullptr) {
    error = std::string("cannot load ") + kGridModule + ": it has no " + kParseReference;
    return std::nullopt;
  }
  std::string text = crs;
  std::string source = "--crs " + crs;
  if (crs.empty()) {
    source = utf8Project + ".prj";
    std::error_code failed;
    if (!std::filesystem::exists(source, failed)) {
      grids::Reference none;
      none.gridUnit = gridUnit;
      return none;
    }
    // A .prj is one line of WKT; anything much larger is not one.
    constexpr std::uintmax_t kLargestPrj = 1 << 20;
    std::ifstream in(source, std::ios::binary);
    if (!std::filesystem::is_regular_file(source, failed) ||
        std::filesystem::file_size(source, failed) > kLargestPrj || !in) {
      error = "cannot read the reference system in " + source +
              ": not a readable file of WKT (1 MiB at most)";
      return std::nullopt;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
      error = "cannot read the reference system in " + source;
      return std::nullopt;
    }
  }
  std::optional<grids::Reference> reference = parse(text, gridUnit, error);
  if (!reference) error = "cannot use the reference system of " + source + ": " + error;
  return reference;
}

std::unique_ptr<GridExport> StartGridExport(const Options& options, std::string& error) {
  std::unique_ptr<Library> module = LoadModule(kGridModule, kMakeGridExportSink, error);
  if (!module) return nullptr;
  grids::ExportContext context;
  context.project = options.project;
  std::optional<grids::Reference> reference =
      ResolveReference(*module, options.crs, options.gridUnit, options.project, error);
  if (!reference) return nullptr;
  context.reference = std::move(*reference);
  const bool geoJson = std::any_of(
      options.contours.begin(), options.contours.end(),
      [](const grids::Format& format) { return std::string(format.name) == "geojson"; });
  if (geoJson && !context.reference.Declared()) {
    error =
        "--contours geojson: GeoJSON holds WGS 84 longitude and latitude, so the grid needs "
        "a projected reference system to be transformed from: give it with --crs (EPSG:n, "
        "WKT or a PROJ string) or as WKT in " +
        options.project + ".prj in the project directory";
    return nullptr;
  }
  std::unique_ptr<Library> pictures;
  if (!options.pictureFormats.empty()) {
    pictures = LoadModule(kRenderModule, kMakeMapPictureSink, error);
    if (!pictures) return nullptr;
  }
  auto session = std::make_unique<GridExportSession>(std::move(module), options, context);
  if (pictures) {
    MapPictureOptions painted;
    painted.formats = options.pictureFormats;
    if (context.reference.Declared()) {
      painted.scale = context.reference.scale;
      painted.system = context.reference.name;
      painted.unit = context.reference.linearUnit.empty() ? "units" : context.reference.linearUnit;
    } else {
      painted.unit = grids::GridUnitName(options.gridUnit);
    }
    session->PaintPictures(std::move(pictures), painted);
  }
  return session;
}

}  // namespace host
