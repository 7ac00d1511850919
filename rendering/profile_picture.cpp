#include <QFontMetricsF>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "rendering/painting.h"
#include "rendering/pictures.h"

namespace rendering {
namespace {

constexpr int kAxisTicks = 8;
constexpr const char* kTitle = "氯仿沥青A饱和度";

// The trailer's axis, widened to the next round number where a value lies
// beyond it, and never of zero length.
mapreader::Axis Widened(mapreader::Axis axis, const std::vector<double>& values) {
  double low = axis.first, high = axis.last;
  for (double value : values) {
    low = std::min(low, value);
    high = std::max(high, value);
  }
  const double step = NiceStep(high - low, kAxisTicks);
  if (low < axis.first) axis.first = std::floor(low / step) * step;
  if (high > axis.last) axis.last = std::ceil(high / step) * step;
  if (!(axis.last > axis.first)) axis.last = axis.first + step;
  return axis;
}

}  // namespace

ProfilePicture::ProfilePicture(mapreader::SaturationProfile profile)
    : profile_(std::move(profile)) {
  std::vector<double> depths, saturations;
  for (const mapreader::SaturationSample& sample : profile_.samples) {
    depths.push_back(sample.depth);
    saturations.push_back(sample.saturation);
  }
  depth_ = Widened(profile_.depthAxis, depths);
  saturation_ = Widened(profile_.saturationAxis, saturations);
  view_ = depth_;
}

void ProfilePicture::SetDepthView(double first, double last) {
  if (std::isfinite(first) && std::isfinite(last) && last > first) {
    view_.first = first;
    view_.last = last;
  }
}

std::optional<double> ProfilePicture::DepthAt(const QRectF& target, const QPointF& point) const {
  const QRectF plot = PlotRect(target);
  if (plot.width() <= 0 || plot.height() <= 0 || !plot.contains(point)) return std::nullopt;
  return AxisMap{plot.top(), plot.bottom(), view_.first, view_.last}(point.y());
}

std::optional<mapreader::SaturationSample> ProfilePicture::NearestSample(double depth) const {
  const auto nearest = std::min_element(
      profile_.samples.begin(), profile_.samples.end(),
      [&](const mapreader::SaturationSample& a, const mapreader::SaturationSample& b) {
        return std::abs(a.depth - depth) < std::abs(b.depth - depth);
      });
  if (nearest == profile_.samples.end()) return std::nullopt;
  return *nearest;
}

std::string ProfilePicture::Title() const {
  return profile_.name.empty() ? kTitle : std::string(kTitle) + ": " + profile_.name;
}

double ProfilePicture::HeightForWidth(double width) const { return std::round(width * 1.3); }

QRectF ProfilePicture::PlotRect(const QRectF& target) const {
  const Metrics m(target.width());
  const std::vector<double> depthTicks = Ticks(view_.first, view_.last, kAxisTicks);
  const double left = target.left() + m.margin + m.lineHeight + m.gap +
                      WidestLabel(m.textFont, depthTicks) + m.tick + m.gap;
  const double top = target.top() + m.margin + m.titleHeight + m.lineHeight * 2 + m.tick + m.gap;
  return QRectF(QPointF(left, top), QPointF(target.right() - m.margin - m.text * 2,
                                            target.bottom() - m.margin - m.lineHeight));
}

QPointF ProfilePicture::SamplePoint(const QRectF& target,
                                    const mapreader::SaturationSample& sample) const {
  const QRectF plot = PlotRect(target);
  const AxisMap x{saturation_.first, saturation_.last, plot.left(), plot.right()};
  const AxisMap y{view_.first, view_.last, plot.top(), plot.bottom()};
  return QPointF(x(sample.saturation), y(sample.depth));
}

void ProfilePicture::Paint(QPainter& painter, const QRectF& target) const {
  const Metrics m(target.width());
  const QRectF plot = PlotRect(target);
  painter.save();
  painter.fillRect(target, Qt::white);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(Qt::black);
  painter.setFont(m.titleFont);
  painter.drawText(QRectF(target.left(), target.top() + m.margin, target.width(), m.titleHeight),
                   Qt::AlignCenter, Text(Title()));
  if (plot.width() <= 0 || plot.height() <= 0) {
    painter.restore();
    return;
  }
  painter.setFont(m.textFont);
  const AxisMap x{saturation_.first, saturation_.last, plot.left(), plot.right()};
  const AxisMap y{view_.first, view_.last, plot.top(), plot.bottom()};

  // Sa across the top, depth down the left side, with a light grid.
  const std::vector<double> saTicks = Ticks(saturation_.first, saturation_.last, kAxisTicks);
  const std::vector<double> depthTicks = Ticks(view_.first, view_.last, kAxisTicks);
  const double saStep = TickStep(saTicks);
  const double depthStep = TickStep(depthTicks);
  const QPen gridPen(QColor(220, 220, 220), 0);
  const QPen axisPen(Qt::black, 0);
  for (double tick : saTicks) {
    const double at = x(tick);
    painter.setPen(gridPen);
    painter.drawLine(QPointF(at, plot.top()), QPointF(at, plot.bottom()));
    painter.setPen(axisPen);
    painter.drawLine(QPointF(at, plot.top() - m.tick), QPointF(at, plot.top()));
    painter.drawText(
        QRectF(at - 50 * m.text, plot.top() - m.tick - m.lineHeight, 100 * m.text, m.lineHeight),
        Qt::AlignHCenter | Qt::AlignBottom, TickLabel(tick, saStep));
  }
  for (double tick : depthTicks) {
    const double at = y(tick);
    painter.setPen(gridPen);
    painter.drawLine(QPointF(plot.left(), at), QPointF(plot.right(), at));
    painter.setPen(axisPen);
    DrawLeftTick(painter, m, target, plot, at, TickLabel(tick, depthStep));
  }
  painter.setPen(axisPen);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(plot);
  painter.drawText(
      QRectF(plot.left(), plot.top() - m.tick - 2 * m.lineHeight, plot.width(), m.lineHeight),
      Qt::AlignHCenter | Qt::AlignBottom, Text(mapreader::kSaturationLabel));
  painter.save();
  painter.translate(target.left() + m.margin, plot.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), m.lineHeight),
                   Qt::AlignHCenter | Qt::AlignTop, Text(mapreader::kDepthLabel));
  painter.restore();

  // The curve through the samples, in depth order as written, each marked.
  const QColor curve = ClassColour(3, 9);
  QPainterPath path;
  for (const mapreader::SaturationSample& sample : profile_.samples) {
    const QPointF point(x(sample.saturation), y(sample.depth));
    if (path.elementCount() == 0)
      path.moveTo(point);
    else
      path.lineTo(point);
  }
  // Zoomed in, the curve stops at the plot's top and bottom.
  const bool whole = view_.first == depth_.first && view_.last == depth_.last;
  painter.setClipRect(plot.adjusted(-m.text, whole ? -m.text : 0, m.text, whole ? m.text : 0));
  painter.setPen(QPen(curve, std::max(1.0, m.text * 0.15)));
  painter.drawPath(path);
  painter.setBrush(curve);
  const double radius = std::max(1.5, m.text * 0.2);
  for (const mapreader::SaturationSample& sample : profile_.samples) {
    painter.drawEllipse(QPointF(x(sample.saturation), y(sample.depth)), radius, radius);
  }
  painter.restore();
}

}  // namespace rendering
