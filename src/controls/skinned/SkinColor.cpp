#include "controls/skinned/SkinColor.h"

#include <algorithm>
#include <cmath>

#include "toolkit/SystemLook.h"

namespace nox {

namespace {
template <typename F>
TColor PerChannel(TColor a, TColor b, F f) {
  return MakeColor(f(RedOf(a), RedOf(b)), f(GreenOf(a), GreenOf(b)), f(BlueOf(a), BlueOf(b)));
}
}  // namespace

int RoundEven(double value) {
  if (!(value == value)) return 0;
  const double clamped = std::clamp(value, -2147483648.0, 2147483647.0);
  return static_cast<int>(std::nearbyint(clamped));
}

TColor SystemColor(TColor indexOrReference) {
  return PlainRgb(CurrentSystemLook().Color(static_cast<int>(indexOrReference & 0xFF)));
}

TColor ResolveColor(TColor color) { return color < 0 ? SystemColor(color) : color; }

TColor AddColor(TColor a, TColor b) {
  return PerChannel(a, b, [](int x, int y) { return std::min(x + y, 255); });
}

TColor SubtractColor(TColor a, TColor b) {
  return PerChannel(a, b, [](int x, int y) { return std::max(x - y, 0); });
}

TColor AddGray(TColor a, int n) { return AddColor(a, std::clamp(n, 0, 255) * 0x010101); }

TColor SubtractGray(TColor a, int n) {
  return SubtractColor(a, std::clamp(n, 0, 255) * 0x010101);
}

TColor BlendColor(TColor a, TColor b, int w) {
  // Channel by channel: a weight outside 0..256 can never carry into the next channel.
  const int weight = std::clamp(w, 0, 256);
  return PerChannel(a, b, [weight](int x, int y) { return (x * weight + y * (256 - weight)) >> 8; });
}

TColor BlendColorF(TColor a, TColor b, float t) {
  double w = static_cast<double>(t) * 256.0;
  if (!(w >= 0.0)) w = 0.0;  // negative or NaN
  if (w > 256.0) w = 256.0;
  return BlendColor(a, b, RoundEven(w));
}

float MapRange(float lo, float hi, float v, float outLo, float outHi) {
  v = std::max(v, lo);
  v = std::min(v, hi);
  float t = 0.0f;
  if (hi != lo)
    t = static_cast<float>((static_cast<double>(v) - static_cast<double>(lo)) /
                           std::fabs(static_cast<double>(hi) - static_cast<double>(lo)));
  if (t > 1.0f) t = 1.0f;
  const double td = static_cast<double>(t);
  return static_cast<float>(td * static_cast<double>(outHi) + (1.0 - td) * static_cast<double>(outLo));
}

double MapRange(double lo, double hi, double v, double outLo, double outHi) {
  if (lo == hi) return v <= lo ? outLo : outHi;
  if (lo > hi) std::swap(lo, hi);
  v = std::clamp(v, lo, hi);
  const double t = (v - lo) / (hi - lo);
  return t * outHi + (1.0 - t) * outLo;
}

}  // namespace nox
