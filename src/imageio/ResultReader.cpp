#include "imageio/ResultReader.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <memory>

#include "imageio/FilePath.h"
#include "imageio/FreeImageApi.h"
#include "imageio/PngChunks.h"
#include "imageio/SampleConversion.h"
#include "text/Utf8.h"

namespace nox {

namespace {

// Results wider or taller than this are refused.
constexpr unsigned kMaxResultSide = 24000;

struct BitmapUnloader {
  void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapUnloader>;

// Format from the file's content, else from its name; only formats FreeImage can read.
// Windows uses FreeImage's wide-character functions; elsewhere those are empty stubs, so
// the UTF-8 name goes to the narrow ones.
class ResultFile {
 public:
  explicit ResultFile(const std::wstring& fileName) {
    if (fileName.empty() || fileName.size() > kMaxFileNameLength) return;
    if (fileName.find(L'\0') != std::wstring::npos) return;
#ifdef _WIN32
    mName = fileName;
    mFormat = FreeImage_GetFileTypeU(mName.c_str(), 0);
    if (mFormat == FIF_UNKNOWN) mFormat = FreeImage_GetFIFFromFilenameU(mName.c_str());
#else
    mName = WideToUtf8(fileName);
    mFormat = FreeImage_GetFileType(mName.c_str(), 0);
    if (mFormat == FIF_UNKNOWN) mFormat = FreeImage_GetFIFFromFilename(mName.c_str());
#endif
    if (mFormat != FIF_UNKNOWN && !FreeImage_FIFSupportsReading(mFormat)) mFormat = FIF_UNKNOWN;
  }

  bool Readable() const { return mFormat != FIF_UNKNOWN; }
  bool IsPng() const { return mFormat == FIF_PNG; }
  // The formats a result may come in: those that hold 16-bit grey or colour samples and
  // whose header FreeImage reads without allocating what the file claims. Every other
  // format makes FreeImage allocate whatever a few bytes claim before anything can be
  // checked, even for the header alone: SGI and DDS (no header-only load) the pixels of
  // the claimed size (a 600-byte SGI file zeroed 400 MB), JNG and MNG a chunk's and PSD
  // its colour data's declared length (50 bytes asked for 1.96 GB).
  bool IsResultFormat() const {
    switch (mFormat) {
      case FIF_TIFF:
      case FIF_PNG:
      case FIF_PGM:
      case FIF_PGMRAW:
      case FIF_PPM:
      case FIF_PPMRAW: return FreeImage_FIFSupportsNoPixels(mFormat) != FALSE;
      default: return false;
    }
  }

  FIBITMAP* Load(int flags) const {
#ifdef _WIN32
    return FreeImage_LoadU(mFormat, mName.c_str(), flags);
#else
    return FreeImage_Load(mFormat, mName.c_str(), flags);
#endif
  }

 private:
#ifdef _WIN32
  std::wstring mName;
#else
  std::string mName;
#endif
  FREE_IMAGE_FORMAT mFormat = FIF_UNKNOWN;
};

// Sample count of the types the reader accepts; 0 for every other type (8-bit, 32-bit,
// floating-point and complex results).
std::size_t SamplesPerPixel(FREE_IMAGE_TYPE type) {
  switch (type) {
    case FIT_UINT16:
    case FIT_INT16: return 1;
    case FIT_RGB16: return 3;
    case FIT_RGBA16: return 4;
    default: return 0;
  }
}

// Whether a bitmap (header only or full) has the accepted size and type.
bool AcceptedShape(FIBITMAP* bitmap, int32_t width, int32_t height) {
  const unsigned w = FreeImage_GetWidth(bitmap);
  const unsigned h = FreeImage_GetHeight(bitmap);
  if (w > kMaxResultSide || h > kMaxResultSide) return false;
  // A result of another size would land scrambled in the planes: refuse it.
  if (w != static_cast<unsigned>(width) || h != static_cast<unsigned>(height)) return false;
  return SamplesPerPixel(FreeImage_GetImageType(bitmap)) != 0;
}

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

// FreeImage keeps the bottom row first, so buffer row i fills plane row i: the writer's
// top-to-bottom reversal is undone without touching the row order here. Rows are stepped
// by the bitmap's pitch, which skips each row's padding.
template <typename Convert>
void CopyGrey16Rows(const unsigned char* bits, std::size_t pitch, std::size_t width,
                    std::size_t height, float* plane, bool isSigned, Convert convert) {
  for (std::size_t r = 0; r < height; ++r) {
    const unsigned char* src = bits + r * pitch;
    float* dst = plane + r * width;
    if (isSigned) {
      for (std::size_t x = 0; x < width; ++x) {
        dst[x] = convert(static_cast<int16_t>(LoadU16(src + 2 * x)));
      }
    } else {
      for (std::size_t x = 0; x < width; ++x) dst[x] = convert(LoadU16(src + 2 * x));
    }
  }
}

void CopyGrey16(const unsigned char* bits, std::size_t pitch, std::size_t width,
                std::size_t height, float* plane, float scale, bool isSigned) {
  if (scale == 1.0f) {
    CopyGrey16Rows(bits, pitch, width, height, plane, isSigned, Unscaled{});
  } else {
    CopyGrey16Rows(bits, pitch, width, height, plane, isSigned, ScaledRounded{scale});
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

// Samples are red, green, blue (and alpha, skipped) in memory. Red goes to the second
// plane, green to the first and blue to the third, undoing the writer's interleave. A
// monochrome image (second == first) takes only the green sample, which is what the
// full copy would leave in its one plane, and its third plane is never written.
template <std::size_t kSamples, typename Convert>
void CopyRgb16Rows(const unsigned char* bits, std::size_t pitch, std::size_t width,
                   std::size_t height, float* first, float* second, float* third,
                   Convert convert) {
  constexpr std::size_t kStep = 2 * kSamples;
  const bool mono = first == second;
  for (std::size_t r = 0; r < height; ++r) {
    const unsigned char* src = bits + r * pitch;
    const std::size_t offset = r * width;
    float* p1 = first + offset;
    if (mono) {
      for (std::size_t x = 0; x < width; ++x) p1[x] = convert(LoadU16(src + x * kStep + 2));
      continue;
    }
    float* p2 = second + offset;
    float* p3 = third + offset;
    std::size_t x = 0;
#if defined(__SSE2__) || defined(_M_X64)
    if constexpr (std::is_same_v<Convert, Unscaled>) {
      x = CopyRgbUnscaledSse2(src, kStep, width, p1, p2, p3);
    }
#endif
    for (; x < width; ++x) {
      const unsigned char* px = src + x * kStep;
      p2[x] = convert(LoadU16(px));
      p1[x] = convert(LoadU16(px + 2));
      p3[x] = convert(LoadU16(px + 4));
    }
  }
}

void CopyRgb16(const unsigned char* bits, std::size_t pitch, std::size_t width,
               std::size_t height, float* first, float* second, float* third, float scale,
               std::size_t samplesPerPixel) {
  const bool unscaled = scale == 1.0f;
  const ScaledRounded scaled{scale};
  if (samplesPerPixel == 3) {
    if (unscaled) {
      CopyRgb16Rows<3>(bits, pitch, width, height, first, second, third, Unscaled{});
    } else {
      CopyRgb16Rows<3>(bits, pitch, width, height, first, second, third, scaled);
    }
  } else if (unscaled) {
    CopyRgb16Rows<4>(bits, pitch, width, height, first, second, third, Unscaled{});
  } else {
    CopyRgb16Rows<4>(bits, pitch, width, height, first, second, third, scaled);
  }
#if defined(__SSE2__) || defined(_M_X64)
  _mm_sfence();  // streaming stores are visible to the host before the call returns
#endif
}

bool ReadAll(const std::wstring& fileName, float* first, float* second, float* third,
             float scale, int32_t width, int32_t height) {
  const bool monoPlanes = first == second;
  if (first == nullptr || width < 1 || height < 1) return false;

  EnsureFreeImage();
  // A damaged file still gives a bitmap, with zeros where FreeImage could not read: only
  // the errors FreeImage and libtiff report while loading tell, and any one refuses it.
  FreeImageErrors errors;
  const ResultFile file(fileName);
  if (!file.Readable() || !file.IsResultFormat()) return false;
  if (file.IsPng() && !PngChunksFitFile(fileName)) return false;
  // The header alone first: a file that claims a huge image is refused before FreeImage
  // allocates room for its pixels.
  {
    const Bitmap header(file.Load(FIF_LOAD_NOPIXELS));
    if (!header || errors.Any() || !AcceptedShape(header.get(), width, height)) return false;
  }
  Bitmap bitmap(file.Load(0));
  if (!bitmap || errors.Any() || !AcceptedShape(bitmap.get(), width, height)) return false;

  const unsigned w = FreeImage_GetWidth(bitmap.get());
  const unsigned h = FreeImage_GetHeight(bitmap.get());
  const FREE_IMAGE_TYPE type = FreeImage_GetImageType(bitmap.get());
  const BYTE* bits = FreeImage_GetBits(bitmap.get());
  const std::size_t pitch = FreeImage_GetPitch(bitmap.get());
  const std::size_t samplesPerPixel = SamplesPerPixel(type);
  // The file is untrusted: the buffer FreeImage reports must hold every row.
  if (bits == nullptr || FreeImage_GetBPP(bitmap.get()) != 16 * samplesPerPixel) return false;
  if (pitch < std::size_t{w} * samplesPerPixel * 2) return false;
  if (samplesPerPixel >= 3 && !monoPlanes && (second == nullptr || third == nullptr)) {
    return false;
  }

  if (samplesPerPixel == 1) {
    CopyGrey16(bits, pitch, w, h, first, scale, type == FIT_INT16);
  } else {
    CopyRgb16(bits, pitch, w, h, first, second, third, scale, samplesPerPixel);
  }
  return true;
}

}  // namespace

bool ReadResultImage(const std::wstring& fileName, float* first, float* second, float* third,
                     float scale, int32_t width, int32_t height) {
  try {
    return ReadAll(fileName, first, second, third, scale, width, height);
  } catch (...) {  // nothing may reach the host: it only sees false
    return false;
  }
}

}  // namespace nox
