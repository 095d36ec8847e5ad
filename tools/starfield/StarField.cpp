#include "StarField.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace nox {
namespace {

constexpr double kBeta = 3.0;
constexpr double kPi = 3.14159265358979323846;

// Smooth random texture in [0, 1]: value noise of several octaves, each a grid of random
// values blended with a smooth-step.
class ValueNoise {
 public:
  ValueNoise(std::mt19937_64& rng, int width, int height) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int octave = 0; octave < kOctaves; ++octave) {
      const int cell = 128 >> octave;
      Grid g;
      g.cell = cell;
      g.cols = width / cell + 2;
      g.rows = height / cell + 2;
      g.values.resize(static_cast<std::size_t>(g.cols) * static_cast<std::size_t>(g.rows));
      for (double& v : g.values) v = u(rng);
      grids_.push_back(std::move(g));
    }
  }

  double At(int x, int y) const {
    double sum = 0.0, weight = 0.0, amplitude = 1.0;
    for (const Grid& g : grids_) {
      sum += amplitude * g.At(x, y);
      weight += amplitude;
      amplitude *= 0.5;
    }
    return sum / weight;
  }

 private:
  static constexpr int kOctaves = 4;
  struct Grid {
    int cell = 1, cols = 0, rows = 0;
    std::vector<double> values;
    double V(int c, int r) const { return values[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c)]; }
    double At(int x, int y) const {
      const int c = x / cell, r = y / cell;
      double fx = static_cast<double>(x % cell) / cell, fy = static_cast<double>(y % cell) / cell;
      fx = fx * fx * (3.0 - 2.0 * fx);
      fy = fy * fy * (3.0 - 2.0 * fy);
      const double top = V(c, r) + (V(c + 1, r) - V(c, r)) * fx;
      const double bottom = V(c, r + 1) + (V(c + 1, r + 1) - V(c, r + 1)) * fx;
      return top + (bottom - top) * fy;
    }
  };
  std::vector<Grid> grids_;
};

struct Blob {
  double x, y, sx, sy, angle, weight;
};

}  // namespace

void AddMoffatStar(std::vector<float>& plane, int width, int height, double x, double y,
                   double flux, double fwhm) {
  if (!(flux > 0.0) || !(fwhm > 0.0)) return;
  const double alpha = fwhm / (2.0 * std::sqrt(std::pow(2.0, 1.0 / kBeta) - 1.0));
  // Wide enough that the profile has fallen to a small fraction of the sky noise.
  const int radius = static_cast<int>(std::ceil(fwhm * (flux > 1e5 ? 8.0 : 5.0)));
  const int x0 = static_cast<int>(std::lround(x)), y0 = static_cast<int>(std::lround(y));
  const int side = 2 * radius + 1;
  std::vector<double> kernel(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
  double total = 0.0;
  // 3 x 3 sub-samples per pixel keep the core's flux right for narrow stars.
  for (int j = -radius; j <= radius; ++j) {
    for (int i = -radius; i <= radius; ++i) {
      double v = 0.0;
      for (int sj = -1; sj <= 1; ++sj) {
        for (int si = -1; si <= 1; ++si) {
          const double dx = x0 + i + si / 3.0 - x, dy = y0 + j + sj / 3.0 - y;
          v += std::pow(1.0 + (dx * dx + dy * dy) / (alpha * alpha), -kBeta);
        }
      }
      kernel[static_cast<std::size_t>(j + radius) * static_cast<std::size_t>(side) + static_cast<std::size_t>(i + radius)] = v;
      total += v;
    }
  }
  const double scale = flux / total;
  for (int j = -radius; j <= radius; ++j) {
    const int py = y0 + j;
    if (py < 0 || py >= height) continue;
    for (int i = -radius; i <= radius; ++i) {
      const int px = x0 + i;
      if (px < 0 || px >= width) continue;
      plane[static_cast<std::size_t>(py) * static_cast<std::size_t>(width) + static_cast<std::size_t>(px)] +=
          static_cast<float>(scale * kernel[static_cast<std::size_t>(j + radius) * static_cast<std::size_t>(side) + static_cast<std::size_t>(i + radius)]);
    }
  }
}

StarField MakeStarField(const StarFieldOptions& o) {
  if (o.width < 1 || o.height < 1 || o.width > kMaxImageSide || o.height > kMaxImageSide) {
    throw std::invalid_argument("star field size must be 1 to 65535 pixels a side");
  }
  if (!(o.gain > 0.0) || o.sky < 0.0 || o.readNoise < 0.0 || !(o.minFlux > 0.0) ||
      o.maxFlux < o.minFlux || !(o.fluxSlope > 0.0) || !(o.fwhm > 0.0) || o.nebula < 0.0) {
    throw std::invalid_argument("star field options out of range");
  }
  std::mt19937_64 rng(o.seed);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  const int channels = o.colour ? 3 : 1;
  const int w = o.width, h = o.height;

  StarField field;
  field.clean.Resize(w, h, channels);

  // Sky: a slight gradient (light pollution towards one corner), a little bluish-green.
  const double skyTint[3] = {1.0, 1.06, 0.92};
  // Nebulosity: a few soft elongated clouds shaped by a smooth texture; reddish in colour.
  const double nebulaTint[3] = {1.0, 0.45, 0.65};
  ValueNoise texture(rng, w, h);
  std::vector<Blob> blobs(3 + static_cast<std::size_t>(u(rng) * 3.0));
  for (Blob& b : blobs) {
    b = {u(rng) * w, u(rng) * h, (0.08 + 0.15 * u(rng)) * w, (0.08 + 0.15 * u(rng)) * h,
         u(rng) * kPi, 0.4 + 0.6 * u(rng)};
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double cloud = 0.0;
      for (const Blob& b : blobs) {
        const double dx = x - b.x, dy = y - b.y;
        const double ca = std::cos(b.angle), sa = std::sin(b.angle);
        const double rx = (ca * dx + sa * dy) / b.sx, ry = (-sa * dx + ca * dy) / b.sy;
        cloud += b.weight * std::exp(-0.5 * (rx * rx + ry * ry));
      }
      cloud = std::min(1.0, cloud) * (0.3 + 0.7 * texture.At(x, y));
      const double gradient = 1.0 + 0.08 * (static_cast<double>(x) / w + static_cast<double>(y) / h - 1.0);
      const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
      for (int c = 0; c < channels; ++c) {
        const int tint = o.colour ? c : 1;
        field.clean.planes[static_cast<std::size_t>(c)][i] = static_cast<float>(
            o.sky * gradient * skyTint[tint] + o.nebula * o.sky * cloud * nebulaTint[tint]);
      }
    }
  }

  // Stars: uniform positions, power-law fluxes, a little spread in width, colours from bluish
  // to reddish.
  const int count = o.starCount >= 0 ? o.starCount
                                     : std::max(1, static_cast<int>(static_cast<double>(w) * h / 1500.0));
  field.stars.reserve(static_cast<std::size_t>(count));
  for (int s = 0; s < count; ++s) {
    Star star;
    star.x = u(rng) * (w - 1);
    star.y = u(rng) * (h - 1);
    star.flux = std::min(o.maxFlux, o.minFlux * std::pow(1.0 - u(rng), -1.0 / o.fluxSlope));
    star.fwhm = o.fwhm * (0.9 + 0.2 * u(rng));
    const double t = u(rng);
    star.colour[0] = o.colour ? 0.75 + 0.5 * t : 1.0;
    star.colour[2] = o.colour ? 1.25 - 0.5 * t : 1.0;
    for (int c = 0; c < channels; ++c) {
      AddMoffatStar(field.clean.planes[static_cast<std::size_t>(c)], w, h, star.x, star.y,
                    star.flux * star.colour[c], star.fwhm);
    }
    field.stars.push_back(star);
  }

  field.noisy = field.clean;
  std::normal_distribution<double> normal(0.0, 1.0);
  for (auto& plane : field.noisy.planes) {
    for (float& v : plane) {
      double value = v;
      if (o.noise) {
        const double electrons = std::max(0.0, value * o.gain);
        double counted;
        if (electrons <= 0.0) {
          counted = 0.0;
        } else if (electrons < 50.0) {
          std::poisson_distribution<long long> poisson(electrons);
          counted = static_cast<double>(poisson(rng));
        } else {
          counted = electrons + std::sqrt(electrons) * normal(rng);
        }
        value = counted / o.gain + o.readNoise * normal(rng);
      }
      v = static_cast<float>(std::clamp(std::nearbyint(value), 0.0, 65535.0));
    }
  }
  return field;
}

}  // namespace nox
