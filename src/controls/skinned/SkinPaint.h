// Painters of the skinned controls: push-button faces, the check box square and mark,
// the radio button ring and dot. They draw on any Canvas (GDI or the pixel canvas) and
// take their state as arguments; system colours come from the system look. Each leaves
// the canvas's pen and brush colours as it last set them.
#pragma once

#include "toolkit/Canvas.h"

namespace nox {

// The push button's shaded face: rows darken downward, a frame of highlight, outer edge,
// inner shadow and low line over them. `colour` is the button's colour as given: a system
// colour reference is resolved, and a dark one (red below 0x68) lifted by 21 grey levels
// with 12 shading steps instead of 11. Pressed implies focus; a pressed box reaches one
// pixel past the right and bottom edges.
void DrawGradientFace(Canvas& canvas, const Rect& rect, TColor colour, bool pressed, bool focus);
// The flat face with a two-pixel bevel (the button's XPMode).
void DrawXPFace(Canvas& canvas, const Rect& rect, TColor colour, bool pressed, bool focus);

// The check box square: two frames and a fill, and when checked a check mark three
// (four, when the inner area is wider than 12) pixels thick.
// patternFactor enlarges the mark, pixel by pixel, centred in the inner area.
void DrawCheckFrame(Canvas& canvas, int left, int top, int right, int bottom, bool checked,
                    bool enabled, int patternFactor = 1);
// One stroke of the check mark inside the w-pixel area at (x, y), with the current pen.
void DrawCheckMark(Canvas& canvas, int x, int y, int w);

// The radio button's anti-aliased octagonal ring and its dot (bottom is not used).
void DrawRadioFrame(Canvas& canvas, int left, int top, int right, int bottom, bool checked,
                    bool enabled);
// The closed octagon outline with straight edges of n pixels and 45-degree edges of d,
// starting at (x, y) and going clockwise; every vertex is painted.
void DrawOctagon(Canvas& canvas, int x, int y, int n, int d);
// Sets exactly the octagon's eight vertex pixels to colour.
void DrawOctagonCorners(Canvas& canvas, int x, int y, int n, int d, TColor colour);

}  // namespace nox
