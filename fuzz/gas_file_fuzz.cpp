// The gas intensity file "gasr.out" of the sample project, read for the map
// kind the input's size chooses, and the gas maps written from it.
#include <filesystem>

#include "exports/exports.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  fuzz::Prepare({"demo.iga", "demo.isc", "demo.dgr"});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using fuzz::Expect;
  static const char* const kTotals[] = {"demo.sgt", "demo.pgt", "demo.fgt", "demo.wgt", "demo.ogt",
                                        "demo.kgt", "demo.ugt", "demo.egt", "demo.agt"};
  const int kind = static_cast<int>(size % 9);
  std::filesystem::remove(kTotals[kind]);
  fuzz::Put("gasr.out", fuzz::Bytes(data, size));
  fuzz::CheckRadio(kind);
  std::int32_t result = MakeGasInten(fuzz::Window());
  Expect(result == 1 || result == -1);
  Expect(result != 1 || std::filesystem::exists(kTotals[kind]));
  fuzz::ExpectNothingHalfWritten();
  return 0;
}
