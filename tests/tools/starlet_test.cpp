// The starlet denoiser and its noise estimate, judged against synthetic fields whose noise-free
// truth is known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "StarField.h"
#include "Starlet.h"

namespace nox {
namespace {

std::vector<float> GaussianNoise(int width, int height, double sigma, double mean, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> normal(mean, sigma);
  std::vector<float> v(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (float& x : v) x = static_cast<float>(normal(rng));
  return v;
}

double Rms(const std::vector<float>& a, const std::vector<float>& b) {
  double sum = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
  return std::sqrt(sum / static_cast<double>(a.size()));
}

double StdDev(const std::vector<float>& a) {
  const double mean = std::accumulate(a.begin(), a.end(), 0.0) / static_cast<double>(a.size());
  double sum = 0.0;
  for (float v : a) sum += (v - mean) * (v - mean);
  return std::sqrt(sum / static_cast<double>(a.size()));
}

std::vector<double> Sigmas(const PlaneImage& image) {
  std::vector<double> s;
  for (const auto& p : image.planes) s.push_back(EstimateNoiseSigma(p.data(), image.width, image.height));
  return s;
}

std::vector<float*> Pointers(PlaneImage& image) {
  std::vector<float*> p;
  for (auto& plane : image.planes) p.push_back(plane.data());
  return p;
}

TEST(StarletTransform, ScalesAndResidualAddUpToThePlaneEvenWhenKernelsOutgrowIt) {
  for (auto [w, h] : {std::pair{37, 23}, std::pair{1, 9}, std::pair{6, 1}, std::pair{1, 1}}) {
    const std::vector<float> plane = GaussianNoise(w, h, 100.0, 1000.0, 7);
    std::vector<std::vector<float>> scales;
    StarletDecompose(plane.data(), w, h, 5, scales, 2);
    ASSERT_EQ(6u, scales.size());
    for (std::size_t i = 0; i < plane.size(); ++i) {
      double sum = 0.0;
      for (const auto& s : scales) sum += s[i];
      ASSERT_NEAR(plane[i], sum, 1e-2) << w << "x" << h << " at " << i;
    }
  }
}

TEST(StarletTransform, WhiteNoiseSpreadsOverScalesByTheTabulatedFactors) {
  const int n = 512;
  const std::vector<float> noise = GaussianNoise(n, n, 1.0, 0.0, 11);
  std::vector<std::vector<float>> scales;
  StarletDecompose(noise.data(), n, n, 5, scales, 2);
  // Coarse scales are strongly correlated, so their sample deviation wanders more.
  const double tolerance[5] = {0.02, 0.03, 0.04, 0.08, 0.12};
  for (int j = 1; j <= 5; ++j) {
    EXPECT_NEAR(1.0, StdDev(scales[static_cast<std::size_t>(j) - 1]) / StarletNoiseFactor(j),
                tolerance[j - 1])
        << "scale " << j;
  }
  EXPECT_NEAR(StarletNoiseFactor(9) / 2, StarletNoiseFactor(10), 1e-12);
}

TEST(StarletTransform, ScaleCountShrinksToFitTheShorterSide) {
  EXPECT_EQ(5, EffectiveScales(5, 1024, 768));
  EXPECT_EQ(3, EffectiveScales(5, 1024, 15));  // 2^3 = 8 <= 15 < 16
  EXPECT_EQ(1, EffectiveScales(5, 1, 1));
  EXPECT_EQ(1, EffectiveScales(0, 500, 500));
}

TEST(NoiseEstimate, RecoversGaussianSigmaUnderStarsAndGradients) {
  const int w = 400, h = 300;
  std::vector<float> plane = GaussianNoise(w, h, 20.0, 0.0, 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) plane[static_cast<std::size_t>(y * w + x)] += 500.0f + 2.0f * static_cast<float>(x);
  for (int s = 0; s < 40; ++s) AddMoffatStar(plane, w, h, 10.0 + 9.5 * s, 20.0 + 6.5 * s, 3e4, 3.0);
  EXPECT_NEAR(20.0, EstimateNoiseSigma(plane.data(), w, h), 1.0);
}

TEST(NoiseEstimate, MatchesTheSensorNoiseOfASyntheticField) {
  StarFieldOptions o;
  o.width = 640;
  o.height = 480;
  o.colour = false;
  o.sky = 900.0;
  o.readNoise = 12.0;
  const StarField field = MakeStarField(o);
  const double expected = std::sqrt(900.0 + 144.0);  // sky shot noise and read noise
  EXPECT_NEAR(expected, EstimateNoiseSigma(field.noisy.planes[0].data(), 640, 480), 0.08 * expected);
  EXPECT_LT(EstimateNoiseSigma(field.clean.planes[0].data(), 640, 480), 1.0);
}

TEST(NoiseEstimate, SubsamplesLargePlanesWithoutLosingAccuracy) {
  const int w = 2500, h = 1200;  // three million pixels: evaluated on a grid
  const std::vector<float> plane = GaussianNoise(w, h, 7.0, 300.0, 5);
  EXPECT_NEAR(7.0, EstimateNoiseSigma(plane.data(), w, h), 0.3);
}

class StarletDenoiseField : public ::testing::Test {
 protected:
  static StarFieldOptions Options(bool colour) {
    StarFieldOptions o;
    o.width = 512;
    o.height = 384;
    o.colour = colour;
    o.seed = 2024;
    o.maxFlux = 4e5;  // nothing saturates, so flux can be compared with the truth
    o.starCount = 300;
    o.fluxSlope = 0.6;  // more bright stars than usual
    return o;
  }
};

TEST_F(StarletDenoiseField, RemovesMostOfTheNoiseAndKeepsStarFluxAndPositions) {
  const StarFieldOptions o = Options(true);
  const StarField field = MakeStarField(o);
  StarFieldOptions bare = o;
  bare.starCount = 0;
  bare.noise = false;
  const StarField background = MakeStarField(bare);  // same sky and nebulosity, no stars

  PlaneImage out = field.noisy;
  const std::vector<double> before = Sigmas(field.noisy);
  StarletDenoise(Pointers(out), out.width, out.height, before, StarletParams{});
  const std::vector<double> after = Sigmas(out);

  for (std::size_t c = 0; c < 3; ++c) {
    // Error against the truth away from the stars' cores (where the stars add less than about
    // one noise sigma), where almost all of the image lies.
    double before2 = 0.0, after2 = 0.0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < out.PixelCount(); ++i) {
      if (field.clean.planes[c][i] - background.clean.planes[c][i] > 30.0f) continue;
      const double truth = field.clean.planes[c][i];
      before2 += (field.noisy.planes[c][i] - truth) * (field.noisy.planes[c][i] - truth);
      after2 += (out.planes[c][i] - truth) * (out.planes[c][i] - truth);
      ++count;
    }
    EXPECT_GT(count, out.PixelCount() * 9 / 10);
    EXPECT_GT(std::sqrt(before2 / after2), 3.5) << "channel " << c;
    // Over the whole image, bright stars keep their own shot noise, yet the error still drops.
    EXPECT_GT(Rms(field.noisy.planes[c], field.clean.planes[c]) / Rms(out.planes[c], field.clean.planes[c]), 2.5)
        << "channel " << c;
    EXPECT_GT(before[c] / after[c], 10.0) << "channel " << c;
  }

  // Bright stars away from the edges and from other bright stars.
  int checked = 0, ratios = 0;
  double ratioSum = 0.0;
  const int w = o.width, h = o.height, r = 9;
  for (const Star& s : field.stars) {
    if (s.flux < 2.5e4 || s.x < r + 2 || s.y < r + 2 || s.x > w - r - 3 || s.y > h - r - 3) continue;
    const bool crowded = std::any_of(field.stars.begin(), field.stars.end(), [&](const Star& t) {
      return &t != &s && t.flux > 0.05 * s.flux && std::hypot(t.x - s.x, t.y - s.y) < 2.0 * r;
    });
    if (crowded) continue;
    const int cx = static_cast<int>(std::lround(s.x)), cy = static_cast<int>(std::lround(s.y));
    for (std::size_t c = 0; c < 3; ++c) {
      double flux = 0.0;
      for (int y = cy - r; y <= cy + r; ++y)
        for (int x = cx - r; x <= cx + r; ++x)
          if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) {
            const std::size_t i = static_cast<std::size_t>(y * w + x);
            flux += double(out.planes[c][i]) - background.clean.planes[c][i];
          }
      ratioSum += flux / (s.flux * s.colour[c]);
      ++ratios;
      EXPECT_NEAR(1.0, flux / (s.flux * s.colour[c]), 0.04)
          << "star at " << s.x << "," << s.y << " flux " << s.flux << " channel " << c;
      auto peak = [&](const std::vector<float>& p) {
        int best = -1;
        float value = -1e30f;
        for (int y = cy - 2; y <= cy + 2; ++y)
          for (int x = cx - 2; x <= cx + 2; ++x)
            if (p[static_cast<std::size_t>(y * w + x)] > value) {
              value = p[static_cast<std::size_t>(y * w + x)];
              best = y * w + x;
            }
        return best;
      };
      EXPECT_EQ(peak(field.clean.planes[c]), peak(out.planes[c])) << "star at " << s.x << "," << s.y;
    }
    ++checked;
  }
  EXPECT_GE(checked, 5);
  EXPECT_NEAR(1.0, ratioSum / ratios, 0.015);  // no systematic gain or loss of flux
}

TEST_F(StarletDenoiseField, ResultDoesNotDependOnTheThreadCount) {
  const StarField field = MakeStarField(Options(false));
  PlaneImage one = field.noisy, many = field.noisy;
  StarletParams p;
  p.threads = 1;
  StarletDenoise(Pointers(one), one.width, one.height, Sigmas(one), p);
  p.threads = 3;
  StarletDenoise(Pointers(many), many.width, many.height, Sigmas(many), p);
  EXPECT_EQ(one.planes[0], many.planes[0]);
}

TEST_F(StarletDenoiseField, SoftThresholdingAlsoDenoises) {
  const StarField field = MakeStarField(Options(false));
  PlaneImage out = field.noisy;
  StarletParams p;
  p.mode = ThresholdMode::Soft;
  p.kFinest = p.k = 2.0;
  StarletDenoise(Pointers(out), out.width, out.height, Sigmas(out), p);
  EXPECT_GT(Rms(field.noisy.planes[0], field.clean.planes[0]) / Rms(out.planes[0], field.clean.planes[0]), 2.0);
}

TEST(StarletDenoise, FlatPlaneStaysFlatAndNoisyFlatPlaneKeepsItsLevel) {
  const int w = 300, h = 200;
  std::vector<float> flat(static_cast<std::size_t>(w * h), 1234.0f);
  StarletDenoise({flat.data()}, w, h, {30.0}, StarletParams{});
  for (float v : flat) ASSERT_NEAR(1234.0f, v, 1e-2f);

  std::vector<float> noisy = GaussianNoise(w, h, 30.0, 1234.0, 9);
  const double sigma = EstimateNoiseSigma(noisy.data(), w, h);
  StarletDenoise({noisy.data()}, w, h, {sigma}, StarletParams{});
  const double mean = std::accumulate(noisy.begin(), noisy.end(), 0.0) / static_cast<double>(noisy.size());
  EXPECT_NEAR(1234.0, mean, 0.5);
  EXPECT_LT(StdDev(noisy), 30.0 / 5);
}

// The default rule shrinks every scale by its local share of signal and then restores the data
// around plainly significant sources. Faults it is prone to: a star gaining flux where its
// faint negative rings are thinned, a star's colour or a flat colour drifting through the
// luminance and colour-difference planes, and samples below zero where the sky is dark.
TEST(StarletDenoise, WienerRuleKeepsStarFluxAndFlatColourAndNeverGoesNegative) {
  struct Case {
    const char* name;
    std::vector<double> sky;  // level of each plane
    double noise;             // Gaussian noise sigma added to every plane (0: none)
    double starFlux;          // flux of one star in the middle (0: none)
  };
  const Case cases[] = {
      {"bright star, grey", {1000.0}, 32.0, 2.0e5},
      {"bright star, colour", {1000.0, 1060.0, 920.0}, 32.0, 2.0e5},
      {"dark noisy sky", {4.0, 6.0, 3.0}, 10.0, 0.0},
      {"flat colour", {1000.0, 1100.0, 900.0}, 0.0, 0.0},
  };
  const int w = 256, h = 192, r = 12;
  const double starColour[3] = {0.8, 1.0, 1.2};
  for (const Case& c : cases) {
    std::vector<std::vector<float>> truth, planes;
    std::vector<double> sigmas;
    for (std::size_t p = 0; p < c.sky.size(); ++p) {
      std::vector<float> plane(static_cast<std::size_t>(w * h), static_cast<float>(c.sky[p]));
      const double colour = c.sky.size() == 3 ? starColour[p] : 1.0;
      AddMoffatStar(plane, w, h, w / 2 + 0.3, h / 2 - 0.2, c.starFlux * colour, 3.0);
      truth.push_back(plane);
      if (c.noise > 0.0) {
        const std::vector<float> noise = GaussianNoise(w, h, c.noise, 0.0, 21 + static_cast<unsigned>(p));
        for (std::size_t i = 0; i < plane.size(); ++i) plane[i] += noise[i];
      }
      sigmas.push_back(c.noise > 0.0 ? EstimateNoiseSigma(plane.data(), w, h) : 30.0);
      planes.push_back(plane);
    }
    std::vector<float*> pointers;
    for (auto& p : planes) pointers.push_back(p.data());
    StarletDenoise(pointers, w, h, sigmas, StarletParams{});

    for (std::size_t p = 0; p < planes.size(); ++p) {
      const auto low = *std::min_element(planes[p].begin(), planes[p].end());
      EXPECT_GE(low, 0.0f) << c.name << ", plane " << p;
      if (c.noise == 0.0) {
        for (float v : planes[p]) ASSERT_NEAR(c.sky[p], v, 0.05) << c.name << ", plane " << p;
      }
      if (c.starFlux > 0.0) {
        double got = 0.0, want = 0.0;
        for (int y = h / 2 - r; y <= h / 2 + r; ++y)
          for (int x = w / 2 - r; x <= w / 2 + r; ++x) {
            if ((x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) > r * r) continue;
            const std::size_t i = static_cast<std::size_t>(y * w + x);
            got += planes[p][i] - c.sky[p];
            want += truth[p][i] - c.sky[p];
          }
        EXPECT_NEAR(1.0, got / want, 0.01) << c.name << ", plane " << p;
      }
    }
    if (c.noise > 0.0) {  // and the noise did go
      EXPECT_LT(Rms(planes[0], truth[0]), c.noise / 4) << c.name;
    }
  }
}

TEST(StarletDenoise, ReportsProgressFromZeroToOneInOrder) {
  const int w = 200, h = 150;
  std::vector<float> a = GaussianNoise(w, h, 10.0, 100.0, 1), b = a;
  std::vector<double> seen;
  StarletParams p;
  p.threads = 2;
  StarletDenoise({a.data(), b.data()}, w, h, {10.0, 0.0}, p, [&](double f) { seen.push_back(f); });
  ASSERT_GE(seen.size(), 10u);
  EXPECT_EQ(0.0, seen.front());
  EXPECT_EQ(1.0, seen.back());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  // The plane with sigma 0 is left exactly as it was; the other one is changed.
  EXPECT_EQ(a.size(), b.size());
  EXPECT_NE(GaussianNoise(w, h, 10.0, 100.0, 1), a);
  EXPECT_EQ(GaussianNoise(w, h, 10.0, 100.0, 1), b);
}

TEST(StarletDenoise, TinyPlanesAndBadArguments) {
  for (auto [w, h] : {std::pair{1, 1}, std::pair{2, 3}, std::pair{7, 1}, std::pair{1, 40}}) {
    std::vector<float> p = GaussianNoise(w, h, 10.0, 100.0, 4);
    StarletDenoise({p.data()}, w, h, {10.0}, StarletParams{});
    for (float v : p) EXPECT_TRUE(std::isfinite(v));
  }
  std::vector<float> p(4, 1.0f);
  EXPECT_THROW(StarletDenoise({p.data()}, 2, 2, {}, StarletParams{}), std::invalid_argument);
  EXPECT_THROW(StarletDenoise({p.data()}, 0, 2, {1.0}, StarletParams{}), std::invalid_argument);
  EXPECT_THROW(StarletDenoise({nullptr}, 2, 2, {1.0}, StarletParams{}), std::invalid_argument);
}

}  // namespace
}  // namespace nox
