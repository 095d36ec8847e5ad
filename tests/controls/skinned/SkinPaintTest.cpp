// The painters on the pixel canvas, against pixels worked out by hand from their rules.
// System colours are fixed: button face F0F0F0, shadow A0A0A0, window white, text black.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "controls/skinned/SkinColor.h"
#include "controls/skinned/SkinGlyph.h"
#include "controls/skinned/SkinPaint.h"
#include "toolkit/PixelCanvas.h"
#include "toolkit/SystemLook.h"

using namespace nox;

namespace {

constexpr TColor kBg = 0x123456;  // a background no painter uses

struct PixelCase {
  int x;
  int y;
  TColor want;
};

void ExpectPixels(const PixelCanvas& c, const std::vector<PixelCase>& cases, const char* what) {
  for (const PixelCase& p : cases)
    EXPECT_EQ(c.Pixel(p.x, p.y), p.want) << what << " at (" << p.x << ", " << p.y << ")";
}

TEST(SkinPaint, GradientFace) {
  FixedSystemLook look;
  ScopedSystemLook scoped(look);
  {
    PixelCanvas c(80, 31, kBg);
    DrawGradientFace(c, Rect{0, 0, 78, 29}, kClBtnFace, false, false);
    ExpectPixels(c,
                 {// Row 0: outer edge, the top-right pixel in the face colour.
                  {0, 0, 0xACACAC}, {1, 0, 0xACACAC}, {40, 0, 0xACACAC}, {76, 0, 0xACACAC}, {77, 0, 0xF0F0F0},
                  // Row 1: highlight, the face colour at (75, 1), inner shadow, low line.
                  {0, 1, 0xACACAC}, {1, 1, 0xFFFFFF}, {74, 1, 0xFFFFFF}, {75, 1, 0xF0F0F0},
                  {76, 1, 0x787878}, {77, 1, 0xD8D8D8},
                  // Rows 2 to 25: highlight column, the gradient, the right edges.
                  {0, 2, 0xACACAC}, {1, 25, 0xFFFFFF}, {2, 2, 0xF2F2F2}, {75, 2, 0xF2F2F2},
                  {40, 4, 0xF1F1F1}, {40, 14, 0xECECEC}, {40, 17, 0xEBEBEB}, {76, 20, 0x787878}, {77, 20, 0xD8D8D8},
                  // Row 26: the gradient reaches column 1.
                  {1, 26, 0xE7E7E7}, {40, 26, 0xE7E7E7}, {0, 26, 0xACACAC},
                  // Rows 27 and 28.
                  {0, 27, 0xACACAC}, {1, 27, 0x787878}, {76, 27, 0x787878}, {77, 27, 0xD8D8D8},
                  {0, 28, 0xF0F0F0}, {1, 28, 0xD8D8D8}, {77, 28, 0xD8D8D8},
                  // Nothing outside.
                  {78, 10, kBg}, {10, 29, kBg}},
                 "normal");
  }
  {
    // Pressed: focus shading (+14), blue-tinted edges, a darker highlight and a box one
    // pixel past the right and bottom edges.
    PixelCanvas c(80, 31, kBg);
    DrawGradientFace(c, Rect{0, 0, 78, 29}, kClBtnFace, true, false);
    ExpectPixels(c,
                 {{0, 0, AddColor(0xACACAC, 0x240000)}, {1, 1, 0xE0E0E0}, {77, 1, AddColor(0x787878, 0x340000)},
                  {78, 1, 0xD8D8D8}, {78, 0, 0xF0F0F0}, {0, 29, 0xF0F0F0}, {40, 29, 0xD8D8D8},
                  {40, 2, AddGray(0xF0F0F0, 14)}, {79, 5, kBg}},
                 "pressed");
  }
  {
    // A dark system face: lifted by 21 grey levels, 12 steps; a plain colour is not lifted.
    FixedSystemLook dark;
    dark.SetColor(kSysColorBtnFace, 0x303030);
    ScopedSystemLook darkScope(dark);
    PixelCanvas c(80, 31, kBg);
    DrawGradientFace(c, Rect{0, 0, 78, 29}, kClBtnFace, false, false);
    DrawGradientFace(c, Rect{0, 30, 78, 31}, 0x303030, false, false);  // too low: filled
    ExpectPixels(c, {{77, 0, 0x454545}, {40, 26, AddGray(SubtractGray(0x454545, 12), 2)}, {40, 30, 0x303030}},
                 "dark");
  }
  {
    PixelCanvas c(5, 5, kBg);
    DrawGradientFace(c, Rect{1, 1, 4, 5}, 0x00A0B0C0, false, true);
    ExpectPixels(c, {{1, 1, 0xA0B0C0}, {3, 4, 0xA0B0C0}, {4, 1, kBg}, {0, 0, kBg}}, "narrow");
  }
}

TEST(SkinPaint, XPFace) {
  FixedSystemLook look;
  ScopedSystemLook scoped(look);
  struct Case {
    bool pressed;
    bool focus;
    std::vector<PixelCase> pixels;
  };
  const TColor f = 0xF0F0F0;
  const Case cases[] = {
      {false, false,
       {{10, 5, f}, {0, 0, f}, {19, 0, f}, {18, 5, 0xC8C8C8}, {10, 8, 0xC8C8C8}, {1, 5, 0xFFFFFF},
        {10, 1, 0xFFFFFF}, {0, 5, 0xC0C0C0}, {0, 8, 0xC0C0C0}, {10, 0, 0xC0C0C0}, {19, 5, 0x707070},
        {10, 9, 0x707070}, {0, 1, 0xCCCCCC}, {1, 0, 0xCCCCCC}, {18, 1, 0xCCCCCC}, {0, 9, 0xCCCCCC},
        {19, 9, 0xCCCCCC}, {20, 5, kBg}}},
      {false, true, {{10, 5, 0xFCFCFC}, {0, 0, 0xFCFCFC}}},
      {true, false,
       {{10, 5, 0xFCFCFC}, {18, 5, 0xFFFFFF}, {1, 5, 0xD8D8D8}, {19, 5, 0xB0B0B0}, {0, 5, 0xC0C0C0}}},
  };
  for (const Case& k : cases) {
    PixelCanvas c(22, 12, kBg);
    DrawXPFace(c, Rect{0, 0, 20, 10}, kClBtnFace, k.pressed, k.focus);
    ExpectPixels(c, k.pixels, k.pressed ? "pressed" : k.focus ? "focus" : "normal");
  }
}

// The ink rows of every column of the inner 9 x 9 area of a 13-pixel check square.
TEST(SkinPaint, CheckFrameAndMark) {
  FixedSystemLook look;
  ScopedSystemLook scoped(look);
  struct Case {
    bool checked;
    bool enabled;
    TColor outer, inner, fill, ink;
  };
  const Case cases[] = {
      {true, true, 0x989898, 0xECECEC, 0xFFFFFF, 0x000000},
      {true, false, 0xA8A8A8, 0xE4E4E4, 0xF0F0F0, 0xA0A0A0},
      {false, true, 0x989898, 0xECECEC, 0xFFFFFF, 0xFFFFFF},
  };
  // Column -> ink rows (three copies of the mark, from t, t - 1 and t - 2).
  const std::map<int, std::set<int>> mark = {{3, {7, 8, 9}},  {4, {8, 9, 10}}, {5, {9, 10, 11}},
                                             {6, {8, 9, 10}}, {7, {7, 8, 9}},  {8, {6, 7, 8}},
                                             {9, {5, 6, 7}}};
  for (const Case& k : cases) {
    PixelCanvas c(16, 18, kBg);
    DrawCheckFrame(c, 0, 2, 13, 15, k.checked, k.enabled);
    ExpectPixels(c, {{0, 2, k.outer}, {12, 14, k.outer}, {6, 2, k.outer}, {1, 3, k.inner}, {11, 13, k.inner},
                     {13, 5, kBg}, {5, 15, kBg}, {5, 1, kBg}},
                 "frame");
    for (int x = 2; x <= 10; ++x)
      for (int y = 4; y <= 12; ++y) {
        const auto it = mark.find(x);
        const bool ink = k.checked && it != mark.end() && it->second.count(y);
        EXPECT_EQ(c.Pixel(x, y), ink ? k.ink : k.fill) << "(" << x << ", " << y << ")";
      }
  }
  // A 17-pixel square (inner 13) gets a fourth copy.
  PixelCanvas big(20, 20, kBg);
  big.SetPenColor(0);
  DrawCheckMark(big, 2, 2, 13);
  int ink = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) ink += big.Pixel(x, y) == 0;
  EXPECT_EQ(ink, 3 + 7) << "d = 3: a short stroke of 3, a long one of 7";

  // Enlarged twice in a 22-pixel square (inner 18 from (2, 2)): the 13-pixel square's mark
  // (inner 9 from (2, 4)), pixel by pixel.
  PixelCanvas plain(16, 18, kBg), twice(24, 24, kBg);
  DrawCheckFrame(plain, 0, 2, 13, 15, true, true);
  DrawCheckFrame(twice, 0, 0, 22, 22, true, true, 2);
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 18; ++x)
      EXPECT_EQ(twice.Pixel(2 + x, 2 + y), plain.Pixel(2 + x / 2, 4 + y / 2)) << "(" << x << ", " << y << ")";
}

TEST(SkinPaint, RadioFrame) {
  FixedSystemLook look;
  ScopedSystemLook scoped(look);
  const TColor ring = 0x909090, ring2 = 0xC8C8C8, ring3 = 0xECECEC, corner = 0xB0B0B0;
  const TColor soft = BlendColor(0x545454, 0xFFFFFF, 50);
  struct Case {
    int right;
    bool checked;
    std::vector<PixelCase> pixels;
  };
  const Case cases[] = {
      // 13 wide: the ring spans columns 0 to 11 and rows 0 to 11, the dot columns and rows
      // 4 to 7 with softened corners; a pure black dot is drawn 545454.
      {13, true,
       {{3, 0, corner}, {8, 0, corner}, {0, 3, corner}, {11, 8, corner}, {5, 0, ring}, {0, 5, ring},
        {11, 5, ring}, {5, 11, ring}, {2, 1, ring}, {9, 2, ring2}, {5, 1, ring3}, {1, 5, ring3}, {5, 2, 0xFFFFFF},
        {5, 5, 0x545454}, {4, 5, 0x545454}, {7, 6, 0x545454}, {4, 4, soft}, {7, 7, soft}, {4, 7, soft},
        {3, 5, 0xFFFFFF}, {8, 5, 0xFFFFFF}, {12, 5, kBg}, {5, 12, kBg}, {2, 0, kBg}}},
      {13, false, {{5, 5, 0xFFFFFF}, {4, 4, 0xFFFFFF}, {5, 0, ring}}},
      // 10 is drawn as 13, beyond the given rectangle.
      {10, false, {{11, 5, ring}, {5, 11, ring}}},
      // 15 is drawn as 14 and one pixel lower: the ring spans rows 1 to 13.
      {15, false, {{5, 0, kBg}, {5, 1, ring}, {5, 13, ring}, {12, 6, ring}, {13, 6, kBg}}},
      // 17 as 16, one pixel lower.
      {17, false, {{5, 1, ring}, {5, 15, ring}, {14, 6, ring}, {15, 6, kBg}}},
  };
  for (const Case& k : cases) {
    PixelCanvas c(20, 20, kBg);
    DrawRadioFrame(c, 0, 0, k.right, 0, k.checked, true);
    ExpectPixels(c, k.pixels, k.checked ? "checked" : "unchecked");
  }
  // Disabled: a lighter ring, the face inside, the dot in the shadow colour.
  PixelCanvas c(20, 20, kBg);
  DrawRadioFrame(c, 0, 0, 13, 0, true, false);
  ExpectPixels(c, {{5, 0, 0xA8A8A8}, {5, 5, 0xA0A0A0}, {3, 5, 0xF0F0F0}}, "disabled");
}

TEST(SkinGlyph, BuiltInGlyphsFollowTheirLayout) {
  struct Case {
    const char* name;
    const GlyphTable& table;
    TColor dominant;
    int transparentInside;  // pure white pixels inside the disc
  };
  const Case cases[] = {
      {"ok", OkGlyph(), 0x289C4D, 7},
      {"cancel", CancelGlyph(), 0x4450D1, 12},
      {"help", HelpGlyph(), 0xA87743, 0},
  };
  // The disc's span of columns on each row.
  const int span[16][2] = {{-1, -1}, {4, 11}, {3, 12}, {2, 13}, {1, 14}, {1, 14}, {1, 14}, {1, 14},
                           {1, 14},  {1, 14}, {1, 14}, {1, 14}, {2, 13}, {3, 12}, {4, 11}, {-1, -1}};
  for (const Case& k : cases) {
    int white = 0;
    int near = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const TColor p = k.table[static_cast<size_t>(y * 16 + x)];
        const bool inDisc = x >= span[y][0] && x <= span[y][1] && span[y][0] >= 0;
        if (!inDisc) {
          EXPECT_EQ(p, 0xFFFFFF) << k.name << " background at (" << x << ", " << y << ")";
          continue;
        }
        white += p == 0xFFFFFF;
        const int dr = RedOf(p) - RedOf(k.dominant), dg = GreenOf(p) - GreenOf(k.dominant),
                  db = BlueOf(p) - BlueOf(k.dominant);
        near += dr * dr + dg * dg + db * db < 40 * 40;
      }
    EXPECT_EQ(white, k.transparentInside) << k.name;
    EXPECT_GT(near, 40) << k.name << ": the dominant colour dominates";
    // Shaded: the top of the disc is lighter than its bottom.
    const TColor top = k.table[2 * 16 + 7], bottom = k.table[13 * 16 + 7];
    EXPECT_GT(GreenOf(top) + RedOf(top) + BlueOf(top), GreenOf(bottom) + RedOf(bottom) + BlueOf(bottom)) << k.name;
  }
}

TEST(SkinGlyph, LoadFadeAndInvert) {
  FixedSystemLook look;
  ScopedSystemLook scoped(look);
  Bitmap glyph(3, 5, 0x000000);
  LoadGlyph16(glyph, HelpGlyph());
  ASSERT_EQ(glyph.Width(), 16);
  ASSERT_EQ(glyph.Height(), 16);
  EXPECT_TRUE(glyph.Transparent);
  EXPECT_EQ(glyph.Pixel(5, 3), HelpGlyph()[3 * 16 + 5]);

  Bitmap source(2, 2, 0xFFFFFF);
  source.SetPixel(1, 0, 0x000000);
  source.SetPixel(0, 1, 0x804020);
  Bitmap faded;
  struct Case {
    TColor face;
    TColor wantBlack;
    TColor wantOther;
  };
  const Case cases[] = {
      // (p + 3 face) div 4 per channel.
      {0xF0F0F0, 0xB4B4B4, MakeColor((0x20 + 3 * 0xF0) / 4, (0x40 + 3 * 0xF0) / 4, (0x80 + 3 * 0xF0) / 4)},
      // A dark face is lifted by 0x10 first: 0x30 + 0x10 = 0x40.
      {0x303030, 0x303030, MakeColor((0x20 + 3 * 0x40) / 4, (0x40 + 3 * 0x40) / 4, (0x80 + 3 * 0x40) / 4)},
  };
  for (const Case& k : cases) {
    look.SetColor(kSysColorBtnFace, k.face);
    MakeDisabledGlyph(source, faded);
    EXPECT_TRUE(faded.Transparent);
    EXPECT_EQ(faded.Pixel(0, 0), 0xFFFFFF) << "the key colour stays";
    EXPECT_EQ(faded.Pixel(1, 1), 0xFFFFFF);
    EXPECT_EQ(faded.Pixel(1, 0), k.wantBlack);
    EXPECT_EQ(faded.Pixel(0, 1), k.wantOther);
  }
  // An empty picture fades to an empty one.
  MakeDisabledGlyph(Bitmap(), faded);
  EXPECT_TRUE(faded.Empty());

  Bitmap inv = source;
  InvertGlyph(inv);
  EXPECT_EQ(inv.Pixel(0, 0), 0xFFFFFF) << "pixels of the top-left colour are left alone";
  EXPECT_EQ(inv.Pixel(1, 0), 0xFFFFFF) << "black becomes white";
  EXPECT_EQ(inv.Pixel(0, 1), 0xF1F1F1) << "305 - 0x40";
  Bitmap whiteOnBlack(2, 1, 0x000000);
  whiteOnBlack.SetPixel(1, 0, 0xFFFFFF);
  InvertGlyph(whiteOnBlack);
  EXPECT_EQ(whiteOnBlack.Pixel(1, 0), 0x323232) << "white becomes 0x323232";
  Bitmap empty;
  InvertGlyph(empty);
  EXPECT_TRUE(empty.Empty());
}

}  // namespace
