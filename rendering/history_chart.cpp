#include "rendering/history_chart.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "rendering/painting.h"

namespace rendering {
namespace {

constexpr int kAgeTicks = 8;
constexpr int kAmountTicks = 8;
// Ages farther from the present than this are not sound, and would make the
// time axis's arithmetic overflow: their periods are left out.
constexpr double kFarthestAge = 1e6;
// The share of the time between neighbouring periods a period's bars take.
constexpr double kBarGroupShare = 0.7;
// Room above the highest value for the marks of largest expulsion.
constexpr double kHeadroom = 0.15;
const QColor kInk(60, 60, 60);
const QColor kGrid(228, 228, 228);

// Eight colours told apart with the common colour-vision deficiencies, none
// too light on white.
constexpr int kPalette[8][3] = {{0, 114, 178}, {213, 94, 0},   {0, 158, 115}, {204, 121, 167},
                                {230, 159, 0}, {86, 180, 233}, {90, 90, 90},  {160, 82, 45}};

bool Usable(double value) { return std::isfinite(value); }

// The value of a per-period list, when it holds a finite one.
std::optional<double> ValueAt(const std::vector<double>& values, std::size_t period) {
  if (period >= values.size() || !Usable(values[period])) return std::nullopt;
  return values[period];
}

// An amount axis from 0 (or below) to above the highest value, at round ticks.
template <typename Values>
void Widen(double& low, double& high, bool& any, const Values& values,
           const std::vector<std::size_t>& periods) {
  for (std::size_t period : periods) {
    if (std::optional<double> value = ValueAt(values, period)) {
      low = std::min(low, *value);
      high = std::max(high, *value);
      any = true;
    }
  }
}

void RoundOut(double& low, double& high) {
  if (!(high > low)) high = low + 1;
  high += (high - low) * kHeadroom;
  const double step = NiceStep(high - low, kAmountTicks);
  low = std::floor(low / step) * step;
  high = std::ceil(high / step) * step;
  if (!(high > low)) high = low + step;
}

// A value as the mark of largest expulsion writes it.
QString Amount(double value) {
  if (std::fabs(value) >= 100) return QString::number(value, 'f', 0);
  return QString::number(value, 'g', 3);
}

QString WithUnit(const char* label, const std::string& unit) {
  return unit.empty() ? QString(label) : QString(label) + " (" + Text(unit) + ")";
}

QString HorizonName(const HistoryChartData& data, std::size_t horizon) {
  const std::string& name = data.horizons[horizon].name;
  return name.empty() ? QString("horizon %1").arg(horizon + 1) : Text(name);
}

// The kinds of marks the legend's key explains.
enum class Key { Cumulative, PerPeriod, Generated, Peak };

std::vector<Key> Keys(bool cumulative, bool perPeriod, bool generated, bool peak) {
  std::vector<Key> keys;
  if (cumulative) keys.push_back(Key::Cumulative);
  if (perPeriod) keys.push_back(Key::PerPeriod);
  if (generated) keys.push_back(Key::Generated);
  if (peak) keys.push_back(Key::Peak);
  return keys;
}

const char* KeyLabel(Key key) {
  switch (key) {
    case Key::Cumulative:
      return "cumulative expelled";
    case Key::PerPeriod:
      return "expelled per period";
    case Key::Generated:
      return "generated";
    case Key::Peak:
      return "largest expulsion";
  }
  return "";
}

// The legend's entries, flowed in rows across its width and centred: first
// the horizons, then (from a new row) the key.
struct LegendEntry {
  QRectF symbol, label;
};
struct LegendFlow {
  std::vector<LegendEntry> horizons, keys;
  double height = 0;
};

LegendFlow Flow(const Metrics& m, double left, double top, double width,
                const std::vector<QString>& horizonLabels, const std::vector<Key>& keys) {
  QFontMetricsF metrics(m.textFont);
  const double spacing = m.text * 1.6;
  LegendFlow flow;
  double y = top;
  auto place = [&](const std::vector<QString>& labels, double symbolWidth,
                   std::vector<LegendEntry>& out) {
    if (labels.empty()) return;
    std::vector<LegendEntry> row;
    double x = 0;
    auto finish = [&] {
      const double shift = left + std::max(0.0, (width - (x - spacing)) / 2);
      for (LegendEntry& entry : row) {
        entry.symbol.translate(shift, 0);
        entry.label.translate(shift, 0);
        out.push_back(entry);
      }
      row.clear();
      x = 0;
      y += m.entry;
    };
    for (const QString& label : labels) {
      const double labelWidth = metrics.horizontalAdvance(label);
      const double entryWidth = symbolWidth + m.gap + labelWidth;
      if (!row.empty() && x + entryWidth > width) finish();
      LegendEntry entry;
      entry.symbol = QRectF(x, y + (m.entry - m.swatch) / 2, symbolWidth, m.swatch);
      entry.label = QRectF(x + symbolWidth + m.gap, y + (m.entry - m.lineHeight) / 2, labelWidth,
                           m.lineHeight);
      row.push_back(entry);
      x += entryWidth + spacing;
    }
    finish();
  };
  place(horizonLabels, m.swatch, flow.horizons);
  std::vector<QString> keyLabels;
  for (Key key : keys) keyLabels.push_back(KeyLabel(key));
  place(keyLabels, m.swatch * 2.2, flow.keys);
  flow.height = y - top;
  return flow;
}

// The names along the time axis: every n-th (counted from the youngest) so
// that neighbours do not touch, level when all fit so, else slanted.
struct Naming {
  std::vector<std::size_t> named;  // indices into the periods, left to right
  bool slanted = false;
  double height = 0;  // above the plot
};

Naming NamePeriods(const Metrics& m, const std::vector<double>& xs,
                   const std::vector<double>& widths) {
  Naming naming;
  if (xs.empty()) return naming;
  const std::size_t count = xs.size();
  auto every = [&](std::size_t n, auto apart) {
    std::vector<std::size_t> chosen;
    for (std::size_t back = 0; back < count; back += n) chosen.push_back(count - 1 - back);
    std::reverse(chosen.begin(), chosen.end());
    for (std::size_t i = 1; i < chosen.size(); ++i) {
      if (!apart(chosen[i - 1], chosen[i])) return std::vector<std::size_t>();
    }
    return chosen;
  };
  naming.named = every(1, [&](std::size_t a, std::size_t b) {
    return xs[b] - xs[a] >= (widths[a] + widths[b]) / 2 + m.gap;
  });
  if (!naming.named.empty()) {
    naming.height = m.lineHeight + m.tick + m.gap * 0.5;
    return naming;
  }
  naming.slanted = true;
  for (std::size_t n = 1; n <= count; ++n) {
    naming.named =
        every(n, [&](std::size_t a, std::size_t b) { return xs[b] - xs[a] >= m.lineHeight * 1.5; });
    if (!naming.named.empty()) break;
  }
  double widest = 0;
  for (std::size_t i : naming.named) widest = std::max(widest, widths[i]);
  naming.height = (widest + m.lineHeight) * std::sqrt(0.5) + m.tick + m.gap;
  return naming;
}

}  // namespace

QColor HorizonColour(std::size_t index) {
  if (index < 8) return QColor(kPalette[index][0], kPalette[index][1], kPalette[index][2]);
  // Beyond the palette: hues a golden angle apart, dark enough for white.
  const double hue = std::fmod(static_cast<double>(index - 8) * 137.508 + 100, 360);
  return QColor::fromHsv(static_cast<int>(hue), 200, 170 + static_cast<int>((index % 3) * 25));
}

HistoryChart::HistoryChart(HistoryChartData data) : data_(std::move(data)) {
  for (std::size_t period = 0; period < data_.ages.size(); ++period) {
    const double age = data_.ages[period];
    if (Usable(age) && std::fabs(age) <= kFarthestAge) periods_.push_back(period);
  }
  std::stable_sort(periods_.begin(), periods_.end(),
                   [&](std::size_t a, std::size_t b) { return data_.ages[a] > data_.ages[b]; });

  // The amount axes, and which horizons have bars.
  double low = 0, high = 0, barLow = 0, barHigh = 0;
  for (const HistoryChartData::Horizon& horizon : data_.horizons) {
    Widen(low, high, hasCumulative_, horizon.expelledCumulative, periods_);
    Widen(low, high, hasGenerated_, horizon.generated, periods_);
    bool barred = false;
    Widen(barLow, barHigh, barred, horizon.expelled, periods_);
    slots_.push_back(barred ? std::optional<std::size_t>(slotCount_++) : std::nullopt);
  }
  hasBars_ = slotCount_ > 0;
  RoundOut(low, high);
  RoundOut(barLow, barHigh);
  cumulative_ = {low, high};
  perPeriod_ = {barLow, barHigh};

  // The time axis: the periods' ages with room for their bars; around their
  // age when they share one.
  if (!periods_.empty()) {
    const double oldest = data_.ages[periods_.front()];
    const double youngest = data_.ages[periods_.back()];
    const double span = oldest - youngest;
    double group = 0, pad = 0;
    if (span > 0) {
      double closest = span;
      for (std::size_t i = 1; i < periods_.size(); ++i) {
        const double apart = data_.ages[periods_[i - 1]] - data_.ages[periods_[i]];
        if (apart > 0) closest = std::min(closest, apart);
      }
      group = std::min(kBarGroupShare * closest, 0.08 * span);
      pad = group / 2 + 0.02 * span;
    } else {
      pad = std::max(1.0, std::fabs(oldest) * 0.1);
      group = pad * 0.3;
    }
    ageLeft_ = oldest + pad;
    ageRight_ = youngest - pad;
    barWidth_ = group / static_cast<double>(std::max<std::size_t>(slotCount_, 1));
  }

  // The period of largest expulsion per horizon: by its bars, or by the rise
  // of its cumulative oil.
  for (std::size_t h = 0; h < data_.horizons.size(); ++h) {
    const HistoryChartData::Horizon& horizon = data_.horizons[h];
    std::optional<std::size_t> peak;
    double largest = 0;
    auto consider = [&](std::size_t period, double value) {
      if (Usable(value) && value > largest) {
        largest = value;
        peak = period;
      }
    };
    double before = 0;
    for (std::size_t period : periods_) {
      if (slots_[h]) {
        if (std::optional<double> value = ValueAt(horizon.expelled, period))
          consider(period, *value);
      } else if (std::optional<double> value = ValueAt(horizon.expelledCumulative, period)) {
        consider(period, *value - before);
        before = *value;
      }
    }
    peaks_.push_back(peak);
    peakValues_.push_back(largest);
  }
}

double HistoryChart::BarFrom(std::size_t period, std::size_t slot) const {
  const double group = barWidth_ * static_cast<double>(slotCount_);
  return data_.ages[period] + group / 2 - static_cast<double>(slot) * barWidth_;
}

double HistoryChart::HeightForWidth(double width) const {
  const Metrics m(width);
  const HistoryChartLayout layout = Layout(QRectF(0, 0, width, width * 0.6));
  // Past three rows the legend makes the picture taller rather than the plot
  // smaller.
  const double rows = std::round(layout.legend.height() / m.entry);
  return std::min(4 * width, std::round(width * 0.6 + std::max(0.0, rows - 3) * m.entry));
}

namespace {

bool AnyPeak(const std::vector<std::optional<std::size_t>>& peaks) {
  return std::any_of(peaks.begin(), peaks.end(),
                     [](const std::optional<std::size_t>& peak) { return peak.has_value(); });
}

std::vector<QString> HorizonNames(const HistoryChartData& data) {
  std::vector<QString> names;
  for (std::size_t i = 0; i < data.horizons.size(); ++i) names.push_back(HorizonName(data, i));
  return names;
}

}  // namespace

HistoryChartLayout HistoryChart::Layout(const QRectF& target) const {
  const Metrics m(target.width());
  const QFontMetricsF metrics(m.textFont);
  HistoryChartLayout layout;
  layout.title = QRectF(target.left() + m.margin, target.top() + m.margin,
                        target.width() - 2 * m.margin, m.titleHeight);

  // The legend along the bottom.
  const double legendWidth = std::max(0.0, target.width() - 2 * m.margin);
  const LegendFlow flow = Flow(m, 0, 0, legendWidth, HorizonNames(data_),
                               Keys(hasCumulative_, hasBars_, hasGenerated_, AnyPeak(peaks_)));
  const double legendTop = target.bottom() - m.margin - flow.height;
  layout.legend = QRectF(target.left() + m.margin, legendTop, legendWidth, flow.height);
  for (const LegendEntry& entry : flow.horizons)
    layout.swatches.push_back(entry.symbol.translated(layout.legend.topLeft()));

  // The plot between the amount axes' labels and titles.
  const std::vector<double> leftTicks = Ticks(LeftAxis().low, LeftAxis().high, kAmountTicks);
  const double left = target.left() + m.margin + m.lineHeight + m.gap +
                      WidestLabel(m.textFont, leftTicks) + m.tick + m.gap * 0.5;
  double right = target.right() - m.margin - m.text;
  if (HasRightAxis()) {
    const std::vector<double> rightTicks = Ticks(perPeriod_.low, perPeriod_.high, kAmountTicks);
    right = target.right() - m.margin - m.lineHeight - m.gap - WidestLabel(m.textFont, rightTicks) -
            m.tick - m.gap * 0.5;
  }

  // The period names above it.
  std::vector<double> xs, widths;
  const AxisMap x{ageLeft_, ageRight_, left, right};
  for (std::size_t period : periods_) {
    xs.push_back(x(data_.ages[period]));
    widths.push_back(period < data_.periodNames.size()
                         ? metrics.horizontalAdvance(Text(data_.periodNames[period]))
                         : 0.0);
  }
  const Naming naming = right > left ? NamePeriods(m, xs, widths) : Naming();
  for (std::size_t i : naming.named) layout.namedPeriods.push_back(periods_[i]);
  layout.namesSlanted = naming.slanted;

  const double top = layout.title.bottom() + m.gap + naming.height;
  const double bottom =
      legendTop - m.gap - m.lineHeight - m.gap * 0.5 - m.lineHeight - m.tick - m.gap * 0.5;
  if (right > left && bottom > top)
    layout.plot = QRectF(QPointF(left, top), QPointF(right, bottom));
  return layout;
}

std::optional<QPointF> HistoryChart::CumulativePoint(const QRectF& target, std::size_t horizon,
                                                     std::size_t period) const {
  if (horizon >= data_.horizons.size()) return std::nullopt;
  if (std::find(periods_.begin(), periods_.end(), period) == periods_.end()) return std::nullopt;
  const std::optional<double> value = ValueAt(data_.horizons[horizon].expelledCumulative, period);
  const QRectF plot = Layout(target).plot;
  if (!value || plot.isEmpty()) return std::nullopt;
  const AxisMap x{ageLeft_, ageRight_, plot.left(), plot.right()};
  const AxisMap y{cumulative_.low, cumulative_.high, plot.bottom(), plot.top()};
  return QPointF(x(data_.ages[period]), y(*value));
}

std::optional<std::size_t> HistoryChart::PeakPeriod(std::size_t horizon) const {
  return horizon < peaks_.size() ? peaks_[horizon] : std::nullopt;
}

void HistoryChart::Paint(QPainter& painter, const QRectF& target) const {
  const Metrics m(target.width());
  const HistoryChartLayout layout = Layout(target);
  const QRectF& plot = layout.plot;
  painter.save();
  painter.setClipRect(target);
  painter.fillRect(target, Qt::white);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(Qt::black);
  painter.setFont(m.titleFont);
  painter.drawText(layout.title, Qt::AlignCenter, Text(data_.title));
  if (plot.isEmpty()) {
    painter.restore();
    return;
  }
  painter.setFont(m.textFont);
  const QFontMetricsF metrics(m.textFont);
  const AxisMap x{ageLeft_, ageRight_, plot.left(), plot.right()};
  const AxisMap yLeft{LeftAxis().low, LeftAxis().high, plot.bottom(), plot.top()};
  const AxisMap yBars{perPeriod_.low, perPeriod_.high, plot.bottom(), plot.top()};
  const AxisMap yLines{cumulative_.low, cumulative_.high, plot.bottom(), plot.top()};
  const QPen axisPen(kInk, 0);
  const bool anyValues = HasLines() || hasBars_;
  const double lineWidth = std::max(1.5, m.text * 0.16);
  const double radius = std::max(2.0, m.text * 0.26);

  // The left axis's grid, then the bars, the generated and the cumulative
  // lines, inside the plot.
  const std::vector<double> leftTicks = Ticks(LeftAxis().low, LeftAxis().high, kAmountTicks);
  if (anyValues) {
    painter.setPen(QPen(kGrid, 0));
    for (double tick : leftTicks)
      painter.drawLine(QPointF(plot.left(), yLeft(tick)), QPointF(plot.right(), yLeft(tick)));
  }
  painter.setClipRect(plot);
  for (std::size_t h = 0; h < data_.horizons.size(); ++h) {
    if (!slots_[h]) continue;
    QColor fill = HorizonColour(h);
    fill.setAlpha(150);
    for (std::size_t period : periods_) {
      const std::optional<double> value = ValueAt(data_.horizons[h].expelled, period);
      if (!value) continue;
      const double from = BarFrom(period, *slots_[h]);
      const double left = x(from);
      const double right = std::max(x(from - barWidth_), left + 1);
      const QRectF bar =
          QRectF(QPointF(left, yBars(*value)), QPointF(right, yBars(0))).normalized();
      painter.fillRect(bar, fill);
      if (right - left >= 3) {
        painter.setPen(QPen(HorizonColour(h), 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(bar);
      }
    }
  }
  painter.setClipRect(plot.adjusted(-m.text, -m.text, m.text, m.text));
  auto line = [&](const std::vector<double>& values) {
    QPainterPath path;
    for (std::size_t period : periods_) {
      if (std::optional<double> value = ValueAt(values, period)) {
        const QPointF point(x(data_.ages[period]), yLines(*value));
        if (path.elementCount() == 0)
          path.moveTo(point);
        else
          path.lineTo(point);
      }
    }
    return path;
  };
  painter.setBrush(Qt::NoBrush);
  for (std::size_t h = 0; h < data_.horizons.size(); ++h) {
    painter.setPen(QPen(HorizonColour(h), lineWidth * 0.85, Qt::DashLine));
    painter.drawPath(line(data_.horizons[h].generated));
  }
  for (std::size_t h = 0; h < data_.horizons.size(); ++h) {
    const QColor colour = HorizonColour(h);
    painter.setPen(QPen(colour, lineWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(line(data_.horizons[h].expelledCumulative));
    painter.setPen(QPen(Qt::white, std::max(1.0, radius * 0.35)));
    painter.setBrush(colour);
    for (std::size_t period : periods_) {
      if (std::optional<double> value = ValueAt(data_.horizons[h].expelledCumulative, period))
        painter.drawEllipse(QPointF(x(data_.ages[period]), yLines(*value)), radius, radius);
    }
  }
  painter.setClipRect(target);

  // The frame and the axes: age along the bottom, the amounts at the sides.
  painter.setPen(axisPen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(plot);
  if (!periods_.empty()) {
    const std::vector<double> ageTicks = Ticks(ageRight_, ageLeft_, kAgeTicks);
    const double step = TickStep(ageTicks);
    for (double tick : ageTicks) {
      const double at = x(tick);
      painter.drawLine(QPointF(at, plot.bottom()), QPointF(at, plot.bottom() + m.tick));
      painter.drawText(QRectF(at - 50 * m.text, plot.bottom() + m.tick, 100 * m.text, m.lineHeight),
                       Qt::AlignHCenter | Qt::AlignTop, TickLabel(tick, step));
    }
  }
  painter.drawText(QRectF(plot.left(), plot.bottom() + m.tick + m.lineHeight + m.gap * 0.5,
                          plot.width(), m.lineHeight),
                   Qt::AlignHCenter | Qt::AlignTop, "age (Ma)");
  auto sideTitle = [&](double at, const QString& text) {
    painter.save();
    painter.translate(at, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, -m.lineHeight / 2, plot.height(), m.lineHeight),
                     Qt::AlignCenter, text);
    painter.restore();
  };
  if (anyValues) {
    const double step = TickStep(leftTicks);
    for (double tick : leftTicks)
      DrawLeftTick(painter, m, target, plot, yLeft(tick), TickLabel(tick, step));
    sideTitle(target.left() + m.margin + m.lineHeight / 2,
              WithUnit(HasLines() ? "cumulative oil" : "oil per period", data_.amountUnit));
  }
  if (HasRightAxis()) {
    const std::vector<double> ticks = Ticks(perPeriod_.low, perPeriod_.high, kAmountTicks);
    const double step = TickStep(ticks);
    for (double tick : ticks) {
      const double at = yBars(tick);
      painter.drawLine(QPointF(plot.right(), at), QPointF(plot.right() + m.tick, at));
      painter.drawText(QRectF(plot.right() + m.tick + m.gap * 0.5, at - m.lineHeight / 2,
                              100 * m.text, m.lineHeight),
                       Qt::AlignLeft | Qt::AlignVCenter, TickLabel(tick, step));
    }
    sideTitle(target.right() - m.margin - m.lineHeight / 2,
              WithUnit("oil per period", data_.amountUnit));
  }

  // The periods along the top: a tick each, and the names that fit.
  for (std::size_t period : periods_) {
    const double at = x(data_.ages[period]);
    painter.drawLine(QPointF(at, plot.top()), QPointF(at, plot.top() - m.tick));
  }
  for (std::size_t period : layout.namedPeriods) {
    if (period >= data_.periodNames.size()) continue;
    const QString name = Text(data_.periodNames[period]);
    const double at = x(data_.ages[period]);
    const double base = plot.top() - m.tick - m.gap * 0.5;
    if (!layout.namesSlanted) {
      painter.drawText(QRectF(at - 50 * m.text, base - m.lineHeight, 100 * m.text, m.lineHeight),
                       Qt::AlignHCenter | Qt::AlignBottom, name);
      continue;
    }
    painter.save();
    painter.translate(at, base - m.lineHeight * 0.35);
    painter.rotate(-45);
    painter.drawText(
        QRectF(0, -m.lineHeight / 2, metrics.horizontalAdvance(name) + m.text, m.lineHeight),
        Qt::AlignLeft | Qt::AlignVCenter, name);
    painter.restore();
  }

  // The marks of largest expulsion: a triangle over the period's bar (or its
  // point), the amount above, moved up while it would cover another's.
  std::vector<QRectF> taken;
  const double side = m.text * 0.75;
  for (std::size_t h = 0; h < data_.horizons.size(); ++h) {
    if (!peaks_[h]) continue;
    const std::size_t period = *peaks_[h];
    double atX = x(data_.ages[period]), atY = 0;
    if (slots_[h]) {
      atX = x(BarFrom(period, *slots_[h]) - barWidth_ / 2);
      atY = yBars(peakValues_[h]) - m.gap * 0.4;
    } else if (std::optional<double> value =
                   ValueAt(data_.horizons[h].expelledCumulative, period)) {
      atY = yLines(*value) - radius - m.gap * 0.4;
    } else {
      continue;
    }
    QPolygonF triangle;
    triangle << QPointF(atX, atY) << QPointF(atX - side / 2, atY - side * 0.85)
             << QPointF(atX + side / 2, atY - side * 0.85);
    painter.setPen(QPen(kInk, 0));
    painter.setBrush(HorizonColour(h));
    painter.drawPolygon(triangle);
    const QString label = Amount(peakValues_[h]);
    const double width = metrics.horizontalAdvance(label) + m.gap * 0.5;
    QRectF box(atX - width / 2, atY - side * 0.85 - m.lineHeight, width, m.lineHeight);
    for (std::size_t tries = 0; tries <= taken.size(); ++tries) {
      const bool covers = std::any_of(taken.begin(), taken.end(),
                                      [&](const QRectF& other) { return other.intersects(box); });
      if (!covers) break;
      box.translate(0, -m.lineHeight * 0.9);
    }
    taken.push_back(box);
    painter.setPen(HorizonColour(h).darker(150));
    painter.drawText(box, Qt::AlignCenter, label);
  }

  // Nothing to show: a word in the plot.
  if (periods_.empty() || data_.horizons.empty() || !anyValues) {
    painter.setPen(Qt::gray);
    painter.drawText(plot, Qt::AlignCenter,
                     periods_.empty()         ? "no periods"
                     : data_.horizons.empty() ? "no horizons"
                                              : "no values");
  }

  // The legend: the horizons' colours, then what the marks mean.
  const std::vector<QString> names = HorizonNames(data_);
  const std::vector<Key> keys = Keys(hasCumulative_, hasBars_, hasGenerated_, AnyPeak(peaks_));
  const LegendFlow flow =
      Flow(m, layout.legend.left(), layout.legend.top(), layout.legend.width(), names, keys);
  for (std::size_t i = 0; i < flow.horizons.size(); ++i) {
    const LegendEntry& entry = flow.horizons[i];
    painter.fillRect(entry.symbol, HorizonColour(i));
    painter.setPen(QPen(HorizonColour(i).darker(140), 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(entry.symbol);
    painter.setPen(Qt::black);
    painter.drawText(entry.label, Qt::AlignLeft | Qt::AlignVCenter, names[i]);
  }
  for (std::size_t i = 0; i < flow.keys.size(); ++i) {
    const QRectF& symbol = flow.keys[i].symbol;
    const QPointF centre = symbol.center();
    switch (keys[i]) {
      case Key::Cumulative:
        painter.setPen(QPen(kInk, lineWidth));
        painter.drawLine(QPointF(symbol.left(), centre.y()), QPointF(symbol.right(), centre.y()));
        painter.setPen(QPen(Qt::white, std::max(1.0, radius * 0.35)));
        painter.setBrush(kInk);
        painter.drawEllipse(centre, radius, radius);
        break;
      case Key::PerPeriod: {
        QColor fill = kInk;
        fill.setAlpha(150);
        const double bar = symbol.width() / 4;
        for (int k = 0; k < 3; ++k) {
          const double height = symbol.height() * (0.45 + 0.275 * k);
          painter.fillRect(
              QRectF(symbol.left() + bar * (0.5 + k), symbol.bottom() - height, bar * 0.8, height),
              fill);
        }
        break;
      }
      case Key::Generated:
        painter.setPen(QPen(kInk, lineWidth * 0.85, Qt::DashLine));
        painter.drawLine(QPointF(symbol.left(), centre.y()), QPointF(symbol.right(), centre.y()));
        break;
      case Key::Peak: {
        QPolygonF triangle;
        triangle << QPointF(centre.x(), centre.y() + side * 0.42)
                 << QPointF(centre.x() - side / 2, centre.y() - side * 0.42)
                 << QPointF(centre.x() + side / 2, centre.y() - side * 0.42);
        painter.setPen(QPen(kInk, 0));
        painter.setBrush(QColor(150, 150, 150));
        painter.drawPolygon(triangle);
        break;
      }
    }
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawText(flow.keys[i].label, Qt::AlignLeft | Qt::AlignVCenter, KeyLabel(keys[i]));
  }
  painter.restore();
}

// The frames of a series.

namespace {

// No contour plotting can use more classes (the library's own limit); a
// series whose largest value would call for more has its top classes merged.
constexpr int kMostFrameClasses = 10000;
// The largest round 1-2-5 interval a map's 32-bit legend holds.
constexpr double kLargestInterval = 2e9;

}  // namespace

FrameScale ScaleForFrames(std::span<const float> lastFrame) {
  float largest = 0;
  for (float value : lastFrame) {
    if (std::isfinite(value)) largest = std::max(largest, value);
  }
  if (!(largest > 0)) return {1, 1};
  const double step = std::clamp(NiceStep(largest, 10), 1.0, kLargestInterval);
  const auto interval = static_cast<std::uint32_t>(std::llround(step));
  // The class count as the library's map files would give it.
  const float quotient = largest / static_cast<float>(interval);
  const int classCount = quotient < static_cast<float>(kMostFrameClasses - 1)
                             ? static_cast<int>(quotient) + 1
                             : kMostFrameClasses;
  return {interval, classCount};
}

mapreader::IntensityMap FrameMap(const std::string& title, const std::string& unit,
                                 const mapreader::MapGeometry& geometry,
                                 std::span<const std::uint8_t> mask, std::span<const float> values,
                                 const FrameScale& scale) {
  mapreader::IntensityMap map;
  map.title = title;
  map.unit = unit;
  map.geometry = geometry;
  map.geometry.rowCount = std::max(0, geometry.rowCount);
  map.geometry.columnCount = std::max(0, geometry.columnCount);
  map.classCount = std::clamp(scale.classCount, 1, kMostFrameClasses);
  const std::uint32_t interval = std::max<std::uint32_t>(scale.interval, 1);
  if (map.classCount > 1) map.interval = interval;
  const int highest = map.HighestCode();
  const float divisor = static_cast<float>(interval);
  auto code = [&](float value) -> std::int32_t {
    if (std::isnan(value)) return 0;
    if (value <= 0) return 1;
    if (value <= divisor) return 2;
    const float quotient = value / divisor;
    if (!(quotient < static_cast<float>(highest))) return highest;
    return std::min(static_cast<int>(quotient) + 1, highest);
  };
  const std::size_t cells = static_cast<std::size_t>(map.geometry.rowCount) *
                            static_cast<std::size_t>(map.geometry.columnCount);
  map.codes.assign(cells, 0);
  std::size_t next = 0;
  for (std::size_t cell = 0; cell < cells && cell < mask.size(); ++cell) {
    if (mask[cell] == 0) continue;
    map.codes[cell] = next < values.size() ? code(values[next]) : 0;
    ++next;
  }
  return map;
}

}  // namespace rendering
