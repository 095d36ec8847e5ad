// The denoiser's result, read back into the host's planes: TIFF results stream in through
// libtiff, everything else goes through FreeImage.
#pragma once

#include <cstdint>
#include <string>

namespace nox {

// Loads fileName and copies its samples into the planes (first == second means a
// monochrome image), multiplied by scale and rounded to whole numbers (ties to even),
// undoing the writer's row and channel order. Accepts 16-bit grey (unsigned or signed),
// RGB16 and RGBA16 results whose size is exactly width x height and at most 24000 on
// either side; anything else returns false and leaves the planes untouched. A grey result
// fills the first plane only; a colour result for a monochrome image fills its one plane
// from the green samples and never touches `third`. Never throws.
bool ReadResultImage(const std::wstring& fileName, float* first, float* second, float* third,
                     float scale, int32_t width, int32_t height);

// The same through FreeImage alone, whatever the format: the reference the streaming TIFF
// reader is measured and checked against.
bool ReadResultImageWithFreeImage(const std::wstring& fileName, float* first, float* second,
                                  float* third, float scale, int32_t width, int32_t height);

}  // namespace nox
