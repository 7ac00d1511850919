#include "console/status_line.h"

#include <unistd.h>

#include <algorithm>

#include "platform/ui_backend.h"

namespace console {
namespace {

std::string ProgressLine(int total, int current) {
  std::string line = "进度 ";
  if (total > 0) {
    constexpr int kWidth = 20;
    int done = std::clamp(current, 0, total);
    int filled = static_cast<int>(static_cast<long long>(done) * kWidth / total);
    line += "[" + std::string(static_cast<std::size_t>(filled), '#') +
            std::string(static_cast<std::size_t>(kWidth - filled), '.') + "] ";
  }
  return line + std::to_string(current) + "/" + std::to_string(total);
}

}  // namespace

StatusLine::StatusLine(std::FILE* out) : out_(out), terminal_(isatty(fileno(out)) != 0) {}

StatusLine::~StatusLine() {
  EndTransientLine();
  std::fflush(out_);
}

void StatusLine::Say(const std::string& text) {
  EndTransientLine();
  Print(text);
}

void StatusLine::Print(const std::string& text) { std::fputs(text.c_str(), out_); }

std::string StatusLine::Bold(const std::string& text) const {
  return terminal_ ? "\033[1m" + text + "\033[0m" : text;
}

void StatusLine::Progress(int total, int current) {
  progressTotal_ = total;
  progressCurrent_ = current;
  if (!terminal_) return;
  if (transient_ == Transient::Wait) EndTransientLine();
  Print("\r\033[K" + ProgressLine(total, current));
  transient_ = Transient::Progress;
  if (total > 0 && current >= total) EndTransientLine();
  std::fflush(out_);
}

void StatusLine::Wait(const std::string& text, bool show) {
  if (show) {
    if (!terminal_) {
      Say(text + "\n");
      return;
    }
    if (transient_ == Transient::Reading) {
      Print("\r\033[K");  // the reading line goes: the notice takes its place
      transient_ = Transient::None;
    }
    EndTransientLine();
    Print(text);
    transient_ = Transient::Wait;
  } else if (transient_ == Transient::Wait || transient_ == Transient::Reading) {
    Print("\r\033[K");
    transient_ = Transient::None;
  }
  std::fflush(out_);
}

void StatusLine::Reading(const std::string& file, std::uint64_t done, std::uint64_t size) {
  if (!terminal_) return;
  if (transient_ == Transient::Wait) EndTransientLine();
  std::string line = platform::ReadingText(file, done, size);
  if (progressTotal_ > 0 && progressCurrent_ < progressTotal_) {
    line = ProgressLine(progressTotal_, progressCurrent_) + "  " + line;
  }
  Print("\r\033[K" + line);
  transient_ = Transient::Reading;
  std::fflush(out_);
}

void StatusLine::Finish(bool completed) {
  if (completed && progressTotal_ > 0 && progressCurrent_ < progressTotal_) {
    Progress(progressTotal_, progressTotal_);
  }
  EndTransientLine();
  std::fflush(out_);
}

void StatusLine::EndTransientLine() {
  if (transient_ == Transient::None) return;
  Print("\n");
  transient_ = Transient::None;
}

}  // namespace console
