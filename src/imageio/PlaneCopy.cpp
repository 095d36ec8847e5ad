#include "imageio/PlaneCopy.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "imageio/SampleConversion.h"

namespace nox {

namespace {

inline uint16_t LoadU16(const unsigned char* p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Conversion of one raw sample. With scale 1 every 16-bit value is already a whole
// number that a float holds exactly, so the multiply and the rounding are skipped.
struct Unscaled {
  float operator()(double raw) const { return static_cast<float>(raw); }
};
struct ScaledRounded {
  double scale;
  float operator()(double raw) const { return static_cast<float>(RoundHalfEven(raw * scale)); }
};

template <std::size_t kStep, typename Convert>
void GreyRow(const unsigned char* src, std::size_t step, std::size_t count, float* dst,
             bool isSigned, Convert convert) {
  const std::size_t s = kStep != 0 ? kStep : step;
  if (isSigned) {
    for (std::size_t x = 0; x < count; ++x) {
      dst[x] = convert(static_cast<int16_t>(LoadU16(src + s * x)));
    }
  } else {
    for (std::size_t x = 0; x < count; ++x) dst[x] = convert(LoadU16(src + s * x));
  }
}

template <typename Convert>
void GreyRowAnyStep(const unsigned char* src, std::size_t step, std::size_t count, float* dst,
                    bool isSigned, Convert convert) {
  if (step == 2) {
    GreyRow<2>(src, step, count, dst, isSigned, convert);
  } else {
    GreyRow<0>(src, step, count, dst, isSigned, convert);
  }
}

#if defined(__SSE2__) || defined(_M_X64)
// One pixel's red, green and blue (and a fourth value) as four floats, from an 8-byte load.
inline __m128 PixelToFloats(const unsigned char* px) {
  const __m128i raw = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(px));
  return _mm_cvtepi32_ps(_mm_unpacklo_epi16(raw, _mm_setzero_si128()));
}

// The unscaled colour copy of one row, four pixels at a time: each pixel is widened to
// floats, four pixels are transposed into red, green and blue rows, and those go to the
// planes with streaming stores (the planes are far larger than any cache). Starts once
// all three destinations are 16-byte aligned, and stops before the last pixel so that no
// 8-byte load reaches past the row's samples. Returns the first column left to do.
std::size_t CopyRgbUnscaledSse2(const unsigned char* src, std::size_t step, std::size_t width,
                                float* p1, float* p2, float* p3) {
  const auto misaligned = [](const float* p) {
    return (reinterpret_cast<std::uintptr_t>(p) & 15u) != 0;
  };
  std::size_t x = 0;
  for (; x < width && (misaligned(p1 + x) || misaligned(p2 + x) || misaligned(p3 + x)); ++x) {
    const unsigned char* px = src + x * step;
    p2[x] = LoadU16(px);
    p1[x] = LoadU16(px + 2);
    p3[x] = LoadU16(px + 4);
  }
  if (x < width && (misaligned(p1 + x) || misaligned(p2 + x) || misaligned(p3 + x))) return x;
  for (; x + 5 <= width; x += 4) {
    const unsigned char* px = src + x * step;
    __m128 red = PixelToFloats(px);
    __m128 green = PixelToFloats(px + step);
    __m128 blue = PixelToFloats(px + 2 * step);
    __m128 rest = PixelToFloats(px + 3 * step);
    _MM_TRANSPOSE4_PS(red, green, blue, rest);
    _mm_stream_ps(p2 + x, red);
    _mm_stream_ps(p1 + x, green);
    _mm_stream_ps(p3 + x, blue);
  }
  return x;
}
#endif

template <std::size_t kSamples, typename Convert>
void RgbRow(const unsigned char* src, std::size_t count, float* p1, float* p2, float* p3,
            Convert convert) {
  constexpr std::size_t kStep = 2 * kSamples;
  if (p1 == p2) {
    for (std::size_t x = 0; x < count; ++x) p1[x] = convert(LoadU16(src + x * kStep + 2));
    return;
  }
  std::size_t x = 0;
#if defined(__SSE2__) || defined(_M_X64)
  if constexpr (std::is_same_v<Convert, Unscaled>) {
    x = CopyRgbUnscaledSse2(src, kStep, count, p1, p2, p3);
  }
#endif
  for (; x < count; ++x) {
    const unsigned char* px = src + x * kStep;
    p2[x] = convert(LoadU16(px));
    p1[x] = convert(LoadU16(px + 2));
    p3[x] = convert(LoadU16(px + 4));
  }
}

}  // namespace

void CopyGreyRow(const unsigned char* src, std::size_t step, std::size_t count, float* plane,
                 float scale, bool isSigned) {
  if (scale == 1.0f) {
    GreyRowAnyStep(src, step, count, plane, isSigned, Unscaled{});
  } else {
    GreyRowAnyStep(src, step, count, plane, isSigned, ScaledRounded{scale});
  }
}

void CopyRgbRow(const unsigned char* src, std::size_t samplesPerPixel, std::size_t count,
                const PlaneSet& planes, std::size_t at) {
  const bool mono = planes.Mono();
  float* const first = planes.first + at;
  float* const second = mono ? first : planes.second + at;
  float* const third = mono ? nullptr : planes.third + at;
  const float scale = planes.scale;
  const bool unscaled = scale == 1.0f;
  const ScaledRounded scaled{scale};
  if (samplesPerPixel == 3) {
    if (unscaled) {
      RgbRow<3>(src, count, first, second, third, Unscaled{});
    } else {
      RgbRow<3>(src, count, first, second, third, scaled);
    }
  } else if (unscaled) {
    RgbRow<4>(src, count, first, second, third, Unscaled{});
  } else {
    RgbRow<4>(src, count, first, second, third, scaled);
  }
}

void FinishPlaneWrites() {
#if defined(__SSE2__) || defined(_M_X64)
  _mm_sfence();
#endif
}

}  // namespace nox
