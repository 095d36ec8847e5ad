// Multiscale starlet denoiser: the isotropic undecimated B3-spline ("a trous") wavelet transform
// with per-scale shrinkage derived from a robust noise estimate of the data.
//
// An image plane is decomposed into wavelet scales w1..wJ and a smooth residual cJ, so that
// plane = w1 + ... + wJ + cJ exactly. Coefficients that are indistinguishable from noise are
// removed scale by scale; the residual is kept untouched, which preserves the background and
// the total flux.
//
// The default rule is an empirical Wiener shrinkage: each coefficient is scaled by the share of
// signal in the energy of its neighbourhood, so that flat sky is smoothed hard while a star and
// the faint negative ring around it are kept together (the star keeps its flux). Where the
// shrinkage took a little off a plainly significant bright peak, that shortfall is put back from
// the residual; the result is never negative. Colour images are denoised as a luminance and
// two colour differences, which share the stars' signal and not their noise.
//
// The older k-sigma rules (hard or soft) remain: a coefficient is kept where it is significant
// itself or where the next coarser scale is significant at the same pixel.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace nox {

// Thresholding rule applied to the wavelet coefficients of each scale.
enum class ThresholdMode {
  Wiener,  // shrink by the local share of signal, restore significant peaks: the default
  Hard,  // keep |w| > T unchanged, zero the rest: preserves the profile and flux of stars
  Soft,  // shrink every coefficient towards zero by T: smoother, but dims faint structure
};

struct StarletParams {
  int scales = 5;                // number of wavelet scales J; the residual cJ is kept
  double kFinest = 3.5;          // k-sigma rules: threshold of the finest scale, in noise sigmas
  double k = 3.0;                // k-sigma rules: threshold of every coarser scale
  ThresholdMode mode = ThresholdMode::Wiener;
  bool colour = true;            // Wiener rule: three planes are red, green, blue (see above)
  unsigned threads = 0;          // worker threads; 0 chooses the hardware concurrency
};

// Standard deviation of starlet scale `scale` (1-based) for white Gaussian noise of unit
// sigma. Scales beyond the table halve from the last entry.
double StarletNoiseFactor(int scale);

// Number of scales actually used for a plane of the given size: the requested count, bounded
// so that the widest kernel still fits the shorter side, and at least 1.
int EffectiveScales(int requested, int width, int height);

// Robust noise sigma of one plane (row-major, `width` x `height` samples): the median absolute
// deviation of the finest starlet scale, divided by 0.6745 and by that scale's noise factor.
// Evaluated on a regular grid of at most about one million pixels; exact for small planes.
// Returns 0 for a plane without noise (for example a constant one).
double EstimateNoiseSigma(const float* plane, int width, int height);

// Receives the fraction of the work done so far, from 0 to 1. Called on the thread that called
// the denoiser only, at most once per finished block of rows.
using ProgressFn = std::function<void(double fraction)>;

// Denoises the planes in place (each plane is a channel of the same size; with the Wiener rule
// three planes whose sigmas are all above 0 are denoised together as colour, others one after
// the other). `sigmas` holds the noise sigma of each plane (usually from EstimateNoiseSigma); a
// sigma of 0 leaves that plane exactly as it was. Throws std::invalid_argument for inconsistent arguments
// and std::bad_alloc when the work buffers cannot be allocated.
void StarletDenoise(const std::vector<float*>& planes, int width, int height,
                    const std::vector<double>& sigmas, const StarletParams& params,
                    const ProgressFn& progress = {});

// The starlet transform itself, for callers that want the scales: fills `scales` with
// J = scales.size() - 1 wavelet planes followed by the residual, each width x height.
// Their sum reproduces the input up to rounding.
void StarletDecompose(const float* plane, int width, int height, int scaleCount,
                      std::vector<std::vector<float>>& scales, unsigned threads = 1);

}  // namespace nox
