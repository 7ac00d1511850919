// A map file or a saturation profile, read as the pictures, the viewer and
// the grid checks read them: either read whole or refused with a message
// naming the file and the line.
#include <string>

#include "fuzz/fuzz_support.h"
#include "mapreader/map_reader.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  fuzz::Prepare({});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using fuzz::Expect;
  fuzz::Put("map.po1", fuzz::Bytes(data, size));
  mapreader::IntensityMap map;
  std::string error;
  if (mapreader::ReadIntensityMap("map.po1", map, error)) {
    const mapreader::MapGeometry& grid = map.geometry;
    Expect(map.codes.size() ==
           static_cast<std::size_t>(grid.rowCount) * static_cast<std::size_t>(grid.columnCount));
    for (std::int32_t code : map.codes) Expect(code >= 0 && code <= map.HighestCode());
    for (int code = 1; code <= map.HighestCode(); ++code)
      Expect(!map.RangeOf(code).Label().empty());
  } else {
    Expect(error.find("map.po1") != std::string::npos);
  }

  fuzz::Put("map.dsa", fuzz::Bytes(data, size));
  mapreader::SaturationProfile profile;
  error.clear();
  if (!mapreader::ReadSaturationProfile("map.dsa", profile, error)) {
    Expect(error.find("map.dsa") != std::string::npos);
  }
  return 0;
}
