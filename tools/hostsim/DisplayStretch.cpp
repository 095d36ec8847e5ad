#include "DisplayStretch.h"

#include <algorithm>
#include <cmath>

namespace nox {

namespace {

constexpr size_t kMaxSampledValues = 400000;
constexpr double kBlackFraction = 0.005;
constexpr double kWhiteFraction = 0.998;
constexpr double kTargetMedian = 0.25;

void SamplePlane(const std::vector<float>& plane, size_t step, std::vector<float>& values) {
  for (size_t i = 0; i < plane.size(); i += step) {
    if (std::isfinite(plane[i])) values.push_back(plane[i]);
  }
}

double Quantile(std::vector<float>& values, double fraction) {
  const auto index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(index), values.end());
  return values[index];
}

uint8_t ToByte(double value, const StretchLevels& levels) {
  if (!std::isfinite(value)) return 0;
  double x = (value - levels.black) / (levels.white - levels.black);
  x = std::clamp(x, 0.0, 1.0);
  return static_cast<uint8_t>(std::lround(MidtoneTransfer(levels.midtone, x) * 255.0));
}

}  // namespace

double MidtoneTransfer(double midtone, double x) {
  if (x <= 0.0) return 0.0;
  if (x >= 1.0) return 1.0;
  if (x == midtone) return 0.5;
  return ((midtone - 1.0) * x) / ((2.0 * midtone - 1.0) * x - midtone);
}

StretchLevels ChooseStretchLevels(const HostImage& image) {
  StretchLevels levels;
  const size_t planes = image.colour ? 3 : 1;
  const size_t total = image.plane0.size() * planes;
  if (total == 0) return levels;
  const size_t step = std::max<size_t>(1, (total + kMaxSampledValues - 1) / kMaxSampledValues);
  std::vector<float> values;
  values.reserve(total / step + planes);
  SamplePlane(image.plane0, step, values);
  if (image.colour) {
    SamplePlane(image.plane2, step, values);
    SamplePlane(image.plane3, step, values);
  }
  if (values.empty()) return levels;

  levels.black = Quantile(values, kBlackFraction);
  levels.white = Quantile(values, kWhiteFraction);
  if (!(levels.white > levels.black)) levels.white = levels.black + 1.0;
  const double median = Quantile(values, 0.5);
  const double m = (median - levels.black) / (levels.white - levels.black);
  // The midtone that sends m to the target is the transfer of m with the target as midtone.
  if (m > 0.0 && m < kTargetMedian) levels.midtone = MidtoneTransfer(kTargetMedian, m);
  return levels;
}

DisplayPicture RenderForDisplay(const HostImage& image, const StretchLevels& levels) {
  DisplayPicture picture;
  picture.width = image.width;
  picture.height = image.height;
  picture.stride = (static_cast<size_t>(std::max(image.width, 0)) * 3 + 3) & ~static_cast<size_t>(3);
  if (image.width <= 0 || image.height <= 0 || image.plane0.size() != image.SampleCount()) {
    picture.width = picture.height = 0;
    picture.stride = 0;
    return picture;
  }
  picture.bgr.assign(picture.stride * static_cast<size_t>(image.height), 0);
  const auto w = static_cast<size_t>(image.width);
  for (size_t y = 0; y < static_cast<size_t>(image.height); ++y) {
    uint8_t* row = picture.bgr.data() + y * picture.stride;
    for (size_t x = 0; x < w; ++x) {
      const size_t i = y * w + x;
      uint8_t* px = row + x * 3;
      if (image.colour) {
        px[0] = ToByte(image.plane3[i], levels);
        px[1] = ToByte(image.plane0[i], levels);
        px[2] = ToByte(image.plane2[i], levels);
      } else {
        px[0] = px[1] = px[2] = ToByte(image.plane0[i], levels);
      }
    }
  }
  return picture;
}

}  // namespace nox
