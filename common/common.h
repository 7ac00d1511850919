// The common library of the workstation: project name, progress display,
// field-wise reading and writing of files opened with platform::OpenFile,
// overwrite confirmation and linear interpolation.
//
// Texts are GBK bytes. Reading and writing take the handle OpenFile returned.
#pragma once

#include <string>

#include "platform/file_stream.h"
#include "platform/platform.h"

#define COMMON_API __attribute__((visibility("default")))

// ---- Project --------------------------------------------------------------------

// Non-zero when a project is current; name then holds the project name (GBK,
// at most 19 bytes). Zero when no project is set.
COMMON_API int GetProjName(HWND window, std::string& name);
// Sets the current project (GBK). Used by the host before it calls an export;
// an empty name clears it.
COMMON_API void SetProjName(const std::string& name);

// ---- Progress ---------------------------------------------------------------------

// Progress display: (1, 0) when work starts, (count, index) before each item.
COMMON_API int ShowClock(HWND window, int total, int current);
// flag 1 shows text (GBK) as a wait notice; flag 0 removes the notice.
COMMON_API int ShowWait(HWND window, const char* text, int flag);

// ---- Field reading ------------------------------------------------------------------
// Each returns 1 with the value stored, 0 at the end of the file (storing 0,
// 0.0 or an empty text), and -1 when the field is damaged: not a number where
// one is read, a whole number that does not fit 32 bits, or a real that is not
// finite. A damaged read stores 0 and is remembered (ReadDamageLine).

// readi and readf take the field's value as the stream found it, inline: they
// are called for every one of the millions of values a quantity file holds.
// The rest of their work is done out of line, by the functions below.
inline int readi(HFILE file, int* value);
inline int readf(HFILE file, float* value);
// Reads count reals into values, each as readf reads it; the number read,
// which is count unless the file is damaged or ends before (readf's result
// for that field tells which, and its value there is 0).
inline int readfs(HFILE file, float* values, int count);
COMMON_API int reads(HFILE file, std::string& text);

namespace common_reading {
// The field the stream moved to last, converted from its text (the stream
// did not settle it): as readi and readf do it.
COMMON_API int WholeFromText(platform::FileStream* stream, int* value);
COMMON_API int RealFromText(platform::FileStream* stream, float* value);
// Notes damage at the field; -1.
COMMON_API int Damaged(platform::FileStream* stream);
}  // namespace common_reading

inline int readi(HFILE file, int* value) {
  platform::FileStream* stream = platform::StreamOf(file);
  scan::ScannedNumber number;
  if (stream == nullptr || !stream->NextNumber(number)) {
    *value = 0;
    return 0;
  }
  if (number.kind == scan::NumberKind::Whole) {
    *value = number.Whole();
    return 1;
  }
  if (number.kind == scan::NumberKind::Other) return common_reading::WholeFromText(stream, value);
  *value = 0;  // a real is no whole number
  return common_reading::Damaged(stream);
}

inline int readf(HFILE file, float* value) {
  platform::FileStream* stream = platform::StreamOf(file);
  scan::ScannedNumber number;
  if (stream == nullptr || !stream->NextNumber(number)) {
    *value = 0.0f;
    return 0;
  }
  if (number.kind == scan::NumberKind::Other) return common_reading::RealFromText(stream, value);
  *value = number.Float();
  return 1;
}

inline int readfs(HFILE file, float* values, int count) {
  platform::FileStream* stream = platform::StreamOf(file);
  int done = 0;
  while (done < count) {
    if (stream != nullptr) {
      done += static_cast<int>(
          stream->TakeReals(values + done, static_cast<std::size_t>(count - done)));
    }
    // The next chunk, a field to convert from its text, or the end.
    if (done < count) {
      if (readf(file, values + done) != 1) return done;
      ++done;
    }
  }
  return done;
}

// Line (from 1) of the first damaged field read from the file, 0 when none.
COMMON_API int ReadDamageLine(HFILE file);
// Line (from 1) where reading stands: that of the last field read, or at the
// end of the file its last line. Callers report a file that ends too soon with it.
COMMON_API int ReadLine(HFILE file);

// ---- Field writing ---------------------------------------------------------------------
// Right-aligned in width bytes, blanks on the left. A number as wide as its
// field or wider is written whole, after one blank when the byte before it is
// neither a blank nor a line end (nor the start of the file). Results: 1, or 0
// when the handle is not open for writing.

COMMON_API int writei(HFILE file, int value, int width);
COMMON_API int writef(HFILE file, float value, int width, int decimals);
COMMON_API int writes(HFILE file, const char* text, int width);
// Character 10 writes one line end ("\n") whatever the count; any other
// character is written count times.
COMMON_API int writec(HFILE file, char ch, int count);

// ---- Overwrite, interpolation ---------------------------------------------------------

// Non-zero without asking when the file (GBK name) does not exist; when it
// exists, asks whether to replace it: non-zero for yes, zero for no.
COMMON_API int mAskOverFile(const char* path);

// The y at x, interpolated linearly in a table of count points (xs, ys).
// count 0 (or less) gives 0 and count 1 gives ys[0]. Otherwise the first
// segment i, in table order, whose ends xs[i] and xs[i+1] enclose x (in either
// order) gives ys[i] + (ys[i+1] - ys[i]) * (x - xs[i]) / (xs[i+1] - xs[i]),
// computed in double and returned as a float; a segment of zero length gives
// ys[i]. When no segment encloses x, the ys of the first table point whose xs
// is nearest to x.
COMMON_API float chazhi(const float* xs, const float* ys, int count, float x);
