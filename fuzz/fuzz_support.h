// What the fuzz targets share: a scratch directory that holds the files of an
// input (and the maps the exports write from it), a user interface that
// confirms every question and dialog, and the sample project as the fixed
// part of every input.
//
// Each target defines LLVMFuzzerTestOneInput. Built with clang and
// -fsanitize=fuzzer it is a libFuzzer program (scripts/fuzz); built otherwise
// it is linked with replay_main.cpp, which runs it on the files of a corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "platform/platform.h"

namespace fuzz {

// Once per process: a fresh scratch directory (on /dev/shm when there is one,
// since every map is synced to its disk) becomes the current directory, with
// the named files of the sample project copied into it; the confirming user
// interface is installed and "demo" is the current project. The directory is
// removed when the process ends.
void Prepare(std::initializer_list<const char*> sampleFiles);

// Writes the bytes as the whole file `name` of the scratch directory.
void Put(const char* name, std::string_view bytes);
inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The radio button (by position) that dialogs with radio buttons check
// before they are confirmed: the gas map kind.
void CheckRadio(int position);

// The host's window handle.
HWND Window();

// Stops the process (a crash libFuzzer reports) when a temporary file of a
// map or profile was left in the scratch directory.
void ExpectNothingHalfWritten();

// Stops the process when the condition does not hold.
inline void Expect(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace fuzz
