// A quantity file of the sample project, read by one of the three oil map
// exports (the input's size chooses which): as the expelled oil of the oil
// expulsion maps, as the unexpelled oil of the unexpelled oil maps, or as both
// of the oil generation maps; and the maps written from it.
#include "exports/exports.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  fuzz::Prepare({"demo.iga", "demo.isc", "demo.dgr"});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using fuzz::Expect;
  fuzz::Put("demo.doe", fuzz::Bytes(data, size));
  fuzz::Put("demo.dou", fuzz::Bytes(data, size));
  std::int32_t (*const kExports[])(HWND) = {MakePaiYou, MakeUnYou, MakeShengYou};
  std::int32_t result = kExports[size % 3](fuzz::Window());
  Expect(result >= -1 && result <= 1);
  fuzz::ExpectNothingHalfWritten();
  return 0;
}
