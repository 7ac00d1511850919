// A depth profile file: read as the bitumen density profile (with the
// density after its table), and as the content profile of the sample project
// from which the saturation profile is sampled and written.
#include "exports/exports.h"
#include "fuzz/fuzz_support.h"
#include "saprofile/saprofile.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  fuzz::Prepare({"demo.ids", "demo.ips"});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using fuzz::Expect;
  fuzz::Put("demo.ica", fuzz::Bytes(data, size));
  strataplot::DepthTable table;
  float density = 1.0f;
  strataplot::DepthTableRead read = strataplot::ReadDepthTable("demo.ica", table, &density);
  Expect(table.depths.size() == table.values.size());
  if (read.status == strataplot::DepthTableRead::Status::Read) {
    Expect(table.Count() == 0 || (table.firstLine >= 1 && table.firstLine <= table.lastLine));
  } else {
    Expect(read.status == strataplot::DepthTableRead::Status::Damaged && read.damagedLine >= 1);
  }

  std::int32_t result = MakeSa(fuzz::Window(), 1);
  Expect(result == 1 || result == -1);
  fuzz::ExpectNothingHalfWritten();
  return 0;
}
