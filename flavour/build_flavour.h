// What differs between the two builds of the library: how failures and
// completions are shown, the questions and dialogs the exports ask, and the
// few numbers the builds compute differently. The map, gas and saturation
// exports call this interface; each build links exactly one implementation of
// it, on top of the dialogs: exports/build_flavour_shared.cpp (the
// shared-framework build) or exports/build_flavour_static.cpp (the
// static-framework build). Nothing else in the library asks which build it is.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "project/basin_inputs.h"

namespace strataplot::flavour {

// Caption of a failure box in the static-framework build (the shared-framework
// build shows the application's title): empty, or a single blank for a few
// messages (those about the age and horizon files of the oil expulsion and
// unexpelled oil maps, the skipped horizon of the gas maps).
enum class Caption { Empty, Blank };

// A failure message of an export (text GBK).
void ShowFailure(HWND window, const std::string& text, Caption caption = Caption::Empty);
// Why the project's input files could not be read. openCaption is the caption
// of the messages that the age or horizon file cannot be opened: the exports
// differ in it.
inline void ShowInputFailure(HWND window, const InputFailure& failure, Caption openCaption) {
  ShowFailure(window, failure.text, failure.ageOrHorizonFileMissing ? openCaption : Caption::Empty);
}
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

// The horizon selection dialog: true when it was confirmed; the chosen name is
// then kept as the selected horizon.
bool ChooseSaturationHorizon(HWND window);
// The horizon kept from the last confirmed choice (GBK), empty until one was
// made; it lives as long as the library stays loaded.
std::string SelectedHorizon();
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
