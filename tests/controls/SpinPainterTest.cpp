// The spin button's look and the framed edits' flat frame, on the pixel canvas.
#include <gtest/gtest.h>

#include <string>

#include "controls/numeric/FlatFrame.h"
#include "controls/numeric/SpinPainter.h"
#include "toolkit/PixelCanvas.h"

using namespace nox;

namespace {

constexpr TColor kFace = 0xF0F0F0;
constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kSentinel = 0x123456;

TColor Grey(int level) { return MakeColor(level, level, level); }

// The 4 x 7 block at (x0, y0) as rows of shade digits: k for the shade Sk of `shades`,
// '.' for anything else.
std::string Block(const PixelCanvas& c, int x0, int y0, const TColor (&shades)[4]) {
  std::string s;
  for (int y = y0; y < y0 + 7; ++y) {
    for (int x = x0; x < x0 + 4; ++x) {
      char cell = '.';
      for (int k = 0; k < 4; ++k)
        if (c.Pixel(x, y) == shades[k]) cell = static_cast<char>('0' + k);
      s += cell;
    }
    s += '/';
  }
  return s;
}

const char kLeft[] = "...2/..32/.322/3221/.211/..10/...0/";
const char kRight[] = "3.../32../322./3210/210./10../0.../";

TEST(SpinPainter, ArrowsAreDrawnFromTheirTablesInTheShadesOfTheWindowColour) {
  struct Case {
    TColor window;
    bool leftPressed, rightPressed;
    int levels[4];
  };
  const Case cases[] = {
      {kWhite, false, false, {170, 118, 88, 40}},
      {0x6F6F6F, false, false, {232, 224, 216, 208}},  // dark: red byte below 0x70
      {0x707070, false, true, {170, 118, 88, 40}},
      {0x202020, true, false, {232, 224, 216, 208}},
  };
  for (const Case& k : cases) {
    PixelCanvas c(24, 16, kSentinel);
    SpinLook look;
    look.LeftPressed = k.leftPressed;
    look.RightPressed = k.rightPressed;
    PaintSpinButton(c, 24, 16, look, SpinColors{kFace, k.window});
    TColor plain[4], red[4];
    for (int i = 0; i < 4; ++i) {
      plain[i] = Grey(k.levels[i]);
      red[i] = plain[i] | 0x000707F0;
    }
    // Default size: the left block starts at (4, 5), the right one at (16, 5).
    EXPECT_EQ(Block(c, 4, 5, k.leftPressed ? red : plain), kLeft) << k.window;
    EXPECT_EQ(Block(c, 16, 5, k.rightPressed ? red : plain), kRight) << k.window;
    EXPECT_EQ(RedOf(c.Pixel(16, 8)), k.rightPressed ? 0xF0 | k.levels[3] : k.levels[3]);
  }
}

TEST(SpinPainter, BevelledBoxesRaisedAndPressed) {
  PixelCanvas c(24, 16, kSentinel);
  SpinLook look;
  look.RightPressed = true;
  PaintSpinButton(c, 24, 16, look, SpinColors{kFace, kWhite});
  // Raised left box (0, 0)-(11, 15): light top and left, darker corner, dark bottom/right.
  EXPECT_EQ(c.Pixel(5, 0), 0xE0E0E0);
  EXPECT_EQ(c.Pixel(11, 0), 0xE0E0E0);
  EXPECT_EQ(c.Pixel(0, 14), 0xE0E0E0);
  EXPECT_EQ(c.Pixel(0, 15), 0xC8C8C8);
  EXPECT_EQ(c.Pixel(5, 15), 0x989898);
  EXPECT_EQ(c.Pixel(11, 15), 0x989898);
  EXPECT_EQ(c.Pixel(11, 1), 0x989898);
  EXPECT_EQ(c.Pixel(2, 2), 0xF8F8F8) << "face lifted by 8";
  // Pressed right box (12, 0)-(23, 15): dark top and left, light bottom and right.
  EXPECT_EQ(c.Pixel(23, 0), 0xC0C0C0);
  EXPECT_EQ(c.Pixel(12, 14), 0xC0C0C0);
  EXPECT_EQ(c.Pixel(12, 15), 0xE0E0E0);
  EXPECT_EQ(c.Pixel(23, 1), 0xE0E0E0);

  // A dark face is lifted by 8 before the box is drawn.
  PixelCanvas d(24, 16, kSentinel);
  PaintSpinButton(d, 24, 16, SpinLook{}, SpinColors{0x404040, 0x202020});
  EXPECT_EQ(d.Pixel(2, 2), 0x505050);
  EXPECT_EQ(d.Pixel(5, 0), 0x383838);
}

TEST(SpinPainter, GradientBoxesLightenUpwardsOrTurnGreenWhenPressed) {
  PixelCanvas c(24, 16, kSentinel);
  SpinLook look;
  look.Gradient = true;
  look.LeftPressed = true;
  PaintSpinButton(c, 24, 16, look, SpinColors{0x808080, kWhite});
  // Right box raised, 15 rows high: strips of 1 row (15 div 16 + 1) from row 14 up,
  // one grey level lighter each.
  EXPECT_EQ(c.Pixel(14, 14), 0x808080);
  EXPECT_EQ(c.Pixel(14, 13), 0x818181);
  EXPECT_EQ(c.Pixel(14, 2), 0x8C8C8C);
  EXPECT_EQ(c.Pixel(14, 1), 0x8D8D8D);
  EXPECT_EQ(c.Pixel(14, 0), 0x909090) << "top edge, first pen";
  EXPECT_EQ(c.Pixel(12, 8), 0x909090) << "left edge, first pen";
  EXPECT_EQ(c.Pixel(23, 8), 0x606060) << "right edge, second pen";
  EXPECT_EQ(c.Pixel(14, 15), 0x606060) << "bottom edge, second pen";
  // Left box pressed: a lighter fill with a green cast, pens swapped.
  EXPECT_EQ(c.Pixel(6, 2), MakeColor(0xA4, 0xB4, 0xA4));
  EXPECT_EQ(c.Pixel(0, 8), 0x606060);
  EXPECT_EQ(c.Pixel(11, 8), 0x909090);

  // A taller box steps two rows a level: 40 - 1 = 39 rows, 39 div 16 + 1 = 3.
  PixelCanvas t(24, 40, kSentinel);
  PaintSpinButton(t, 24, 40, look, SpinColors{0x808080, kWhite});
  EXPECT_EQ(t.Pixel(14, 36), 0x808080);
  EXPECT_EQ(t.Pixel(14, 38), 0x808080);
  EXPECT_EQ(t.Pixel(14, 35), 0x818181);
  EXPECT_EQ(t.Pixel(14, 33), 0x818181);
  EXPECT_EQ(t.Pixel(14, 32), 0x828282);
}

TEST(SpinPainter, EveryPixelIsPaintedWhateverTheState) {
  for (bool gradient : {false, true})
    for (int pressed = 0; pressed < 3; ++pressed)
      for (auto size : {std::pair<int, int>{24, 16}, {24, 18}, {25, 17}, {24, 40}, {6, 4}}) {
        PixelCanvas c(size.first, size.second, kSentinel);
        SpinLook look;
        look.Gradient = gradient;
        look.LeftPressed = pressed == 1;
        look.RightPressed = pressed == 2;
        PaintSpinButton(c, size.first, size.second, look, SpinColors{kFace, kWhite});
        int left = 0;
        for (int y = 0; y < c.Height(); ++y)
          for (int x = 0; x < c.Width(); ++x) left += c.Pixel(x, y) == kSentinel;
        EXPECT_EQ(left, 0) << "gradient " << gradient << " pressed " << pressed << " size "
                           << size.first << "x" << size.second;
      }
}

TEST(FlatFrame, TwoRingsOverTheOuterEdge) {
  PixelCanvas c(10, 6, kSentinel);
  PaintFlatFrame(c, 10, 6, 0xA0A0A0, kFace);
  std::string rows;
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 10; ++x)
      rows += c.Pixel(x, y) == 0xA0A0A0 ? 'S' : c.Pixel(x, y) == kFace ? 'f' : '.';
    rows += '/';
  }
  EXPECT_EQ(rows, "SSSSSSSSSS/SffffffffS/Sf......fS/Sf......fS/SffffffffS/SSSSSSSSSS/");
}

}  // namespace
