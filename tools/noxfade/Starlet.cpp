#include "Starlet.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <thread>

namespace nox {
namespace {

// Noise factors of the 2D B3-spline starlet for unit white Gaussian noise, scales 1 to 9.
constexpr double kNoiseFactors[] = {0.8907, 0.2007, 0.0856, 0.0413, 0.0205,
                                    0.0103, 0.0052, 0.0026, 0.0013};
constexpr int kNoiseFactorCount = static_cast<int>(sizeof(kNoiseFactors) / sizeof(kNoiseFactors[0]));

// Rows handed to a worker at a time: small enough for smooth progress and load balance,
// large enough that the shared counter is not contended.
constexpr int kRowBlock = 16;

// Reflects an index into [0, n) about the edges (without repeating the edge sample), any
// number of times, so that kernels wider than the plane stay inside it.
inline int Mirror(int i, int n) {
  if (n <= 1) return 0;
  const int period = 2 * (n - 1);
  i %= period;
  if (i < 0) i += period;
  return i < n ? i : period - i;
}

inline std::size_t Offset(int y, int width) {
  return static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
}

// B3-spline smoothing of one row with holes of size d: taps 1/16, 4/16, 6/16, 4/16, 1/16 at
// x-2d, x-d, x, x+d, x+2d.
void SmoothRow(const float* src, float* dst, int n, int d) {
  const int lo = std::min(n, 2 * d);
  const int hi = std::max(lo, n - 2 * d);
  auto edge = [&](int x) {
    const float v = 6.0f * src[x] + 4.0f * (src[Mirror(x - d, n)] + src[Mirror(x + d, n)]) +
                    src[Mirror(x - 2 * d, n)] + src[Mirror(x + 2 * d, n)];
    dst[x] = v * (1.0f / 16.0f);
  };
  for (int x = 0; x < lo; ++x) edge(x);
  for (int x = lo; x < hi; ++x) {
    const float v = 6.0f * src[x] + 4.0f * (src[x - d] + src[x + d]) + src[x - 2 * d] + src[x + 2 * d];
    dst[x] = v * (1.0f / 16.0f);
  }
  for (int x = hi; x < n; ++x) edge(x);
}

// Shared progress of one denoising call: workers add finished rows, and only the calling
// thread reports.
class Progress {
 public:
  Progress(const ProgressFn& fn, long long total) : fn_(fn), total_(std::max(1LL, total)) {}
  void Add(long long rows) { done_.fetch_add(rows, std::memory_order_relaxed); }
  void Report() const {
    if (fn_) fn_(std::min(1.0, static_cast<double>(done_.load(std::memory_order_relaxed)) /
                                   static_cast<double>(total_)));
  }

 private:
  const ProgressFn& fn_;
  long long total_;
  std::atomic<long long> done_{0};
};

// Runs fn(y) for every row y in [0, rows) on `threads` threads (the caller's included), in
// blocks of rows taken from a shared counter. fn must not throw.
template <class Fn>
void ForEachRow(int rows, unsigned threads, Progress* progress, const Fn& fn) {
  std::atomic<int> next{0};
  auto work = [&](bool caller) {
    for (;;) {
      const int y0 = next.fetch_add(kRowBlock, std::memory_order_relaxed);
      if (y0 >= rows) break;
      const int y1 = std::min(rows, y0 + kRowBlock);
      for (int y = y0; y < y1; ++y) fn(y);
      if (progress) {
        progress->Add(y1 - y0);
        if (caller) progress->Report();
      }
    }
  };
  const int blocks = (rows + kRowBlock - 1) / kRowBlock;
  const unsigned helpers = std::min(threads, static_cast<unsigned>(std::max(1, blocks))) - 1;
  std::vector<std::thread> pool;
  pool.reserve(helpers);
  for (unsigned i = 0; i < helpers; ++i) pool.emplace_back(work, false);
  work(true);
  for (auto& t : pool) t.join();
  if (progress) progress->Report();
}

unsigned ResolveThreads(unsigned requested) {
  if (requested > 0) return std::min(requested, 256u);
  const unsigned hw = std::thread::hardware_concurrency();
  return hw == 0 ? 1 : std::min(hw, 256u);
}

// One scale step of the transform: tmp = rows of cur smoothed; next = columns of tmp smoothed.
// For every finished row y of next, visit(y) runs (the wavelet plane of this scale is
// cur - next), so that thresholding happens while the rows are still in cache.
template <class Visit>
void ScaleStep(const float* cur, float* tmp, float* next, int width, int height, int d,
               unsigned threads, Progress* progress, const Visit& visit) {
  ForEachRow(height, threads, progress, [&](int y) {
    SmoothRow(cur + Offset(y, width), tmp + Offset(y, width), width, d);
  });
  ForEachRow(height, threads, progress, [&](int y) {
    const float* r0 = tmp + Offset(Mirror(y - 2 * d, height), width);
    const float* r1 = tmp + Offset(Mirror(y - d, height), width);
    const float* r2 = tmp + Offset(y, width);
    const float* r3 = tmp + Offset(Mirror(y + d, height), width);
    const float* r4 = tmp + Offset(Mirror(y + 2 * d, height), width);
    float* out = next + Offset(y, width);
    for (int x = 0; x < width; ++x) {
      out[x] = (6.0f * r2[x] + 4.0f * (r1[x] + r3[x]) + r0[x] + r4[x]) * (1.0f / 16.0f);
    }
    visit(y);
  });
}

std::vector<float> Allocate(std::size_t n) { return std::vector<float>(n); }

// k-sigma thresholding (hard or soft) of every scale, one plane after the other.
void DenoiseKSigma(const std::vector<float*>& planes, int width, int height,
                   const std::vector<double>& sigmas, const StarletParams& params,
                   const ProgressFn& progress) {
  const int scales = EffectiveScales(params.scales, width, height);
  const unsigned threads = ResolveThreads(params.threads);
  const std::size_t n = Offset(height, width);
  const bool soft = params.mode == ThresholdMode::Soft;

  // Per plane: one smoothing step per scale (two passes over the rows each) and a last pass
  // that thresholds the coarsest wavelet scale and writes the result.
  const long long passesPerPlane = 2LL * scales + 1;
  Progress tracker(progress, static_cast<long long>(planes.size()) * passesPerPlane * height);
  if (progress) progress(0.0);

  std::vector<float> tmp = Allocate(n), acc = Allocate(n);
  std::vector<float> smooth[3] = {Allocate(n), Allocate(n), Allocate(n)};

  for (std::size_t p = 0; p < planes.size(); ++p) {
    float* plane = planes[p];
    const double sigma = sigmas[p];
    if (!(sigma > 0.0) || !std::isfinite(sigma)) {
      tracker.Add(passesPerPlane * height);
      tracker.Report();
      continue;
    }
    std::vector<float> thresholds(static_cast<std::size_t>(scales) + 2, 0.0f);
    for (int j = 1; j <= scales; ++j) {
      const double k = j == 1 ? params.kFinest : params.k;
      thresholds[static_cast<std::size_t>(j)] = static_cast<float>(k * sigma * StarletNoiseFactor(j));
    }

    // A coefficient of scale j is kept when it is significant itself or when the next coarser
    // scale is significant at the same pixel. The second rule keeps the faint negative ring
    // that surrounds every star at the finer scales: without it, hard thresholding would leave
    // a bright halo around each star and add to its flux.
    auto keep = [soft](float w, float t, bool supported) -> float {
      if (soft) {
        const float m = std::fabs(w) - t;
        return supported ? w : (m > 0.0f ? std::copysign(m, w) : 0.0f);
      }
      return (supported || std::fabs(w) > t) ? w : 0.0f;
    };

    // c0 is the plane; c1, c2, ... rotate through the three smoothing buffers, named by index
    // (-1 stands for the plane itself).
    int prevIndex = -1, curIndex = 0, freeIndex = 1;
    auto buffer = [&](int index) { return index < 0 ? plane : smooth[index].data(); };
    ScaleStep(plane, tmp.data(), buffer(curIndex), width, height, 1, threads, &tracker, [](int) {});
    for (int j = 1; j <= scales; ++j) {
      const float t = thresholds[static_cast<std::size_t>(j)];
      const bool first = j == 1;
      float* accData = acc.data();
      if (j < scales) {
        const float tn = thresholds[static_cast<std::size_t>(j) + 1];
        const float* pr = buffer(prevIndex);          // c(j-1)
        const float* cu = buffer(curIndex);           // c(j)
        float* next = buffer(freeIndex);              // c(j+1)
        const float* ne = next;
        ScaleStep(cu, tmp.data(), next, width, height, 1 << j, threads, &tracker, [&](int y) {
          const std::size_t o = Offset(y, width);
          for (int x = 0; x < width; ++x) {
            const std::size_t i = o + static_cast<std::size_t>(x);
            const float w = pr[i] - cu[i];
            const float coarser = cu[i] - ne[i];
            const float kept = keep(w, t, std::fabs(coarser) > tn);
            accData[i] = first ? kept : accData[i] + kept;
          }
        });
        const int released = prevIndex >= 0 ? prevIndex : 3 - curIndex - freeIndex;
        prevIndex = curIndex;
        curIndex = freeIndex;
        freeIndex = released;
      } else {
        // Coarsest scale: threshold it, add the untouched residual c(J), and write the plane.
        const float* pr = buffer(prevIndex);
        const float* cu = buffer(curIndex);
        ForEachRow(height, threads, &tracker, [&](int y) {
          const std::size_t o = Offset(y, width);
          for (int x = 0; x < width; ++x) {
            const std::size_t i = o + static_cast<std::size_t>(x);
            const float kept = keep(pr[i] - cu[i], t, false);
            plane[i] = (first ? 0.0f : accData[i]) + kept + cu[i];
          }
        });
      }
    }
  }
}

// Half-width of the window over which the local signal energy of scale j (1-based) is
// averaged. Fine scales use small windows so that a star's energy stays with the star; coarse
// scales, whose coefficients are correlated over about 2^j pixels, need wide windows for an
// energy estimate that is not itself mostly noise.
int EnergyRadius(int scale) {
  static constexpr int kRadii[] = {1, 2, 5, 9, 17};
  return scale <= 5 ? kRadii[scale - 1] : (1 << (scale - 1)) + 1;
}

// How many times the noise energy is taken off the local energy before what is left counts as
// signal. Above 1 the rule errs towards smoothing where signal and noise are alike; the two
// finest scales, where single noisy pixels live, err a little further.
double NoiseOvershoot(int scale) { return scale <= 2 ? 3.0 : 2.0; }

// A coefficient of the data counts as plainly significant above this many noise sigmas.
constexpr double kRestoreSignificance = 8.0;

// Half-width of the neighbourhood of a plainly significant coefficient of scale j in which the
// shrinkage is undone (see RestoreSources): about the reach of the scale's kernel, so that the
// negative ring around a star goes back with its core.
int RestoreRadius(int scale) { return (1 << (scale - 1)) + 1; }

// Sums of f(row[x]) over the window [x - r, x + r] of one row, mirrored at the edges, as a
// running sum: one addition and one subtraction per sample whatever the window. The sum is
// kept in double, since a star's energy passes through it and what is left after the star
// must still be exact to well below the noise energy.
template <class F>
void RowWindowSums(const float* row, float* out, int width, int r, const F& f) {
  auto at = [&](int x) {
    return static_cast<double>(f(row[(x >= 0 && x < width) ? x : Mirror(x, width)]));
  };
  double sum = 0.0;
  for (int k = -r; k <= r; ++k) sum += at(k);
  for (int x = 0; x < width; ++x) {
    out[x] = static_cast<float>(sum);
    sum += at(x + r + 1) - at(x - r);
  }
}

// Sums of src over the window [y - r, y + r] of each column, mirrored at the edges, times
// `scale`; with `binary`, 1 where the sum is above one half and 0 elsewhere. Runs down strips
// of columns with running sums (in double, as for the rows), so that the cost does not grow
// with the window.
void ColumnWindowSums(const float* src, float* dst, int width, int height, int r, double scale,
                      bool binary, unsigned threads, Progress* progress) {
  constexpr int kStrip = 64;
  const int strips = (width + kStrip - 1) / kStrip;
  ForEachRow(strips, threads, nullptr, [&](int strip) {
    const int x0 = strip * kStrip;
    const int n = std::min(width, x0 + kStrip) - x0;
    double sum[kStrip] = {};
    auto row = [&](int y) { return src + Offset(Mirror(y, height), width) + x0; };
    for (int k = -r; k <= r; ++k) {
      const float* in = row(k);
      for (int i = 0; i < n; ++i) sum[i] += in[i];
    }
    for (int y = 0; y < height; ++y) {
      float* out = dst + Offset(y, width) + x0;
      for (int i = 0; i < n; ++i) {
        out[i] = binary ? (sum[i] > 0.5 ? 1.0f : 0.0f) : static_cast<float>(sum[i] * scale);
      }
      const float* add = row(y + r + 1);
      const float* sub = row(y - r);
      for (int i = 0; i < n; ++i) {
        sum[i] += static_cast<double>(add[i]) - static_cast<double>(sub[i]);
      }
    }
  });
  if (progress) {
    progress->Add(height);
    progress->Report();
  }
}

// Mean of src^2 over the (2r+1) x (2r+1) window around each pixel, mirrored at the edges:
// rows first into tmp, then columns into dst.
void BoxEnergy(const float* src, float* tmp, float* dst, int width, int height, int r,
               unsigned threads, Progress* progress) {
  const double norm = 1.0 / ((2.0 * r + 1.0) * (2.0 * r + 1.0));
  ForEachRow(height, threads, progress, [&](int y) {
    RowWindowSums(src + Offset(y, width), tmp + Offset(y, width), width, r,
                  [](float v) { return v * v; });
  });
  ColumnWindowSums(tmp, dst, width, height, r, norm, false, threads, progress);
}

// Work buffers of one call, each a whole plane.
struct WienerBuffers {
  explicit WienerBuffers(std::size_t n)
      : tmp(Allocate(n)), energy(Allocate(n)), wave(Allocate(n)), acc(Allocate(n)),
        cur(Allocate(n)), next(Allocate(n)), rCur(Allocate(n)), rNext(Allocate(n)) {}
  std::vector<float> tmp, energy, wave, acc, cur, next, rCur, rNext;
};

// Empirical Wiener shrinkage of every starlet scale: a coefficient w of scale j is multiplied
// by s^2 / (s^2 + n^2), where n is the scale's noise sigma and s^2 the signal energy around the
// coefficient (the local mean of w^2 less the noise energy, never below zero). Where the
// neighbourhood holds nothing but noise, s^2 is zero and the coefficient goes; around a star
// s^2 dwarfs n^2 and the star's core and the negative ring about it survive together, which
// keeps its flux. The smooth residual of the coarsest scale is kept as it is.
void ShrinkScales(float* plane, int width, int height, double sigma, int scales, unsigned threads,
                  Progress* progress, WienerBuffers& b) {
  const float* prev = plane;
  float* cur = b.cur.data();
  float* next = b.next.data();
  float* acc = b.acc.data();
  for (int j = 1; j <= scales; ++j) {
    const float noise = static_cast<float>(sigma * StarletNoiseFactor(j));
    const float noise2 = noise * noise;
    const float floor2 = static_cast<float>(NoiseOvershoot(j)) * noise2;
    float* wave = b.wave.data();
    ScaleStep(prev, b.tmp.data(), cur, width, height, 1 << (j - 1), threads, progress, [&](int y) {
      const std::size_t o = Offset(y, width);
      for (int x = 0; x < width; ++x) {
        const std::size_t i = o + static_cast<std::size_t>(x);
        wave[i] = prev[i] - cur[i];
      }
    });
    BoxEnergy(wave, b.tmp.data(), b.energy.data(), width, height, EnergyRadius(j), threads,
              progress);
    const float* energy = b.energy.data();
    const bool first = j == 1;
    ForEachRow(height, threads, progress, [&](int y) {
      const std::size_t o = Offset(y, width);
      for (int x = 0; x < width; ++x) {
        const std::size_t i = o + static_cast<std::size_t>(x);
        const float s2 = std::max(0.0f, energy[i] - floor2);
        const float kept = s2 > 0.0f ? wave[i] * (s2 / (s2 + noise2)) : 0.0f;
        acc[i] = first ? kept : acc[i] + kept;
      }
    });
    // The smoothed plane of this scale becomes the input of the next one. The plane itself is
    // never overwritten: `prev` only points at it for the first scale.
    prev = cur;
    std::swap(cur, next);
  }
  // prev holds the coarsest smoothed plane c(J).
  const float* residual = prev;
  ForEachRow(height, threads, progress, [&](int y) {
    const std::size_t o = Offset(y, width);
    for (int x = 0; x < width; ++x) {
      const std::size_t i = o + static_cast<std::size_t>(x);
      b.acc[i] = acc[i] + residual[i];
    }
  });
}

// Marks with 1 every pixel within r (a square window, mirrored at the edges) of a pixel whose
// mark is 1: rows from mask into tmp, then columns back into mask.
void DilateMask(float* mask, float* tmp, int width, int height, int r, unsigned threads,
                Progress* progress) {
  ForEachRow(height, threads, progress, [&](int y) {
    RowWindowSums(mask + Offset(y, width), tmp + Offset(y, width), width, r,
                  [](float v) { return v; });
  });
  ColumnWindowSums(tmp, mask, width, height, r, 1.0, true, threads, progress);
}

// Shrinkage takes a little off every coefficient it keeps and more off the faint ones, and
// around a star that shows: the peak comes out lower than the data say (a dark dot in a bright
// star), and the faint negative rings that the coarse scales put around a star are thinned
// while the star's core is kept, which adds to its flux. So wherever the data hold a plainly
// significant coefficient, the estimate is brought back to the data at that scale, within the
// coefficient's reach: the scales of the residual (data minus estimate) are decomposed
// alongside those of the data, and the residual's coefficients are added back there. Away from
// bright sources nothing is significant and the shrinkage stands, so noise is not put back
// into the sky. Reads the estimate from b.acc and writes the plane.
void RestoreSources(float* plane, int width, int height, double sigma, int scales,
                    unsigned threads, Progress* progress, WienerBuffers& b) {
  float* estimate = b.acc.data();
  float* residual = b.wave.data();
  float* mask = b.energy.data();
  ForEachRow(height, threads, progress, [&](int y) {
    const std::size_t o = Offset(y, width);
    for (int x = 0; x < width; ++x) {
      const std::size_t i = o + static_cast<std::size_t>(x);
      residual[i] = plane[i] - estimate[i];
    }
  });
  // The data chain reads the plane, which is overwritten only at the end; the residual chain
  // starts from `wave`.
  const float* dPrev = plane;
  const float* rPrev = residual;
  float* dCur = b.cur.data();
  float* dNext = b.next.data();
  float* rCur = b.rCur.data();
  float* rNext = b.rNext.data();
  for (int j = 1; j <= scales; ++j) {
    const float limit = static_cast<float>(kRestoreSignificance * sigma * StarletNoiseFactor(j));
    const int d = 1 << (j - 1);
    ScaleStep(dPrev, b.tmp.data(), dCur, width, height, d, threads, progress, [&](int y) {
      const std::size_t o = Offset(y, width);
      for (int x = 0; x < width; ++x) {
        const std::size_t i = o + static_cast<std::size_t>(x);
        mask[i] = std::fabs(dPrev[i] - dCur[i]) > limit ? 1.0f : 0.0f;
      }
    });
    DilateMask(mask, b.tmp.data(), width, height, RestoreRadius(j), threads, progress);
    ScaleStep(rPrev, b.tmp.data(), rCur, width, height, d, threads, progress, [&](int y) {
      const std::size_t o = Offset(y, width);
      for (int x = 0; x < width; ++x) {
        const std::size_t i = o + static_cast<std::size_t>(x);
        if (mask[i] != 0.0f) estimate[i] += rPrev[i] - rCur[i];
      }
    });
    dPrev = dCur;
    rPrev = rCur;
    std::swap(dCur, dNext);
    std::swap(rCur, rNext);
  }
  ForEachRow(height, threads, progress, [&](int y) {
    const std::size_t o = Offset(y, width);
    std::copy(estimate + o, estimate + o + width, plane + o);
  });
}

// Passes over the rows that one plane takes, for the progress.
long long WienerPassesPerPlane(int scales) {
  // Shrinkage, per scale: two smoothing passes, two energy passes and the shrinkage itself;
  // then the sum with the residual. Restoration: the residual, per scale two smoothing passes
  // of the data, two of the mask and two of the residual; then the copy back.
  return 5LL * scales + 1 + 1 + 6LL * scales + 1;
}

// An orthonormal luminance and two colour differences. Applied to channels scaled to unit
// noise, it leaves the noise white and of unit sigma in each new channel, while the stars,
// alike in all three colours, gather in the luminance: the colour differences hold little but
// noise and are smoothed far more, so the colour noise goes and a star's colour follows its
// luminance.
constexpr float kOpponent[3][3] = {
    {0.57735027f, 0.57735027f, 0.57735027f},
    {0.70710678f, 0.0f, -0.70710678f},
    {0.40824829f, -0.81649658f, 0.40824829f},
};

void ToOpponent(const std::vector<float*>& planes, const std::vector<double>& sigmas,
                std::size_t n) {
  const float inv[3] = {static_cast<float>(1.0 / sigmas[0]), static_cast<float>(1.0 / sigmas[1]),
                        static_cast<float>(1.0 / sigmas[2])};
  for (std::size_t i = 0; i < n; ++i) {
    const float v[3] = {planes[0][i] * inv[0], planes[1][i] * inv[1], planes[2][i] * inv[2]};
    for (int k = 0; k < 3; ++k) {
      planes[static_cast<std::size_t>(k)][i] =
          kOpponent[k][0] * v[0] + kOpponent[k][1] * v[1] + kOpponent[k][2] * v[2];
    }
  }
}

void FromOpponent(const std::vector<float*>& planes, const std::vector<double>& sigmas,
                  std::size_t n) {
  const float scale[3] = {static_cast<float>(sigmas[0]), static_cast<float>(sigmas[1]),
                          static_cast<float>(sigmas[2])};
  for (std::size_t i = 0; i < n; ++i) {
    const float q[3] = {planes[0][i], planes[1][i], planes[2][i]};
    for (int c = 0; c < 3; ++c) {
      const float v = kOpponent[0][c] * q[0] + kOpponent[1][c] * q[1] + kOpponent[2][c] * q[2];
      planes[static_cast<std::size_t>(c)][i] = v * scale[c];
    }
  }
}

void DenoiseWiener(const std::vector<float*>& planes, int width, int height,
                   const std::vector<double>& sigmas, const StarletParams& params,
                   const ProgressFn& progress) {
  const int scales = EffectiveScales(params.scales, width, height);
  const unsigned threads = ResolveThreads(params.threads);
  const std::size_t n = Offset(height, width);
  const long long passes = WienerPassesPerPlane(scales);
  Progress tracker(progress, static_cast<long long>(planes.size()) * passes * height);
  if (progress) progress(0.0);

  auto usable = [](double s) { return s > 0.0 && std::isfinite(s); };
  const bool colour = planes.size() == 3 && params.colour &&
                      std::all_of(sigmas.begin(), sigmas.end(), usable);
  std::vector<double> working = sigmas;
  if (colour) {
    ToOpponent(planes, sigmas, n);
    working.assign(3, 1.0);
  }
  WienerBuffers buffers(n);
  for (std::size_t p = 0; p < planes.size(); ++p) {
    if (!usable(working[p])) {
      tracker.Add(passes * height);
      tracker.Report();
      continue;
    }
    ShrinkScales(planes[p], width, height, working[p], scales, threads, &tracker, buffers);
    RestoreSources(planes[p], width, height, working[p], scales, threads, &tracker, buffers);
  }
  if (colour) FromOpponent(planes, sigmas, n);
  // Light is never negative: whatever the shrinkage undershot below zero is clipped.
  for (std::size_t p = 0; p < planes.size(); ++p) {
    if (!usable(sigmas[p])) continue;
    float* plane = planes[p];
    for (std::size_t i = 0; i < n; ++i) plane[i] = std::max(0.0f, plane[i]);
  }
}
}  // namespace

double StarletNoiseFactor(int scale) {
  if (scale < 1) throw std::invalid_argument("starlet scale must be 1 or more");
  if (scale <= kNoiseFactorCount) return kNoiseFactors[scale - 1];
  return kNoiseFactors[kNoiseFactorCount - 1] / std::ldexp(1.0, scale - kNoiseFactorCount);
}

int EffectiveScales(int requested, int width, int height) {
  int j = std::clamp(requested, 1, 12);
  const int shorter = std::max(1, std::min(width, height));
  while (j > 1 && (1 << j) > shorter) --j;
  return j;
}

double EstimateNoiseSigma(const float* plane, int width, int height) {
  if (!plane || width < 1 || height < 1) return 0.0;
  const double pixels = static_cast<double>(width) * static_cast<double>(height);
  const int step = std::max(1, static_cast<int>(std::ceil(std::sqrt(pixels / 1.0e6))));
  static constexpr double h[5] = {1.0 / 16, 4.0 / 16, 6.0 / 16, 4.0 / 16, 1.0 / 16};

  std::vector<float> w;
  w.reserve(static_cast<std::size_t>((width + step - 1) / step) *
            static_cast<std::size_t>((height + step - 1) / step));
  for (int y = 0; y < height; y += step) {
    int rows[5];
    for (int i = 0; i < 5; ++i) rows[i] = Mirror(y + i - 2, height);
    for (int x = 0; x < width; x += step) {
      int cols[5];
      for (int i = 0; i < 5; ++i) cols[i] = Mirror(x + i - 2, width);
      double smooth = 0.0;
      for (int i = 0; i < 5; ++i) {
        const float* row = plane + Offset(rows[i], width);
        double acc = 0.0;
        for (int k = 0; k < 5; ++k) acc += h[k] * row[cols[k]];
        smooth += h[i] * acc;
      }
      w.push_back(static_cast<float>(plane[Offset(y, width) + static_cast<std::size_t>(x)] - smooth));
    }
  }
  const auto mid = w.begin() + static_cast<std::ptrdiff_t>(w.size() / 2);
  std::nth_element(w.begin(), mid, w.end());
  const float median = *mid;
  for (float& v : w) v = std::fabs(v - median);
  std::nth_element(w.begin(), mid, w.end());
  const double mad = *mid;
  return mad / 0.6745 / StarletNoiseFactor(1);
}

void StarletDenoise(const std::vector<float*>& planes, int width, int height,
                    const std::vector<double>& sigmas, const StarletParams& params,
                    const ProgressFn& progress) {
  if (width < 1 || height < 1) throw std::invalid_argument("image size must be at least 1 x 1");
  if (sigmas.size() != planes.size()) throw std::invalid_argument("one noise sigma per plane");
  for (float* p : planes) {
    if (!p) throw std::invalid_argument("null plane");
  }
  if (params.mode == ThresholdMode::Wiener) {
    DenoiseWiener(planes, width, height, sigmas, params, progress);
  } else {
    DenoiseKSigma(planes, width, height, sigmas, params, progress);
  }
  if (progress) progress(1.0);
}

void StarletDecompose(const float* plane, int width, int height, int scaleCount,
                      std::vector<std::vector<float>>& scales, unsigned threads) {
  if (!plane || width < 1 || height < 1 || scaleCount < 1) {
    throw std::invalid_argument("bad starlet decomposition arguments");
  }
  const std::size_t n = Offset(height, width);
  scales.assign(static_cast<std::size_t>(scaleCount) + 1, std::vector<float>(n));
  std::vector<float> tmp = Allocate(n), bufA = Allocate(n), bufB = Allocate(n);
  const unsigned t = ResolveThreads(threads);
  const float* cur = plane;
  float* next = bufA.data();
  for (int j = 1; j <= scaleCount; ++j) {
    float* wave = scales[static_cast<std::size_t>(j) - 1].data();
    const float* c = cur;
    const float* s = next;
    ScaleStep(cur, tmp.data(), next, width, height, 1 << (j - 1), t, nullptr, [&](int y) {
      const std::size_t o = Offset(y, width);
      for (int x = 0; x < width; ++x) {
        const std::size_t i = o + static_cast<std::size_t>(x);
        wave[i] = c[i] - s[i];
      }
    });
    cur = next;
    next = next == bufA.data() ? bufB.data() : bufA.data();
  }
  std::copy(cur, cur + n, scales.back().begin());
}

}  // namespace nox
