// Synthetic but realistic star fields for demonstrations and tests: Moffat-profile stars with a
// power-law brightness distribution, faint nebulosity, a sky background with a slight gradient,
// and the noise of a real sensor (Poisson shot noise of the collected electrons plus Gaussian
// read noise). The noise-free image is kept beside the noisy one, so that a denoiser can be
// judged against the truth.
#pragma once

#include <cstdint>
#include <vector>

#include "ImageFile.h"

namespace nox {

struct StarFieldOptions {
  int width = 1024;
  int height = 768;
  bool colour = true;
  std::uint64_t seed = 1;
  double sky = 1000.0;        // background level, ADU
  double readNoise = 8.0;     // read noise, ADU
  double gain = 1.0;          // electrons per ADU (shot noise follows the electron count)
  int starCount = -1;         // -1: about one star per 1500 pixels
  double minFlux = 400.0;     // total flux of the faintest star, ADU
  double maxFlux = 1.5e6;     // total flux of the brightest possible star, ADU
  double fluxSlope = 0.8;     // N(> F) proportional to F^-slope
  double fwhm = 3.0;          // mean full width at half maximum of the stars, pixels
  double nebula = 0.5;        // peak nebulosity, as a fraction of the sky level (0: none)
  bool noise = true;          // false: the noisy image equals the noise-free one
};

struct Star {
  double x = 0.0;   // centre, pixels (column), 0 = centre of the first pixel
  double y = 0.0;   // centre, pixels (row, top row 0)
  double flux = 0.0;  // total flux in the green (or only) channel, ADU
  double fwhm = 0.0;
  double colour[3] = {1.0, 1.0, 1.0};  // flux multiplier per channel (red, green, blue)
};

struct StarField {
  PlaneImage clean;   // noise-free, unclamped
  PlaneImage noisy;   // with sensor noise, clamped to 0..65535 and rounded to whole ADU
  std::vector<Star> stars;
};

// Renders a star field; the same options (seed included) give the same field.
StarField MakeStarField(const StarFieldOptions& options);

// Adds one Moffat star (beta 3) of total flux `flux` centred at (x, y) to a plane. The profile
// is normalised over its whole footprint, so the flux that lands inside the plane equals `flux`
// unless the star sits at an edge.
void AddMoffatStar(std::vector<float>& plane, int width, int height, double x, double y,
                   double flux, double fwhm);

}  // namespace nox
