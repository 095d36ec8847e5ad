// The temporary input file handed to the denoiser: a little-endian baseline TIFF with
// 16-bit unsigned samples in one uncompressed strip, written without an imaging library.
#pragma once

#include <cstdint>
#include <string>

#include "imageio/PlaneSet.h"

namespace nox {

// Writes the planes' width x height samples, each multiplied by their scale and clamped and
// rounded (ties to even) to 0..65535; a monochrome PlaneSet gives a grey file, any other
// a colour one. Colour files interleave second, first, third plane;
// rows run from the planes' last row to their first. Returns false on any failure,
// including images the layout cannot describe (ExchangeTakes false: a side above 65535, or
// pixel data beyond the 32-bit strip byte count). Never throws.
bool WriteTiff16(const PlaneSet& planes, const std::wstring& fileName);

}  // namespace nox
