// Message boxes, progress, wait notices and overwrite questions: GBK from the
// library, converted to UTF-8 and handed to the installed backend.

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
  return installed->ShowMessage(request);
}

int AfxMessageBox(const char* text, Icon icon, Buttons buttons) {
  return MessageBox(nullptr, text, nullptr, icon, buttons);
}

void ShowProgress(int total, int current) {
  if (installed != nullptr) installed->Progress(total, current);
}

void ShowWaitNotice(const char* text, bool show) {
  if (installed != nullptr) installed->Wait(ForDisplay(text), show);
}

bool AskOverwrite(const char* gbkName) {
  return installed != nullptr && installed->AskOverwrite(ForDisplay(gbkName));
}

}  // namespace platform
