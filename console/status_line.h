// What a backend writes on its display stream: ordinary lines, and one
// transient line (the progress, a wait notice) that a terminal overprints in
// place and that is ended before anything else is written below it. Off a
// terminal there is no progress line and a wait notice is an ordinary line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace console {

class StatusLine {
 public:
  explicit StatusLine(std::FILE* out);
  ~StatusLine();
  StatusLine(const StatusLine&) = delete;
  StatusLine& operator=(const StatusLine&) = delete;

  bool Terminal() const { return terminal_; }
  std::FILE* Stream() const { return out_; }

  // Writes text below the transient line, which stays as it was.
  void Say(const std::string& text);
  // Writes text as it is, without ending the transient line (echo of keys).
  void Print(const std::string& text);
  void Flush() { std::fflush(out_); }
  // Bold on a terminal.
  std::string Bold(const std::string& text) const;

  void Progress(int total, int current);
  void Wait(const std::string& text, bool show);
  // How far a file being read is (UiBackend::Reading): on a terminal after
  // the progress, on the progress line; below a wait notice, on a line of
  // its own. Nothing off a terminal.
  void Reading(const std::string& file, std::uint64_t done, std::uint64_t size);
  // The run has ended: the progress line, if there was one, ends at its total
  // when the run completed, and the transient line is ended.
  void Finish(bool completed);

 private:
  enum class Transient { None, Progress, Wait, Reading };
  void EndTransientLine();

  std::FILE* out_;
  bool terminal_;
  Transient transient_ = Transient::None;
  int progressTotal_ = 0;
  int progressCurrent_ = 0;
};

}  // namespace console
