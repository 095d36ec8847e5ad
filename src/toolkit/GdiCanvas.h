// A canvas over a Windows device context (not owned). Pens and brushes are made for each
// operation from the canvas's colours and released before it returns; the font, text
// colour and background mode are selected for each text call and put back after it.
#pragma once

#include <windows.h>

#include "toolkit/Canvas.h"

namespace nox {

class GdiCanvas : public Canvas {
 public:
  explicit GdiCanvas(HDC dc) : mDc(dc) {}
  HDC Handle() const { return mDc; }
  // Selects the font used by WriteText (not owned); null keeps the context's font.
  void SetFont(HFONT font) { mFont = font; }

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
  HDC mDc;
  HFONT mFont = nullptr;
};

inline RECT ToRECT(const Rect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }
inline Rect FromRECT(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

}  // namespace nox
