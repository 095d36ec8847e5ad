// The denoiser's result, read back into the host's planes: TIFF results stream in through
// libtiff, everything else goes through FreeImage.
#pragma once

#include <cstdint>
#include <string>

#include "imageio/PlaneSet.h"

namespace nox {

// Loads fileName and copies its samples into the planes (a monochrome PlaneSet when first
// == second), multiplied by the planes' scale and rounded to whole numbers (ties to even),
// undoing the writer's row and channel order. Accepts 16-bit grey (unsigned or signed),
// RGB16 and RGBA16 results whose size is exactly the planes' and so at most
// kMaxExchangeSide on either side (every size the writer writes comes back); anything
// else, and a colour result for colour planes of which one is missing, returns false and
// leaves the planes untouched. A grey result fills the first plane only; a colour result
// for a monochrome image fills its one plane from the green samples and never touches
// `third`. Never throws.
bool ReadResultImage(const std::wstring& fileName, const PlaneSet& planes);

// The same through FreeImage alone, whatever the format: the reference the streaming TIFF
// reader is measured and checked against.
bool ReadResultImageWithFreeImage(const std::wstring& fileName, const PlaneSet& planes);

}  // namespace nox
