// 16-bit image files for the denoiser and its companion tools, read and written through
// FreeImage. Pixels are held as float planes in ADU (0 to 65535), row-major with the top row
// first, one plane per channel (1 for grey, 3 for red, green, blue).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nox {

struct PlaneImage {
  int width = 0;
  int height = 0;
  std::vector<std::vector<float>> planes;  // 1 (grey) or 3 (red, green, blue) channels

  int Channels() const { return static_cast<int>(planes.size()); }
  std::size_t PixelCount() const {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  }
  // Allocates `channels` zero planes of width x height.
  void Resize(int w, int h, int channels);
};

// Largest side accepted on reading and writing (the limit of 16-bit TIFF dimensions that the
// consumers of our files handle).
constexpr int kMaxImageSide = 65535;

// Converts a command-line argument or other UTF-8 text into a path.
std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string PathToUtf8(const std::filesystem::path& path);

// Reads a 16-bit grey, RGB or RGBA (alpha dropped) TIFF, PNG or any other format FreeImage
// reads with those pixel types. Returns false with a message in `error` when the file is
// missing, unreadable, of another pixel type or too large.
bool LoadImage16(const std::filesystem::path& file, PlaneImage& image, std::string& error);

// Writes a 16-bit TIFF (grey or RGB, deflate-compressed), rounding samples to the nearest
// integer and clamping them to 0..65535. Returns false with a message in `error` on failure,
// in which case no file is left at `file`.
bool SaveTiff16(const std::filesystem::path& file, const PlaneImage& image, std::string& error);

}  // namespace nox
