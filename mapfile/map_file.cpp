#include "mapfile/map_file.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/common.h"
#include "platform/completed_map.h"
#include "project/texts.h"

namespace strataplot {
namespace {

// The largest float below 2^31: a quotient below it truncates to an int that
// still has room for the + 1 of a class code.
constexpr float kClassLimit = 2147483648.0f;

constexpr char kLineEnd = 10;
constexpr char kHyphen = 45;

// The interval a map is classed with, and that its completed map reports: one
// below 1 is taken as 1.
int ClassingInterval(int interval) { return std::max(interval, 1); }

bool Classable(float value, float interval) {
  if (std::isnan(value)) return false;
  return value <= interval || value / interval < kClassLimit;
}

}  // namespace

void WriteMapHead(HFILE file, const std::string& title, const SimulationGrid& grid,
                  const std::string& unit) {
  writes(file, title.c_str(), static_cast<int>(title.size()));
  writef(file, grid.originX, 6, 1);
  writef(file, grid.originY, 6, 1);
  writef(file, -static_cast<float>(grid.rowCount) * grid.cellSizeY, 8, 1);
  writef(file, static_cast<float>(grid.columnCount) * grid.cellSizeX, 8, 1);
  writef(file, grid.originX, 6, 1);
  writef(file, grid.originY, 6, 1);
  writef(file, grid.cellSizeX, 6, 1);
  writef(file, grid.cellSizeY, 6, 1);
  writei(file, grid.rowCount, 6);
  writei(file, grid.columnCount, 6);
  writec(file, kLineEnd, 2);

  writes(file, unit.c_str(), static_cast<int>(unit.size()));
  writec(file, kLineEnd, 2);
}

std::optional<int> ClassCount(float largest, int interval) {
  float quotient = largest / static_cast<float>(interval);
  if (!(quotient < static_cast<float>(kMostClasses))) return std::nullopt;
  return static_cast<int>(quotient) + 1;
}

int ClassCode(float value, int interval) {
  float divisor = static_cast<float>(interval);
  if (value <= 0) return 1;
  if (value <= divisor) return 2;
  return static_cast<int>(value / divisor) + 1;
}

bool WriteMapBody(HFILE file, const SimulationGrid& grid, std::span<const float> values,
                  float largest, int interval, int legendWidth) {
  interval = ClassingInterval(interval);
  std::optional<int> classCount = ClassCount(largest, interval);
  if (!classCount) return false;
  float divisor = static_cast<float>(interval);
  if (!std::all_of(values.begin(), values.end(),
                   [divisor](float v) { return Classable(v, divisor); })) {
    return false;
  }

  // Legend: bounds in unsigned 32-bit arithmetic.
  writei(file, *classCount, 6);
  writei(file, 0, 5);
  const unsigned step = static_cast<unsigned>(interval);
  for (int k = 0; k + 1 < *classCount; ++k) {
    unsigned lower = static_cast<unsigned>(k) * step;
    unsigned upper = lower + step;
    writef(file, static_cast<float>(lower), legendWidth, 0);
    writec(file, kHyphen, 1);
    std::string bound = std::to_string(upper);
    writes(file, bound.c_str(), static_cast<int>(bound.size()));
  }
  writec(file, kLineEnd, 2);

  // Class grid: the mask row by row, the next value at every active cell.
  std::size_t next = 0;
  std::size_t cell = 0;
  for (int row = 0; row < grid.rowCount; ++row) {
    for (int column = 0; column < grid.columnCount; ++column, ++cell) {
      int code = 0;
      if (grid.mask[cell] != 0)
        code = next < values.size() ? ClassCode(values[next++], interval) : 1;
      writei(file, code, 3);
    }
    writec(file, kLineEnd, 2);
  }
  return true;
}

MapFile::Opened MapFile::Create(const std::string& name, const char* createFailed) {
  Discard();
  name_ = name;
  createFailed_ = createFailed;
  grid_ = nullptr;
  if (mAskOverFile(name.c_str()) == 0) return Opened::Declined;
  file_ = platform::OpenFile(name.c_str(), platform::OF_CREATE_WRITE);
  if (file_ == HFILE_ERROR) {
    failureText_ = Format(createFailed, name.c_str());
    return Opened::Failed;
  }
  return Opened::Created;
}

void MapFile::WriteHead(const std::string& title, const SimulationGrid& grid,
                        const std::string& unit) {
  WriteMapHead(file_, title, grid, unit);
  title_ = title;
  unit_ = unit;
}

bool MapFile::WriteBody(const SimulationGrid& grid, std::span<const float> values, float largest,
                        int interval, int legendWidth) {
  if (WriteMapBody(file_, grid, values, largest, interval, legendWidth)) {
    grid_ = &grid;
    values_ = values;
    interval_ = ClassingInterval(interval);
    return true;
  }
  Discard();
  failureText_ = Format(texts::kValuesTooLarge, name_.c_str());
  return false;
}

bool MapFile::Finish() {
  HFILE file = file_;
  file_ = HFILE_ERROR;
  if (platform::_lclose(file) == 0) {
    if (grid_ == nullptr) return true;  // closed without a body: nothing to report
    platform::ReportCompletedMap({name_, title_, unit_, interval_, grid_->originX, grid_->originY,
                                  grid_->cellSizeX, grid_->cellSizeY, grid_->rowCount,
                                  grid_->columnCount, grid_->mask, values_});
    return true;
  }
  failureText_ = Format(createFailed_, name_.c_str());
  return false;
}

void MapFile::Discard() {
  if (file_ == HFILE_ERROR) return;
  platform::AbandonFile(file_);
  file_ = HFILE_ERROR;
}

}  // namespace strataplot
