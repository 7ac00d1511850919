// A quantity file of the sample project, read by the three oil map exports
// (as the expelled oil of the oil expulsion and oil generation maps, as the
// unexpelled oil of the unexpelled and oil generation maps) and the maps
// written from it.
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
  for (auto make : {MakePaiYou, MakeUnYou, MakeShengYou}) {
    std::int32_t result = make(fuzz::Window());
    Expect(result >= -1 && result <= 1);
    fuzz::ExpectNothingHalfWritten();
  }
  return 0;
}
