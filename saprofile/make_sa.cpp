// The chloroform bitumen "A" saturation profile of the project or of one
// source-rock horizon: Sa = A x rho / (bitumen density x phi) x 100, sampled
// about a hundred times down the depth range of the content profile.
#include <cfloat>
#include <cmath>
#include <optional>

#include "common/common.h"
#include "flavour/build_flavour.h"
#include "project/texts.h"
#include "saprofile/saprofile.h"

namespace strataplot {
namespace {

constexpr const char* kOpenDensityFailed = "打开源岩密度文件 %s 失败";
constexpr const char* kOpenPorosityFailed = "打开源岩孔隙度文件%s错";
constexpr const char* kOpenContentFailed = "打开氯仿沥青A含量文件%s错";
constexpr const char* kCreateProfileFailed = "生成氯仿沥青A饱和度文件%s错";

constexpr int kWidth = 12;
constexpr int kDecimals = 2;
constexpr int kSamplesPerRange = 100;

using ShowMessage = void (*)(HWND, const std::string&);

// Reads one input profile; on failure shows the file's message in the box
// that belongs to the file (its open-failure box, also for damage).
bool LoadTable(HWND window, const std::string& path, const char* openFailed, ShowMessage show,
               DepthTable& table, float* bitumenDensity = nullptr) {
  DepthTableRead read = ReadDepthTable(path, table, bitumenDensity);
  switch (read.status) {
    case DepthTableRead::Status::Read:
      return true;
    case DepthTableRead::Status::CannotOpen:
      show(window, Format(openFailed, path.c_str()));
      break;
    case DepthTableRead::Status::Damaged:
      show(window, Format(texts::kDamagedFile, path.c_str(), read.damagedLine));
      break;
  }
  return false;
}

// A depth that truncates to a 32-bit integer.
bool FitsInt(float depth) { return depth >= -2147483648.0f && depth < 2147483648.0f; }

// The selected horizon names files in the current directory: it must not
// lead elsewhere, nor be cut short by a zero byte.
bool UsableAsPrefix(const std::string& name) {
  return name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

void EndLine(HFILE file) { writec(file, '\n', 1); }

// The samples of the profile: one data line per depth whose saturation is a
// finite number. Raises largest and deepest as it goes.
void WriteSamples(HFILE file, const DepthTable& density, const DepthTable& porosity,
                  const DepthTable& content, float bitumenDensity, float& largest, int& deepest) {
  if (content.depths.empty()) return;
  const int first = static_cast<int>(content.depths.front());
  const int last = static_cast<int>(content.depths.back());
  // A range of fewer than a hundred metres is sampled every metre.
  long long step = (static_cast<long long>(last) - first) / kSamplesPerRange;
  if (step < 1) step = 1;
  for (long long sample = first; sample <= last; sample += step) {
    const int depth = static_cast<int>(sample);
    const float x = static_cast<float>(depth);
    const float rho = chazhi(density.depths.data(), density.values.data(), density.Count(), x);
    const float phi = chazhi(porosity.depths.data(), porosity.values.data(), porosity.Count(), x);
    const float a = chazhi(content.depths.data(), content.values.data(), content.Count(), x);
    const double divisor = static_cast<double>(bitumenDensity) * phi;
    if (divisor == 0) continue;  // no pore space to saturate: Sa has no value here
    const double quotient = static_cast<double>(a) * rho / divisor * 100;
    if (!(std::fabs(quotient) <= FLT_MAX)) continue;  // beyond every 32-bit real
    const float sa = static_cast<float>(quotient);
    writei(file, depth, kWidth);
    writef(file, sa, kWidth, kDecimals);
    EndLine(file);
    if (largest < sa) largest = sa;
    if (deepest < depth) deepest = depth;
  }
}

// The trailer: the zero line, the depth and saturation axes, the labels.
void WriteTrailer(HFILE file, float largest, int deepest) {
  writef(file, 0.0f, kWidth, kDecimals);
  writef(file, 0.0f, kWidth, kDecimals);
  EndLine(file);
  const int axis = deepest / 1000 * 1000;
  writei(file, 0, kWidth);
  writei(file, axis + 500, kWidth);
  writei(file, axis / 10, kWidth);
  EndLine(file);
  writef(file, 0.0f, kWidth, kDecimals);
  writef(file, flavour::SaturationAxisEnd(largest), kWidth, kDecimals);
  writef(file, flavour::SaturationAxisTick(largest), kWidth, kDecimals);
  EndLine(file);
  writes(file, "Sa(%)", kWidth);
  writes(file, "Depth(m)", kWidth);
}

}  // namespace

int MakeSa(HWND window, int mode) {
  // Mode 2: the horizon, chosen now and kept for the calls that follow.
  if (mode == 2 && !flavour::ChooseSaturationHorizon(window)) return -1;

  // The project, and the prefix of the four files.
  std::string project;
  if (GetProjName(window, project) == 0) return -1;
  const std::string prefix = mode == 1 ? project : flavour::SelectedHorizon();
  if (mode != 1 && !UsableAsPrefix(prefix)) {
    flavour::ShowSaturationFailure(window,
                                   Format(texts::kUnsafeHorizonName, ReadableName(prefix).c_str()));
    return -1;
  }

  // The three profiles.
  float bitumenDensity = 1.0f;
  DepthTable density;
  DepthTable porosity;
  DepthTable content;
  const std::string contentPath = prefix + ".ica";
  if (!LoadTable(window, prefix + ".ids", kOpenDensityFailed, flavour::ShowDensityFileFailure,
                 density, &bitumenDensity) ||
      !LoadTable(window, prefix + ".ips", kOpenPorosityFailed, flavour::ShowSaturationFailure,
                 porosity) ||
      !LoadTable(window, contentPath, kOpenContentFailed, flavour::ShowSaturationFailure,
                 content)) {
    return -1;
  }
  // The sampling runs between the content profile's first and last depths in
  // whole metres; depths beyond 32-bit integers are damage of that file.
  if (!content.depths.empty()) {
    int badLine = !FitsInt(content.depths.front())  ? content.firstLine
                  : !FitsInt(content.depths.back()) ? content.lastLine
                                                    : 0;
    if (badLine != 0) {
      flavour::ShowSaturationFailure(window,
                                     Format(texts::kDamagedFile, contentPath.c_str(), badLine));
      return -1;
    }
  }

  // The profile file, once it may be replaced.
  const std::string path = prefix + ".dsa";
  if (mAskOverFile(path.c_str()) == 0) return -1;
  HFILE file = platform::OpenFile(path.c_str(), platform::OF_CREATE_WRITE);
  if (file == HFILE_ERROR) {
    flavour::ShowSaturationFailure(window, Format(kCreateProfileFailed, path.c_str()));
    return -1;
  }

  // The name line.
  if (mode == 1) {
    writes(file, "all", 4);
  } else {
    writes(file, prefix.c_str(), static_cast<int>(prefix.size()));
  }
  EndLine(file);

  // The samples and the trailer.
  float largest = 0.0f;
  int deepest = 0;
  WriteSamples(file, density, porosity, content, bitumenDensity, largest, deepest);
  WriteTrailer(file, largest, deepest);
  if (platform::_lclose(file) == HFILE_ERROR) {
    // Not stored whole: nothing of it is left, and an earlier profile stays.
    flavour::ShowSaturationFailure(window, Format(kCreateProfileFailed, path.c_str()));
    return -1;
  }
  flavour::ShowSaturationDone(window, path);
  return 1;
}

}  // namespace strataplot
