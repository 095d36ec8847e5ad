#include "controls/skinned/SkinPaint.h"

#include <cstdlib>

#include "controls/skinned/SkinColor.h"
#include "toolkit/ScaledCanvas.h"
#include "toolkit/SystemLook.h"

namespace nox {

namespace {

// Pixel spans, inclusive at both ends, drawn with the pen.
void Row(Canvas& c, int x0, int x1, int y, TColor colour) {
  if (x1 < x0) return;
  c.SetPenColor(colour);
  c.MoveTo(x0, y);
  c.LineTo(x1 + 1, y);
}

void Column(Canvas& c, int x, int y0, int y1, TColor colour) {
  if (y1 < y0) return;
  c.SetPenColor(colour);
  c.MoveTo(x, y0);
  c.LineTo(x, y1 + 1);
}

}  // namespace

void DrawGradientFace(Canvas& canvas, const Rect& rect, TColor colour, bool pressed, bool focus) {
  const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom;
  if (R - L < 4 || B - T < 4) {
    canvas.SetBrushColor(ResolveColor(colour));
    canvas.FillRect(rect);
    return;
  }
  TColor base = PlainRgb(colour);
  int steps = 11;
  if (colour < 0) {
    base = SystemColor(colour);
    if (RedOf(base) < 0x68) {
      base = AddGray(base, 21);
      steps = 12;
    }
  }
  if (pressed) focus = true;

  const TColor highlight = pressed ? SubtractGray(base, 16) : AddGray(base, 16);
  TColor outerEdge = SubtractGray(base, 68);
  TColor innerShadow = SubtractGray(base, 120);
  const TColor lowLine = SubtractGray(base, 24);
  if (focus) {  // a blue tint on the edges
    outerEdge = AddColor(outerEdge, 0x240000);
    innerShadow = AddColor(innerShadow, 0x340000);
  }

  const int x0 = L, y0 = T;
  const int x1 = pressed ? R : R - 1;
  const int y1 = pressed ? B : B - 1;
  for (int y = y0; y <= y1; ++y) {
    const int g = RoundEven(MapRange(static_cast<double>(y0 + 2), static_cast<double>(y1 - 2),
                                     static_cast<double>(y), 0.0, static_cast<double>(steps)));
    TColor c = AddGray(SubtractGray(base, g), focus ? 14 : 2);
    if (y == y0)
      c = outerEdge;
    else if (y == y0 + 1)
      c = highlight;
    else if (y == y1 - 1)
      c = innerShadow;
    else if (y == y1)
      c = lowLine;
    Row(canvas, x0 + 1, x1 - 1, y, c);
  }
  Column(canvas, x0 + 1, y0 + 1, y1 - 3, highlight);
  Column(canvas, x0, y0, y1 - 1, outerEdge);
  Column(canvas, x1 - 1, y0 + 1, y1 - 1, innerShadow);
  Column(canvas, x1, y0, y1, lowLine);
  Row(canvas, x0, x1, y1, lowLine);
  canvas.SetPixel(x1, y0, base);
  canvas.SetPixel(x0, y1, base);
  canvas.SetPixel(x1 - 2, y0 + 1, base);
}

void DrawXPFace(Canvas& canvas, const Rect& rect, TColor colour, bool pressed, bool focus) {
  const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom;
  const TColor base = ResolveColor(colour);
  const TColor fill = (pressed || focus) ? AddColor(base, 0x0C0C0C) : base;
  canvas.SetBrushColor(fill);
  canvas.FillRect(rect);

  const TColor lowerBevel = pressed ? AddColor(base, 0x141414) : SubtractColor(base, 0x282828);
  Column(canvas, R - 2, T + 2, B - 3, lowerBevel);
  Row(canvas, L + 1, R - 2, B - 2, lowerBevel);
  const TColor upperBevel = pressed ? SubtractColor(base, 0x181818) : AddColor(base, 0x181818);
  Column(canvas, L + 1, T + 2, B - 3, upperBevel);
  Row(canvas, L + 1, R - 2, T + 1, upperBevel);
  const TColor upperEdge = SubtractColor(base, 0x303030);
  Column(canvas, L, T + 2, B - 2, upperEdge);
  Row(canvas, L + 2, R - 3, T, upperEdge);
  const TColor lowerEdge = pressed ? SubtractColor(base, 0x404040) : SubtractColor(base, 0x808080);
  Column(canvas, R - 1, T + 2, B - 2, lowerEdge);
  Row(canvas, L + 1, R - 2, B - 1, lowerEdge);
  canvas.SetPixel(L, T, fill);
  canvas.SetPixel(R - 1, T, fill);
  const TColor corner = SubtractColor(base, 0x242424);
  const int corners[][2] = {{L, T + 1},     {L + 1, T + 1}, {L + 1, T}, {R - 1, T + 1},
                            {R - 2, T + 1}, {R - 2, T},     {L, B - 1}, {R - 1, B - 1}};
  for (const auto& p : corners) canvas.SetPixel(p[0], p[1], corner);
}

void DrawCheckMark(Canvas& canvas, int x, int y, int w) {
  const int d = w / 4;
  const int o = (w + 2) / 8;
  const int px = x + o;
  const int py = y + w - d - o - 1;
  // Short stroke down-right: d pixels from (px, py).
  canvas.MoveTo(px, py);
  canvas.LineTo(px + d, py + d);
  // Long stroke up-right: 2d + 1 pixels from (px + d, py + d).
  canvas.MoveTo(px + d, py + d);
  canvas.LineTo(px + 3 * d + 1, py - d - 1);
}

void DrawCheckFrame(Canvas& canvas, int left, int top, int right, int bottom, bool checked,
                    bool enabled, int patternFactor) {
  const TColor shadow = SystemColor(kSysColorBtnShadow);
  const TColor face = SystemColor(kSysColorBtnFace);
  Rect r{left, top, right, bottom};
  canvas.SetBrushColor(enabled ? SubtractColor(shadow, 0x080808) : AddColor(shadow, 0x080808));
  canvas.FrameRect(r);
  r = r.Inflated(-1);
  canvas.SetBrushColor(SubtractColor(face, enabled ? 0x040404 : 0x0C0C0C));
  canvas.FrameRect(r);
  r = r.Inflated(-1);
  canvas.SetBrushColor(SystemColor(enabled ? kSysColorWindow : kSysColorBtnFace));
  canvas.FillRect(r);
  if (!checked) return;
  const TColor pen = SystemColor(enabled ? kSysColorWindowText : kSysColorBtnShadow);
  if (patternFactor > 1) {
    // The mark of the area patternFactor times smaller, enlarged, in the area's middle.
    const int cells = r.Width() / patternFactor;
    const int side = cells * patternFactor;
    const int offset = (r.Width() - side) / 2;
    ScaledCanvas enlarged(canvas, patternFactor, side, side, Point{r.Left + offset, r.Top + offset});
    enlarged.SetPenColor(pen);
    const int copies = cells > 12 ? 4 : 3;
    for (int i = 0; i < copies; ++i) DrawCheckMark(enlarged, 0, -i, cells);
    canvas.SetPenColor(pen);
    return;
  }
  const int w = r.Width();
  canvas.SetPenColor(pen);
  const int copies = w > 12 ? 4 : 3;
  for (int i = 0; i < copies; ++i) DrawCheckMark(canvas, r.Left, r.Top - i, w);
}

void DrawOctagon(Canvas& canvas, int x, int y, int n, int d) {
  canvas.MoveTo(x, y);
  canvas.LineTo(x + n, y);
  canvas.LineTo(x + n + d, y + d);
  canvas.LineTo(x + n + d, y + d + n);
  canvas.LineTo(x + n, y + 2 * d + n);
  canvas.LineTo(x, y + 2 * d + n);
  canvas.LineTo(x - d, y + d + n);
  canvas.LineTo(x - d, y + d);
  canvas.LineTo(x, y);
  // A degenerate outline (n and d both 0) has drawn nothing: its one vertex still counts.
  if (n == 0 && d == 0) canvas.SetPixel(x, y, canvas.PenColor());
}

void DrawOctagonCorners(Canvas& canvas, int x, int y, int n, int d, TColor colour) {
  const int v[][2] = {{x, y},         {x + n, y},         {x + n + d, y + d},
                      {x + n + d, y + d + n}, {x + n, y + 2 * d + n}, {x, y + 2 * d + n},
                      {x - d, y + d + n},     {x - d, y + d}};
  for (const auto& p : v) canvas.SetPixel(p[0], p[1], colour);
}

void DrawRadioFrame(Canvas& canvas, int left, int top, int right, int /*bottom*/, bool checked,
                    bool enabled) {
  int s = right - left;
  if (s < 13) s = 13;
  if (s == 15) s = 14;
  if (s == 17) s = 16;
  if (s >= 14) top += 1;

  const TColor shadow = SystemColor(kSysColorBtnShadow);
  const TColor ring = enabled ? SubtractColor(shadow, 0x101010) : AddColor(shadow, 0x080808);
  canvas.SetPenColor(ring);
  DrawOctagon(canvas, left + 3, top, s - 8, 3);
  canvas.SetPenColor(AddColor(ring, 0x383838));
  DrawOctagon(canvas, left + 3, top + 1, s - 8, 2);
  canvas.SetPenColor(AddColor(shadow, 0x4C4C4C));
  DrawOctagon(canvas, left + 4, top + 1, s - 10, 3);

  const TColor inner = SystemColor(enabled ? kSysColorWindow : kSysColorBtnFace);
  canvas.SetPenColor(inner);
  DrawOctagon(canvas, left + 4, top + 2, s - 10, 2);
  canvas.SetBrushColor(inner);
  canvas.FillRect(Rect{left + 3, top + 3, left + s - 4, top + s - 4});

  if (checked) {
    TColor dot = SystemColor(enabled ? kSysColorWindowText : kSysColorBtnShadow);
    if (dot == 0) dot = 0x545454;
    const int q = std::abs(right - left) / 4;
    const Rect r{left + q + 1, top + q + 1, left + s - q - 2, top + s - q - 2};
    canvas.SetBrushColor(dot);
    canvas.FillRect(r);
    if (!r.IsEmpty()) {
      const TColor soft = BlendColor(dot, inner, 50);
      canvas.SetPixel(r.Left, r.Top, soft);
      canvas.SetPixel(r.Right - 1, r.Top, soft);
      canvas.SetPixel(r.Left, r.Bottom - 1, soft);
      canvas.SetPixel(r.Right - 1, r.Bottom - 1, soft);
    }
  }
  DrawOctagonCorners(canvas, left + 3, top, s - 8, 3, AddColor(shadow, 0x101010));
}

}  // namespace nox
