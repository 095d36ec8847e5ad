// A 24-bit bitmap with pixel access and a transparent flag. When Transparent is set, a
// canvas draws it without the pixels equal to its transparent colour, the colour of its
// bottom-left pixel. Portable: painters build glyphs in it on every platform.
#pragma once

#include <vector>

#include "toolkit/Color.h"

namespace nox {

class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, TColor fill = kClWhite);

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  bool Empty() const { return mWidth == 0 || mHeight == 0; }
  // Resizes to width x height; every pixel becomes fill.
  void SetSize(int width, int height, TColor fill = kClWhite);

  // Out-of-range reads give black, out-of-range writes are ignored.
  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);

  bool Transparent = false;
  // The colour left out when drawing a transparent bitmap: its bottom-left pixel.
  TColor TransparentColor() const { return Empty() ? kClBlack : Pixel(0, mHeight - 1); }

 private:
  int mWidth = 0;
  int mHeight = 0;
  std::vector<TColor> mPixels;  // row after row, top row first, plain RGB
};

// The bitmap enlarged by a whole factor, each pixel a factor x factor block (its
// transparent flag, and so its transparent colour, kept). A factor of 1 or less copies it.
Bitmap ScaleBitmap(const Bitmap& bitmap, int factor);

}  // namespace nox
