// The common library's field reader: readi, readf and reads in an order the
// input chooses, on the rest of the input as a file.
#include <algorithm>
#include <cmath>
#include <string>

#include "common/common.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  fuzz::Prepare({});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using fuzz::Expect;
  // The first two bytes choose the reads, two bits each, eight in a cycle:
  // readi, readf, reads, or a look at the lines.
  if (size < 2) return 0;
  const unsigned program = data[0] | static_cast<unsigned>(data[1]) << 8;
  std::string_view text = fuzz::Bytes(data + 2, size - 2);
  fuzz::Put("fields", text);
  const long long lines = 1 + static_cast<long long>(std::count(text.begin(), text.end(), '\n'));

  HFILE file = platform::OpenFile("fields", platform::OF_READ);
  Expect(file != HFILE_ERROR);
  bool ended = false;
  const std::size_t steps = 4 * (text.size() + 8);
  for (std::size_t step = 0; step < steps; ++step) {
    int got = 1;
    switch ((program >> (2 * (step % 8))) & 3) {
      case 0: {
        int value = -7;
        got = readi(file, &value);
        Expect(got == 1 || value == 0);
        break;
      }
      case 1: {
        float value = -7;
        got = readf(file, &value);
        Expect(got == 1 ? std::isfinite(value) : value == 0);
        break;
      }
      case 2: {
        std::string field = "x";
        got = reads(file, field);
        Expect(got == 1 ? !field.empty() && field.size() <= 65536 : field.empty());
        Expect(field.find_first_of(" \t\r\n\v\f") == std::string::npos);
        break;
      }
      default:
        Expect(ReadLine(file) >= 1 && ReadLine(file) <= lines);
        continue;
    }
    Expect(got >= -1 && got <= 1);
    Expect(!ended || got == 0);  // the end stays the end
    if (got == 0) ended = true;
    Expect(ReadDamageLine(file) >= 0 && ReadDamageLine(file) <= lines);
  }
  Expect(platform::_lclose(file) == 0);
  return 0;
}
