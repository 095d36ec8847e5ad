// How the spin button looks: two boxes side by side (bevelled, or gradient boxes) in the
// button-face colour, each with a small shaded arrow whose greys follow the window
// colour and turn red while its box is pressed. Painters take the state and the
// resolved colours as arguments; Current*Colors read them from the system colours.
#pragma once

#include "toolkit/Canvas.h"
#include "toolkit/DpiScale.h"

namespace nox {

struct SpinLook {
  bool LeftPressed = false;
  bool RightPressed = false;
  bool Gradient = false;
};

// Resolved system colours the spin button paints with.
struct SpinColors {
  TColor ButtonFace = 0;
  TColor Window = 0;
};
SpinColors CurrentSpinColors();

// Resolved system colours of the framed edits' flat frame.
struct FrameColors {
  TColor Shadow = 0;
  TColor Face = 0;
};
FrameColors CurrentFrameColors();

// The whole button, `width` x `height`: left box (0, 0, w div 2 - 1, h - 1) and right
// box (w div 2, 0, w - 1, h - 1), lines inclusive, then the two arrows centred in them.
// At a DPI scale all of it is drawn on the scale's whole-factor cells.
void PaintSpinButton(Canvas& canvas, int width, int height, const SpinLook& look,
                     const SpinColors& colors, const DpiScale& scale = DpiScale{});

// A bevelled box over the inclusive rectangle (l, t)-(r, b), raised or pressed.
void PaintBevelBox(Canvas& canvas, int l, int t, int r, int b, TColor face, bool pressed);
// A gradient box from column l to r and row 0 to b: lighter towards the top, or a
// lighter green-cast fill while pressed.
void PaintGradientBox(Canvas& canvas, int l, int t, int r, int b, TColor face, bool pressed);
// The 4 x 7 arrow whose block starts at (x - 2, y - 3); `factor` enlarges it pixel by pixel
// around the same centre (its block then starts at (x - 2 factor, y - 3 factor)).
void PaintSpinArrow(Canvas& canvas, int x, int y, bool pointsRight, bool pressed, bool darkWindow,
                    int factor = 1);

}  // namespace nox
