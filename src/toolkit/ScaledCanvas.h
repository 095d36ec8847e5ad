// A canvas of whole-factor cells over another canvas: each pixel a painter sets, each
// pixel of its lines and fills and of its bitmaps becomes a factor x factor block of the
// canvas below, so a drawing made for 96 DPI comes out enlarged pixel by pixel (no blur,
// no smoothing). The cell grid covers an area of width x height pixels of the canvas
// below: it is width div factor cells wide, and its last column and row of cells take
// what is left over, so a painter that covers its cells covers the whole area.
// Text is laid out at the cells' positions in the canvas below's own font; painters that
// write text do it on the canvas below instead, at the scaled positions.
#pragma once

#include "toolkit/Canvas.h"

namespace nox {

class ScaledCanvas : public Canvas {
 public:
  // The area's top-left corner is `origin` of the canvas below.
  ScaledCanvas(Canvas& target, int factor, int width, int height, Point origin = Point{});

  int Factor() const { return mFactor; }
  int Columns() const { return mColumns; }
  int Rows() const { return mRows; }
  // The first pixel of the canvas below of cell column x and row y.
  int X(int x) const;
  int Y(int y) const;

  void FillRect(const Rect& r) override;
  void FrameRect(const Rect& r) override;
  void SetPixel(int x, int y, TColor c) override;
  TColor Pixel(int x, int y) const override;
  void Draw(int x, int y, const Bitmap& bitmap) override;
  void WriteText(const Rect& r, const std::wstring& text, unsigned format) override;
  Size TextExtent(const std::wstring& text) override;
  void TextAt(int x, int y, const std::wstring& text) override;

 protected:
  void DrawLine(Point from, Point to) override;

 private:
  void Fill(const Rect& cells, TColor c);
  Canvas& mTarget;
  int mFactor;
  int mWidth;
  int mHeight;
  int mColumns;
  int mRows;
  Point mOrigin;
};

// Paints paint(canvas, width, height) for a width x height area: straight on the canvas
// when the factor is 1, else on its cells (the painter then sees the cell grid's size).
template <typename Painter>
void PaintInCells(Canvas& canvas, int factor, int width, int height, Painter&& paint) {
  if (factor <= 1) {
    paint(canvas, width, height);
    return;
  }
  ScaledCanvas cells(canvas, factor, width, height);
  paint(static_cast<Canvas&>(cells), cells.Columns(), cells.Rows());
}

}  // namespace nox
