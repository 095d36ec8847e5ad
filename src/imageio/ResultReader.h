// The denoiser's result, read back through FreeImage into the host's planes.
#pragma once

#include <cstdint>
#include <string>

namespace nox {

// Loads fileName and copies its samples into the planes (first == second means a
// monochrome image), multiplied by scale and rounded to whole numbers, undoing the
// writer's row and channel order. Accepts 16-bit grey (unsigned or signed), RGB16 and
// RGBA16 results whose size is exactly width x height; anything else returns false and
// leaves the planes untouched. Never throws.
bool ReadResultImage(const std::wstring& fileName, float* first, float* second, float* third,
                     float scale, int32_t width, int32_t height);

}  // namespace nox
