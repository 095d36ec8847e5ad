// The pixel canvas follows GDI's geometry; the component model owns and finds.
#include <gtest/gtest.h>

#include <algorithm>

#include "toolkit/Component.h"
#include "toolkit/DpiScale.h"
#include "toolkit/PixelCanvas.h"
#include "toolkit/ScaledCanvas.h"

using namespace nox;

namespace {

constexpr TColor kBg = 0xFFFFFF;
constexpr TColor kInk = 0x123456;

// The set pixels as a picture, '#' for ink and '.' for the background.
std::string Picture(const PixelCanvas& c) {
  std::string s;
  for (int y = 0; y < c.Height(); ++y) {
    for (int x = 0; x < c.Width(); ++x) s += c.Pixel(x, y) == kBg ? '.' : '#';
    s += '\n';
  }
  return s;
}

TEST(PixelCanvas, LinesLeaveOutTheirEndPoint) {
  PixelCanvas c(6, 6, kBg);
  c.SetPenColor(kInk);
  c.MoveTo(0, 0);
  c.LineTo(4, 0);  // horizontal: columns 0..3
  c.MoveTo(5, 1);
  c.LineTo(5, 5);  // vertical down: rows 1..4
  c.MoveTo(0, 5);
  c.LineTo(3, 2);  // 45 degrees up-right: (0,5) (1,4) (2,3)
  EXPECT_EQ(Picture(c),
            "####..\n"
            ".....#\n"
            ".....#\n"
            "..#..#\n"
            ".#...#\n"
            "#.....\n");
  EXPECT_EQ(c.PenPos().X, 3);
  EXPECT_EQ(c.PenPos().Y, 2);
}

TEST(PixelCanvas, LinesDrawnBackwardsAndZeroLengthLines) {
  PixelCanvas c(5, 3, kBg);
  c.SetPenColor(kInk);
  c.MoveTo(4, 1);
  c.LineTo(0, 1);  // right to left: columns 4..1
  c.MoveTo(2, 2);
  c.LineTo(2, 2);  // nothing
  EXPECT_EQ(Picture(c), ".....\n.####\n.....\n");
}

TEST(PixelCanvas, RectanglesLeaveOutRightColumnAndBottomRow) {
  PixelCanvas c(7, 6, kBg);
  c.SetBrushColor(kInk);
  c.FillRect(Rect{1, 1, 3, 3});  // 2 x 2
  c.FrameRect(Rect{3, 1, 7, 6});  // border of columns 3..6, rows 1..5
  c.FillRect(Rect{5, 0, 5, 4});   // empty: nothing
  c.FrameRect(Rect{2, 5, 1, 6});  // inverted: nothing
  EXPECT_EQ(Picture(c),
            ".......\n"
            ".######\n"
            ".###..#\n"
            "...#..#\n"
            "...#..#\n"
            "...####\n");
}

TEST(PixelCanvas, ClipsAtTheBufferAndKeepsPlainColours) {
  PixelCanvas c(3, 3, kBg);
  c.SetBrushColor(static_cast<TColor>(0xFF00000F));  // a system reference is stored as plain RGB bits
  c.FillRect(Rect{-5, -5, 10, 1});
  EXPECT_EQ(c.Pixel(0, 0), 0x00000F);
  EXPECT_EQ(c.Pixel(2, 0), 0x00000F);
  EXPECT_EQ(c.Pixel(1, 1), kBg);
  c.SetPixel(-1, 0, kInk);  // outside: ignored
  c.SetPixel(3, 3, kInk);
  EXPECT_EQ(c.Pixel(5, 5), kClBlack);
}

TEST(PixelCanvas, TransparentBitmapSkipsItsBottomLeftColour) {
  Bitmap glyph(3, 2, kClWhite);
  glyph.SetPixel(1, 0, kInk);
  glyph.SetPixel(2, 1, 0x00FF00);
  PixelCanvas c(4, 3, 0x0000FF);
  c.Draw(1, 1, glyph);  // opaque: white is drawn
  EXPECT_EQ(c.Pixel(1, 1), kClWhite);
  EXPECT_EQ(c.Pixel(2, 1), kInk);
  glyph.Transparent = true;
  EXPECT_EQ(glyph.TransparentColor(), kClWhite);
  PixelCanvas t(4, 3, 0x0000FF);
  t.Draw(1, 1, glyph);
  EXPECT_EQ(t.Pixel(1, 1), 0x0000FF);
  EXPECT_EQ(t.Pixel(2, 1), kInk);
  EXPECT_EQ(t.Pixel(3, 2), 0x00FF00);
  EXPECT_EQ(t.Pixel(1, 2), 0x0000FF);
}

TEST(PixelCanvas, TextIsRecordedWithItsPlaceAndColour) {
  PixelCanvas c(10, 10);
  c.SetTextColor(kInk);
  c.WriteText(Rect{1, 2, 9, 8}, L"Start", TextCenter | TextSingleLine);
  ASSERT_EQ(c.Texts().size(), 1u);
  EXPECT_EQ(c.Texts()[0].Text, L"Start");
  EXPECT_EQ(c.Texts()[0].Bounds, (Rect{1, 2, 9, 8}));
  EXPECT_EQ(c.Texts()[0].Color, kInk);
}

TEST(Component, OwnerDeletesOwnedInReverseOrderAndFindsByName) {
  std::vector<std::wstring> deleted;
  struct Probe : Component {
    Probe(Component* owner, const wchar_t* name, std::vector<std::wstring>& log)
        : Component(owner), mLog(log) { SetName(name); }
    ~Probe() override { mLog.push_back(Name()); }
    std::vector<std::wstring>& mLog;
  };
  auto* root = new Component(nullptr);
  new Probe(root, L"EdFolder", deleted);
  auto* middle = new Probe(root, L"CBScale8bit", deleted);
  new Probe(root, L"EdStrength", deleted);
  ASSERT_EQ(root->Components().size(), 3u);
  EXPECT_EQ(root->Components()[1], middle);
  EXPECT_EQ(root->FindComponent(L"edstrength"), root->Components()[2]);
  EXPECT_EQ(root->FindComponent(L"Nothing"), nullptr);
  delete middle;  // leaves the owner's list
  EXPECT_EQ(root->Components().size(), 2u);
  delete root;
  EXPECT_EQ(deleted, (std::vector<std::wstring>{L"CBScale8bit", L"EdStrength", L"EdFolder"}));
}

}  // namespace

// The pixel canvas's text metric (6 x 13 cells, ink in columns 1..4 and rows 3..10), the
// opaque background, single-line layout with mnemonics, and the dotted focus rectangle.
TEST(PixelCanvas, TextMetricLayoutAndFocusRectangle) {
  PixelCanvas c(60, 30, kClWhite);
  EXPECT_EQ(c.TextExtent(L"Ddqg"), (Size{24, 13}));
  EXPECT_EQ(c.TextExtent(L""), (Size{0, 13}));
  c.SetTextColor(0x0000FF);
  c.SetBrushColor(0x00FF00);
  c.SetTextOpaque(true);
  c.TextAt(2, 1, L"a b");
  struct Px {
    int x, y;
    TColor want;
  };
  const Px opaque[] = {{2, 1, 0x00FF00}, {3, 4, 0x0000FF}, {6, 11, 0x0000FF}, {7, 11, 0x00FF00},
                       {9, 6, 0x00FF00} /* the space */, {15, 6, 0x0000FF}, {19, 6, 0x00FF00},
                       {20, 6, kClWhite}, {2, 14, kClWhite}};
  for (const Px& p : opaque) EXPECT_EQ(c.Pixel(p.x, p.y), p.want) << "opaque (" << p.x << ", " << p.y << ")";

  PixelCanvas t(60, 30, kClWhite);
  t.SetTextColor(0x0000FF);
  t.WriteText(Rect{0, 0, 60, 30}, L"a&&&b", TextCenter | TextVCenter | TextSingleLine);
  // Shown "a&b", 18 x 13, centred at (21, 8); b (the third cell) underlined on row 19.
  const Px laidOut[] = {{22, 11, 0x0000FF}, {21, 11, kClWhite}, {34, 11, 0x0000FF},
                        {33, 19, 0x0000FF}, {38, 19, 0x0000FF}, {32, 19, kClWhite}, {22, 19, kClWhite}};
  for (const Px& p : laidOut) EXPECT_EQ(t.Pixel(p.x, p.y), p.want) << "laid out (" << p.x << ", " << p.y << ")";

  PixelCanvas f(10, 10, 0x202020);
  f.DrawFocusRect(Rect{1, 1, 6, 5});
  const Px dots[] = {{1, 1, 0xDFDFDF}, {2, 1, 0x202020}, {3, 1, 0xDFDFDF}, {5, 1, 0xDFDFDF},
                     {1, 3, 0xDFDFDF}, {5, 3, 0xDFDFDF}, {5, 4, 0x202020}, {4, 4, 0xDFDFDF},
                     {2, 2, 0x202020} /* inside */, {0, 0, 0x202020}};
  for (const Px& p : dots) EXPECT_EQ(f.Pixel(p.x, p.y), p.want) << "focus (" << p.x << ", " << p.y << ")";
  f.DrawFocusRect(Rect{1, 1, 6, 5});
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(f.Pixel(x, y), 0x202020) << "twice restores";
}

// ---- DPI scaling: lengths as MulDiv rounds them, the painters' whole factor, the fitted
// font, and the cells of the scaled canvas.

TEST(DpiScale, LengthsFactorsAndFittedFonts) {
  const struct {
    int dpi, length, scaled, factor, pattern, font;  // font: -11 fitted to "fits below 15"
  } rows[] = {
      {96, 11, 11, 1, 1, -11},  {120, 11, 14, 1, 1, -14}, {144, 11, 17, 1, 2, -15},
      {144, -11, -17, 1, 2, -15}, {168, 3, 5, 1, 2, -17},  {192, 18, 36, 2, 2, -20},
      {288, 7, 21, 3, 3, -29},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.dpi);
    const DpiScale s{r.dpi};
    EXPECT_EQ(s.Px(r.length), r.scaled);
    EXPECT_EQ(s.Factor(), r.factor);
    EXPECT_EQ(s.PatternFactor(), r.pattern);
    // Fits from 15 down, but never below seven eighths of the scaled height.
    EXPECT_EQ(FittedFontHeight(-11, s, [](int h) { return h >= -15; }), r.font);
  }
  EXPECT_EQ(MulDivRound(-3, 3, 2), -5) << "halves away from zero";
  EXPECT_EQ(MulDivRound(1, 1, 0), -1);
}

// The window's DPI where the system tells it, else the screen's, else 96: never 0 or
// below, which would scale every length to nothing.
TEST(DpiScale, ShownDpiTakesTheFirstDpiTheSystemTells) {
  const struct {
    int window, screen, shown;
  } rows[] = {{144, 96, 144}, {0, 120, 120}, {0, 0, 96}, {-1, 0, 96}, {0, -1, 96}, {-1, 192, 192}};
  for (const auto& r : rows)
    EXPECT_EQ(ShownDpi(r.window, r.screen), r.shown) << r.window << ", " << r.screen;
}

TEST(ScaledCanvas, EveryPixelOfTheDrawingBecomesABlockAndTheLastCellsTakeTheRest) {
  auto draw = [](Canvas& c) {
    c.SetBrushColor(kInk);
    c.FrameRect(Rect{0, 0, 5, 4});
    c.SetPenColor(0x00FF00);
    c.MoveTo(1, 1);
    c.LineTo(3, 3);  // 45 degrees: (1,1) (2,2)
    c.SetPixel(4, 3, 0x0000FF);
  };
  PixelCanvas small(5, 4, kBg);
  draw(small);
  PixelCanvas big(11, 9, kBg);  // 5 x 4 cells of 2, the last column and row 3 wide
  ScaledCanvas cells(big, 2, 11, 9);
  EXPECT_EQ(cells.Columns(), 5);
  EXPECT_EQ(cells.Rows(), 4);
  draw(cells);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 11; ++x)
      EXPECT_EQ(big.Pixel(x, y), small.Pixel(std::min(x / 2, 4), std::min(y / 2, 3))) << x << "," << y;

  Bitmap glyph(2, 1, 0x112233);
  glyph.SetPixel(0, 0, kBg);
  glyph.Transparent = true;  // the bottom-left pixel, white, is left out
  PixelCanvas target(4, 2, 0x445566);
  ScaledCanvas(target, 2, 4, 2).Draw(0, 0, glyph);
  EXPECT_EQ(target.Pixel(1, 1), 0x445566);
  EXPECT_EQ(target.Pixel(2, 0), 0x112233);
}
