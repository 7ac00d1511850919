#include <strataplot/project.h>

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

namespace strataplot {

bool SetProject(std::string_view name, std::string* error) {
  constexpr std::size_t kLongest = 19;  // bytes in the library's code page
  std::optional<std::string> gbk = platform::Utf8ToGbk(name);
  std::string why;
  if (!gbk || gbk->empty())
    why = "the project name '" + std::string(name) + "' cannot be used";
  else if (gbk->size() > kLongest)
    why = "the project name '" + std::string(name) + "' is longer than 19 GBK bytes";
  if (!why.empty()) {
    if (error != nullptr) *error = why;
    return false;
  }
  SetProjName(*gbk);
  return true;
}

}  // namespace strataplot
