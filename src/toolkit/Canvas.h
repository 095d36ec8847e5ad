// The drawing surface the painters and controls paint on. Two implementations: GdiCanvas
// over a Windows device context and PixelCanvas over a plain pixel buffer; both follow
// GDI's geometry, so one drawing gives the same pixels on each:
//  - x grows to the right and y downward;
//  - a line from P to Q paints P up to but not including Q (exact for horizontal,
//    vertical and 45-degree lines);
//  - FillRect paints columns Left..Right-1 and rows Top..Bottom-1 with the brush;
//  - FrameRect paints the one-pixel border of that area with the brush.
// Colours handed to a canvas are plain 0x00BBGGRR values: system colour references are
// resolved by the caller. The pen is always one pixel wide.
#pragma once

#include <string>

#include "toolkit/Bitmap.h"
#include "toolkit/Color.h"
#include "toolkit/Geometry.h"

namespace nox {

// Text layout flags; the values are those of DrawTextW's DT_ flags.
enum TextFormat : unsigned {
  TextLeft = 0x0,
  TextCenter = 0x1,
  TextRight = 0x2,
  TextVCenter = 0x4,
  TextWordBreak = 0x10,
  TextSingleLine = 0x20,
  TextNoPrefix = 0x800,
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  void SetPenColor(TColor c) { mPen = PlainRgb(c); }
  TColor PenColor() const { return mPen; }
  void SetBrushColor(TColor c) { mBrush = PlainRgb(c); }
  TColor BrushColor() const { return mBrush; }
  void SetTextColor(TColor c) { mText = PlainRgb(c); }
  TColor TextColor() const { return mText; }

  void MoveTo(int x, int y) { mPenPos = Point{x, y}; }
  Point PenPos() const { return mPenPos; }
  // Draws with the pen from the current position to (x, y), leaving out (x, y), and
  // moves the current position there.
  void LineTo(int x, int y) {
    DrawLine(mPenPos, Point{x, y});
    mPenPos = Point{x, y};
  }

  virtual void FillRect(const Rect& r) = 0;
  virtual void FrameRect(const Rect& r) = 0;
  virtual void SetPixel(int x, int y, TColor c) = 0;
  virtual TColor Pixel(int x, int y) const = 0;
  // Draws the bitmap with its top-left corner at (x, y); a transparent bitmap leaves
  // out the pixels equal to its transparent colour.
  virtual void Draw(int x, int y, const Bitmap& bitmap) = 0;
  // Text in the current font and text colour, on a transparent background.
  virtual void WriteText(const Rect& r, const std::wstring& text, unsigned format) = 0;

 protected:
  virtual void DrawLine(Point from, Point to) = 0;

 private:
  TColor mPen = kClBlack;
  TColor mBrush = kClWhite;
  TColor mText = kClBlack;
  Point mPenPos;
};

}  // namespace nox
