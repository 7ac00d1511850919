// Drawing helpers the pictures share: fonts, axis ticks, text.
#pragma once

#include <QFont>
#include <QPainter>
#include <QString>
#include <string>
#include <vector>

namespace rendering {

// The size of ordinary text for a picture of the given width, in pixels.
double TextSize(double width);
// A font with Chinese glyphs, of the given pixel size.
QFont TextFont(double pixelSize, bool bold = false);
QString Text(const std::string& utf8);

// A round step (1, 2 or 5 times a power of ten) giving about wanted ticks
// over the span; 1 for an empty span.
double NiceStep(double span, int wanted);
// The multiples of NiceStep between from and to (both included).
std::vector<double> Ticks(double from, double to, int wanted);
// A tick's label: as many decimals as the step between ticks needs.
QString TickLabel(double value, double step);
// The widest of the labels in the font.
double WidestLabel(const QFont& font, const std::vector<double>& ticks);

// An axis from first to last drawn as a span of device coordinates.
struct AxisMap {
  double first, last;  // world
  double from, to;     // device
  double operator()(double value) const {
    return from + (value - first) / (last - first) * (to - from);
  }
};

}  // namespace rendering
