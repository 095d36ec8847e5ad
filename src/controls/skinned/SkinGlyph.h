// The push button's glyph operations and its three built-in 16 x 16 glyphs. A glyph is a
// Bitmap drawn transparently: its bottom-left pixel's colour (white for the built-in
// ones) is left out.
#pragma once

#include <array>

#include "toolkit/Bitmap.h"

namespace nox {

// 256 colours, a 16 x 16 picture row by row, top row first.
using GlyphTable = std::array<TColor, 256>;

// Shaded discs on a white background: green with a (transparent) check mark, red with a
// (transparent) diagonal cross, blue with a light question mark.
const GlyphTable& OkGlyph();
const GlyphTable& CancelGlyph();
const GlyphTable& HelpGlyph();

// Makes the bitmap 16 x 16 with the table's pixels, marked transparent.
void LoadGlyph16(Bitmap& bitmap, const GlyphTable& table);
// Makes dest the faded copy of source: every pixel other than the source's top-left
// colour moves three quarters of the way toward the button face (lifted by 0x10 per
// channel when the face is dark). An empty source gives an empty dest.
void MakeDisabledGlyph(const Bitmap& source, Bitmap& dest);
// Turns every pixel other than the top-left colour into the grey min(305 - green, 255).
void InvertGlyph(Bitmap& bitmap);

}  // namespace nox
