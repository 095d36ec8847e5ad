// The stand-in host's image: float sample planes as the host protocol hands them out,
// loaded from and saved to TIFF or PNG files through FreeImage. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace nox {

// One host image. Samples keep the integer values of the file they came from (0..65535
// for a 16-bit file, 0..255 for an 8-bit one) as floats, row after row, top row first.
// A monochrome image has one plane that answers for every plane index. A colour image
// keeps green in plane 0, red in plane 2 and blue in plane 3, the order in which the
// plug-in exchanges them with its files; plane index 1 is never asked for and answers
// with plane 0.
struct HostImage {
  int32_t width = 0;
  int32_t height = 0;
  bool colour = false;
  int bitsPerSample = 16;  // 8 or 16: the depth the image is saved back with
  std::vector<float> plane0;
  std::vector<float> plane2;
  std::vector<float> plane3;

  size_t SampleCount() const { return static_cast<size_t>(width) * static_cast<size_t>(height); }
  // The plane with a host plane index 0..3, or nullptr for another index.
  float* Plane(int64_t index);
  const float* Plane(int64_t index) const;

  // An image of the given size with every sample 0.
  static HostImage Blank(int32_t width, int32_t height, bool colour, int bitsPerSample);
};

// Loads a 16-bit or 8-bit TIFF or PNG (grey, RGB or RGBA; alpha is dropped). Other
// 8-bit and palette images are converted to grey or RGB first. On failure returns false
// with a one-line reason in `error` and leaves `out` untouched.
bool LoadHostImage(const std::filesystem::path& file, HostImage& out, std::string& error);

// Saves the image as PNG when the name ends in .png (any case), else as an uncompressed
// TIFF, with 16-bit samples or, for an image loaded from an 8-bit file, 8-bit ones.
// Samples are rounded to the nearest integer (ties to even) and clamped to the range of
// the depth; a sample that is not a number is written as 0. An existing file is replaced
// only once the new one is complete.
bool SaveHostImage(const HostImage& image, const std::filesystem::path& file, std::string& error);

// A float sample as an integer of 0..maxValue, rounded to nearest, ties to even.
uint16_t QuantiseSample(float value, uint16_t maxValue);

}  // namespace nox
