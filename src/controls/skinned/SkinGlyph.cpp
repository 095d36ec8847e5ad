#include "controls/skinned/SkinGlyph.h"

#include <algorithm>
#include <cmath>

#include "controls/skinned/SkinColor.h"
#include "toolkit/SystemLook.h"

namespace nox {

namespace {

// The layouts: '.' background, '#' disc, '-' a pure white (transparent) pixel inside the
// disc, 'o' a light opaque symbol pixel.
const char* const kOkLayout[16] = {
    "................", "....########....", "...##########...", "..############..",
    ".##############.", ".##############.", ".##########-###.", ".#########-####.",
    ".####-###-#####.", ".#####-#-######.", ".######-#######.", ".##############.",
    "..############..", "...##########...", "....########....", "................"};
const char* const kCancelLayout[16] = {
    "................", "....########....", "...##########...", "..############..",
    ".##############.", ".####-o##o-####.", ".####o-##-#####.", ".######--######.",
    ".######--######.", ".####o-##-#####.", ".####-####-####.", ".##############.",
    "..############..", "...##########...", "....########....", "................"};
const char* const kHelpLayout[16] = {
    "................", "....########....", "...##########...", "..#####ooo####..",
    ".####ooo#oo####.", ".####oo###o####.", ".#########o####.", ".########o#####.",
    ".######oo######.", ".######oo######.", ".##############.", ".######oo######.",
    "..#####oo#####..", "...##########...", "....########....", "................"};

constexpr TColor kWhite = 0xFFFFFF;

// Blends toward white (amount > 0) or black (amount < 0), amount in -1..1, never giving
// pure white (which is the transparent colour).
TColor Tint(TColor c, double amount) {
  auto channel = [amount](int v) {
    const double target = amount >= 0 ? 255.0 : 0.0;
    const double a = std::fabs(amount);
    return std::min(254, RoundEven(v + (target - v) * a));
  };
  return MakeColor(channel(RedOf(c)), channel(GreenOf(c)), channel(BlueOf(c)));
}

// Part of the pixel (x, y) inside the disc of radius 7 centred at (8, 8), by 4 x 4
// supersampling.
double DiscCoverage(int x, int y) {
  int inside = 0;
  for (int sy = 0; sy < 4; ++sy)
    for (int sx = 0; sx < 4; ++sx) {
      const double px = x + (sx + 0.5) / 4.0 - 8.0;
      const double py = y + (sy + 0.5) / 4.0 - 8.0;
      if (px * px + py * py <= 7.0 * 7.0) ++inside;
    }
  return inside / 16.0;
}

bool IsSymbol(const char* const* layout, int x, int y) {
  if (x < 0 || y < 0 || x > 15 || y > 15) return false;
  const char ch = layout[y][x];
  return ch == '-' || ch == 'o';
}

// Shades a disc around its dominant colour: lighter at the top, darker at the bottom, a
// soft light rim where the round edge cuts the pixel, and disc pixels beside the symbol
// lightened a little so the symbol's edges look smooth.
GlyphTable BuildGlyph(const char* const* layout, TColor dominant, TColor symbol) {
  GlyphTable table{};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      TColor c = kWhite;
      const char ch = layout[y][x];
      if (ch == '#') {
        const double vertical = (7.5 - y) / 7.5;  // 1 at the top, -1 at the bottom
        c = Tint(dominant, vertical > 0 ? 0.30 * vertical : 0.22 * vertical);
        const double cover = DiscCoverage(x, y);
        if (cover < 1.0) c = Tint(c, 0.55 * (1.0 - cover) + 0.10);
        int neighbours = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx)
            if ((dx || dy) && IsSymbol(layout, x + dx, y + dy)) neighbours += (dx && dy) ? 1 : 2;
        if (neighbours) c = Tint(c, std::min(0.45, 0.07 * neighbours));
      } else if (ch == 'o') {
        c = symbol;
      }
      // '.' and '-' stay pure white.
      table[static_cast<size_t>(y * 16 + x)] = c;
    }
  return table;
}

}  // namespace

const GlyphTable& OkGlyph() {
  static const GlyphTable table = BuildGlyph(kOkLayout, 0x289C4D, 0);
  return table;
}

const GlyphTable& CancelGlyph() {
  // The cross's ends: between the disc's red and white, so the strokes taper softly.
  static const GlyphTable table = BuildGlyph(kCancelLayout, 0x4450D1, BlendColor(0x4450D1, 0xFEFEFE, 80));
  return table;
}

const GlyphTable& HelpGlyph() {
  static const GlyphTable table = BuildGlyph(kHelpLayout, 0xA87743, 0xFBF4EE);
  return table;
}

void LoadGlyph16(Bitmap& bitmap, const GlyphTable& table) {
  if (bitmap.Width() != 16 || bitmap.Height() != 16) bitmap.SetSize(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) bitmap.SetPixel(x, y, table[static_cast<size_t>(y * 16 + x)]);
  bitmap.Transparent = true;
}

void MakeDisabledGlyph(const Bitmap& source, Bitmap& dest) {
  dest = source;
  dest.Transparent = true;
  if (source.Empty()) return;
  TColor face = SystemColor(kSysColorBtnFace);
  if (RedOf(face) < 0x68) face = AddColor(face, 0x101010);
  const TColor key = source.Pixel(0, 0);
  dest.SetPixel(0, 0, key);
  for (int y = 0; y < dest.Height(); ++y)
    for (int x = 0; x < dest.Width(); ++x) {
      const TColor p = source.Pixel(x, y);
      if (p == key) continue;
      dest.SetPixel(x, y,
                    MakeColor((RedOf(p) + 3 * RedOf(face)) / 4, (GreenOf(p) + 3 * GreenOf(face)) / 4,
                              (BlueOf(p) + 3 * BlueOf(face)) / 4));
    }
}

void InvertGlyph(Bitmap& bitmap) {
  if (bitmap.Empty()) return;
  const TColor key = bitmap.Pixel(0, 0);
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      const TColor p = bitmap.Pixel(x, y);
      if (p == key) continue;
      const int v = std::min(305 - GreenOf(p), 255);
      bitmap.SetPixel(x, y, v * 0x010101);
    }
}

}  // namespace nox
