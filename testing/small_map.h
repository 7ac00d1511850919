// A small intensity map file for the tests of what reads maps, as UTF-8 text
// (write it through Gbk): 3 rows and 4 columns of 2.0 x 2.5 from (100, 200),
// three classes of interval 10, three cells outside the area.
#pragma once

#include <string>

namespace test_support {

inline const std::string kSmallMap =
    "标题 100.0 200.0    -7.5     8.0 100.0 200.0   2.0   2.5     3     4\n"
    "(万吨/平方公里)\n"
    "     3    0       0-10      10-20\n"
    "  0  1  2  3\n"
    "  1  2  3  0\n"
    "  0  0  1  1\n";

}  // namespace test_support
