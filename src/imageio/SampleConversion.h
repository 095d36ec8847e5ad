// Sample arithmetic shared by the writer and the reader: exact rounding to the nearest
// whole number with ties to even, fast enough for per-sample use on large frames.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

// The shift trick below needs double arithmetic without excess precision (SSE2, not x87),
// and a build without -ffast-math, which would fold the shift away.
static_assert(FLT_EVAL_METHOD == 0, "double arithmetic must round to double");
#ifdef __FAST_MATH__
#error "the image exchange relies on exact IEEE rounding; build it without -ffast-math"
#endif

namespace nox {

// Rounds to the nearest whole number, ties to even. Below 2^51 in magnitude, adding and
// subtracting 1.5 * 2^52 leaves exactly the rounded value (the sum has no fraction bits
// and IEEE addition rounds ties to even), which is several times faster than a library
// call; larger magnitudes, infinities and NaN go through std::nearbyint. Both follow the
// default rounding mode, which the host does not change.
inline double RoundHalfEven(double x) {
  constexpr double kShift = 0x1.8p52;
  constexpr double kFastLimit = 0x1p51;
  if (x > -kFastLimit && x < kFastLimit) {
    return (x + kShift) - kShift;
  }
  return std::nearbyint(x);
}

// Clamps x to low..high, then rounds it ties to even. A value that is not a number
// becomes low. low and high must be whole numbers of magnitude below 2^51.
inline int64_t ClampRound(double x, double low, double high) {
  if (x > high) x = high;
  if (!(x >= low)) x = low;  // also catches NaN
  constexpr double kShift = 0x1.8p52;
  return static_cast<int64_t>((x + kShift) - kShift);
}

}  // namespace nox
