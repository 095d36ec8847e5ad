#include "toolkit/Bitmap.h"

#include <algorithm>

namespace nox {

Bitmap::Bitmap(int width, int height, TColor fill) { SetSize(width, height, fill); }

void Bitmap::SetSize(int width, int height, TColor fill) {
  mWidth = std::max(0, width);
  mHeight = std::max(0, height);
  mPixels.assign(static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight), PlainRgb(fill));
}

TColor Bitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight) return kClBlack;
  return mPixels[static_cast<size_t>(y) * static_cast<size_t>(mWidth) + static_cast<size_t>(x)];
}

void Bitmap::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight) return;
  mPixels[static_cast<size_t>(y) * static_cast<size_t>(mWidth) + static_cast<size_t>(x)] =
      PlainRgb(color);
}

Bitmap ScaleBitmap(const Bitmap& bitmap, int factor) {
  if (factor <= 1) return bitmap;
  Bitmap scaled(bitmap.Width() * factor, bitmap.Height() * factor);
  for (int y = 0; y < scaled.Height(); ++y)
    for (int x = 0; x < scaled.Width(); ++x) scaled.SetPixel(x, y, bitmap.Pixel(x / factor, y / factor));
  scaled.Transparent = bitmap.Transparent;
  return scaled;
}

}  // namespace nox
