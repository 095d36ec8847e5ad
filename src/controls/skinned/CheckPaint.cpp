#include "controls/skinned/CheckPaint.h"

#include <algorithm>

#include "controls/skinned/SkinColor.h"
#include "controls/skinned/SkinPaint.h"
#include "toolkit/SystemLook.h"

namespace nox {

Size CheckIndicatorSize(int height) {
  const SystemLook& look = CurrentSystemLook();
  Size s{std::max(15, look.Metric(kSysMetricMenuCheckWidth)),
         std::max(15, look.Metric(kSysMetricMenuCheckHeight))};
  if (s.Height > height - 1) s = Size{height - 1, height - 1};
  return s;
}

Rect CheckCaptionCell(const CheckLook& look, int height, int textWidth) {
  const int bw = CheckIndicatorSize(height).Width;
  // The check box's caption sits one pixel further right than the radio button's.
  const int shift = look.Style == CheckStyle::CheckBox ? 1 : 0;
  return Rect{bw + 1 + shift, 0, bw + textWidth + 5 + shift, height};
}

void PaintCheck(Canvas& canvas, int /*width*/, int H, const CheckLook& look) {
  const Size box = CheckIndicatorSize(H);
  const int top = (H - box.Height) / 2 + 1;
  if (look.Style == CheckStyle::CheckBox)
    DrawCheckFrame(canvas, 0, top, box.Width - 2, top + box.Height - 2, look.Checked, look.Enabled);
  else
    DrawRadioFrame(canvas, 0, top, box.Width - 2, top + box.Height - 2, look.Checked,
                   look.Enabled && look.IndicatorEnabled);

  canvas.SetTextColor(SystemColor(look.Enabled ? kSysColorWindowText : kSysColorGrayText));
  canvas.SetBrushColor(look.Color);
  const int th = canvas.TextExtent(L"Ddqg").Height;
  const int tw = canvas.TextExtent(look.Caption).Width;
  const Rect cell = CheckCaptionCell(look, H, tw);
  canvas.SetTextOpaque(true);
  canvas.TextAt(cell.Left + 2, (H - th) / 2, look.Caption);
  canvas.SetTextOpaque(false);
  // Framing the cell in the control's colour erases an earlier focus rectangle.
  canvas.FrameRect(cell);
  if (look.Focused && !look.Caption.empty()) canvas.DrawFocusRect(cell);
}

}  // namespace nox
