// Running one export of a build of the library: load the build, resolve the
// command's export, set the current project and call it. The host program,
// the desktop application and the C API all run exports through this.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "batch/commands.h"
#include "batch/library.h"
#include "platform/ui_backend.h"

namespace batch {

// Exit status of the host for an export's result: 0 for 1, 3 for 0, 1 otherwise.
int ExitStatus(std::int32_t result);
// The status when the host itself could not run the export.
constexpr int kExitHostError = 2;

// The project name as the library takes it (GBK, 1 to 19 bytes), or nullopt
// with the reason in error.
std::optional<std::string> ProjectForLibrary(const std::string& utf8, std::string& error);

// Removes the temporary files that runs which ended without finishing
// (killed, or the power gone) left in the directory, and returns the line
// that says so (empty when there were none).
std::string RemoveStalePartialFiles(const std::string& directory);

// The host's main window as the exports receive it (any handle of ours).
HWND HostWindow();

// A loaded build of the library; unloaded when the object goes. Keep it for
// as long as its state should last (the saturation profile's selected horizon
// lives as long as the build stays loaded; loading the same build again while
// it is loaded shares that state).
class LoadedLibrary {
 public:
  // nullptr with the reason in error when the build cannot be loaded.
  static std::unique_ptr<LoadedLibrary> Load(const std::string& path, std::string& error);
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  const std::string& Path() const { return path_; }

  // True when the build has the command's export; otherwise error says so.
  bool Has(Command command, std::string& error) const;

  // Sets the current project (GBK) and calls the command's export with the
  // window (MakeSa also with mode). The command's export must exist (Has).
  // The user interface and the transcript are the caller's to install.
  std::int32_t Call(Command command, const std::string& gbkProject, HWND window, int mode) const;

  // Calls the export as Call does with the backend installed for the run
  // (removed after it), tells the backend the run has finished, and returns
  // the host's exit status for the result.
  int RunWith(platform::UiBackend& backend, Command command, const std::string& gbkProject,
              int mode) const;

 private:
  explicit LoadedLibrary(std::string path) : path_(std::move(path)) {}

  std::string path_;
  Library library_;
};

}  // namespace batch
