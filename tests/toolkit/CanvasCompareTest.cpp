// The same drawing on GdiCanvas (a DIB section under Wine's GDI) and on PixelCanvas gives
// the same pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "support/DibSurface.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/PixelCanvas.h"

using namespace nox;
using nox::test::DibSurface;

namespace {

constexpr int kW = 40;
constexpr int kH = 32;
constexpr TColor kBg = 0xF5F5F5;

void ExpectSamePixels(const std::function<void(Canvas&)>& draw) {
  DibSurface dib(kW, kH);
  GdiCanvas gdi(dib.Dc());
  gdi.SetBrushColor(kBg);
  gdi.FillRect(Rect{0, 0, kW, kH});
  draw(gdi);
  PixelCanvas pix(kW, kH, kBg);
  draw(pix);
  int mismatches = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if (dib.Pixel(x, y) != pix.Pixel(x, y) && ++mismatches <= 5)
        ADD_FAILURE() << "pixel (" << x << ", " << y << "): GDI " << std::hex << dib.Pixel(x, y)
                      << ", pixel canvas " << pix.Pixel(x, y);
  EXPECT_EQ(mismatches, 0);
}

TEST(CanvasCompare, LinesRectanglesPixelsAndBitmapsMatchGdi) {
  ExpectSamePixels([](Canvas& c) {
    c.SetPenColor(0x2040C0);
    c.MoveTo(2, 2);
    c.LineTo(30, 2);   // horizontal
    c.LineTo(30, 20);  // vertical
    c.LineTo(20, 30);  // 45 degrees down-left
    c.LineTo(5, 15);   // 45 degrees up-left
    c.MoveTo(35, 30);
    c.LineTo(35, 25);  // upwards
    c.MoveTo(10, 10);
    c.LineTo(10, 10);  // zero length
    c.SetBrushColor(0x10A050);
    c.FillRect(Rect{4, 4, 12, 9});
    c.FrameRect(Rect{14, 5, 25, 14});
    c.FrameRect(Rect{27, 24, 28, 25});  // 1 x 1
    c.FillRect(Rect{20, 20, 20, 25});   // empty
    c.SetPixel(38, 1, 0x0000FF);
    c.SetPixel(39, 31, 0xABCDEF);
    Bitmap glyph(5, 4, kClWhite);
    for (int i = 0; i < 4; ++i) glyph.SetPixel(i + 1, i, 0x00FF00);
    glyph.SetPixel(0, 0, 0x808080);
    c.Draw(31, 5, glyph);  // opaque
    glyph.Transparent = true;
    c.Draw(31, 12, glyph);  // white left out
    c.Draw(-2, 28, glyph);  // partly outside
  });
}

TEST(CanvasCompare, ReadsBackWhatWasDrawn) {
  DibSurface dib(kW, kH);
  GdiCanvas gdi(dib.Dc());
  gdi.SetPixel(3, 4, 0x00112233);
  EXPECT_EQ(gdi.Pixel(3, 4), 0x00112233);
  EXPECT_EQ(dib.Pixel(3, 4), 0x00112233);
}

}  // namespace
