#include "rendering/painting.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace rendering {

namespace {

// A font with Chinese glyphs, of the given pixel size.
QFont TextFont(double pixelSize, bool bold) {
  QFont font;
  font.setFamilies({"WenQuanYi Micro Hei", "Noto Sans CJK SC", "AR PL UMing CN", "DejaVu Sans"});
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
  font.setBold(bold);
  return font;
}

}  // namespace

Metrics::Metrics(double width)
    : text(std::clamp(width / 75, 10.0, 40.0)),
      margin(text),
      gap(text * 0.5),
      tick(text * 0.4),
      entry(text * 1.5),
      swatch(text * 1.1),
      titleFont(TextFont(text * 1.35, true)),
      textFont(TextFont(text, false)),
      titleHeight(QFontMetricsF(titleFont).height() * 1.4),
      lineHeight(QFontMetricsF(textFont).height()) {}

QString Text(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

double NiceStep(double span, int wanted) {
  if (!(span > 0) || !std::isfinite(span)) return 1;
  const double rough = span / wanted;
  const double power = std::pow(10, std::floor(std::log10(rough)));
  double step = power;
  for (double factor : {2.0, 5.0, 10.0}) {
    if (step < rough) step = factor * power;
  }
  return step;
}

std::vector<double> Ticks(double from, double to, int wanted) {
  if (to < from) std::swap(from, to);
  const double step = NiceStep(to - from, wanted);
  std::vector<double> ticks;
  // Far from 0 the step may lie below the spacing of doubles (or the span be
  // too wide to subtract): k then stops growing, and there is one tick.
  constexpr std::size_t kMostTicks = 1000;
  for (double k = std::ceil(from / step);
       k * step <= to + (to - from) * 1e-9 && ticks.size() < kMostTicks; ++k) {
    ticks.push_back(k * step == 0 ? 0 : k * step);  // no "-0"
    if (k + 1 == k) break;
  }
  return ticks;
}

QString TickLabel(double value, double step) {
  int decimals = 0;
  if (step > 0 && step < 1)
    decimals = std::min(6, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
  return QString::number(value, 'f', decimals);
}

double TickStep(const std::vector<double>& ticks) {
  return ticks.size() > 1 ? ticks[1] - ticks[0] : 1;
}

void DrawLeftTick(QPainter& painter, const Metrics& m, const QRectF& target, const QRectF& plot,
                  double at, const QString& label) {
  painter.drawLine(QPointF(plot.left() - m.tick, at), QPointF(plot.left(), at));
  painter.drawText(QRectF(target.left(), at - m.lineHeight / 2,
                          plot.left() - m.tick - m.gap * 0.5 - target.left(), m.lineHeight),
                   Qt::AlignRight | Qt::AlignVCenter, label);
}

double WidestLabel(const QFont& font, const std::vector<double>& ticks) {
  QFontMetricsF metrics(font);
  const double step = TickStep(ticks);
  double widest = 0;
  for (double tick : ticks)
    widest = std::max(widest, metrics.horizontalAdvance(TickLabel(tick, step)));
  return widest;
}

}  // namespace rendering
