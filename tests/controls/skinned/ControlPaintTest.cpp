// The gauge, push button and check control painters on the pixel canvas (6 x 13 pixel
// text cells), against values worked out by hand. System colours: button face F0F0F0,
// shadow A0A0A0, window white, text black, grey text 6D6D6D; menu check marks 13.
#include <gtest/gtest.h>

#include "controls/skinned/ButtonPaint.h"
#include "controls/skinned/CheckPaint.h"
#include "controls/skinned/GaugePaint.h"
#include "controls/skinned/SkinColor.h"
#include "controls/skinned/SkinGlyph.h"
#include "toolkit/PixelCanvas.h"
#include "toolkit/SystemLook.h"

using namespace nox;

namespace {

constexpr TColor kBg = 0x123456;

class ControlPaint : public ::testing::Test {
 protected:
  FixedSystemLook mLook;
  ScopedSystemLook mScope{mLook};
};

TEST_F(ControlPaint, Gauge) {
  constexpr int W = 329, H = 22;
  const TColor fore = 0x28D008, back = 0xD0D0D0;
  struct Case {
    int min, max, progress;
    int fillEnd;  // last filled column; 0: none
    const wchar_t* text;
  };
  const Case cases[] = {
      {0, 100, 0, 0, L"0%"},       {0, 100, 1, 4, L"1%"},      {0, 100, 25, 82, L"25%"},
      {0, 100, 50, 164, L"50%"},   {0, 100, 75, 246, L"75%"},  {0, 100, 100, 327, L"100%"},
      {40, 40, 40, 0, L"0%"},      // an empty range
      {100, 0, 100, 0, L"0%"},     // a reversed range reads 0%, not -100%
  };
  for (const Case& k : cases) {
    GaugeState s;
    s.MinValue = k.min;
    s.MaxValue = k.max;
    s.Progress = k.progress;
    s.BackColor = kClBtnFace;
    s.BackShade = 0x202020;
    PixelCanvas c(W + 2, H + 2, kBg);
    PaintGauge(c, W, H, s, 0x000000);
    // The bar without the text over it.
    s.ShowText = false;
    PixelCanvas bar(W + 2, H + 2, kBg);
    PaintGauge(bar, W, H, s, 0x000000);
    const int mid = 11;  // the middle row is exactly the fore and back colours
    if (k.fillEnd > 0) {
      EXPECT_EQ(bar.Pixel(1, mid), fore) << k.progress;
      EXPECT_EQ(bar.Pixel(k.fillEnd, mid), fore) << k.progress;
    }
    if (k.fillEnd < W - 2) {
      EXPECT_EQ(bar.Pixel(k.fillEnd + 1, mid), back) << k.progress;
    }
    EXPECT_EQ(bar.Pixel(W - 2, mid), k.fillEnd == W - 2 ? fore : back) << k.progress;
    ASSERT_EQ(c.Texts().size(), 1u);
    EXPECT_EQ(c.Texts()[0].Text, k.text);
    const int tw = 6 * static_cast<int>(c.Texts()[0].Text.size());
    EXPECT_EQ(c.Texts()[0].Bounds, (Rect{(W - 1 - tw) / 2 + 2, 4, (W - 1 - tw) / 2 + 2 + tw, 17}));
  }

  // Frame, row shading and the unfilled part's rows, at 50%.
  GaugeState s;
  s.MaxValue = 100;
  s.Progress = 50;
  s.BackColor = kClBtnFace;
  s.BackShade = 0x202020;
  s.ShowText = false;
  PixelCanvas c(W + 2, H + 2, kBg);
  PaintGauge(c, W, H, s, 0);
  struct Px {
    int x, y;
    TColor want;
  };
  const Px pixels[] = {
      {0, 0, 0xDCDCDC},   {W - 1, H - 1, 0xDCDCDC}, {1, 0, 0xC4C4C4},   {0, 1, 0xC4C4C4},
      {W - 2, H - 1, 0xC4C4C4}, {2, 0, 0xB0B0B0},   {200, 0, 0xB0B0B0}, {0, 2, 0xA8A8A8},
      {W - 1, 19, 0xA8A8A8}, {2, H - 1, 0xA0A0A0},  {W, 5, kBg},        {5, H, kBg},
      // Fill row 1: w = round(256 / 11) = 23 toward 3CE62A, plus ForeIncrColor 701880.
      {10, 1, 0xAAFCA6},
      // Unfilled row 20 (H - 2): w = 46 toward EAEAEA, plus 080808.
      {200, 20, 0xEDEDED},
      // Unfilled row 2: w = 46 (E5), plus 101010 and 040404.
      {200, 2, 0xF9F9F9},
  };
  for (const Px& p : pixels) EXPECT_EQ(c.Pixel(p.x, p.y), p.want) << "(" << p.x << ", " << p.y << ")";
  EXPECT_TRUE(c.Texts().empty()) << "ShowText off";

  // Two pixels high: only the frame pixels (and the text).
  PixelCanvas flat(12, 4, kBg);
  GaugeState f;
  f.MaxValue = 100;
  f.Progress = 50;
  f.ShowText = false;
  PaintGauge(flat, 10, 2, f, 0);
  EXPECT_EQ(flat.Pixel(0, 0), 0xC4C4C4) << "the pixels beside the corners win";
  EXPECT_EQ(flat.Pixel(9, 1), 0xC4C4C4);
  EXPECT_EQ(flat.Pixel(5, 0), 0xB0B0B0);
  EXPECT_EQ(flat.Pixel(5, 1), 0xA0A0A0);
}

TEST_F(ControlPaint, ButtonLayout) {
  struct Case {
    const char* what;
    int w, h;
    const wchar_t* caption;
    TBitmapKind kind;
    bool pressed;
    int offX, offY;
    Point glyph;  // {-1, -1}: none drawn
    Rect text;    // empty: no text
  };
  const Case cases[] = {
      {"captioned glyph", 78, 29, L"Start", bkOk, false, 0, 0, {7, 6}, {21, 3, 75, 26}},
      {"captioned glyph pressed", 78, 29, L"Start", bkOk, true, 0, 0, {8, 7}, {22, 4, 76, 27}},
      {"offsets with a caption", 78, 29, L"Start", bkOk, false, 2, 3, {9, 9}, {21, 3, 75, 26}},
      {"help glyph alone", 37, 29, L"", bkHelp, false, 0, 0, {10, 6}, {}},
      {"help glyph alone pressed", 37, 29, L"", bkHelp, true, 0, 0, {11, 7}, {}},
      {"OffX needs a caption, OffY not", 37, 29, L"", bkHelp, false, 5, 2, {10, 8}, {}},
      {"caption alone", 78, 29, L"Start", bkNone, false, 0, 0, {-1, -1}, {3, 3, 75, 26}},
  };
  for (const Case& k : cases) {
    ButtonLook look;
    look.Color = kClBtnFace;
    look.Caption = k.caption;
    look.OffX = k.offX;
    look.OffY = k.offY;
    ButtonGlyph glyph;
    glyph.Kind = k.kind;
    PixelCanvas c(k.w, k.h, kBg);
    PaintButton(c, k.w, k.h, look, glyph, k.pressed, false, true);
    if (k.glyph.X >= 0) {
      // The glyph's first disc pixel of row 1 is its column 4.
      EXPECT_EQ(c.Pixel(k.glyph.X + 4, k.glyph.Y + 1), glyph.Bitmap.Pixel(4, 1)) << k.what;
      EXPECT_NE(c.Pixel(k.glyph.X + 3, k.glyph.Y + 1), glyph.Bitmap.Pixel(4, 1)) << k.what;
    }
    if (k.text.IsEmpty()) {
      EXPECT_TRUE(c.Texts().empty()) << k.what;
    } else {
      ASSERT_EQ(c.Texts().size(), 1u) << k.what;
      EXPECT_EQ(c.Texts()[0].Bounds, k.text) << k.what;
      EXPECT_EQ(c.Texts()[0].Format, 0x25u) << k.what;
    }
  }
}

// The glyph's life across paints: kinds, the faded copy, the inverted "INV" glyph.
TEST_F(ControlPaint, ButtonGlyphState) {
  ButtonLook look;
  look.Color = kClBtnFace;
  ButtonGlyph g;
  auto paint = [&](bool enabled) {
    PixelCanvas c(37, 29, kBg);
    PaintButton(c, 37, 29, look, g, false, false, enabled);
    return c.Pixel(10 + 7, 6 + 7);  // a disc pixel of the centred glyph
  };
  Bitmap custom(16, 16, 0xFFFFFF);
  for (int y = 1; y < 15; ++y)
    for (int x = 1; x < 15; ++x) custom.SetPixel(x, y, 0x000000);

  // A picture with kind bkNone is not drawn.
  g.Bitmap = custom;
  EXPECT_EQ(paint(true), 0xEDEDED) << "face only (row 13: g = 5)";

  // bkCustom draws it; disabled, the faded copy (3/4 toward the face).
  g.Kind = bkCustom;
  EXPECT_EQ(paint(true), 0x000000);
  EXPECT_EQ(paint(false), 0xB4B4B4);

  // Switching to a built-in kind loads it at the next paint and the faded copy follows.
  g.Kind = bkOk;
  const TColor okPixel = OkGlyph()[7 * 16 + 7];
  EXPECT_EQ(paint(false), MakeColor((RedOf(okPixel) + 3 * 0xF0) / 4, (GreenOf(okPixel) + 3 * 0xF0) / 4,
                                     (BlueOf(okPixel) + 3 * 0xF0) / 4))
      << "never the old picture's faded copy";
  EXPECT_EQ(paint(true), okPixel);
  g.Kind = bkCustom;
  EXPECT_EQ(paint(true), okPixel) << "back to custom keeps the built-in picture";

  g.Kind = bkHelp;
  paint(true);
  EXPECT_EQ(g.IconName, L"01_Help");

  // "INV": inverted once the face turns dark, and back when it turns light.
  Bitmap grey(16, 16, 0xFFFFFF);
  for (int y = 1; y < 15; ++y)
    for (int x = 1; x < 15; ++x) grey.SetPixel(x, y, 0x808080);
  ButtonGlyph inv;
  inv.Bitmap = grey;
  inv.Kind = bkCustom;
  inv.IconName = L"INV";
  PixelCanvas c(37, 29, kBg);
  PaintButton(c, 37, 29, look, inv, false, false, true);
  EXPECT_EQ(inv.Bitmap.Pixel(7, 7), 0x808080) << "light face: as given";
  mLook.SetColor(kSysColorBtnFace, 0x303030);
  PaintButton(c, 37, 29, look, inv, false, false, true);
  EXPECT_EQ(inv.Bitmap.Pixel(7, 7), 0xB1B1B1) << "dark face: 305 - 0x80";
  PaintButton(c, 37, 29, look, inv, false, false, false);
  EXPECT_EQ(inv.DisabledBitmap.Pixel(7, 7), 0x5C5C5C) << "(0xB1 + 3 * 0x40) / 4";
  mLook.SetColor(kSysColorBtnFace, 0xE0E0E0);
  PaintButton(c, 37, 29, look, inv, false, false, true);
  EXPECT_EQ(inv.Bitmap.Pixel(7, 7), 0x808080) << "light again: inverted back";
}

TEST_F(ControlPaint, ButtonCaptionColour) {
  ButtonLook look;
  look.Color = kClBtnFace;
  look.TextColor = 0x112233;
  look.Caption = L"&Start";
  ButtonGlyph g;
  for (bool enabled : {true, false}) {
    PixelCanvas c(78, 29, kBg);
    PaintButton(c, 78, 29, look, g, false, true, enabled);
    ASSERT_EQ(c.Texts().size(), 1u);
    EXPECT_EQ(c.Texts()[0].Color, enabled ? 0x112233 : 0x7F7F7F);
    // "Start" (the ampersand underlines S): 30 pixels from x = 24, 13 from y = 8.
    const TColor ink = enabled ? 0x112233 : 0x7F7F7F;
    EXPECT_EQ(c.Pixel(25, 15), ink);
    EXPECT_EQ(c.Pixel(24, 19), ink) << "S is underlined";
    EXPECT_NE(c.Pixel(30, 19), ink) << "t is not";
  }
}

TEST_F(ControlPaint, CheckAndRadio) {
  struct Case {
    const char* what;
    CheckStyle style;
    int h;
    int metric;
    bool focused;
    const wchar_t* caption;
    int textX;       // caption's left
    Rect cell;       // caption cell (tw = 6 per character)
    int squareTop;   // first row of the indicator
  };
  const Case cases[] = {
      {"check box 17 high", CheckStyle::CheckBox, 17, 13, false, L"Image is 8 bit", 19, {17, 0, 21 + 84, 17}, 2},
      {"metric 15 is the same", CheckStyle::CheckBox, 17, 15, true, L"Image is 8 bit", 19, {17, 0, 105, 17}, 2},
      {"12 high: 11 x 11", CheckStyle::CheckBox, 12, 13, false, L"ab", 15, {13, 0, 13 + 16, 12}, 1},
      {"radio", CheckStyle::Radio, 17, 13, true, L"ab", 18, {16, 0, 15 + 12 + 5, 17}, 2},
  };
  for (const Case& k : cases) {
    mLook.SetMetric(kSysMetricMenuCheckWidth, k.metric);
    mLook.SetMetric(kSysMetricMenuCheckHeight, k.metric);
    CheckLook look;
    look.Style = k.style;
    look.Caption = k.caption;
    look.Color = 0xF0F0F0;
    look.Checked = true;
    look.Focused = k.focused;
    PixelCanvas c(120, k.h, kBg);
    PaintCheck(c, 120, k.h, look);
    ASSERT_EQ(c.Texts().size(), 1u) << k.what;
    EXPECT_EQ(c.Texts()[0].Bounds.Left, k.textX) << k.what;
    EXPECT_EQ(c.Texts()[0].Bounds.Top, (k.h - 13) / 2) << k.what;
    EXPECT_EQ(c.Texts()[0].Color, 0x000000) << k.what;
    // The cell's frame: the control's colour, or the inverted dots of the focus rectangle
    // where x + y is even.
    const Rect& r = k.cell;
    for (int x = r.Left; x < r.Right; ++x) {
      const bool dot = k.focused && ((x + r.Top) % 2 == 0);
      EXPECT_EQ(c.Pixel(x, r.Top), dot ? 0x0F0F0F : 0xF0F0F0) << k.what << " x " << x;
    }
    EXPECT_EQ(c.Pixel(r.Right, 5), kBg) << k.what << ": nothing right of the cell";
    if (k.style == CheckStyle::CheckBox) {
      EXPECT_EQ(c.Pixel(0, k.squareTop), 0x989898) << k.what;
      EXPECT_EQ(c.Pixel(0, k.squareTop - 1), kBg) << k.what;
    } else {
      EXPECT_EQ(c.Pixel(3, k.squareTop), 0xB0B0B0) << k.what << ": the ring's first vertex";
    }
  }

  // A radio button in a disabled group box: a disabled indicator, an enabled caption.
  CheckLook look;
  look.Style = CheckStyle::Radio;
  look.Caption = L"x";
  look.Color = 0xF0F0F0;
  look.IndicatorEnabled = false;
  look.Focused = true;
  PixelCanvas c(40, 17, kBg);
  mLook.SetMetric(kSysMetricMenuCheckWidth, 13);
  mLook.SetMetric(kSysMetricMenuCheckHeight, 13);
  PaintCheck(c, 40, 17, look);
  EXPECT_EQ(c.Pixel(5, 2), 0xA8A8A8) << "disabled ring";
  EXPECT_EQ(c.Texts()[0].Color, 0x000000);
  // Without a caption there is no focus rectangle.
  look.Caption.clear();
  PixelCanvas empty(40, 17, kBg);
  PaintCheck(empty, 40, 17, look);
  EXPECT_EQ(empty.Pixel(16, 0), 0xF0F0F0);
  // Disabled: grey text.
  look.Caption = L"x";
  look.Enabled = false;
  PixelCanvas grey(40, 17, kBg);
  PaintCheck(grey, 40, 17, look);
  EXPECT_EQ(grey.Texts()[0].Color, 0x6D6D6D);
}

}  // namespace
