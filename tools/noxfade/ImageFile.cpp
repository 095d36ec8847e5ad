#include "ImageFile.h"

#include <cmath>
#include <cstdint>
#include <system_error>

#include "imageio/FreeImageApi.h"

namespace nox {
namespace {

// The file-name functions differ by platform: wide names on Windows, UTF-8 bytes elsewhere
// (FreeImage's wide functions do nothing outside Windows).
FREE_IMAGE_FORMAT FormatOf(const std::filesystem::path& file) {
#ifdef _WIN32
  FREE_IMAGE_FORMAT fif = FreeImage_GetFileTypeU(file.c_str(), 0);
  if (fif == FIF_UNKNOWN) fif = FreeImage_GetFIFFromFilenameU(file.c_str());
#else
  FREE_IMAGE_FORMAT fif = FreeImage_GetFileType(file.c_str(), 0);
  if (fif == FIF_UNKNOWN) fif = FreeImage_GetFIFFromFilename(file.c_str());
#endif
  return fif;
}

FIBITMAP* Load(FREE_IMAGE_FORMAT fif, const std::filesystem::path& file) {
#ifdef _WIN32
  return FreeImage_LoadU(fif, file.c_str(), 0);
#else
  return FreeImage_Load(fif, file.c_str(), 0);
#endif
}

bool Save(FIBITMAP* bitmap, const std::filesystem::path& file) {
#ifdef _WIN32
  return FreeImage_SaveU(FIF_TIFF, bitmap, file.c_str(), TIFF_ADOBE_DEFLATE) != FALSE;
#else
  return FreeImage_Save(FIF_TIFF, bitmap, file.c_str(), TIFF_ADOBE_DEFLATE) != FALSE;
#endif
}

// Unloads a bitmap on every path out of a scope.
struct BitmapGuard {
  FIBITMAP* bitmap;
  ~BitmapGuard() {
    if (bitmap) FreeImage_Unload(bitmap);
  }
};

std::uint16_t ToSample(float v) {
  if (!(v > 0.0f)) return 0;  // also maps NaN to 0
  if (v >= 65535.0f) return 65535;
  return static_cast<std::uint16_t>(std::lrint(v));
}

std::string Describe(FREE_IMAGE_TYPE type, unsigned bpp) {
  switch (type) {
    case FIT_BITMAP: return std::to_string(bpp) + "-bit standard bitmap";
    case FIT_INT16: return "signed 16-bit grey";
    case FIT_UINT32: return "32-bit integer grey";
    case FIT_INT32: return "signed 32-bit integer grey";
    case FIT_FLOAT: return "32-bit float grey";
    case FIT_DOUBLE: return "64-bit float grey";
    case FIT_COMPLEX: return "complex";
    case FIT_RGBF: return "32-bit float RGB";
    case FIT_RGBAF: return "32-bit float RGBA";
    default: return "unknown pixel type";
  }
}

}  // namespace

void PlaneImage::Resize(int w, int h, int channels) {
  width = w;
  height = h;
  planes.assign(static_cast<std::size_t>(channels),
                std::vector<float>(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)));
}

std::filesystem::path PathFromUtf8(const std::string& utf8) { return std::filesystem::u8path(utf8); }

std::string PathToUtf8(const std::filesystem::path& path) { return path.u8string(); }

bool LoadImage16(const std::filesystem::path& file, PlaneImage& image, std::string& error) {
  EnsureFreeImage();
  const std::string name = PathToUtf8(file);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    error = "input file not found: " + name;
    return false;
  }
  const FREE_IMAGE_FORMAT fif = FormatOf(file);
  if (fif == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(fif)) {
    error = "cannot read " + name + ": unknown or unsupported file format";
    return false;
  }
  BitmapGuard guard{Load(fif, file)};
  if (!guard.bitmap) {
    error = "cannot read " + name + ": the file is damaged or unreadable";
    return false;
  }
  const FREE_IMAGE_TYPE type = FreeImage_GetImageType(guard.bitmap);
  int channels = 0;
  unsigned stride = 0;  // 16-bit samples per source pixel
  if (type == FIT_UINT16) {
    channels = 1;
    stride = 1;
  } else if (type == FIT_RGB16) {
    channels = 3;
    stride = 3;
  } else if (type == FIT_RGBA16) {
    channels = 3;
    stride = 4;
  } else {
    error = "unsupported image type in " + name + ": " +
            Describe(type, FreeImage_GetBPP(guard.bitmap)) +
            " (16-bit grey, RGB or RGBA expected)";
    return false;
  }
  const unsigned w = FreeImage_GetWidth(guard.bitmap);
  const unsigned h = FreeImage_GetHeight(guard.bitmap);
  if (w < 1 || h < 1 || w > static_cast<unsigned>(kMaxImageSide) ||
      h > static_cast<unsigned>(kMaxImageSide)) {
    error = "unsupported image size in " + name + ": " + std::to_string(w) + " x " + std::to_string(h);
    return false;
  }
  image.Resize(static_cast<int>(w), static_cast<int>(h), channels);
  for (unsigned y = 0; y < h; ++y) {
    // FreeImage's scan line 0 is the bottom row.
    const auto* src = reinterpret_cast<const std::uint16_t*>(FreeImage_GetScanLine(guard.bitmap, static_cast<int>(h - 1 - y)));
    const std::size_t row = static_cast<std::size_t>(y) * w;
    for (unsigned x = 0; x < w; ++x) {
      for (int c = 0; c < channels; ++c) {
        image.planes[static_cast<std::size_t>(c)][row + x] = static_cast<float>(src[x * stride + static_cast<unsigned>(c)]);
      }
    }
  }
  return true;
}

bool SaveTiff16(const std::filesystem::path& file, const PlaneImage& image, std::string& error) {
  EnsureFreeImage();
  const std::string name = PathToUtf8(file);
  const int channels = image.Channels();
  if (image.width < 1 || image.height < 1 || image.width > kMaxImageSide ||
      image.height > kMaxImageSide || (channels != 1 && channels != 3)) {
    error = "cannot write " + name + ": unsupported image shape";
    return false;
  }
  for (const auto& p : image.planes) {
    if (p.size() != image.PixelCount()) {
      error = "cannot write " + name + ": plane size does not match the image";
      return false;
    }
  }
  const FREE_IMAGE_TYPE type = channels == 1 ? FIT_UINT16 : FIT_RGB16;
  BitmapGuard guard{FreeImage_AllocateT(type, image.width, image.height, channels * 16)};
  if (!guard.bitmap) {
    error = "cannot write " + name + ": out of memory";
    return false;
  }
  const auto w = static_cast<std::size_t>(image.width);
  for (int y = 0; y < image.height; ++y) {
    auto* dst = reinterpret_cast<std::uint16_t*>(FreeImage_GetScanLine(guard.bitmap, image.height - 1 - y));
    const std::size_t row = static_cast<std::size_t>(y) * w;
    for (std::size_t x = 0; x < w; ++x) {
      for (int c = 0; c < channels; ++c) {
        dst[x * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
            ToSample(image.planes[static_cast<std::size_t>(c)][row + x]);
      }
    }
  }
  if (!Save(guard.bitmap, file)) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec)) std::filesystem::remove(file, ec);
    error = "cannot write " + name;
    return false;
  }
  return true;
}

}  // namespace nox
