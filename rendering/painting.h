// Drawing helpers the pictures share: fonts, axis ticks, text.
#pragma once

#include <QFont>
#include <QPainter>
#include <QString>
#include <string>
#include <vector>

namespace rendering {

// The sizes of a picture's parts, in pixels, from its width: everything
// scales with the size of its ordinary text.
struct Metrics {
  explicit Metrics(double width);
  double text, margin, gap, tick;
  double entry, swatch;  // a legend entry's height, its colour swatch's side
  QFont titleFont, textFont;
  double titleHeight, lineHeight;
};

QString Text(const std::string& utf8);

// A round step (1, 2 or 5 times a power of ten) giving about wanted ticks
// over the span; 1 for an empty span.
double NiceStep(double span, int wanted);
// The multiples of NiceStep between from and to (both included); a single
// one where they are too far from 0 to be told apart.
std::vector<double> Ticks(double from, double to, int wanted);
// The step between the ticks (1 for fewer than two).
double TickStep(const std::vector<double>& ticks);
// A tick's label: as many decimals as the step between ticks needs.
QString TickLabel(double value, double step);
// A tick on the left side of the plot at device height `at`, with its label
// right-aligned in the room between the target's left edge and the tick.
void DrawLeftTick(QPainter& painter, const Metrics& m, const QRectF& target, const QRectF& plot,
                  double at, const QString& label);
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
