#include "gasmaps/gas_intensity_file.h"

#include <cfloat>
#include <cmath>

#include "common/common.h"
#include "flavour/build_flavour.h"
#include "project/input_file.h"

namespace strataplot {
namespace {

constexpr const char* kFileName = "gasr.out";
constexpr const char* kOpenFailed = "打开生排气强度文件gasr.out错";
constexpr const char* kWaitNotice = "正在读生排气强度文件gasr.out，请稍候...";
constexpr const char* kWrongFile = "你所用的生排气强度文件gasr.out不对，请查验.";

// A sum in double stored as a 32-bit real; beyond the largest float it is an infinity.
float StoreAsFloat(double value) {
  if (value > FLT_MAX) return INFINITY;
  if (value < -FLT_MAX) return -INFINITY;
  return static_cast<float>(value);
}

// Fields 2 to 12 of a record whose cell number was read.
bool ReadRest(InputFile& file, int& horizonNumber, GasRecord& record) {
  int ignored = 0;
  return file.ReadInt(ignored) && file.ReadInt(ignored) && file.ReadInt(horizonNumber) &&
         file.ReadInt(ignored) && file.ReadReal(record.generated) &&
         file.ReadReal(record.expelled) && file.ReadReal(record.freePhase) &&
         file.ReadReal(record.waterPhase) && file.ReadReal(record.oilPhase) &&
         file.ReadReal(record.diffusionPhase) && file.ReadReal(record.deepGenerated);
}

// Folds every record into the accumulation. Shows no message: the caller
// closes the file and removes the notice first.
enum class Sweep { Done, Damaged, WrongFile };
Sweep FoldRecords(InputFile& file, GasMapKind kind, const BasinInputs& inputs,
                  GasAccumulation& gas) {
  const int activeCount = inputs.grid.activeCount;
  while (true) {
    int cellNumber = 0;
    if (!file.ReadInt(cellNumber)) return file.Damaged() ? Sweep::Damaged : Sweep::Done;
    int horizonNumber = 0;
    GasRecord record;
    if (!ReadRest(file, horizonNumber, record)) return Sweep::Damaged;
    // A cell number beyond the active cells names no cell of the map.
    if (cellNumber < 1 || cellNumber > activeCount || horizonNumber < 1 ||
        horizonNumber > inputs.horizonCount) {
      return Sweep::WrongFile;
    }
    float& cell = gas.horizonGrids[horizonNumber - 1][cellNumber - 1];
    float& total = gas.totalGrid[cellNumber - 1];
    if (std::optional<double> quantity = GasQuantity(kind, record)) {
      cell = StoreAsFloat(static_cast<double>(cell) + *quantity);
      total = StoreAsFloat(static_cast<double>(total) + *quantity);
    }
    float& maximum = gas.horizonMaxima[horizonNumber - 1];
    if (maximum < cell) maximum = cell;
    if (gas.totalMaximum < total) gas.totalMaximum = total;
    gas.lastCellNumber = cellNumber;
  }
}

}  // namespace

std::optional<GasAccumulation> ReadGasIntensityFile(HWND window, GasMapKind kind,
                                                    const BasinInputs& inputs) {
  // Everything 0 before the file is opened; one entry per active cell.
  const std::size_t cells = static_cast<std::size_t>(inputs.grid.activeCount);
  GasAccumulation gas;
  gas.horizonGrids.assign(inputs.horizonCount, std::vector<float>(cells, 0.0f));
  gas.horizonMaxima.assign(inputs.horizonCount, 0.0f);
  gas.totalGrid.assign(cells, 0.0f);

  // The file, from the current directory, and the wait notice.
  InputFile file;
  if (!file.Open(kFileName)) {
    flavour::ShowFailure(window, kOpenFailed);
    return std::nullopt;
  }
  ShowWait(window, kWaitNotice, 1);

  // One sweep; then the file is closed and the notice removed.
  Sweep sweep = FoldRecords(file, kind, inputs, gas);
  if (sweep == Sweep::Damaged) {
    ShowWait(window, " ", 0);
    flavour::ShowFailure(window, file.DamageText());
    return std::nullopt;
  }
  file.Close();
  ShowWait(window, " ", 0);

  // The checks, in order (the first and the last give the same failure).
  const char* failure = nullptr;
  if (sweep == Sweep::WrongFile)
    failure = kWrongFile;  // NOLINT(bugprone-branch-clone)
  else if (gas.totalMaximum <= 0)
    failure = flavour::GasNoValueText();
  else if (static_cast<double>(gas.totalMaximum) <= 0.0001)
    failure = flavour::GasTooSmallText();
  else if (gas.lastCellNumber != inputs.grid.activeCount)
    failure = kWrongFile;
  if (failure != nullptr) {
    flavour::ShowFailure(window, failure);
    return std::nullopt;
  }
  return gas;
}

}  // namespace strataplot
