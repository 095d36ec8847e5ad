// The host's sample planes of one image as the image exchange takes them: the three planes
// together with the image's size and the factor its samples are multiplied by on the way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nox {

struct PlaneSet {
  float* first = nullptr;   // host plane 0, the only plane of a monochrome image
  float* second = nullptr;  // host plane 2; the same address as first for a monochrome image
  float* third = nullptr;   // host plane 3; never touched for a monochrome image
  int32_t width = 0;
  int32_t height = 0;
  float scale = 1.0f;  // every sample is multiplied by it (and, read back, rounded)

  bool Mono() const { return first == second; }
  bool HasSize() const { return width >= 1 && height >= 1; }
  // Samples in each plane; 0 when the size is empty.
  std::size_t Samples() const {
    return HasSize() ? static_cast<std::size_t>(width) * static_cast<std::size_t>(height) : 0;
  }
  // Whether every plane a result with this many samples a pixel fills is there: the first
  // always, for a colour result into a colour image the second and third as well.
  bool CanTake(std::size_t samplesPerPixel) const {
    if (first == nullptr || !HasSize()) return false;
    return samplesPerPixel < 3 || Mono() || (second != nullptr && third != nullptr);
  }
};

}  // namespace nox
