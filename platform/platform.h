// The platform layer: what the library and the common library need of the
// operating system and of the user interface, in place of the Windows
// interfaces they were written against.
//
// Every text crossing this interface from the library is GBK bytes (file
// names, message texts, captions); the layer converts to UTF-8 before it
// touches the file system or shows anything.
#pragma once

#include <strataplot/ui_backend.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#define PLATFORM_API __attribute__((visibility("default")))

// Opaque window handle. The host hands one to every export; dialogs have one
// of their own while they run. A null handle means "no owner".
struct HWND__;
using HWND = HWND__*;

// A file handle as OpenFile returns it.
using HFILE = int;
constexpr HFILE HFILE_ERROR = -1;

namespace platform {

// ---- Encoding --------------------------------------------------------------

// GBK to UTF-8 and back; nullopt when the text does not convert.
PLATFORM_API std::optional<std::string> GbkToUtf8(std::string_view gbk);
PLATFORM_API std::optional<std::string> Utf8ToGbk(std::string_view utf8);
// GBK to UTF-8 for display: bytes that do not convert are shown as U+FFFD.
PLATFORM_API std::string GbkForDisplay(std::string_view gbk);

// ---- Files by handle ---------------------------------------------------------

constexpr unsigned OF_READ = 0;               // open an existing file for reading
constexpr unsigned OF_CREATE_WRITE = 0x1001;  // 4097: create or replace, then write

// Opens the file named by the GBK name (relative names are relative to the
// current directory). Returns a handle, or HFILE_ERROR when the name does not
// convert to UTF-8, the style is unknown, or the system refuses.
//
// A file created for writing is whole or absent: what is written goes to a
// temporary file in the same directory (named ".NAME.PID-N.partial", which no
// map or profile can be named), and only _lclose, once every byte is stored,
// renames it over NAME. Until then NAME stays as it was. A name that is a
// symbolic link is replaced by the file, the link's target left alone; an
// existing directory, or an existing file we may not write, cannot be
// created. A device or pipe is written in place (there is nothing to rename).
PLATFORM_API HFILE OpenFile(const char* gbkName, unsigned style);

// Closes the handle. Returns 0, or HFILE_ERROR when the handle is not open or
// data written through it could not be stored (a write error, disk full, the
// rename refused): the temporary file is then removed and the name keeps what
// it had. A file being written when the run was asked to end is abandoned
// instead, and Cancelled thrown (platform/cancel.h).
PLATFORM_API HFILE _lclose(HFILE file);

// Closes a handle without keeping what was written through it: the temporary
// file is removed and the name keeps what it had. For a reading handle the
// same as _lclose. Returns 0, or HFILE_ERROR when the handle is not open.
PLATFORM_API HFILE AbandonFile(HFILE file);

// Removes the temporary files of every handle still open for writing, for a
// signal handler that ends the process. Async-signal-safe: it only unlinks.
PLATFORM_API void RemovePartialFiles() noexcept;

// True for the name of a temporary file of a file created for writing,
// ".NAME.PID-N.partial", or ".NAME.PID-N.partial.EXT" where the writer goes
// by the extension (the history's files). Whoever writes one holds an
// exclusive flock on it while it lives.
PLATFORM_API bool IsPartialFileName(std::string_view name);

// Removes the temporary files in the directory (UTF-8 path) that a run which
// ended without closing them left behind (killed, or the power gone): every
// ".NAME.PID-N.partial" whose lock can be taken, as its writer holds it while
// it writes. A file whose lock is held, by whatever process, is not touched.
// Returns the names of the files removed.
PLATFORM_API std::vector<std::string> RemoveStalePartialFiles(const std::string& directory);

// Removes the file named by the GBK name; false when it could not be removed.
PLATFORM_API bool RemoveFile(const char* gbkName);

// True when the GBK name exists in any form: a file, a directory, or a
// symbolic link even when it leads nowhere (false when the name does not
// convert).
PLATFORM_API bool FileExists(const char* gbkName);

// ---- Memory ---------------------------------------------------------------------

// Bytes this process can still allocate, as far as the system tells: the
// memory available (reclaimable caches and free swap included), within the
// limits of the process (RLIMIT_AS, RLIMIT_DATA) and of its control group.
// nullopt when nothing can be learnt.
PLATFORM_API std::optional<std::uint64_t> AvailableMemory();

class FileStream;
namespace detail {
// The streams of the handles by number (nullptr: not open), kept by the files
// by handle for StreamOf, which the common library calls for every field it
// reads or writes: inline, that costs a load instead of a call.
struct StreamTable {
  FileStream* const* streams = nullptr;
  std::size_t count = 0;
};
PLATFORM_API extern constinit StreamTable openStreams;
}  // namespace detail

// The stream behind an open handle, or nullptr when the handle is not open.
inline FileStream* StreamOf(HFILE file) {
  const auto number = static_cast<std::size_t>(file);  // a negative handle is past the end
  return number < detail::openStreams.count ? detail::openStreams.streams[number] : nullptr;
}

// ---- Message boxes ------------------------------------------------------------

// Modal message box. text and caption are GBK; a null caption shows the host
// application's title; a null owner means the box has no owner window.
// Returns IDOK, IDYES or IDNO (IDOK or IDNO when no user interface is installed).
PLATFORM_API int MessageBox(HWND owner, const char* text, const char* caption, Icon icon,
                            Buttons buttons);

// The framework's message box: no owner of the caller's, the application's title.
PLATFORM_API int AfxMessageBox(const char* text, Icon icon, Buttons buttons);

// ---- Progress, wait notice, overwrite question -----------------------------------

// Each of these, and the message boxes above, first ends a run that was asked
// to end (platform/cancel.h: it throws Cancelled), and throws the same when
// the request comes while the user interface shows it.
PLATFORM_API void ShowProgress(int total, int current);
// text is GBK.
PLATFORM_API void ShowWaitNotice(const char* text, bool show);
// Asks whether the existing file (GBK name) may be replaced; false without a user interface.
PLATFORM_API bool AskOverwrite(const char* gbkName);
// How far a file being read is: done bytes of size (0: a size unknown, a
// pipe). The file's UTF-8 name as shown. Only shown, never recorded.
PLATFORM_API void ShowReading(const std::string& name, std::uint64_t done, std::uint64_t size);

}  // namespace platform
