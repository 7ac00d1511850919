#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "common/common.h"
#include "platform/ui_backend.h"
#include "strataplot_build_paths.h"

namespace fuzz {
namespace {

// Every message box answered OK (a question No), every overwrite Yes, every
// dialog confirmed with what it shows (its radio button checked first).
class Confirming final : public platform::UiBackend {
 public:
  int ShowMessage(const platform::MessageBoxRequest& request) override {
    return request.buttons == platform::Buttons::YesNo ? platform::IDNO : platform::IDOK;
  }
  bool AskOverwrite(const std::string& /*path*/) override { return true; }
  void RunDialog(platform::DialogSession& session) override {
    if (session.Ended()) return;
    int position = radio;
    for (const platform::ControlState& control : session.Controls()) {
      if (control.kind == platform::ControlKind::RadioButton && position-- == 0) {
        session.Check(control.id);
        break;
      }
    }
    session.PressOk();
  }
  void Progress(int /*total*/, int /*current*/) override {}
  void Wait(const std::string& /*text*/, bool /*show*/) override {}

  int radio = 0;
};

Confirming backend;
std::filesystem::path scratch;

void RemoveScratch() {
  std::error_code ignored;
  std::filesystem::current_path("/", ignored);
  std::filesystem::remove_all(scratch, ignored);
}

}  // namespace

void Prepare(std::initializer_list<const char*> sampleFiles) {
  std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                   ? std::filesystem::path("/dev/shm")
                                   : std::filesystem::temp_directory_path();
  scratch = base / ("strataplot-fuzz-" + std::to_string(::getpid()));
  std::filesystem::create_directories(scratch);
  for (const char* name : sampleFiles) {
    std::filesystem::copy_file(std::filesystem::path(strataplot_build::kSampleDir) / name,
                               scratch / name, std::filesystem::copy_options::overwrite_existing);
  }
  std::filesystem::current_path(scratch);
  std::atexit(RemoveScratch);
  platform::InstallUiBackend(&backend);
  SetProjName("demo");
}

void Put(const char* name, std::string_view bytes) {
  std::ofstream(name, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void CheckRadio(int position) { backend.radio = position; }

HWND Window() {
  static char window;
  return reinterpret_cast<HWND>(&window);
}

void ExpectNothingHalfWritten() {
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    Expect(!entry.path().filename().string().ends_with(".partial"));
  }
}

}  // namespace fuzz
