#include "HostImage.h"

#include "imageio/FreeImageApi.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <memory>

namespace nox {

float* HostImage::Plane(int64_t index) {
  return const_cast<float*>(static_cast<const HostImage&>(*this).Plane(index));
}

const float* HostImage::Plane(int64_t index) const {
  switch (index) {
    case 0:
    case 1:
      return plane0.data();
    case 2:
      return colour ? plane2.data() : plane0.data();
    case 3:
      return colour ? plane3.data() : plane0.data();
    default:
      return nullptr;
  }
}

HostImage HostImage::Blank(int32_t width, int32_t height, bool colour, int bitsPerSample) {
  HostImage image;
  image.width = width;
  image.height = height;
  image.colour = colour;
  image.bitsPerSample = bitsPerSample;
  image.plane0.assign(image.SampleCount(), 0.0f);
  if (colour) {
    image.plane2.assign(image.SampleCount(), 0.0f);
    image.plane3.assign(image.SampleCount(), 0.0f);
  }
  return image;
}

uint16_t QuantiseSample(float value, uint16_t maxValue) {
  if (!(value > 0.0f)) return 0;  // negative, zero and NaN
  if (value >= static_cast<float>(maxValue)) return maxValue;
  return static_cast<uint16_t>(std::nearbyint(value));
}

namespace {

struct DibDeleter {
  void operator()(FIBITMAP* dib) const {
    if (dib != nullptr) FreeImage_Unload(dib);
  }
};
using Dib = std::unique_ptr<FIBITMAP, DibDeleter>;

// FreeImage takes wide paths on Windows; elsewhere its wide functions do nothing.
FREE_IMAGE_FORMAT FormatOfContent(const std::filesystem::path& file) {
#ifdef _WIN32
  return FreeImage_GetFileTypeU(file.c_str(), 0);
#else
  return FreeImage_GetFileType(file.c_str(), 0);
#endif
}

FREE_IMAGE_FORMAT FormatOfName(const std::filesystem::path& file) {
#ifdef _WIN32
  return FreeImage_GetFIFFromFilenameU(file.c_str());
#else
  return FreeImage_GetFIFFromFilename(file.c_str());
#endif
}

FIBITMAP* LoadDib(FREE_IMAGE_FORMAT fif, const std::filesystem::path& file) {
#ifdef _WIN32
  return FreeImage_LoadU(fif, file.c_str(), 0);
#else
  return FreeImage_Load(fif, file.c_str(), 0);
#endif
}

bool SaveDib(FREE_IMAGE_FORMAT fif, FIBITMAP* dib, const std::filesystem::path& file, int flags) {
#ifdef _WIN32
  return FreeImage_SaveU(fif, dib, file.c_str(), flags) != FALSE;
#else
  return FreeImage_Save(fif, dib, file.c_str(), flags) != FALSE;
#endif
}

bool EndsWithPng(const std::filesystem::path& file) {
  std::string ext = file.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".png";
}

// Host row y is the file's top row y; FreeImage keeps the bottom row first.
template <typename Pixel>
const Pixel* SourceRow(FIBITMAP* dib, int32_t height, int32_t y) {
  return reinterpret_cast<const Pixel*>(FreeImage_GetScanLine(dib, height - 1 - y));
}

template <typename Pixel>
Pixel* TargetRow(FIBITMAP* dib, int32_t height, int32_t y) {
  return reinterpret_cast<Pixel*>(FreeImage_GetScanLine(dib, height - 1 - y));
}

void CopyGrey16(FIBITMAP* dib, HostImage& image) {
  for (int32_t y = 0; y < image.height; ++y) {
    const uint16_t* row = SourceRow<uint16_t>(dib, image.height, y);
    float* out = image.plane0.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width);
    for (int32_t x = 0; x < image.width; ++x) out[x] = row[x];
  }
}

void CopyGrey8(FIBITMAP* dib, HostImage& image) {
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* row = SourceRow<uint8_t>(dib, image.height, y);
    float* out = image.plane0.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width);
    for (int32_t x = 0; x < image.width; ++x) out[x] = row[x];
  }
}

// 16-bit colour pixels are red, green, blue (, alpha) in memory.
template <typename Pixel>
void CopyColour16(FIBITMAP* dib, HostImage& image) {
  for (int32_t y = 0; y < image.height; ++y) {
    const Pixel* row = SourceRow<Pixel>(dib, image.height, y);
    const size_t base = static_cast<size_t>(y) * static_cast<size_t>(image.width);
    for (int32_t x = 0; x < image.width; ++x) {
      image.plane2[base + x] = row[x].red;
      image.plane0[base + x] = row[x].green;
      image.plane3[base + x] = row[x].blue;
    }
  }
}

// 8-bit colour pixels follow FreeImage's byte order (blue first on little-endian hosts).
void CopyColour8(FIBITMAP* dib, HostImage& image, unsigned bytesPerPixel) {
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* row = SourceRow<uint8_t>(dib, image.height, y);
    const size_t base = static_cast<size_t>(y) * static_cast<size_t>(image.width);
    for (int32_t x = 0; x < image.width; ++x) {
      const uint8_t* px = row + static_cast<size_t>(x) * bytesPerPixel;
      image.plane2[base + x] = px[FI_RGBA_RED];
      image.plane0[base + x] = px[FI_RGBA_GREEN];
      image.plane3[base + x] = px[FI_RGBA_BLUE];
    }
  }
}

// Brings an 8-bit-per-sample bitmap of any layout to 8-bit grey or 24/32-bit colour.
Dib NormaliseBitmap(Dib dib) {
  const unsigned bpp = FreeImage_GetBPP(dib.get());
  const FREE_IMAGE_COLOR_TYPE type = FreeImage_GetColorType(dib.get());
  if (bpp == 8 && type == FIC_MINISBLACK) return dib;
  if ((bpp == 24 || bpp == 32) && (type == FIC_RGB || type == FIC_RGBALPHA)) return dib;
  if (type == FIC_MINISBLACK || type == FIC_MINISWHITE) {
    return Dib(FreeImage_ConvertToGreyscale(dib.get()));
  }
  return Dib(FreeImage_ConvertTo24Bits(dib.get()));
}

}  // namespace

bool LoadHostImage(const std::filesystem::path& file, HostImage& out, std::string& error) {
  EnsureFreeImage();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    error = "no such file: " + file.u8string();
    return false;
  }
  FREE_IMAGE_FORMAT fif = FormatOfContent(file);
  if (fif == FIF_UNKNOWN) fif = FormatOfName(file);
  if (fif == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(fif)) {
    error = "not an image file FreeImage can read: " + file.u8string();
    return false;
  }
  Dib dib(LoadDib(fif, file));
  if (!dib) {
    error = "cannot read the image file: " + file.u8string();
    return false;
  }
  const unsigned w = FreeImage_GetWidth(dib.get());
  const unsigned h = FreeImage_GetHeight(dib.get());
  if (w == 0 || h == 0 || static_cast<uint64_t>(w) * h > static_cast<uint64_t>(INT32_MAX)) {
    error = "image size out of range: " + std::to_string(w) + " x " + std::to_string(h);
    return false;
  }
  const int32_t width = static_cast<int32_t>(w);
  const int32_t height = static_cast<int32_t>(h);

  HostImage image;
  switch (FreeImage_GetImageType(dib.get())) {
    case FIT_UINT16:
      image = HostImage::Blank(width, height, false, 16);
      CopyGrey16(dib.get(), image);
      break;
    case FIT_RGB16:
      image = HostImage::Blank(width, height, true, 16);
      CopyColour16<FIRGB16>(dib.get(), image);
      break;
    case FIT_RGBA16:
      image = HostImage::Blank(width, height, true, 16);
      CopyColour16<FIRGBA16>(dib.get(), image);
      break;
    case FIT_BITMAP: {
      dib = NormaliseBitmap(std::move(dib));
      if (!dib) {
        error = "cannot convert the image to 8-bit grey or colour: " + file.u8string();
        return false;
      }
      const unsigned bpp = FreeImage_GetBPP(dib.get());
      if (bpp == 8) {
        image = HostImage::Blank(width, height, false, 8);
        CopyGrey8(dib.get(), image);
      } else {
        image = HostImage::Blank(width, height, true, 8);
        CopyColour8(dib.get(), image, bpp / 8);
      }
      break;
    }
    default:
      error = "unsupported sample type (only 8-bit and 16-bit integer images): " + file.u8string();
      return false;
  }
  out = std::move(image);
  return true;
}

namespace {

Dib BuildDib16(const HostImage& image) {
  Dib dib(FreeImage_AllocateT(image.colour ? FIT_RGB16 : FIT_UINT16, image.width, image.height));
  if (!dib) return dib;
  const size_t w = static_cast<size_t>(image.width);
  for (int32_t y = 0; y < image.height; ++y) {
    const size_t base = static_cast<size_t>(y) * w;
    if (image.colour) {
      FIRGB16* row = TargetRow<FIRGB16>(dib.get(), image.height, y);
      for (size_t x = 0; x < w; ++x) {
        row[x].red = QuantiseSample(image.plane2[base + x], 65535);
        row[x].green = QuantiseSample(image.plane0[base + x], 65535);
        row[x].blue = QuantiseSample(image.plane3[base + x], 65535);
      }
    } else {
      uint16_t* row = TargetRow<uint16_t>(dib.get(), image.height, y);
      for (size_t x = 0; x < w; ++x) row[x] = QuantiseSample(image.plane0[base + x], 65535);
    }
  }
  return dib;
}

Dib BuildDib8(const HostImage& image) {
  Dib dib(FreeImage_Allocate(image.width, image.height, image.colour ? 24 : 8));
  if (!dib) return dib;
  if (!image.colour) {
    RGBQUAD* palette = FreeImage_GetPalette(dib.get());
    for (unsigned i = 0; i < 256; ++i) {
      const auto level = static_cast<BYTE>(i);
      palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = level;
      palette[i].rgbReserved = 0;
    }
  }
  const size_t w = static_cast<size_t>(image.width);
  for (int32_t y = 0; y < image.height; ++y) {
    const size_t base = static_cast<size_t>(y) * w;
    uint8_t* row = TargetRow<uint8_t>(dib.get(), image.height, y);
    for (size_t x = 0; x < w; ++x) {
      if (image.colour) {
        uint8_t* px = row + x * 3;
        px[FI_RGBA_RED] = static_cast<uint8_t>(QuantiseSample(image.plane2[base + x], 255));
        px[FI_RGBA_GREEN] = static_cast<uint8_t>(QuantiseSample(image.plane0[base + x], 255));
        px[FI_RGBA_BLUE] = static_cast<uint8_t>(QuantiseSample(image.plane3[base + x], 255));
      } else {
        row[x] = static_cast<uint8_t>(QuantiseSample(image.plane0[base + x], 255));
      }
    }
  }
  return dib;
}

}  // namespace

bool SaveHostImage(const HostImage& image, const std::filesystem::path& file, std::string& error) {
  EnsureFreeImage();
  if (image.width <= 0 || image.height <= 0 || image.plane0.size() != image.SampleCount() ||
      (image.colour && (image.plane2.size() != image.SampleCount() ||
                        image.plane3.size() != image.SampleCount()))) {
    error = "no image to save";
    return false;
  }
  Dib dib = image.bitsPerSample == 8 ? BuildDib8(image) : BuildDib16(image);
  if (!dib) {
    error = "out of memory while preparing the file";
    return false;
  }
  // Written beside the target and renamed, so that a script waiting for the file never
  // sees half of it.
  const bool png = EndsWithPng(file);
  std::filesystem::path partial = file;
  partial += ".part";
  std::error_code ec;
  if (!SaveDib(png ? FIF_PNG : FIF_TIFF, dib.get(), partial, png ? PNG_DEFAULT : TIFF_NONE)) {
    std::filesystem::remove(partial, ec);
    error = "cannot write " + file.u8string();
    return false;
  }
  std::filesystem::rename(partial, file, ec);
  if (ec) {
    std::filesystem::remove(partial, ec);
    error = "cannot write " + file.u8string();
    return false;
  }
  return true;
}

}  // namespace nox
