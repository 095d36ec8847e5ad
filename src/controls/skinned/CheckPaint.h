// The painting of the skinned check box and radio button, apart from their windows: the
// indicator at the left, sized from the menu check-mark metrics, and the caption to its
// right on an opaque background in the control's colour, with the focus rectangle around
// the caption's cell.
#pragma once

#include <string>

#include "toolkit/Canvas.h"
#include "toolkit/DpiScale.h"

namespace nox {

enum class CheckStyle { CheckBox, Radio };

struct CheckLook {
  CheckStyle Style = CheckStyle::CheckBox;
  std::wstring Caption;
  TColor Color = 0;  // the control's colour, resolved
  bool Checked = false;
  bool Enabled = true;
  bool IndicatorEnabled = true;  // a radio button in a disabled group box: false
  bool Focused = false;          // has the focus and shows focus cues
};

// The indicator's size: the menu check-mark metrics, at least 15 (scaled), at most
// height - 1.
Size CheckIndicatorSize(int height, const DpiScale& scale = DpiScale{});
// The caption's cell: framed with the control's colour and carrying the focus rectangle.
Rect CheckCaptionCell(const CheckLook& look, int height, int textWidth,
                      const DpiScale& scale = DpiScale{});
// Paints the indicator and the caption cell; the rest of the control is the caller's
// background. At a DPI scale the indicator is drawn on its whole-factor cells and the
// caption, in a font made for that DPI, at the scaled place.
void PaintCheck(Canvas& canvas, int width, int height, const CheckLook& look,
                const DpiScale& scale = DpiScale{});

}  // namespace nox
