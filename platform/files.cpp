#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "platform/file_stream.h"
#include "platform/platform.h"
#include "platform/written_files.h"

namespace platform {
namespace {

// Open streams by handle; a free slot holds nullptr and is handed out again.
// Constant-initialized: usable before any dynamic initialization runs.
constinit std::vector<std::unique_ptr<FileStream>> handles;
// The UTF-8 names of the handles open for writing, by handle; empty otherwise.
constinit std::vector<std::string> writeNames;

WrittenFileObserver* observer = nullptr;

std::optional<std::string> SystemName(const char* gbkName) {
  if (gbkName == nullptr) return std::nullopt;
  return GbkToUtf8(gbkName);
}

}  // namespace

HFILE OpenFile(const char* gbkName, unsigned style) {
  if (style != OF_READ && style != OF_CREATE_WRITE) return HFILE_ERROR;
  auto name = SystemName(gbkName);
  if (!name) return HFILE_ERROR;

  int fd;
  FileStream::Mode mode;
  if (style == OF_READ) {
    fd = ::open(name->c_str(), O_RDONLY | O_CLOEXEC);
    mode = FileStream::Mode::Read;
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {
      ::close(fd);
      return HFILE_ERROR;
    }
  } else {
    fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    mode = FileStream::Mode::Write;
  }
  if (fd < 0) return HFILE_ERROR;

  auto stream = std::make_unique<FileStream>(fd, mode);
  std::size_t slot = 0;
  while (slot < handles.size() && handles[slot]) ++slot;
  if (slot == handles.size()) {
    handles.emplace_back();
    writeNames.emplace_back();
  }
  handles[slot] = std::move(stream);
  writeNames[slot] = mode == FileStream::Mode::Write ? std::move(*name) : std::string();
  return static_cast<HFILE>(slot);
}

HFILE _lclose(HFILE file) {
  if (file < 0 || static_cast<std::size_t>(file) >= handles.size() || !handles[file]) {
    return HFILE_ERROR;
  }
  bool stored = handles[file]->Close();
  handles[file].reset();
  std::string written = std::move(writeNames[file]);
  writeNames[file].clear();
  if (stored && !written.empty() && observer != nullptr) observer->FileWritten(written);
  return stored ? 0 : HFILE_ERROR;
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
  return name && ::stat(name->c_str(), &st) == 0;
}

FileStream* StreamOf(HFILE file) {
  if (file < 0 || static_cast<std::size_t>(file) >= handles.size()) return nullptr;
  return handles[file].get();
}

}  // namespace platform
