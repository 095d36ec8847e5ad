// The skinned push button's painting and glyph state, apart from its window: the face
// (gradient or flat), the glyph (built-in kinds loaded on the first paint after the kind
// changed, "INV" glyphs inverted when the button face crosses between light and dark, a
// faded copy while disabled) and the centred one-line caption.
#pragma once

#include <string>

#include "toolkit/Bitmap.h"
#include "toolkit/Canvas.h"
#include "toolkit/DpiScale.h"

namespace nox {

enum TBitmapKind { bkNone = 0, bkCustom = 1, bkOk = 2, bkCancel = 3, bkHelp = 4 };

// The glyph and what the button remembers about it between paints.
struct ButtonGlyph {
  static constexpr TColor kNoFaceSeen = 0xFBF9FB;

  nox::Bitmap Bitmap;
  nox::Bitmap DisabledBitmap;
  TBitmapKind Kind = bkNone;
  TBitmapKind AppliedKind = bkNone;
  std::wstring IconName;
  TColor LastFaceColor = kNoFaceSeen;
  bool DisabledGlyphStale = false;
};

struct ButtonLook {
  TColor Color = 0;        // the button's colour as given (a system reference stays one)
  TColor TextColor = 0;    // the font's colour, resolved
  std::wstring Caption;
  bool XPMode = false;
  bool Down = false;
  bool HideFocus = false;
  int OffX = 0;
  int OffY = 0;
};

// Where the glyph goes, its top-left corner (pressedLook moves it by one pixel).
Point ButtonGlyphPosition(int width, int height, int glyphWidth, int glyphHeight,
                          const ButtonLook& look, bool pressedLook);

// Paints the whole width x height button. pressed, focused and enabled are the state of
// this paint request (enabled already combines the request and the control). At a DPI
// scale the face and the glyph are drawn on its whole-factor cells and the caption, in a
// font made for that DPI, in the scaled caption rectangle.
void PaintButton(Canvas& canvas, int width, int height, const ButtonLook& look, ButtonGlyph& glyph,
                 bool pressed, bool focused, bool enabled, const DpiScale& scale = DpiScale{});

}  // namespace nox
