#include "toolkit/PixelCanvas.h"

#include <algorithm>

namespace nox {

PixelCanvas::PixelCanvas(int width, int height, TColor background)
    : mWidth(std::max(0, width)),
      mHeight(std::max(0, height)),
      mPixels(static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight), PlainRgb(background)) {}

void PixelCanvas::SetPixel(int x, int y, TColor c) {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight) return;
  mPixels[static_cast<size_t>(y) * static_cast<size_t>(mWidth) + static_cast<size_t>(x)] =
      PlainRgb(c);
}

TColor PixelCanvas::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight) return kClBlack;
  return mPixels[static_cast<size_t>(y) * static_cast<size_t>(mWidth) + static_cast<size_t>(x)];
}

void PixelCanvas::Fill(int left, int top, int right, int bottom, TColor c) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, mWidth);
  bottom = std::min(bottom, mHeight);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) SetPixel(x, y, c);
}

void PixelCanvas::FillRect(const Rect& r) {
  if (r.IsEmpty()) return;
  Fill(r.Left, r.Top, r.Right, r.Bottom, BrushColor());
}

void PixelCanvas::FrameRect(const Rect& r) {
  if (r.IsEmpty()) return;
  const TColor c = BrushColor();
  Fill(r.Left, r.Top, r.Right, r.Top + 1, c);
  Fill(r.Left, r.Bottom - 1, r.Right, r.Bottom, c);
  Fill(r.Left, r.Top, r.Left + 1, r.Bottom, c);
  Fill(r.Right - 1, r.Top, r.Right, r.Bottom, c);
}

// The pixels GDI paints for a line (see Canvas.h).
void PixelCanvas::DrawLine(Point from, Point to) {
  const TColor c = PenColor();
  WalkLine(from, to, [&](int x, int y) { SetPixel(x, y, c); });
}

void PixelCanvas::Draw(int x, int y, const Bitmap& bitmap) {
  const TColor key = bitmap.TransparentColor();
  for (int row = 0; row < bitmap.Height(); ++row)
    for (int col = 0; col < bitmap.Width(); ++col) {
      const TColor p = bitmap.Pixel(col, row);
      if (bitmap.Transparent && p == key) continue;
      SetPixel(x + col, y + row, p);
    }
}

void PixelCanvas::SetTextMetric(int charWidth, int lineHeight) {
  mCharWidth = std::max(1, charWidth);
  mLineHeight = std::max(1, lineHeight);
}

Size PixelCanvas::TextExtent(const std::wstring& text) {
  return Size{static_cast<int>(text.size()) * mCharWidth, mLineHeight};
}

void PixelCanvas::PaintText(int x, int y, const std::wstring& text, int underline) {
  const TColor c = TextColor();
  for (size_t i = 0; i < text.size(); ++i) {
    const int left = x + static_cast<int>(i) * mCharWidth;
    if (text[i] != L' ') Fill(left + 1, y + 3, left + mCharWidth - 1, y + mLineHeight - 2, c);
    if (static_cast<int>(i) == underline)
      Fill(left, y + mLineHeight - 2, left + mCharWidth, y + mLineHeight - 1, c);
  }
}

void PixelCanvas::TextAt(int x, int y, const std::wstring& text) {
  const Size size = TextExtent(text);
  const Rect cell{x, y, x + size.Width, y + size.Height};
  if (TextOpaque()) Fill(cell.Left, cell.Top, cell.Right, cell.Bottom, BrushColor());
  PaintText(x, y, text, -1);
  mTexts.push_back(TextItem{cell, text, TextNoPrefix | TextSingleLine, TextColor()});
}

// Single-line layout as DrawTextW does it for one line: horizontally by TextCenter or
// TextRight, vertically centred with TextVCenter (single line only), else at the top.
// Several lines and word breaks are not laid out: such text starts at the top-left.
void PixelCanvas::WriteText(const Rect& r, const std::wstring& text, unsigned format) {
  mTexts.push_back(TextItem{r, text, format, TextColor()});
  std::wstring shown;
  int underline = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!(format & TextNoPrefix) && text[i] == L'&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != L'&') underline = static_cast<int>(shown.size());
    }
    shown += text[i];
  }
  const Size size = TextExtent(shown);
  int x = r.Left;
  if (format & TextCenter)
    x = r.Left + (r.Width() - size.Width) / 2;
  else if (format & TextRight)
    x = r.Right - size.Width;
  int y = r.Top;
  if ((format & TextSingleLine) && (format & TextVCenter)) y = r.Top + (r.Height() - size.Height) / 2;
  PaintText(x, y, shown, underline);
}

}  // namespace nox
