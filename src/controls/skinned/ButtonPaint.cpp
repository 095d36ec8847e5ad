#include "controls/skinned/ButtonPaint.h"

#include "controls/skinned/SkinColor.h"
#include "controls/skinned/SkinGlyph.h"
#include "controls/skinned/SkinPaint.h"
#include "toolkit/SystemLook.h"

namespace nox {

namespace {

// Loads the built-in glyph of a newly chosen kind, once.
void ApplyKind(ButtonGlyph& g) {
  if (g.Kind == g.AppliedKind) return;
  g.AppliedKind = g.Kind;
  switch (g.Kind) {
    case bkOk: LoadGlyph16(g.Bitmap, OkGlyph()); break;
    case bkCancel: LoadGlyph16(g.Bitmap, CancelGlyph()); break;
    case bkHelp:
      LoadGlyph16(g.Bitmap, HelpGlyph());
      g.IconName = L"01_Help";
      break;
    default: break;
  }
  g.Bitmap.Transparent = true;
  // The faded copy belongs to the picture just replaced.
  g.DisabledGlyphStale = true;
}

// Follows the system button face: an "INV" glyph is inverted when the face crosses
// between light and dark, and the faded copy is rebuilt for the new face.
void FollowFace(ButtonGlyph& g) {
  const TColor face = SystemColor(kSysColorBtnFace);
  if (face == g.LastFaceColor) return;
  if (g.IconName == L"INV" && ((GreenOf(g.LastFaceColor) < 0x68) != (GreenOf(face) < 0x68)))
    InvertGlyph(g.Bitmap);
  g.DisabledGlyphStale = true;
  g.LastFaceColor = face;
}

}  // namespace

Point ButtonGlyphPosition(int W, int H, int bw, int bh, const ButtonLook& look, bool pressedLook) {
  Point p;
  if (!look.Caption.empty()) {
    p.X = look.OffX + (H - bw) / 2 + 1;
    p.Y = look.OffY + (H - bh) / 2;
  } else {
    p.X = (W - bw) / 2;
    p.Y = (H - bh) / 2 + look.OffY;
  }
  if (pressedLook) {
    ++p.X;
    ++p.Y;
  }
  return p;
}

void PaintButton(Canvas& canvas, int W, int H, const ButtonLook& look, ButtonGlyph& glyph,
                 bool pressed, bool focused, bool enabled) {
  Rect rect{0, 0, W, H};
  const bool pressedLook = look.Down || pressed;
  const bool focusLook = focused && !look.HideFocus;
  if (look.XPMode)
    DrawXPFace(canvas, rect, look.Color, pressedLook, focusLook);
  else
    DrawGradientFace(canvas, rect, look.Color, pressedLook, focusLook);

  ApplyKind(glyph);
  if (glyph.Kind != bkNone && !glyph.Bitmap.Empty()) {
    FollowFace(glyph);
    const int bw = glyph.Bitmap.Width();
    const Point at = ButtonGlyphPosition(W, H, bw, glyph.Bitmap.Height(), look, pressedLook);
    if (enabled) {
      canvas.Draw(at.X, at.Y, glyph.Bitmap);
    } else {
      if (glyph.DisabledBitmap.Empty() || glyph.DisabledGlyphStale)
        MakeDisabledGlyph(glyph.Bitmap, glyph.DisabledBitmap);
      glyph.DisabledGlyphStale = false;
      canvas.Draw(at.X, at.Y, glyph.DisabledBitmap);
    }
    rect.Left += bw + 2;
  }

  rect = rect.Inflated(-3);
  if (pressedLook) rect = rect.Offset(1, 1);
  canvas.SetTextColor(enabled ? look.TextColor : (SystemColor(kSysColorGrayText) | 0x1F1F1F));
  if (!look.Caption.empty())
    canvas.WriteText(rect, look.Caption, TextCenter | TextVCenter | TextSingleLine);
}

}  // namespace nox
