// Where the numeric field puts its parts: its minimum height, the spin button inside its
// right edge and the text area that keeps the text clear of the button.
#pragma once

#include "toolkit/Geometry.h"

namespace nox {

// Font height of the field, of the system font, and the border height SM_CYBORDER:
// Hf + min(Hs, Hf) div 4 + 4 x Cb + 2.
int NumEditMinHeight(int fieldFontHeight, int systemFontHeight, int borderHeight);

// The spin button's bounds in the field's client area, for a field `width` x `height`
// (window size) and a button `buttonWidth` wide: with the sunken border at the client
// area's right edge from the top, as high as the client area; without it one pixel down.
Rect SpinButtonBounds(int width, int height, int buttonWidth, bool sunkenBorder);

// The edit's formatting rectangle: the client area less the button and a 2-pixel gap,
// never of negative width on a narrow field, and one line of `lineHeight` pixels high in
// the middle of the client area (from its top where the line does not fit; the whole
// client area where the line's height is not known), so that the
// text keeps its place in the field at any DPI. Exactly a line high: an edit that steps in
// from its sunken border where the rectangle has room to spare leaves this one as it is.
Rect NumEditTextArea(int clientWidth, int clientHeight, int buttonWidth, int lineHeight);

}  // namespace nox
