#include <cmath>

#include "common/common.h"

// Callers pass tables of count points (xs and ys valid when count > 0).
float chazhi(const float* xs, const float* ys, int count, float x) {
  if (count <= 0) return 0.0f;
  if (count == 1) return ys[0];
  const double at = x;
  for (int i = 0; i + 1 < count; ++i) {
    const double x0 = xs[i];
    const double x1 = xs[i + 1];
    if ((x0 <= at && at <= x1) || (x1 <= at && at <= x0)) {
      if (x1 == x0) return ys[i];
      const double y0 = ys[i];
      const double y1 = ys[i + 1];
      return static_cast<float>(y0 + (y1 - y0) * (at - x0) / (x1 - x0));
    }
  }
  // No segment encloses x: the first of the points nearest to it.
  int nearest = 0;
  double distance = std::fabs(xs[0] - at);
  for (int i = 1; i < count; ++i) {
    const double d = std::fabs(xs[i] - at);
    if (d < distance) {
      distance = d;
      nearest = i;
    }
  }
  return ys[nearest];
}
