#include "toolkit/ScaledCanvas.h"

#include <algorithm>

namespace nox {

ScaledCanvas::ScaledCanvas(Canvas& target, int factor, int width, int height, Point origin)
    : mTarget(target),
      mFactor(std::max(1, factor)),
      mWidth(std::max(0, width)),
      mHeight(std::max(0, height)),
      mColumns(mWidth / mFactor),
      mRows(mHeight / mFactor),
      mOrigin(origin) {}

// Cells before the last one are factor pixels each; the last one reaches the area's edge;
// cells beyond the grid go on at factor pixels each (outside the area).
int ScaledCanvas::X(int x) const {
  return mOrigin.X + (x < mColumns ? x * mFactor : mWidth + (x - mColumns) * mFactor);
}
int ScaledCanvas::Y(int y) const {
  return mOrigin.Y + (y < mRows ? y * mFactor : mHeight + (y - mRows) * mFactor);
}

void ScaledCanvas::Fill(const Rect& cells, TColor c) {
  if (cells.IsEmpty()) return;
  mTarget.SetBrushColor(c);
  mTarget.FillRect(Rect{X(cells.Left), Y(cells.Top), X(cells.Right), Y(cells.Bottom)});
}

void ScaledCanvas::FillRect(const Rect& r) { Fill(r, BrushColor()); }

void ScaledCanvas::FrameRect(const Rect& r) {
  if (r.IsEmpty()) return;
  const TColor c = BrushColor();
  Fill(Rect{r.Left, r.Top, r.Right, r.Top + 1}, c);
  Fill(Rect{r.Left, r.Bottom - 1, r.Right, r.Bottom}, c);
  Fill(Rect{r.Left, r.Top, r.Left + 1, r.Bottom}, c);
  Fill(Rect{r.Right - 1, r.Top, r.Right, r.Bottom}, c);
}

void ScaledCanvas::SetPixel(int x, int y, TColor c) { Fill(Rect{x, y, x + 1, y + 1}, c); }

TColor ScaledCanvas::Pixel(int x, int y) const { return mTarget.Pixel(X(x), Y(y)); }

// The pixels GDI paints for a line (see Canvas.h): a straight run is one fill, any
// other line the cells of Bresenham's walk.
void ScaledCanvas::DrawLine(Point from, Point to) {
  const TColor c = PenColor();
  if (from.Y == to.Y && from.X != to.X) {
    const int step = from.X < to.X ? 1 : -1;
    const int last = to.X - step;
    Fill(Rect{std::min(from.X, last), from.Y, std::max(from.X, last) + 1, from.Y + 1}, c);
    return;
  }
  if (from.X == to.X && from.Y != to.Y) {
    const int step = from.Y < to.Y ? 1 : -1;
    const int last = to.Y - step;
    Fill(Rect{from.X, std::min(from.Y, last), from.X + 1, std::max(from.Y, last) + 1}, c);
    return;
  }
  WalkLine(from, to, [&](int x, int y) { SetPixel(x, y, c); });
}

void ScaledCanvas::Draw(int x, int y, const Bitmap& bitmap) {
  mTarget.Draw(X(x), Y(y), ScaleBitmap(bitmap, mFactor));
}

void ScaledCanvas::WriteText(const Rect& r, const std::wstring& text, unsigned format) {
  mTarget.SetTextColor(TextColor());
  mTarget.WriteText(Rect{X(r.Left), Y(r.Top), X(r.Right), Y(r.Bottom)}, text, format);
}

Size ScaledCanvas::TextExtent(const std::wstring& text) {
  const Size s = mTarget.TextExtent(text);
  return Size{(s.Width + mFactor - 1) / mFactor, (s.Height + mFactor - 1) / mFactor};
}

void ScaledCanvas::TextAt(int x, int y, const std::wstring& text) {
  mTarget.SetTextColor(TextColor());
  mTarget.SetBrushColor(BrushColor());
  mTarget.SetTextOpaque(TextOpaque());
  mTarget.TextAt(X(x), Y(y), text);
}

}  // namespace nox
