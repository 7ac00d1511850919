#include "common/common.h"

int ShowClock(HWND /*window*/, int total, int current) {
  platform::ShowProgress(total, current);
  return 1;
}

int ShowWait(HWND /*window*/, const char* text, int flag) {
  platform::ShowWaitNotice(text, flag != 0);
  return 1;
}

int mAskOverFile(const char* path) {
  if (!platform::FileExists(path)) return 1;
  return platform::AskOverwrite(path) ? 1 : 0;
}
