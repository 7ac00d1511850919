#include "qtui/dialog_units.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace qtui {

DialogBaseUnits BaseUnitsFromMetrics(int lettersWidth, int height) {
  return {(lettersWidth / 26 + 1) / 2, height};
}

int MulDiv(int value, int numerator, int denominator) {
  if (denominator == 0) return 0;
  std::int64_t product = static_cast<std::int64_t>(value) * numerator;
  std::int64_t magnitude =
      (std::llabs(product) + std::llabs(denominator) / 2) / std::llabs(denominator);
  bool negative = (product < 0) != (denominator < 0);
  std::int64_t result = negative ? -magnitude : magnitude;
  if (result > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (result < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(result);
}

platform::Rect ToPixels(const platform::Rect& units, DialogBaseUnits base) {
  return {MulDiv(units.x, base.x, 4), MulDiv(units.y, base.y, 8), MulDiv(units.width, base.x, 4),
          MulDiv(units.height, base.y, 8)};
}

}  // namespace qtui
