// How much memory the process can still have: what the system has available,
// within the limits set on the process and on its control group.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.h"

namespace platform {
namespace {

using Bytes = std::uint64_t;

// A field of /proc/meminfo ("MemAvailable", ...), in bytes.
std::optional<Bytes> MemInfo(const std::string& field) {
  std::ifstream in("/proc/meminfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, field.size() + 1, field + ":") != 0) continue;
    std::istringstream value(line.substr(field.size() + 1));
    Bytes kib = 0;
    if (value >> kib) return kib * 1024;
  }
  return std::nullopt;
}

// A number in a file of the control group ("max" and unreadable files: nullopt).
std::optional<Bytes> NumberIn(const char* path) {
  std::ifstream in(path);
  Bytes value = 0;
  if (in >> value) return value;
  return std::nullopt;
}

// Room left under a limit, given what is in use.
Bytes Room(Bytes limit, std::optional<Bytes> used) {
  return used && *used < limit ? limit - *used : used ? 0 : limit;
}

// Pages of this process (/proc/self/statm): field 0 its whole address space,
// field 5 its data and stack.
std::optional<Bytes> OwnPages(int field) {
  std::ifstream in("/proc/self/statm");
  Bytes value = 0;
  for (int i = 0; i <= field; ++i) {
    if (!(in >> value)) return std::nullopt;
  }
  return value * static_cast<Bytes>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

std::optional<Bytes> AvailableMemory() {
  std::optional<Bytes> available = MemInfo("MemAvailable");
  if (available) {
    *available += MemInfo("SwapFree").value_or(0);
  } else {
    long pages = ::sysconf(_SC_AVPHYS_PAGES);
    long size = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && size > 0) available = static_cast<Bytes>(pages) * static_cast<Bytes>(size);
  }
  auto within = [&available](Bytes room) {
    available = available ? std::min(*available, room) : room;
  };

  // The control group's limit (version 2, then version 1, whose "no limit"
  // is a number near 2^63).
  if (auto limit = NumberIn("/sys/fs/cgroup/memory.max")) {
    within(Room(*limit, NumberIn("/sys/fs/cgroup/memory.current")));
  } else if (auto limitV1 = NumberIn("/sys/fs/cgroup/memory/memory.limit_in_bytes");
             limitV1 && *limitV1 < (Bytes{1} << 60)) {
    within(Room(*limitV1, NumberIn("/sys/fs/cgroup/memory/memory.usage_in_bytes")));
  }

  // The limits of the process.
  struct rlimit limit;
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    within(Room(limit.rlim_cur, OwnPages(0)));
  }
  if (::getrlimit(RLIMIT_DATA, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    within(Room(limit.rlim_cur, OwnPages(5)));
  }
  return available;
}

}  // namespace platform
