// Message boxes, progress, wait notices and overwrite questions: GBK from the
// library, converted to UTF-8 and handed to the installed backend.

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/cancel.h"
#include "platform/platform.h"
#include "platform/ui_backend.h"

namespace platform {
namespace {

UiBackend* installed = nullptr;

std::string ForDisplay(const char* gbk) { return gbk ? GbkForDisplay(gbk) : std::string(); }

}  // namespace

void InstallUiBackend(UiBackend* backend) { installed = backend; }

UiBackend* InstalledUiBackend() { return installed; }

int MessageBox(HWND owner, const char* text, const char* caption, Icon icon, Buttons buttons) {
  if (installed == nullptr) return buttons == Buttons::YesNo ? IDNO : IDOK;
  MessageBoxRequest request;
  request.text = ForDisplay(text);
  if (caption != nullptr) request.caption = GbkForDisplay(caption);
  request.icon = icon;
  request.buttons = buttons;
  request.owned = owner != nullptr;
  ThrowIfCancelled();
  int answer = installed->ShowMessage(request);
  ThrowIfCancelled();  // the box closed as cancelled
  return answer;
}

int AfxMessageBox(const char* text, Icon icon, Buttons buttons) {
  return MessageBox(nullptr, text, nullptr, icon, buttons);
}

void ShowProgress(int total, int current) {
  ThrowIfCancelled();
  if (installed != nullptr) installed->Progress(total, current);
}

void ShowWaitNotice(const char* text, bool show) {
  ThrowIfCancelled();
  if (installed != nullptr) installed->Wait(ForDisplay(text), show);
}

bool AskOverwrite(const char* gbkName) {
  ThrowIfCancelled();
  bool answer = installed != nullptr && installed->AskOverwrite(ForDisplay(gbkName));
  ThrowIfCancelled();
  return answer;
}

void ShowReading(const std::string& name, std::uint64_t done, std::uint64_t size) {
  if (installed != nullptr) installed->Reading(name, done, size);
}

namespace {

std::string Bytes(std::uint64_t bytes) {
  char text[32];
  const double value = static_cast<double>(bytes);
  if (bytes < 1000000000) {
    std::snprintf(text, sizeof text, "%.1f MB", value / 1e6);
  } else {
    std::snprintf(text, sizeof text, "%.2f GB", value / 1e9);
  }
  return text;
}

}  // namespace

std::string ReadingText(const std::string& file, std::uint64_t done, std::uint64_t size) {
  std::string text = "读取 " + file + " ";
  if (size == 0) return text + Bytes(done);
  done = std::min(done, size);
  return text + std::to_string(done * 100 / size) + "% (" + Bytes(done) + " / " + Bytes(size) + ")";
}

// ---- Accelerators ----------------------------------------------------------------

namespace {

// Bytes of the UTF-8 character that starts with lead (1 for a stray byte).
std::size_t CharacterLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  return 1;
}

std::string UpperAscii(std::string_view character) {
  std::string out(character);
  if (out.size() == 1 && out[0] >= 'a' && out[0] <= 'z')
    out[0] = static_cast<char>(out[0] - 'a' + 'A');
  return out;
}

}  // namespace

std::string AcceleratorOf(std::string_view text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    std::size_t length = CharacterLength(static_cast<unsigned char>(text[i + 1]));
    return UpperAscii(text.substr(i + 1, length));
  }
  return {};
}

bool IsAcceleratorOf(std::string_view typed, std::string_view text) {
  std::string accelerator = AcceleratorOf(text);
  return !accelerator.empty() && UpperAscii(typed) == accelerator;
}

std::string WithoutAcceleratorMarks(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

}  // namespace platform
