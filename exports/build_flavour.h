// What differs between the two builds of the library. Each build links exactly
// one implementation of this interface: build_flavour_shared.cpp (the
// shared-framework build) or build_flavour_static.cpp (the static-framework
// build). Nothing else in the library asks which build it is.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"

namespace strataplot::flavour {

// Caption of a failure box in the static-framework build (the shared-framework
// build shows the application's title): empty, or a single blank for a few
// messages (those about the age and horizon files of the oil expulsion and
// unexpelled oil maps, the skipped horizon of the gas maps).
enum class Caption { Empty, Blank };

// A failure message of an export (text GBK).
void ShowFailure(HWND window, const std::string& text, Caption caption = Caption::Empty);
// The message that names the files an export wrote.
void ShowCompletion(HWND window, const std::string& text);
// A question with Yes and No buttons; true for Yes.
bool AskYesNo(HWND window, const std::string& question);

// The contour interval suggested for a map whose largest value is given;
// saturates at the largest 32-bit integer.
int DefaultContourInterval(float largest);

// The oil maps' interval prompt. caption may be empty (the dialog keeps its
// title). Returns the interval to use, or nullopt when the export must end.
struct IntervalRequest {
  std::string hint;
  std::string prompt;
  std::string caption;
  int defaultInterval = 0;
};
std::optional<int> AskOilInterval(const IntervalRequest& request);

// ---- Gas maps ----

// The gas map type dialog: the chosen kind (0 to 8), or nullopt when it was
// not confirmed (the static-framework build says so when it cannot be created).
std::optional<int> AskGasMapKind(HWND window);
// The gas maps' interval prompt: the interval typed, or nullopt on any ending
// but OK.
std::optional<int> AskGasInterval(const IntervalRequest& request);
// The gas intensity file's check messages: no value, and too small a value.
const char* GasNoValueText();
const char* GasTooSmallText();

// ---- Saturation profile ----

// The horizon selection dialog: the chosen name, or nullopt when it was not
// confirmed.
std::optional<std::string> AskSaturationHorizon(HWND window);
// The message that the density file cannot be opened.
void ShowDensityFileFailure(HWND window, const std::string& text);
// The other failure messages of the saturation profile.
void ShowSaturationFailure(HWND window, const std::string& text);
// The success message naming the profile file.
void ShowSaturationDone(HWND window, const std::string& path);
// The end and the tick of the saturation axis for the largest saturation.
float SaturationAxisEnd(float largest);
float SaturationAxisTick(float largest);

// True when the deep pass of the oil expulsion maps starts the call over
// (project name, progress, input files read again).
bool DeepPassReloadsInputs();

}  // namespace strataplot::flavour
