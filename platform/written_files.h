// Tells the host side of the files the library writes, so that a front end can
// list a map or profile (or open it) as soon as it is complete.
#pragma once

#include <string>

#include "platform/platform.h"

namespace platform {

// Called on the thread that closes or removes the file. Paths are UTF-8 as the
// library named the file: relative names are relative to the current directory.
class PLATFORM_API WrittenFileObserver {
 public:
  virtual ~WrittenFileObserver() = default;
  // A file opened with OF_CREATE_WRITE was closed with all its data stored
  // and has its name.
  virtual void FileWritten(const std::string& path) = 0;
  // A file was removed through RemoveFile.
  virtual void FileRemoved(const std::string& path) = 0;
};

// Installs the observer (the caller keeps ownership); nullptr removes it.
// Install it before an export starts and remove it after the export returned.
PLATFORM_API void InstallWrittenFileObserver(WrittenFileObserver* observer);

}  // namespace platform
