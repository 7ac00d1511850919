// For the tests of the library's dialogs in windows: the project directory
// the horizon dialog reads, and GBK texts for the dialogs' fields.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/common.h"
#include "platform/platform.h"
#include "testing/host_harness.h"
#include "testing/temp_dir.h"

namespace qtui::testing {

using test_support::Gbk;

// The current project "demo" in a fresh current directory, with the horizon
// names given (UTF-8, written as GBK) or without a horizon file.
class ProjectDirectory {
 public:
  explicit ProjectDirectory(const std::vector<std::string>* horizons) {
    char* here = getcwd(nullptr, 0);
    previous_ = here;
    free(here);
    if (horizons != nullptr) {
      std::string names;
      for (const std::string& name : *horizons) names += Gbk(name) + "\n";
      dir_.Put("demo.isc", names);
    }
    if (chdir(dir_.path().c_str()) != 0) throw std::runtime_error("chdir");
    SetProjName("demo");
  }
  ~ProjectDirectory() {
    SetProjName("");
    if (chdir(previous_.c_str()) != 0) std::perror("chdir");
  }
  ProjectDirectory(const ProjectDirectory&) = delete;
  ProjectDirectory& operator=(const ProjectDirectory&) = delete;

 private:
  test_support::TempDir dir_;
  std::string previous_;
};

}  // namespace qtui::testing
