// Texts shared by the map exports, and the formatting of texts.
// The library is compiled with GBK as its execution character set, so every
// literal here is GBK bytes at run time.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace strataplot {

// printf-style formatting into a string of whatever length the result needs:
// names are never truncated.
template <typename... Args>
std::string Format(const char* format, Args... args) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
  int length = std::snprintf(nullptr, 0, format, args...);
  if (length <= 0) return std::string();
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, args...);
#pragma GCC diagnostic pop
  text.resize(static_cast<std::size_t>(length));
  return text;
}

// The name as messages show it: a NUL byte as \0, and a byte that does not
// start a whole GBK character (a lead byte cut off by a NUL, say) as \xHH, so
// that nothing after it is lost or garbled.
std::string ReadableName(std::string_view gbk);

namespace texts {

// Input files of the project.
inline constexpr const char* kOpenAgeFileFailed = "打开地层年代文件 %s 失败";
inline constexpr const char* kOpenHorizonFileFailed = "打开生油层层位文件 %s 失败";
inline constexpr const char* kOpenGridFileFailed = "打开模拟网格文件%s错";

// Damaged input: a field that is not a number, a count below 0, dimensions
// that do not fit, or a file that ends before the values it must hold.
inline constexpr const char* kDamagedFile = "文件%s数据有误或不全(第%d行)";
// The cell area by which oil quantities are divided is below 1.
inline constexpr const char* kCellAreaBelowOne = "模拟网格文件%s的网格面积小于1,无法计算强度";
// A horizon name that would name a file outside the current directory.
inline constexpr const char* kUnsafeHorizonName = "层位名%s不能用作文件名";
// Map values whose class count is too large to plot or whose class codes do
// not fit 32 bits.
inline constexpr const char* kValuesTooLarge = "文件%s的强度值过大,无法分级";
// The per-horizon arrays of a project do not fit in the memory there is: the
// horizon file, its horizon count, the cell count, the megabytes needed and
// those available.
inline constexpr const char* kGridsDoNotFit =
    "生油层层位文件%s列出%d个层位,在%d个网格上计算需要内存%lluMB,可用内存只有%lluMB,无法计算";
// Memory ran out all the same.
inline constexpr const char* kOutOfMemory = "内存不足,无法完成计算";

// The oil maps' unit.
inline constexpr const char* kOilUnit = "(万吨/平方公里)";

// The project's oil quantity files (%s: the project): the oil each horizon
// expelled, expelled from its deep layer, and holds unexpelled, in every
// period and active cell.
inline constexpr const char* kExpelledOilFile = "%s.doe";
inline constexpr const char* kDeepExpelledOilFile = "%s.peo";
inline constexpr const char* kUnexpelledOilFile = "%s.dou";

// The oil maps' files: a horizon's (%s its name, %d its number from 1) and
// the total's (%s the project).
inline constexpr const char* kExpelledMapFile = "%s.po%d";
inline constexpr const char* kExpelledTotalFile = "%s.pot";
inline constexpr const char* kDeepExpelledMapFile = "%s.pp%d";
inline constexpr const char* kDeepExpelledTotalFile = "%s.ppt";
inline constexpr const char* kUnexpelledMapFile = "%s.uo%d";
inline constexpr const char* kUnexpelledTotalFile = "%s.uot";
inline constexpr const char* kGeneratedMapFile = "%s.so%d";
inline constexpr const char* kGeneratedTotalFile = "%s.sot";

}  // namespace texts
}  // namespace strataplot
