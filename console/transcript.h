// The transcript: one JSON object per line for every message box, overwrite
// question, dialog, wait notice and progress step of a run, whichever user
// interface answered it (the terminal, the scripted answers, the windows).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ui_backend.h"

namespace console {

// Writes the records, each flushed as one line (a run that is killed leaves
// whole lines).
class Transcript {
 public:
  // out may be null: nothing is written then.
  explicit Transcript(std::FILE* out) : out_(out) {}
  void Message(const platform::MessageBoxRequest& request, int answer);
  void Overwrite(const std::string& path, bool answer);
  // Controls as shown when the dialog opened, and how it ended.
  void Dialog(const platform::DialogTemplate& dialogTemplate, const std::string& title,
              const std::vector<platform::ControlState>& opened, const std::string& answer,
              int result);
  void Wait(const std::string& text, bool show);
  void Progress(int total, int current);
  // The user cancelled the run from a window: the run's last record.
  void Cancelled();

 private:
  std::FILE* out_;
};

// Any backend with a transcript: passes every call on to the backend and
// records it. A dialog is recorded when it has ended, with its controls as
// they were when it opened and its answer: what the backend gave as the
// dialog's answer (the text typed, "default" for the suggested value,
// "cancel"), except that a radio dialog confirmed is answered by the button
// checked last in template order (the choice of its last group), named by its
// code where radioCodes names the buttons of a group of as many (the gas map
// kinds), else by its text. A box, question or dialog that a cancel of the run
// closed is not recorded (the host records the cancel), nor is how far a file
// is read.
class Transcribing final : public platform::UiBackend {
 public:
  // Both are the caller's and must outlive this.
  Transcribing(platform::UiBackend& backend, Transcript& transcript,
               std::vector<std::string> radioCodes = {});

  int ShowMessage(const platform::MessageBoxRequest& request) override;
  bool AskOverwrite(const std::string& path) override;
  void RunDialog(platform::DialogSession& session) override;
  void Progress(int total, int current) override;
  void Wait(const std::string& text, bool show) override;
  void Reading(const std::string& file, std::uint64_t done, std::uint64_t size) override;
  void Finished(bool completed) override;

 private:
  platform::UiBackend& backend_;
  Transcript& transcript_;
  std::vector<std::string> radioCodes_;
};

}  // namespace console
