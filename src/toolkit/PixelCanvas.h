// A canvas over a plain pixel buffer, following GDI's geometry (see Canvas.h).
// Its text metric: every character, the space included, takes a cell CharWidth pixels
// wide and LineHeight high (6 x 13 unless set), so a text of n characters measures
// n * CharWidth x LineHeight. A character other than the space is drawn as its ink box,
// the cell's columns 1 to CharWidth - 2 and rows 3 to LineHeight - 3, filled with the
// text colour; a mnemonic's underline is the cell's row LineHeight - 2. Every text request
// is also recorded (bounds, text, format, colour) so that a painter's text can be checked.
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
  void SetTextMetric(int charWidth, int lineHeight);
  int CharWidth() const { return mCharWidth; }
  int LineHeight() const { return mLineHeight; }

  void FillRect(const Rect& r) override;
  void FrameRect(const Rect& r) override;
  void SetPixel(int x, int y, TColor c) override;
  TColor Pixel(int x, int y) const override;  // outside the buffer: black
  void Draw(int x, int y, const Bitmap& bitmap) override;
  void WriteText(const Rect& r, const std::wstring& text, unsigned format) override;
  Size TextExtent(const std::wstring& text) override;
  void TextAt(int x, int y, const std::wstring& text) override;

 protected:
  void DrawLine(Point from, Point to) override;

 private:
  void Fill(int left, int top, int right, int bottom, TColor c);
  // Ink boxes of the characters from (x, y); `underline` is the index underlined or -1.
  void PaintText(int x, int y, const std::wstring& text, int underline);

  int mWidth;
  int mHeight;
  std::vector<TColor> mPixels;
  std::vector<TextItem> mTexts;
  int mCharWidth = 6;
  int mLineHeight = 13;
};

}  // namespace nox
