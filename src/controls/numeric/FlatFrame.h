// The flat frame of the framed edit controls: two one-pixel rings over the outer edge
// of a window `width` x `height`, the outer one in the button-shadow colour and the next
// one inward in the button-face colour, so the sunken border reads as a thin flat line.
#pragma once

#include "toolkit/Canvas.h"
#include "toolkit/DpiScale.h"

namespace nox {

// The tag that switches the frame off for one control.
constexpr int kNoFrameTag = 999;

// At a DPI scale each ring is the scale's whole factor of pixels wide.
void PaintFlatFrame(Canvas& canvas, int width, int height, TColor shadow, TColor face,
                    const DpiScale& scale = DpiScale{});

}  // namespace nox
