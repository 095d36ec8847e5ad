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
// Text comes in the canvas's font (GDI: the selected font; the pixel canvas: a fixed
// cell per character, see PixelCanvas.h) and text colour. TextAt draws on a transparent
// background unless TextOpaque is set, which fills the text's cell with the brush colour.
// The focus rectangle is an explicit dotted pattern, the same on both canvases.
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
  // Text in the current font and text colour, on a transparent background, laid out in r
  // by the format flags. Without TextNoPrefix an ampersand underlines the next character
  // and two ampersands show one.
  virtual void WriteText(const Rect& r, const std::wstring& text, unsigned format) = 0;
  // The width and height of one line of text in the current font (no prefix processing).
  virtual Size TextExtent(const std::wstring& text) = 0;
  // One line of text with its top-left corner at (x, y).
  virtual void TextAt(int x, int y, const std::wstring& text) = 0;
  void SetTextOpaque(bool opaque) { mTextOpaque = opaque; }
  bool TextOpaque() const { return mTextOpaque; }

  // The focus rectangle: inverts the border pixels of r whose x + y is even (a dotted
  // line whose dots meet at the corners, as Windows' focus rectangle looks). Drawing it
  // twice restores the pixels.
  void DrawFocusRect(const Rect& r);

 protected:
  virtual void DrawLine(Point from, Point to) = 0;

 private:
  TColor mPen = kClBlack;
  TColor mBrush = kClWhite;
  TColor mText = kClBlack;
  bool mTextOpaque = false;
  Point mPenPos;
};

inline void Canvas::DrawFocusRect(const Rect& r) {
  if (r.IsEmpty()) return;
  auto dot = [this](int x, int y) {
    if (((x + y) & 1) == 0) SetPixel(x, y, PlainRgb(Pixel(x, y) ^ 0xFFFFFF));
  };
  for (int x = r.Left; x < r.Right; ++x) {
    dot(x, r.Top);
    if (r.Bottom - 1 > r.Top) dot(x, r.Bottom - 1);
  }
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    dot(r.Left, y);
    if (r.Right - 1 > r.Left) dot(r.Right - 1, y);
  }
}

}  // namespace nox
