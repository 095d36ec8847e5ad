#include "controls/skinned/CheckPaint.h"

#include <algorithm>

#include "controls/skinned/SkinColor.h"
#include "controls/skinned/SkinPaint.h"
#include "toolkit/ScaledCanvas.h"
#include "toolkit/SystemLook.h"

namespace nox {

Size CheckIndicatorSize(int height, const DpiScale& scale) {
  const SystemLook& look = CurrentSystemLook();
  const int least = scale.Px(15);
  Size s{std::max(least, look.Metric(kSysMetricMenuCheckWidth)),
         std::max(least, look.Metric(kSysMetricMenuCheckHeight))};
  if (s.Height > height - 1) s = Size{height - 1, height - 1};
  return s;
}

Rect CheckCaptionCell(const CheckLook& look, int height, int textWidth, const DpiScale& scale) {
  const int f = scale.Factor();
  const int bw = CheckIndicatorSize(height, scale).Width;
  // The check box's caption sits one pixel further right than the radio button's.
  const int shift = look.Style == CheckStyle::CheckBox ? 1 : 0;
  return Rect{bw + (1 + shift) * f, 0, bw + textWidth + (5 + shift) * f, height};
}

void PaintCheck(Canvas& canvas, int W, int H, const CheckLook& look, const DpiScale& scale) {
  const int f = scale.Factor();
  const Size box = CheckIndicatorSize(H, scale);
  const int pattern = scale.CellPatternFactor();
  PaintInCells(canvas, f, W, H, [&look, &box, f, pattern](Canvas& cells, int /*w*/, int h) {
    const int bw = box.Width / f;
    const int bh = box.Height / f;
    const int top = (h - bh) / 2 + 1;
    if (look.Style == CheckStyle::CheckBox)
      DrawCheckFrame(cells, 0, top, bw - 2, top + bh - 2, look.Checked, look.Enabled, pattern);
    else
      DrawRadioFrame(cells, 0, top, bw - 2, top + bh - 2, look.Checked,
                     look.Enabled && look.IndicatorEnabled);
  });

  canvas.SetTextColor(SystemColor(look.Enabled ? kSysColorWindowText : kSysColorGrayText));
  canvas.SetBrushColor(look.Color);
  const int th = canvas.TextExtent(L"Ddqg").Height;
  const int tw = canvas.TextExtent(look.Caption).Width;
  const Rect cell = CheckCaptionCell(look, H, tw, scale);
  canvas.SetTextOpaque(true);
  canvas.TextAt(cell.Left + 2 * f, (H - th) / 2, look.Caption);
  canvas.SetTextOpaque(false);
  // Framing the cell in the control's colour erases an earlier focus rectangle.
  canvas.FrameRect(cell);
  if (look.Focused && !look.Caption.empty()) canvas.DrawFocusRect(cell);
}

}  // namespace nox
