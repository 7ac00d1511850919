// The written-file observer: the library tells the host of every file it
// writes whole, so that a host can list a map or profile (or open it) as soon
// as it is complete. Provided by libstrataplot-platform.so.1.
#pragma once

#include <string>

#include "strataplot/api.h"

namespace platform {

// Called on the thread that runs the export. Paths are UTF-8 as the library
// named the file: relative names are relative to the working directory.
class STRATAPLOT_API WrittenFileObserver {
 public:
  virtual ~WrittenFileObserver() = default;
  // A file the library created was closed with all its data stored and has
  // its name.
  virtual void FileWritten(const std::string& path) = 0;
  // A file was removed by the library.
  virtual void FileRemoved(const std::string& path) = 0;
};

// Installs the observer (the caller keeps ownership and keeps it alive while
// installed); nullptr removes it. Install it before an export starts and
// remove it after the export returned.
STRATAPLOT_API void InstallWrittenFileObserver(WrittenFileObserver* observer);

}  // namespace platform
