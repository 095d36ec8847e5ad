#include "controls/numeric/SpinPainter.h"

#include <algorithm>

#include "controls/skinned/SkinColor.h"
#include "toolkit/ScaledCanvas.h"
#include "toolkit/SystemLook.h"

namespace nox {

namespace {

// Window colours whose red byte is below this count as dark.
constexpr int kDarkLevel = 0x70;

// The arrows' four shades S0..S3 as grey levels, on a normal and on a dark window colour.
constexpr int kNormalShades[4] = {170, 118, 88, 40};
constexpr int kDarkShades[4] = {232, 224, 216, 208};
// A pressed arrow's shades are OR-ed with this: red at least 0xF0, so it shows red.
constexpr TColor kPressedMask = 0x000707F0;

// The 4 x 7 arrow blocks, top row first: a digit k paints shade Sk, a dot nothing.
constexpr const char* kRightArrow[7] = {"3...", "32..", "322.", "3210", "210.", "10..", "0..."};
constexpr const char* kLeftArrow[7] = {"...2", "..32", ".322", "3221", ".211", "..10", "...0"};

}  // namespace

SpinColors CurrentSpinColors() {
  SpinColors colors;
  colors.ButtonFace = SystemColor(kClBtnFace);
  colors.Window = SystemColor(kSysColorWindow);
  return colors;
}

FrameColors CurrentFrameColors() {
  FrameColors colors;
  colors.Shadow = SystemColor(kSysColorBtnShadow);
  colors.Face = SystemColor(kClBtnFace);
  return colors;
}

void PaintBevelBox(Canvas& canvas, int l, int t, int r, int b, TColor face, bool pressed) {
  canvas.SetBrushColor(AddGray(face, 8));
  canvas.FillRect(Rect{l, t, r, b});
  canvas.MoveTo(r, t);
  if (!pressed) {
    canvas.SetPenColor(SubtractGray(face, 16));
    canvas.LineTo(l, t);
    canvas.LineTo(l, b);
    canvas.SetPenColor(SubtractGray(face, 40));
    canvas.LineTo(l + 1, b);
    canvas.SetPenColor(SubtractGray(face, 88));
    canvas.LineTo(r, b);
    canvas.LineTo(r, t);
  } else {
    canvas.SetPenColor(SubtractGray(face, 48));
    canvas.LineTo(l, t);
    canvas.LineTo(l, b);
    canvas.SetPenColor(SubtractGray(face, 16));
    canvas.LineTo(r, b);
    canvas.LineTo(r, t);
  }
}

void PaintGradientBox(Canvas& canvas, int l, int t, int r, int b, TColor face, bool pressed) {
  const int w = r - l;
  const int h = b - t;
  TColor first = AddGray(face, 16);
  TColor second = SubtractGray(face, 32);
  if (pressed) std::swap(first, second);
  if (!pressed) {
    // Strips from the bottom up, one grey level lighter each.
    const int step = std::min(h / 16 + 1, 3);
    TColor c = face;
    int bottom = h;
    int top = h - step;
    canvas.SetBrushColor(c);
    canvas.FillRect(Rect{l, std::max(top, 0), l + w, bottom});
    while (top > 0) {
      c = AddGray(c, 1);
      bottom = top;
      top -= step;
      canvas.SetBrushColor(c);
      canvas.FillRect(Rect{l, std::max(top, 0), l + w, bottom});
    }
  } else {
    canvas.SetBrushColor(AddColor(face, 0x00243424));
    canvas.FillRect(Rect{l, 0, l + w, h});
  }
  canvas.SetPenColor(first);
  canvas.MoveTo(l, h);
  canvas.LineTo(l, 0);
  canvas.LineTo(l + w, 0);
  canvas.SetPenColor(second);
  canvas.LineTo(l + w, h);
  canvas.LineTo(l, h);
}

void PaintSpinArrow(Canvas& canvas, int x, int y, bool pointsRight, bool pressed, bool darkWindow,
                    int factor) {
  const int* levels = darkWindow ? kDarkShades : kNormalShades;
  TColor shades[4];
  for (int k = 0; k < 4; ++k) {
    shades[k] = MakeColor(levels[k], levels[k], levels[k]);
    if (pressed) shades[k] |= kPressedMask;
  }
  const char* const* rows = pointsRight ? kRightArrow : kLeftArrow;
  const int f = factor > 1 ? factor : 1;
  const int x0 = x - 2 * f;
  const int y0 = y - 3 * f;
  for (int row = 0; row < 7; ++row)
    for (int col = 0; col < 4; ++col) {
      const char cell = rows[row][col];
      if (cell == '.') continue;
      if (f == 1) {
        canvas.SetPixel(x0 + col, y0 + row, shades[cell - '0']);
      } else {
        canvas.SetBrushColor(shades[cell - '0']);
        canvas.FillRect(BoundsRect(x0 + col * f, y0 + row * f, f, f));
      }
    }
}

void PaintSpinButton(Canvas& target, int W, int H, const SpinLook& look, const SpinColors& colors,
                     const DpiScale& scale) {
  TColor face = colors.ButtonFace;
  if (RedOf(face) < kDarkLevel) face = AddGray(face, 8);
  const bool dark = RedOf(colors.Window) < kDarkLevel;
  const int pattern = scale.CellPatternFactor();
  PaintInCells(target, scale.Factor(), W, H, [&](Canvas& canvas, int width, int height) {
    const int hw = width / 2;
    // Both boxes every time: the one not held looks as it did, and the paint covers
    // every pixel whatever was on the screen before.
    const auto box = look.Gradient ? PaintGradientBox : PaintBevelBox;
    box(canvas, 0, 0, hw - 1, height - 1, face, look.LeftPressed);
    box(canvas, hw, 0, width - 1, height - 1, face, look.RightPressed);
    PaintSpinArrow(canvas, hw / 2, height / 2, false, look.LeftPressed, dark, pattern);
    PaintSpinArrow(canvas, hw + hw / 2, height / 2, true, look.RightPressed, dark, pattern);
  });
}

}  // namespace nox
