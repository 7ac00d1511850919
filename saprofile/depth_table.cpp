// Reading a depth profile file: a counting pass that finds where the table
// ends (and the bitumen density after it), then a reading pass into tables of
// exactly that size.
#include <climits>

#include "common/common.h"
#include "saprofile/saprofile.h"

namespace strataplot {
namespace {

// A file open for reading, closed when it goes out of scope.
class Reader {
 public:
  explicit Reader(const std::string& path)
      : file_(platform::OpenFile(path.c_str(), platform::OF_READ)) {}
  ~Reader() {
    if (file_ != HFILE_ERROR) platform::_lclose(file_);
  }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  bool IsOpen() const { return file_ != HFILE_ERROR; }
  HFILE Handle() const { return file_; }
  int Line() const { return ReadLine(file_); }

  // The outcome for a file found damaged: the line of the damaged field, or,
  // for a file that ended too soon, the line where reading stands.
  DepthTableRead Damaged() const {
    int line = ReadDamageLine(file_);
    return {DepthTableRead::Status::Damaged, line != 0 ? line : ReadLine(file_)};
  }

 private:
  HFILE file_;
};

constexpr DepthTableRead kCannotOpen = {DepthTableRead::Status::CannotOpen, 0};

bool EndsTable(float depth, float value) { return depth <= 0 && value <= 0; }

}  // namespace

DepthTableRead ReadDepthTable(const std::string& path, DepthTable& table, float* bitumenDensity) {
  table = DepthTable();

  // Counting pass.
  long long count = 0;
  {
    Reader reader(path);
    if (!reader.IsOpen()) return kCannotOpen;
    std::string name;
    reads(reader.Handle(), name);
    bool terminated = false;
    for (;;) {
      float depth = 0;
      float value = 0;
      int read = readf(reader.Handle(), &depth);
      if (read < 0) return reader.Damaged();
      if (read == 0) break;  // no terminating pair: the table ends with the file
      // A depth without its value is a file cut short.
      if (readf(reader.Handle(), &value) != 1) return reader.Damaged();
      if (EndsTable(depth, value)) {
        terminated = true;
        break;
      }
      if (++count > INT_MAX) return reader.Damaged();
    }
    if (bitumenDensity != nullptr && terminated) {
      float density = 0;
      int read = readf(reader.Handle(), &density);
      if (read < 0) return reader.Damaged();
      if (read == 1) *bitumenDensity = density;
    }
  }

  // Reading pass. The file was read a moment ago; should it have gone or
  // changed since, that is reported like the first failure to open it, or as
  // damage.
  Reader reader(path);
  if (!reader.IsOpen()) return kCannotOpen;
  std::string name;
  reads(reader.Handle(), name);
  const auto size = static_cast<std::size_t>(count);
  table.depths.resize(size);
  table.values.resize(size);
  for (std::size_t i = 0; i < size; ++i) {
    if (readf(reader.Handle(), &table.depths[i]) != 1) return reader.Damaged();
    if (i == 0) table.firstLine = reader.Line();
    if (i + 1 == size) table.lastLine = reader.Line();
    if (readf(reader.Handle(), &table.values[i]) != 1) return reader.Damaged();
  }
  return {};
}

}  // namespace strataplot
