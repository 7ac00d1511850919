// Dialog units: template coordinates that scale with the dialog's font. A
// horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height.
#pragma once

#include "platform/dialog.h"

namespace qtui {

// The font's average character width and height in pixels.
struct DialogBaseUnits {
  int x = 0;
  int y = 0;
  bool operator==(const DialogBaseUnits&) const = default;
};

// The base units of a font whose 52 letters A-Z a-z are lettersWidth pixels
// wide together and whose lines are height pixels high (ascent + descent):
// the average width is rounded to the nearest pixel, halves up.
DialogBaseUnits BaseUnitsFromMetrics(int lettersWidth, int height);

// value * numerator / denominator rounded to the nearest integer, halves away
// from zero, computed without overflow for every int argument; 0 when
// denominator is 0.
int MulDiv(int value, int numerator, int denominator);

// A rectangle in dialog units in pixels: each of x, y, width and height is
// converted on its own.
platform::Rect ToPixels(const platform::Rect& units, DialogBaseUnits base);

}  // namespace qtui
