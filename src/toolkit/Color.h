// Colour values of the toolkit: a signed 32-bit value laid out 0x00BBGGRR (red in the low
// byte), or a reference to a system colour when the top byte is 0xFF (0xFF00000F is the
// button face). Portable: the canvases and the painters share these helpers.
#pragma once

#include <cstdint>

namespace nox {

using TColor = int32_t;

constexpr TColor MakeColor(int red, int green, int blue) {
  return static_cast<TColor>((static_cast<uint32_t>(blue & 0xFF) << 16) |
                             (static_cast<uint32_t>(green & 0xFF) << 8) |
                             static_cast<uint32_t>(red & 0xFF));
}
constexpr int RedOf(TColor c) { return static_cast<int>(static_cast<uint32_t>(c) & 0xFF); }
constexpr int GreenOf(TColor c) { return static_cast<int>((static_cast<uint32_t>(c) >> 8) & 0xFF); }
constexpr int BlueOf(TColor c) { return static_cast<int>((static_cast<uint32_t>(c) >> 16) & 0xFF); }

// True for a reference to a system colour (top byte 0xFF); its index is the low byte.
constexpr bool IsSystemColorRef(TColor c) {
  return (static_cast<uint32_t>(c) & 0xFF000000u) == 0xFF000000u;
}
constexpr TColor SystemColorRef(int index) {
  return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index & 0xFF));
}
// The plain RGB part of a resolved colour (what a canvas paints with).
constexpr TColor PlainRgb(TColor c) {
  return static_cast<TColor>(static_cast<uint32_t>(c) & 0x00FFFFFFu);
}

constexpr TColor kClBlack = 0x000000;
constexpr TColor kClWhite = 0xFFFFFF;
constexpr int kSysColorBtnFace = 15;
constexpr int kSysColorWindowText = 8;
constexpr TColor kClBtnFace = SystemColorRef(kSysColorBtnFace);
constexpr TColor kClWindowText = SystemColorRef(kSysColorWindowText);

}  // namespace nox
