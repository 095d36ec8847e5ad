#include "toolkit/GdiCanvas.h"

#include <vector>

namespace nox {

namespace {
COLORREF Ref(TColor c) { return static_cast<COLORREF>(PlainRgb(c)); }
}  // namespace

void GdiCanvas::FillRect(const Rect& r) {
  if (r.IsEmpty()) return;
  HBRUSH brush = CreateSolidBrush(Ref(BrushColor()));
  const RECT rc = ToRECT(r);
  ::FillRect(mDc, &rc, brush);
  DeleteObject(brush);
}

void GdiCanvas::FrameRect(const Rect& r) {
  if (r.IsEmpty()) return;
  HBRUSH brush = CreateSolidBrush(Ref(BrushColor()));
  const RECT rc = ToRECT(r);
  ::FrameRect(mDc, &rc, brush);
  DeleteObject(brush);
}

void GdiCanvas::SetPixel(int x, int y, TColor c) { SetPixelV(mDc, x, y, Ref(c)); }

TColor GdiCanvas::Pixel(int x, int y) const {
  const COLORREF c = GetPixel(mDc, x, y);
  return c == CLR_INVALID ? kClBlack : static_cast<TColor>(c & 0x00FFFFFFu);
}

void GdiCanvas::DrawLine(Point from, Point to) {
  HPEN pen = CreatePen(PS_SOLID, 1, Ref(PenColor()));
  HGDIOBJ old = SelectObject(mDc, pen);
  MoveToEx(mDc, from.X, from.Y, nullptr);
  ::LineTo(mDc, to.X, to.Y);
  SelectObject(mDc, old);
  DeleteObject(pen);
}

void GdiCanvas::Draw(int x, int y, const Bitmap& bitmap) {
  if (bitmap.Empty()) return;
  if (bitmap.Transparent) {
    // Glyph-sized bitmaps: pixel by pixel keeps the key test exact.
    const TColor key = bitmap.TransparentColor();
    for (int row = 0; row < bitmap.Height(); ++row)
      for (int col = 0; col < bitmap.Width(); ++col) {
        const TColor p = bitmap.Pixel(col, row);
        if (p != key) SetPixelV(mDc, x + col, y + row, Ref(p));
      }
    return;
  }
  const int w = bitmap.Width();
  const int h = bitmap.Height();
  std::vector<uint32_t> bits(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) {
      const TColor p = bitmap.Pixel(col, row);  // 0x00BBGGRR -> DIB's 0x00RRGGBB
      bits[static_cast<size_t>(row) * static_cast<size_t>(w) + static_cast<size_t>(col)] =
          (static_cast<uint32_t>(RedOf(p)) << 16) | (static_cast<uint32_t>(GreenOf(p)) << 8) |
          static_cast<uint32_t>(BlueOf(p));
    }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(mDc, x, y, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0,
                    static_cast<UINT>(h), bits.data(), &info, DIB_RGB_COLORS);
}

namespace {
// Selects a font for the length of one call (none: the context's own stays).
class FontSelection {
 public:
  FontSelection(HDC dc, HFONT font) : mDc(dc), mOld(font ? SelectObject(dc, font) : nullptr) {}
  ~FontSelection() {
    if (mOld) SelectObject(mDc, mOld);
  }
  FontSelection(const FontSelection&) = delete;
  FontSelection& operator=(const FontSelection&) = delete;

 private:
  HDC mDc;
  HGDIOBJ mOld;
};
}  // namespace

Size GdiCanvas::TextExtent(const std::wstring& text) {
  FontSelection font(mDc, mFont);
  SIZE size{0, 0};
  if (!text.empty()) {
    GetTextExtentPoint32W(mDc, text.c_str(), static_cast<int>(text.size()), &size);
  } else {
    TEXTMETRICW tm{};
    GetTextMetricsW(mDc, &tm);
    size.cy = tm.tmHeight;
  }
  return Size{static_cast<int>(size.cx), static_cast<int>(size.cy)};
}

void GdiCanvas::TextAt(int x, int y, const std::wstring& text) {
  FontSelection font(mDc, mFont);
  const int oldMode = SetBkMode(mDc, TextOpaque() ? OPAQUE : TRANSPARENT);
  const COLORREF oldBack = SetBkColor(mDc, Ref(BrushColor()));
  const COLORREF oldColor = ::SetTextColor(mDc, Ref(TextColor()));
  const UINT oldAlign = SetTextAlign(mDc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  ExtTextOutW(mDc, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  SetTextAlign(mDc, oldAlign);
  ::SetTextColor(mDc, oldColor);
  SetBkColor(mDc, oldBack);
  SetBkMode(mDc, oldMode);
}

void GdiCanvas::WriteText(const Rect& r, const std::wstring& text, unsigned format) {
  FontSelection font(mDc, mFont);
  const int oldMode = SetBkMode(mDc, TRANSPARENT);
  const COLORREF oldColor = ::SetTextColor(mDc, Ref(TextColor()));
  RECT rc = ToRECT(r);
  DrawTextW(mDc, text.c_str(), static_cast<int>(text.size()), &rc, format);
  ::SetTextColor(mDc, oldColor);
  SetBkMode(mDc, oldMode);
}

}  // namespace nox
