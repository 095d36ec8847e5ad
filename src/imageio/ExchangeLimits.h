// The sizes the image exchange carries: what the temporary TIFF can describe is what the
// result readers take back, and an image beyond it is refused before anything is written.
// The writer, both readers and the workflow's check before the export all ask here.
#pragma once

#include <cstdint>

namespace nox {

// Width and height are SHORT fields of the temporary TIFF.
inline constexpr int64_t kMaxExchangeSide = 65535;
// Its one strip's byte count is a LONG field.
inline constexpr uint64_t kMaxExchangePixelBytes = 0xFFFFFFFFu;

// Whether a side of a result (or of an image) is one the exchange carries.
constexpr bool ExchangeSideFits(int64_t side) { return side >= 1 && side <= kMaxExchangeSide; }

// Bytes of the temporary TIFF's pixel data: 16-bit samples, three a pixel in colour.
constexpr uint64_t ExchangePixelBytes(int64_t width, int64_t height, bool colour) {
  return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * (colour ? 6u : 2u);
}

// Whether an image of this size can go out to the denoiser and come back.
constexpr bool ExchangeTakes(int64_t width, int64_t height, bool colour) {
  return ExchangeSideFits(width) && ExchangeSideFits(height) &&
         ExchangePixelBytes(width, height, colour) <= kMaxExchangePixelBytes;
}

}  // namespace nox
