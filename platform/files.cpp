#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/cancel.h"
#include "platform/file_stream.h"
#include "platform/platform.h"
#include "platform/written_files.h"

namespace platform {
namespace {

// ---- Temporary files a signal handler may remove ---------------------------------------

// The absolute names of the temporary files being written. A signal handler
// reads the slots and unlinks; nothing else of it runs there. Few files are
// ever written at once: a file that finds no free slot is still written and
// removed as usual, only not by the handler.
constexpr std::size_t kPartialSlots = 16;
constinit std::array<std::atomic<char*>, kPartialSlots> partialFiles{};

int RegisterPartial(const std::string& name) {
  std::string path = name;
  if (path.empty() || path.front() != '/') {
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd) != nullptr) path = std::string(cwd) + "/" + path;
  }
  auto* copy = new char[path.size() + 1];
  std::memcpy(copy, path.c_str(), path.size() + 1);
  for (std::size_t slot = 0; slot < kPartialSlots; ++slot) {
    char* expected = nullptr;
    if (partialFiles[slot].compare_exchange_strong(expected, copy)) return static_cast<int>(slot);
  }
  delete[] copy;
  return -1;
}

void UnregisterPartial(int slot) {
  if (slot < 0) return;
  delete[] partialFiles[static_cast<std::size_t>(slot)].exchange(nullptr);
}

// ---- Handles ---------------------------------------------------------------------------

// An open handle. A file created for writing is written under `partial` and
// gets `final` as its name in Commit; reading handles and files written in
// place have no partial name.
struct Handle {
  std::unique_ptr<FileStream> stream;
  std::string written;  // files created for writing: the name they are written under
  std::string partial;
  std::string final;
  int syncFd = -1;  // the partial file, for fsync once the stream has closed
  int slot = -1;

  explicit Handle(std::unique_ptr<FileStream> s) : stream(std::move(s)) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  // A handle still open when the process ends leaves nothing behind.
  ~Handle() { Abandon(); }

  // Closes; the partial file, once stored, takes the final name. False when
  // anything of it failed (the partial file is then removed).
  bool Commit() {
    bool stored = stream->Close();
    if (partial.empty()) return stored;
    // The partial file's lock (held through syncFd) goes only after the
    // rename or the removal: until then no other run takes it for stale.
    stored = stored && ::fsync(syncFd) == 0;
    stored = stored && ::rename(partial.c_str(), final.c_str()) == 0;
    if (!stored) ::unlink(partial.c_str());
    ::close(syncFd);
    syncFd = -1;
    if (stored) SyncDirectoryOf(final);
    UnregisterPartial(slot);
    partial.clear();
    return stored;
  }

  void Abandon() {
    if (stream) stream->Close();
    if (partial.empty()) return;
    ::unlink(partial.c_str());
    if (syncFd >= 0) ::close(syncFd);
    syncFd = -1;
    UnregisterPartial(slot);
    partial.clear();
  }

  // Makes the rename itself durable; a directory that cannot be synced is
  // no failure of the file, which is stored.
  static void SyncDirectoryOf(const std::string& name) {
    std::size_t slash = name.rfind('/');
    std::string directory = slash == std::string::npos ? "." : name.substr(0, slash + 1);
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
  }
};

// The streams of the open handles, as StreamOf finds them
// (detail::openStreams); declared first, so that it outlives the handles.
constinit std::vector<FileStream*> streams;
// Open handles by number; a free slot holds nullptr and is handed out again.
// Constant-initialized: usable before any dynamic initialization runs.
constinit std::vector<std::unique_ptr<Handle>> handles;

// Puts the handle (or nullptr) in its slot.
void SetHandle(std::size_t slot, std::unique_ptr<Handle> handle) {
  if (slot == handles.size()) {
    handles.push_back(nullptr);
    streams.push_back(nullptr);
  }
  streams[slot] = handle != nullptr ? handle->stream.get() : nullptr;
  handles[slot] = std::move(handle);  // a handle replaced is abandoned
  detail::openStreams = {streams.data(), streams.size()};
}

WrittenFileObserver* observer = nullptr;

std::optional<std::string> SystemName(const char* gbkName) {
  if (gbkName == nullptr) return std::nullopt;
  return GbkToUtf8(gbkName);
}

HFILE Keep(std::unique_ptr<Handle> handle) {
  std::size_t slot = 0;
  while (slot < handles.size() && handles[slot]) ++slot;
  SetHandle(slot, std::move(handle));
  return static_cast<HFILE>(slot);
}

Handle* HandleOf(HFILE file) {
  if (file < 0 || static_cast<std::size_t>(file) >= handles.size()) return nullptr;
  return handles[static_cast<std::size_t>(file)].get();
}

// The name of the temporary file beside `name`. The stem is shortened so
// that the temporary name stays within the system's limit of a name.
std::string PartialName(const std::string& name, unsigned serial) {
  constexpr std::size_t kLongestStem = 200;
  std::size_t slash = name.rfind('/');
  std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  std::string stem = name.substr(start, kLongestStem);
  return name.substr(0, start) + "." + stem + "." + std::to_string(::getpid()) + "-" +
         std::to_string(serial) + ".partial";
}

HFILE OpenForReading(const std::string& name) {
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return HFILE_ERROR;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return HFILE_ERROR;
  }
  auto stream = std::make_unique<FileStream>(fd, FileStream::Mode::Read);
  stream->ReportReadingAs(name);
  return Keep(std::make_unique<Handle>(std::move(stream)));
}

HFILE CreateForWriting(const std::string& name) {
  struct stat existing;
  bool exists = ::lstat(name.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) return HFILE_ERROR;
  if (exists && S_ISDIR(existing.st_mode)) return HFILE_ERROR;
  if (exists && !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode)) {
    // A device or a pipe: written in place, as there is nothing to rename.
    int fd = ::open(name.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return HFILE_ERROR;
    auto handle =
        std::make_unique<Handle>(std::make_unique<FileStream>(fd, FileStream::Mode::Write));
    handle->written = name;
    return Keep(std::move(handle));
  }
  // A file we could not have opened for writing is not replaced either.
  if (exists && S_ISREG(existing.st_mode) &&
      ::faccessat(AT_FDCWD, name.c_str(), W_OK, AT_EACCESS) != 0) {
    return HFILE_ERROR;
  }

  // The temporary name is registered before the file exists, so that no
  // moment passes in which a signal handler would not know of it.
  static unsigned serial = 0;
  std::string partial;
  int slot = -1;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    partial = PartialName(name, serial++);
    slot = RegisterPartial(partial);
    fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) break;
    int error = errno;
    UnregisterPartial(slot);
    if (error != EEXIST) return HFILE_ERROR;
  }
  if (fd < 0) return HFILE_ERROR;
  // Locked while it is written: a run that finds it unlocked knows that its
  // writer is gone (RemoveStalePartialFiles).
  ::flock(fd, LOCK_EX | LOCK_NB);
  // A replaced file keeps its permissions.
  if (exists && S_ISREG(existing.st_mode)) ::fchmod(fd, existing.st_mode & 07777);
  auto handle = std::make_unique<Handle>(std::make_unique<FileStream>(fd, FileStream::Mode::Write));
  handle->written = name;
  handle->partial = partial;
  handle->final = name;
  handle->slot = slot;
  handle->syncFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (handle->syncFd < 0) return HFILE_ERROR;  // the handle abandons the file
  return Keep(std::move(handle));
}

}  // namespace

constinit detail::StreamTable detail::openStreams;

HFILE OpenFile(const char* gbkName, unsigned style) {
  if (style != OF_READ && style != OF_CREATE_WRITE) return HFILE_ERROR;
  auto name = SystemName(gbkName);
  if (!name) return HFILE_ERROR;
  return style == OF_READ ? OpenForReading(*name) : CreateForWriting(*name);
}

HFILE _lclose(HFILE file) {
  Handle* handle = HandleOf(file);
  if (handle == nullptr) return HFILE_ERROR;
  if (!handle->written.empty() && CancelRequested()) {
    AbandonFile(file);
    throw Cancelled();
  }
  bool stored = handle->Commit();
  std::string written = std::move(handle->written);
  SetHandle(static_cast<std::size_t>(file), nullptr);
  if (stored && !written.empty() && observer != nullptr) observer->FileWritten(written);
  return stored ? 0 : HFILE_ERROR;
}

HFILE AbandonFile(HFILE file) {
  Handle* handle = HandleOf(file);
  if (handle == nullptr) return HFILE_ERROR;
  SetHandle(static_cast<std::size_t>(file), nullptr);  // abandons
  return 0;
}

void RemovePartialFiles() noexcept {
  for (std::atomic<char*>& slot : partialFiles) {
    if (const char* name = slot.load()) ::unlink(name);
  }
}

bool IsPartialFileName(std::string_view name) {
  // ".NAME.PID-N.partial", or ".NAME.PID-N.partial.EXT" for a file whose
  // writer goes by its extension
  constexpr std::string_view kSuffix = ".partial";
  if (name.size() < 2 || name.front() != '.') return false;
  const std::size_t last = name.rfind('.');
  const std::string_view extension = name.substr(last + 1);
  if (!name.ends_with(kSuffix) && !extension.empty() &&
      std::all_of(extension.begin(), extension.end(),
                  [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; })) {
    name = name.substr(0, last);
  }
  if (!name.ends_with(kSuffix)) return false;
  name.remove_suffix(kSuffix.size());
  const std::size_t dot = name.rfind('.');
  if (dot == 0 || dot == std::string_view::npos) return false;
  const std::string_view numbers = name.substr(dot + 1);
  const std::size_t dash = numbers.find('-');
  auto digits = [](std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  return dash != std::string_view::npos && digits(numbers.substr(0, dash)) &&
         digits(numbers.substr(dash + 1));
}

std::vector<std::string> RemoveStalePartialFiles(const std::string& directory) {
  std::vector<std::string> removed;
  const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return removed;
  DIR* entries = ::fdopendir(dirFd);
  if (entries == nullptr) {
    ::close(dirFd);
    return removed;
  }
  while (const dirent* entry = ::readdir(entries)) {
    const std::string name = entry->d_name;
    if (!IsPartialFileName(name)) continue;
    const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    // Taking the lock tells that no writer holds it; it is kept until the
    // file is gone, so that no writer can begin meanwhile.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::unlinkat(dirFd, name.c_str(), 0) == 0) {
      removed.push_back(name);
    }
    ::close(fd);
  }
  ::closedir(entries);
  std::sort(removed.begin(), removed.end());
  return removed;
}

bool RemoveFile(const char* gbkName) {
  auto name = SystemName(gbkName);
  if (!name || ::unlink(name->c_str()) != 0) return false;
  if (observer != nullptr) observer->FileRemoved(*name);
  return true;
}

void InstallWrittenFileObserver(WrittenFileObserver* installed) { observer = installed; }

bool FileExists(const char* gbkName) {
  auto name = SystemName(gbkName);
  struct stat st;
  return name && ::lstat(name->c_str(), &st) == 0;
}

}  // namespace platform
