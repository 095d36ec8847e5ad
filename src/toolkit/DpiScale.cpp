#include "toolkit/DpiScale.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace nox {

int MulDivRound(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const int64_t product = static_cast<int64_t>(number) * numerator;
  const int64_t d = std::llabs(static_cast<int64_t>(denominator));
  const int64_t magnitude = (std::llabs(product) + d / 2) / d;
  const bool negative = (product < 0) != (denominator < 0);
  const int64_t result = negative ? -magnitude : magnitude;
  if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min()) return -1;
  return static_cast<int>(result);
}

int ShownDpi(int windowDpi, int screenDpi) {
  if (windowDpi > 0) return windowDpi;
  return screenDpi > 0 ? screenDpi : kDesignDpi;
}

int FittedFontHeight(int designHeight, const DpiScale& scale, const std::function<bool(int)>& fits) {
  const int scaled = scale.Px(designHeight);
  if (scale.Dpi == kDesignDpi || !fits) return scaled;
  const int sign = scaled < 0 ? -1 : 1;
  const int largest = std::abs(scaled);
  const int smallest = std::max(1, largest - largest / 8);
  for (int h = largest; h > smallest; --h)
    if (fits(sign * h)) return sign * h;
  return sign * smallest;
}

}  // namespace nox
