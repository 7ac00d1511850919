#include "project/basin_inputs.h"

#include <algorithm>
#include <limits>

#include "project/input_file.h"
#include "project/texts.h"

namespace strataplot {
namespace {

// Reserving for a count read from a file: never more than this up front, so a
// damaged count cannot make us allocate what the file does not hold.
constexpr std::size_t kReserveLimit = std::size_t{1} << 20;

bool ReadAgeFile(InputFile& file, BasinInputs& inputs) {
  if (!file.ReadInt(inputs.periodCount) || inputs.periodCount < 0) return false;
  inputs.periodNames.reserve(std::min<std::size_t>(inputs.periodCount, kReserveLimit));
  inputs.periodAges.reserve(std::min<std::size_t>(inputs.periodCount, kReserveLimit));
  for (int period = 0; period < inputs.periodCount; ++period) {
    std::string name;
    float age = 0;
    if (!file.ReadText(name) || !file.ReadReal(age)) return false;
    inputs.periodNames.push_back(std::move(name));
    inputs.periodAges.push_back(age);
  }
  if (!file.ReadInt(inputs.trailingCount)) return false;
  for (int i = 0; i < inputs.trailingCount; ++i) {
    float value = 0;
    if (!file.ReadReal(value)) return false;
    inputs.trailingValues.push_back(value);
  }
  return true;
}

void ReadHorizonFile(InputFile& file, BasinInputs& inputs) {
  std::string name;
  while (file.ReadText(name)) inputs.horizonNames.push_back(name);
  inputs.horizonCount = static_cast<int>(inputs.horizonNames.size());
}

bool ReadGridFile(InputFile& file, SimulationGrid& grid) {
  if (!file.ReadReal(grid.originX) || !file.ReadReal(grid.originY) ||
      !file.ReadReal(grid.cellSizeX) || !file.ReadReal(grid.cellSizeY)) {
    return false;
  }
  // The area is truncated to an integer; a product outside the 32-bit range
  // cannot be one.
  float area = grid.cellSizeX * grid.cellSizeY;
  if (!(area > -2147483648.0f && area < 2147483648.0f)) return false;
  grid.cellArea = static_cast<int>(area);
  if (!file.ReadInt(grid.rowCount) || grid.rowCount < 0) return false;
  if (!file.ReadInt(grid.columnCount) || grid.columnCount < 0) return false;
  long long cells = static_cast<long long>(grid.rowCount) * grid.columnCount;
  if (cells > std::numeric_limits<int>::max()) return false;
  grid.cellCount = static_cast<int>(cells);
  grid.mask.reserve(std::min<std::size_t>(grid.cellCount, kReserveLimit * 16));
  for (int cell = 0; cell < grid.cellCount; ++cell) {
    int value = 0;
    if (!file.ReadInt(value)) return false;
    grid.mask.push_back(value != 0 ? 1 : 0);
    if (value != 0) ++grid.activeCount;
  }
  return true;
}

}  // namespace

std::string AgeFileName(const std::string& project) { return project + ".iga"; }
std::string HorizonFileName(const std::string& project) { return project + ".isc"; }
std::string GridFileName(const std::string& project) { return project + ".dgr"; }

std::optional<std::string> CellAreaTooSmall(const std::string& project,
                                            const SimulationGrid& grid) {
  if (grid.cellArea >= 1) return std::nullopt;
  return Format(texts::kCellAreaBelowOne, GridFileName(project).c_str());
}

bool IsSafeHorizonName(const std::string& name) {
  return name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

std::optional<std::string> HorizonArraysDoNotFit(const std::string& project,
                                                 const BasinInputs& inputs, std::size_t arrays,
                                                 int cells) {
  std::optional<std::uint64_t> available = platform::AvailableMemory();
  if (!available || cells <= 0) return std::nullopt;
  constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
  const std::uint64_t perArray = static_cast<std::uint64_t>(cells) * sizeof(float);
  // In whole MiB, rounded up; saturates where the count would not fit.
  const std::uint64_t needed = arrays > std::numeric_limits<std::uint64_t>::max() / perArray
                                   ? std::numeric_limits<std::uint64_t>::max() / kMiB
                                   : (arrays * perArray + kMiB - 1) / kMiB;
  if (needed <= *available / kMiB) return std::nullopt;
  std::string horizonFile = HorizonFileName(project);
  return Format(texts::kGridsDoNotFit, horizonFile.c_str(), inputs.horizonCount, cells,
                static_cast<unsigned long long>(needed),
                static_cast<unsigned long long>(*available / kMiB));
}

std::optional<BasinInputs> LoadBasinInputs(const std::string& project, InputFailure& failure) {
  BasinInputs inputs;
  InputFile file;

  std::string ageName = AgeFileName(project);
  if (!file.Open(ageName)) {
    failure = {Format(texts::kOpenAgeFileFailed, ageName.c_str()), true};
    return std::nullopt;
  }
  if (!ReadAgeFile(file, inputs)) {
    failure = {file.DamageText()};
    return std::nullopt;
  }
  file.Close();

  std::string horizonName = HorizonFileName(project);
  if (!file.Open(horizonName)) {
    failure = {Format(texts::kOpenHorizonFileFailed, horizonName.c_str()), true};
    return std::nullopt;
  }
  ReadHorizonFile(file, inputs);
  if (file.Damaged()) {
    failure = {file.DamageText()};
    return std::nullopt;
  }
  file.Close();
  for (const std::string& name : inputs.horizonNames) {
    if (!IsSafeHorizonName(name)) {
      failure = {Format(texts::kUnsafeHorizonName, ReadableName(name).c_str())};
      return std::nullopt;
    }
  }

  std::string gridName = GridFileName(project);
  if (!file.Open(gridName)) {
    failure = {Format(texts::kOpenGridFileFailed, gridName.c_str())};
    return std::nullopt;
  }
  if (!ReadGridFile(file, inputs.grid)) {
    failure = {file.DamageText()};
    return std::nullopt;
  }
  return inputs;
}

}  // namespace strataplot
