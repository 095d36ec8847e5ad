#include "controls/skinned/GaugePaint.h"

#include <cstdlib>

#include "controls/skinned/SkinColor.h"
#include "toolkit/ScaledCanvas.h"
#include "toolkit/SystemLook.h"

namespace nox {

namespace {

float F(int v) { return static_cast<float>(v); }

void Span(Canvas& c, int x0, int x1, int y, TColor colour) {
  if (x1 < x0) return;
  c.SetPenColor(colour);
  c.MoveTo(x0, y);
  c.LineTo(x1 + 1, y);
}

// 1 on the middle row, falling toward the top and bottom.
float RowWeight(int y, int half) {
  return static_cast<float>(1.0 - std::abs(y - half) / static_cast<double>(half));
}

}  // namespace

int GaugeFillEnd(const GaugeState& s, int width) {
  if (s.MaxValue <= s.MinValue) return 1;
  return RoundEven(MapRange(F(s.MinValue), F(s.MaxValue), F(s.Progress), 1.0f, F(width - 2)));
}

std::wstring GaugeText(const GaugeState& s) {
  // A reversed range would map to -100: nothing is filled then, so it reads 0%.
  if (s.MaxValue < s.MinValue) return L"0%";
  const int percent = RoundEven(MapRange(F(s.MinValue), F(s.MaxValue), F(s.Progress), 0.0f, 100.0f));
  return std::to_wstring(percent) + L"%";
}

namespace {

// The frame and the bar, without the text.
void PaintGaugeBody(Canvas& canvas, int W, int H, const GaugeState& s) {
  if (W <= 0 || H <= 0) return;
  // Frame, from the system button face whatever the gauge's own colours; painted in this
  // order, so on a tiny gauge the later pixels win.
  const TColor face = SystemColor(kSysColorBtnFace);
  const TColor corner = SubtractColor(face, 0x141414);
  canvas.SetPixel(0, 0, corner);
  canvas.SetPixel(0, H - 1, corner);
  canvas.SetPixel(W - 1, 0, corner);
  canvas.SetPixel(W - 1, H - 1, corner);
  const TColor beside = SubtractColor(face, 0x2C2C2C);
  const int besideCorners[][2] = {{1, 0},     {0, 1},     {1, H - 1},     {0, H - 2},
                                  {W - 1, 1}, {W - 2, 0}, {W - 2, H - 1}, {W - 1, H - 2}};
  for (const auto& p : besideCorners) canvas.SetPixel(p[0], p[1], beside);
  Span(canvas, 2, W - 3, 0, SubtractColor(face, 0x404040));
  for (int y = 2; y <= H - 3; ++y) {
    canvas.SetPixel(0, y, SubtractColor(face, 0x484848));
    canvas.SetPixel(W - 1, y, SubtractColor(face, 0x484848));
  }
  Span(canvas, 2, W - 3, H - 1, SubtractColor(face, 0x505050));

  int e = GaugeFillEnd(s, W);
  const int half = H / 2;
  const TColor fore = ResolveColor(s.ForeColor);
  const TColor foreLight = AddColor(fore, 0x141622);
  for (int y = 1; y <= H - 2; ++y) {
    TColor c = BlendColorF(fore, foreLight, RowWeight(y, half));
    if (y < half) c = AddColor(c, s.ForeIncrColor);
    Span(canvas, 1, e, y, c);
  }

  const TColor back = SubtractColor(ResolveColor(s.BackColor), s.BackShade);
  const TColor backLight = AddColor(back, 0x1A1A1A);
  if (e == 1) e = 0;
  if (e < W - 2) {
    for (int y = 1; y <= H - 2; ++y) {
      TColor c = BlendColorF(back, backLight, RowWeight(y, half));
      if (y < half) c = AddColor(c, 0x101010);
      if (y == 2) c = AddColor(c, 0x040404);
      if (y == H - 2) c = AddColor(c, 0x080808);
      Span(canvas, e + 1, W - 2, y, c);
    }
  }
}

}  // namespace

void PaintGauge(Canvas& canvas, int W, int H, const GaugeState& s, TColor textColor,
                const DpiScale& scale) {
  if (W <= 0 || H <= 0) return;
  const int f = scale.Factor();
  PaintInCells(canvas, f, W, H, [&s](Canvas& c, int w, int h) { PaintGaugeBody(c, w, h, s); });
  if (s.ShowText) {
    const std::wstring text = GaugeText(s);
    const Size size = canvas.TextExtent(text);
    canvas.SetTextColor(textColor);
    canvas.SetTextOpaque(false);
    canvas.TextAt((W - f - size.Width) / 2 + 2 * f, (H - f - size.Height) / 2, text);
  }
}

}  // namespace nox
