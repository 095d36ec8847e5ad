#include "imageio/TiffWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "imageio/ExchangeLimits.h"
#include "imageio/FilePath.h"
#include "imageio/SampleConversion.h"

namespace nox {

namespace {

// The layout: header (8 bytes), entry count (2), nine entries (108), next-directory
// offset (4), the bits-per-sample array (6), then the pixel data at 128.
constexpr uint16_t kEntryCount = 9;
constexpr uint32_t kBitsArrayOffset = 14 + 12 * kEntryCount;  // 122
constexpr uint32_t kPixelOffset = 20 + 12 * kEntryCount;      // 128
constexpr uint16_t kBitsPerSample = 16;

constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;

// Converted rows go out in blocks of about this size.
constexpr std::size_t kBlockBytes = 1u << 20;

using Header = std::array<unsigned char, kPixelOffset>;

class ByteSink {
 public:
  explicit ByteSink(Header& bytes) : bytes_(bytes) {}
  void Put16(uint16_t v) {
    bytes_[pos_++] = static_cast<unsigned char>(v & 0xFF);
    bytes_[pos_++] = static_cast<unsigned char>(v >> 8);
  }
  void Put32(uint32_t v) {
    Put16(static_cast<uint16_t>(v & 0xFFFF));
    Put16(static_cast<uint16_t>(v >> 16));
  }
  std::size_t Position() const { return pos_; }

 private:
  Header& bytes_;
  std::size_t pos_ = 0;
};

// "II", 42, the directory offset 8, and the directory's entry count.
void WriteTiffHeader(ByteSink& out, uint16_t entryCount) {
  out.Put16(0x4949);
  out.Put16(42);
  out.Put32(8);
  out.Put16(entryCount);
}

// One directory entry: tag and type in one 32-bit word, then count and value. A SHORT
// value occupies the value field's first two bytes; the other two stay zero.
void WriteIfdEntry(ByteSink& out, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
  out.Put32(static_cast<uint32_t>(tag) + (static_cast<uint32_t>(type) << 16));
  out.Put32(count);
  out.Put32(value);
}

void BuildHeader(Header& bytes, uint32_t width, uint32_t height, bool colour,
                 uint32_t pixelBytes) {
  ByteSink out(bytes);
  WriteTiffHeader(out, kEntryCount);
  WriteIfdEntry(out, 254, kTypeLong, 1, 0);             // NewSubfileType
  WriteIfdEntry(out, 256, kTypeShort, 1, width);        // ImageWidth
  WriteIfdEntry(out, 257, kTypeShort, 1, height);       // ImageLength
  if (colour) {                                         // BitsPerSample
    WriteIfdEntry(out, 258, kTypeShort, 3, kBitsArrayOffset);
  } else {
    WriteIfdEntry(out, 258, kTypeShort, 1, kBitsPerSample);
  }
  WriteIfdEntry(out, 259, kTypeShort, 1, 1);            // Compression: none
  WriteIfdEntry(out, 262, kTypeShort, 1, colour ? 2 : 1);  // RGB or BlackIsZero
  WriteIfdEntry(out, 273, kTypeLong, 1, kPixelOffset);  // StripOffsets
  WriteIfdEntry(out, 277, kTypeShort, 1, colour ? 3 : 1);  // SamplesPerPixel
  WriteIfdEntry(out, 279, kTypeLong, 1, pixelBytes);    // StripByteCounts
  out.Put32(0);  // no further directory
  // The bits-per-sample array, present in monochrome files too.
  out.Put32(kBitsPerSample * 65537u);
  out.Put16(kBitsPerSample);
}

inline uint16_t ToSample(float value, double scale) {
  return static_cast<uint16_t>(ClampRound(static_cast<double>(value) * scale, 0.0, 65535.0));
}

#if defined(__SSE2__) || defined(_M_X64)
// Eight samples at a time, with the same arithmetic as ToSample: multiply, clamp (max
// against 0 first, which also turns NaN into 0), then convert with the processor's
// rounding mode, ties to even by default.
constexpr std::size_t kBlock = 8;

// A power-of-two scale (1 and 256 in practice) multiplies a float exactly, so four lanes
// of float arithmetic give the same results as the widened product; any other scale is
// multiplied in double, two lanes at a time.
struct Scale {
  explicit Scale(double s) : wide(s) {
    int exponent = 0;
    exact = std::isfinite(s) && s > 0 && std::frexp(s, &exponent) == 0.5 &&
            exponent > -100 && exponent < 100;
    narrow = static_cast<float>(s);
  }
  double wide;
  float narrow;
  bool exact;
};

inline __m128i RoundFour(const float* src, const Scale& scale) {
  const __m128 f = _mm_loadu_ps(src);
  if (scale.exact) {
    __m128 v = _mm_mul_ps(f, _mm_set1_ps(scale.narrow));
    v = _mm_max_ps(v, _mm_setzero_ps());  // NaN compares false: gives 0
    v = _mm_min_ps(v, _mm_set1_ps(65535.0f));
    return _mm_cvtps_epi32(v);
  }
  const __m128d s = _mm_set1_pd(scale.wide);
  __m128d lo = _mm_mul_pd(_mm_cvtps_pd(f), s);
  __m128d hi = _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(f, f)), s);
  lo = _mm_min_pd(_mm_max_pd(lo, _mm_setzero_pd()), _mm_set1_pd(65535.0));
  hi = _mm_min_pd(_mm_max_pd(hi, _mm_setzero_pd()), _mm_set1_pd(65535.0));
  return _mm_unpacklo_epi64(_mm_cvtpd_epi32(lo), _mm_cvtpd_epi32(hi));
}

// Eight results, 0..65535 each, as unsigned 16-bit samples (SSE2 packs only signed).
inline __m128i ConvertEight(const float* src, const Scale& scale) {
  const __m128i bias = _mm_set1_epi32(32768);
  const __m128i lo = _mm_sub_epi32(RoundFour(src, scale), bias);
  const __m128i hi = _mm_sub_epi32(RoundFour(src + 4, scale), bias);
  return _mm_xor_si128(_mm_packs_epi32(lo, hi), _mm_set1_epi16(static_cast<short>(0x8000)));
}

// Stores the pixel in the low 64 bits of v (three samples and a zero) at dst. The fourth
// sample lands on the next pixel's first slot, which that pixel then overwrites, so the
// destination needs one spare sample after the row.
inline void StorePixel(uint16_t* dst, __m128i v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), v);
}

void ConvertMonoRow(const float* src, std::size_t width, double scale, uint16_t* dst) {
  const Scale s(scale);
  std::size_t x = 0;
  for (; x + kBlock <= width; x += kBlock) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), ConvertEight(src + x, s));
  }
  for (; x < width; ++x) dst[x] = ToSample(src[x], scale);
}

// File order within a pixel: second plane, first plane, third plane.
void ConvertColourRow(const float* first, const float* second, const float* third,
                      std::size_t width, double scale, uint16_t* dst) {
  const Scale s(scale);
  std::size_t x = 0;
  for (; x + kBlock <= width; x += kBlock) {
    const __m128i red = ConvertEight(second + x, s);
    const __m128i green = ConvertEight(first + x, s);
    const __m128i blue = ConvertEight(third + x, s);
    const __m128i zero = _mm_setzero_si128();
    const __m128i rgLo = _mm_unpacklo_epi16(red, green);  // r0 g0 r1 g1 r2 g2 r3 g3
    const __m128i rgHi = _mm_unpackhi_epi16(red, green);
    const __m128i b0Lo = _mm_unpacklo_epi16(blue, zero);  // b0 0 b1 0 b2 0 b3 0
    const __m128i b0Hi = _mm_unpackhi_epi16(blue, zero);
    const __m128i p01 = _mm_unpacklo_epi32(rgLo, b0Lo);  // r0 g0 b0 0 r1 g1 b1 0
    const __m128i p23 = _mm_unpackhi_epi32(rgLo, b0Lo);
    const __m128i p45 = _mm_unpacklo_epi32(rgHi, b0Hi);
    const __m128i p67 = _mm_unpackhi_epi32(rgHi, b0Hi);
    uint16_t* out = dst + 3 * x;
    StorePixel(out, p01);
    StorePixel(out + 3, _mm_unpackhi_epi64(p01, p01));
    StorePixel(out + 6, p23);
    StorePixel(out + 9, _mm_unpackhi_epi64(p23, p23));
    StorePixel(out + 12, p45);
    StorePixel(out + 15, _mm_unpackhi_epi64(p45, p45));
    StorePixel(out + 18, p67);
    StorePixel(out + 21, _mm_unpackhi_epi64(p67, p67));
  }
  for (; x < width; ++x) {
    dst[3 * x] = ToSample(second[x], scale);
    dst[3 * x + 1] = ToSample(first[x], scale);
    dst[3 * x + 2] = ToSample(third[x], scale);
  }
}
#else
void ConvertMonoRow(const float* src, std::size_t width, double scale, uint16_t* dst) {
  for (std::size_t x = 0; x < width; ++x) dst[x] = ToSample(src[x], scale);
}

// File order within a pixel: second plane, first plane, third plane.
void ConvertColourRow(const float* first, const float* second, const float* third,
                      std::size_t width, double scale, uint16_t* dst) {
  for (std::size_t x = 0; x < width; ++x) {
    dst[3 * x] = ToSample(second[x], scale);
    dst[3 * x + 1] = ToSample(first[x], scale);
    dst[3 * x + 2] = ToSample(third[x], scale);
  }
}
#endif

bool HostIsLittleEndian() {
  const uint16_t probe = 1;
  unsigned char low = 0;
  std::memcpy(&low, &probe, 1);
  return low == 1;
}

void SwapBytes(uint16_t* samples, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    samples[i] = static_cast<uint16_t>((samples[i] >> 8) | (samples[i] << 8));
  }
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

bool WriteAll(const PlaneSet& planes, const std::wstring& fileName) {
  const bool colour = !planes.Mono();
  if (!planes.CanTake(colour ? 3 : 1)) return false;
  const int32_t width = planes.width;
  const int32_t height = planes.height;
  if (!ExchangeTakes(width, height, colour)) return false;  // the layout cannot describe it
  const float* const first = planes.first;
  const float* const second = planes.second;
  const float* const third = planes.third;

  const uint64_t samplesPerPixel = colour ? 3 : 1;
  const uint64_t rowSamples = static_cast<uint64_t>(width) * samplesPerPixel;
  const uint64_t pixelBytes = ExchangePixelBytes(width, height, colour);

  Header header{};
  BuildHeader(header, static_cast<uint32_t>(width), static_cast<uint32_t>(height), colour,
               static_cast<uint32_t>(pixelBytes));
  // Rows are converted into a block buffer that holds as many whole rows as fit in about
  // 1 MiB (at least one), and each block goes out with one write: few system calls and no
  // second copy through a stdio buffer. One spare sample: the colour conversion stores
  // whole 4-sample words per pixel.
  const std::size_t rowCount = static_cast<std::size_t>(rowSamples);
  const std::size_t rowsPerBlock =
      std::max<std::size_t>(1, kBlockBytes / (rowCount * sizeof(uint16_t)));
  std::vector<uint16_t> block(rowCount * rowsPerBlock + 1);

  std::unique_ptr<std::FILE, FileCloser> file(OpenFile(fileName, "wb"));
  if (!file) return false;
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  if (std::fwrite(header.data(), 1, header.size(), file.get()) != header.size()) return false;

  const bool swap = !HostIsLittleEndian();
  const double wideScale = planes.scale;
  const auto w = static_cast<std::size_t>(width);
  std::size_t filled = 0;  // rows in the block
  for (int32_t r = height - 1; r >= 0; --r) {
    const std::size_t offset = static_cast<std::size_t>(r) * w;  // 64-bit index
    uint16_t* row = block.data() + filled * rowCount;
    if (colour) {
      ConvertColourRow(first + offset, second + offset, third + offset, w, wideScale, row);
    } else {
      ConvertMonoRow(first + offset, w, wideScale, row);
    }
    if (swap) SwapBytes(row, rowCount);
    if (++filled == rowsPerBlock || r == 0) {
      const std::size_t count = filled * rowCount;
      if (std::fwrite(block.data(), sizeof(uint16_t), count, file.get()) != count) return false;
      filled = 0;
    }
  }
  // Closing can still report a deferred write error.
  return std::fclose(file.release()) == 0;
}

}  // namespace

bool WriteTiff16(const PlaneSet& planes, const std::wstring& fileName) {
  try {
    return WriteAll(planes, fileName);
  } catch (...) {  // e.g. std::bad_alloc for the row buffer: the caller only sees false
    return false;
  }
}

}  // namespace nox
