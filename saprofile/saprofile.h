// The chloroform bitumen "A" saturation profile: from a source rock's density,
// porosity and bitumen content profiles (depth profile files ".ids", ".ips"
// and ".ica"), the saturation Sa in percent sampled down the depth range of
// the content profile, written as a curve file ".dsa" with its axis ranges.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace strataplot {

// Writes the saturation profile. mode 1: of the project (files named after
// the project); mode 2: first asks for a horizon in the horizon selection
// dialog and keeps it; any other mode: of the horizon kept from the last
// confirmed choice (empty until one was made). The selected horizon lives as
// long as the library stays loaded.
//
// 1: the profile was written and the success message shown. -1: the dialog
// was not confirmed, no project is current, an input file cannot be opened
// or is damaged, the profile may not be replaced, or it cannot be written
// (a profile that could not be stored whole is removed). Every failure but
// the first three and a declined replacement is reported in a message box.
int MakeSa(HWND window, int mode);

// One depth profile: pairs of depth (metres) and value, in file order.
struct DepthTable {
  std::vector<float> depths;
  std::vector<float> values;
  // Lines (from 1) of the file where the first and the last depth stand;
  // 0 for an empty table.
  int firstLine = 0;
  int lastLine = 0;

  int Count() const { return static_cast<int>(depths.size()); }
};

// A depth profile file is a name token, then pairs of depth and value up to
// a terminating pair whose two numbers are both <= 0 (a pair with only one of
// them <= 0 belongs to the table), or up to the end of the file. In the
// density file the bitumen density follows the terminating pair. Nothing
// after that is read.
struct DepthTableRead {
  enum class Status {
    Read,        // the table is filled
    CannotOpen,  // the file cannot be opened
    Damaged,     // a field is not a number, a pair is cut short, or there are
                 // more pairs than a 32-bit count holds; damagedLine tells where
  };
  Status status = Status::Read;
  int damagedLine = 0;
};

// Reads the file (GBK name) into table, which is replaced. When bitumenDensity
// is given, the value after the terminating pair is stored there; it is left
// as it was when the file ends before such a value (or has no terminating
// pair). The file is read in two passes, counting and then reading, and is
// closed on every path.
DepthTableRead ReadDepthTable(const std::string& path, DepthTable& table,
                              float* bitumenDensity = nullptr);

}  // namespace strataplot
