// The synthetic star fields the denoiser is judged on: their truth must be what it claims.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "StarField.h"

namespace nox {
namespace {

double Sum(const std::vector<float>& v) { return std::accumulate(v.begin(), v.end(), 0.0); }

TEST(StarField, MoffatStarCarriesItsFluxAndPeaksAtItsCentre) {
  const int w = 64, h = 48;
  std::vector<float> plane(static_cast<std::size_t>(w * h), 0.0f);
  AddMoffatStar(plane, w, h, 30.3, 20.0, 5e4, 3.0);
  EXPECT_NEAR(5e4, Sum(plane), 5.0);
  const auto peak = std::max_element(plane.begin(), plane.end()) - plane.begin();
  EXPECT_EQ(20 * w + 30, peak);
  // Half maximum about 1.5 pixels from the centre (FWHM 3).
  const double centre = plane[static_cast<std::size_t>(20 * w + 30)];
  const double left = plane[static_cast<std::size_t>(20 * w + 29)];  // 1.3 px away
  const double far = plane[static_cast<std::size_t>(20 * w + 28)];   // 2.3 px away
  EXPECT_GT(left, 0.5 * centre);
  EXPECT_LT(far, 0.5 * centre);

  // A star on the edge loses the part of its profile outside the plane.
  std::vector<float> edge(static_cast<std::size_t>(w * h), 0.0f);
  AddMoffatStar(edge, w, h, 0.0, 20.0, 5e4, 3.0);
  EXPECT_LT(Sum(edge), 0.7 * 5e4);  // half the profile plus the centre column
  EXPECT_GT(Sum(edge), 0.5 * 5e4);
}

TEST(StarField, SameSeedSameFieldOtherSeedOtherField) {
  StarFieldOptions o;
  o.width = 200;
  o.height = 100;
  const StarField a = MakeStarField(o), b = MakeStarField(o);
  EXPECT_EQ(a.noisy.planes, b.noisy.planes);
  o.seed = 2;
  EXPECT_NE(a.noisy.planes, MakeStarField(o).noisy.planes);
}

TEST(StarField, NoiseIsShotPlusReadNoiseAndPixelsAreWhole16BitValues) {
  StarFieldOptions o;
  o.width = 300;
  o.height = 200;
  o.colour = true;
  o.starCount = 0;
  o.nebula = 0.0;
  o.sky = 2000.0;
  o.gain = 2.0;
  o.readNoise = 5.0;
  const StarField f = MakeStarField(o);
  ASSERT_EQ(3, f.noisy.Channels());
  ASSERT_EQ(300 * 200u, f.noisy.PixelCount());
  for (std::size_t c = 0; c < 3; ++c) {
    double sum = 0.0;
    for (std::size_t i = 0; i < f.noisy.PixelCount(); ++i) {
      const double d = double(f.noisy.planes[c][i]) - f.clean.planes[c][i];
      sum += d * d;
      ASSERT_EQ(f.noisy.planes[c][i], std::floor(f.noisy.planes[c][i]));
    }
    const double level = Sum(f.clean.planes[c]) / static_cast<double>(f.clean.PixelCount());
    const double expected = std::sqrt(level / o.gain + o.readNoise * o.readNoise);
    EXPECT_NEAR(expected, std::sqrt(sum / static_cast<double>(f.noisy.PixelCount())), 0.05 * expected);
  }
  o.width = 0;
  EXPECT_THROW(MakeStarField(o), std::invalid_argument);
}

TEST(StarField, MonochromeFieldHasOnePlaneAndTheRequestedStars) {
  StarFieldOptions o;
  o.width = 150;
  o.height = 120;
  o.colour = false;
  o.starCount = 17;
  const StarField f = MakeStarField(o);
  EXPECT_EQ(1, f.clean.Channels());
  ASSERT_EQ(17u, f.stars.size());
  for (const Star& s : f.stars) {
    EXPECT_GE(s.flux, o.minFlux);
    EXPECT_LE(s.flux, o.maxFlux);
  }
}

}  // namespace
}  // namespace nox
