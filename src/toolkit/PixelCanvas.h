// A canvas over a plain pixel buffer, following GDI's geometry (see Canvas.h). It paints
// no glyphs: text requests are recorded so that a painter's text can be checked.
#pragma once

#include <vector>

#include "toolkit/Canvas.h"

namespace nox {

class PixelCanvas : public Canvas {
 public:
  struct TextItem {
    Rect Bounds;
    std::wstring Text;
    unsigned Format = 0;
    TColor Color = kClBlack;
  };

  PixelCanvas(int width, int height, TColor background = kClWhite);

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  const std::vector<TextItem>& Texts() const { return mTexts; }

  void FillRect(const Rect& r) override;
  void FrameRect(const Rect& r) override;
  void SetPixel(int x, int y, TColor c) override;
  TColor Pixel(int x, int y) const override;  // outside the buffer: black
  void Draw(int x, int y, const Bitmap& bitmap) override;
  void WriteText(const Rect& r, const std::wstring& text, unsigned format) override;

 protected:
  void DrawLine(Point from, Point to) override;

 private:
  void Fill(int left, int top, int right, int bottom, TColor c);

  int mWidth;
  int mHeight;
  std::vector<TColor> mPixels;
  std::vector<TextItem> mTexts;
};

}  // namespace nox
