#include <string>

#include "common/common.h"

namespace {

// The current project of this process, as the host set it; empty for none.
std::string& ProjectName() {
  static std::string name;
  return name;
}

}  // namespace

int GetProjName(HWND /*window*/, std::string& name) {
  name = ProjectName();
  return name.empty() ? 0 : 1;
}

void SetProjName(const std::string& name) { ProjectName() = name; }
