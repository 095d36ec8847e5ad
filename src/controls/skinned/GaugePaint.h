// The progress gauge's painting, apart from its control: a rounded bevelled frame, a
// glossy fill whose upper half is lightened, a shaded background for the unfilled part
// and a centred "N%".
#pragma once

#include <string>

#include "toolkit/Canvas.h"
#include "toolkit/DpiScale.h"

namespace nox {

struct GaugeState {
  int MinValue = 0;
  int MaxValue = 1000;
  int Progress = 0;
  bool ShowText = true;
  TColor ForeColor = 0x28D008;
  TColor ForeIncrColor = 0x701880;  // added as an RGB value: its top byte is ignored
  TColor BackColor = 0xCCCCCC;
  int BackShade = 0;  // subtracted per channel from BackColor
};

// The last filled column: 1 (nothing visible) unless MaxValue > MinValue.
int GaugeFillEnd(const GaugeState& state, int width);
// "N%": the progress mapped onto 0..100 and rounded; "0%" when MaxValue is below MinValue.
std::wstring GaugeText(const GaugeState& state);
// Paints every pixel of the width x height gauge at (0, 0); the text in the canvas's font
// and the given (resolved) text colour, on a transparent background. At a DPI scale the
// frame and the bar are drawn on the scale's whole-factor cells, the text at the device's
// pixels (in a font made for that DPI).
void PaintGauge(Canvas& canvas, int width, int height, const GaugeState& state, TColor textColor,
                const DpiScale& scale = DpiScale{});

}  // namespace nox
