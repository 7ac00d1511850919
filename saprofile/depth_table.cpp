// Reading a depth profile file: a counting pass that finds where the table
// ends (and the bitumen density after it), then a reading pass into tables of
// exactly that size.
#include <climits>

#include "project/input_file.h"
#include "saprofile/saprofile.h"

namespace strataplot {
namespace {

// The outcome for a file found damaged or cut short, with where reading stopped.
DepthTableRead Damaged(const InputFile& file) {
  return {DepthTableRead::Status::Damaged, file.StopLine()};
}

constexpr DepthTableRead kCannotOpen = {DepthTableRead::Status::CannotOpen, 0};

bool EndsTable(float depth, float value) { return depth <= 0 && value <= 0; }

}  // namespace

DepthTableRead ReadDepthTable(const std::string& path, DepthTable& table, float* bitumenDensity) {
  table = DepthTable();

  // Counting pass.
  long long count = 0;
  {
    InputFile file;
    if (!file.Open(path)) return kCannotOpen;
    std::string name;
    file.ReadText(name);
    bool terminated = false;
    for (;;) {
      float depth = 0;
      float value = 0;
      if (!file.ReadReal(depth)) {
        if (file.Damaged()) return Damaged(file);
        break;  // no terminating pair: the table ends with the file
      }
      // A depth without its value is a file cut short.
      if (!file.ReadReal(value)) return Damaged(file);
      if (EndsTable(depth, value)) {
        terminated = true;
        break;
      }
      if (++count > INT_MAX) return Damaged(file);
    }
    if (bitumenDensity != nullptr && terminated) {
      float density = 0;
      if (file.ReadReal(density)) {
        *bitumenDensity = density;
      } else if (file.Damaged()) {
        return Damaged(file);
      }
    }
  }

  // Reading pass. The file was read a moment ago; should it have gone or
  // changed since, that is reported like the first failure to open it, or as
  // damage.
  InputFile file;
  if (!file.Open(path)) return kCannotOpen;
  std::string name;
  file.ReadText(name);
  const auto size = static_cast<std::size_t>(count);
  table.depths.resize(size);
  table.values.resize(size);
  for (std::size_t i = 0; i < size; ++i) {
    if (!file.ReadReal(table.depths[i])) return Damaged(file);
    if (i == 0) table.firstLine = file.Line();
    if (i + 1 == size) table.lastLine = file.Line();
    if (!file.ReadReal(table.values[i])) return Damaged(file);
  }
  return {};
}

}  // namespace strataplot
