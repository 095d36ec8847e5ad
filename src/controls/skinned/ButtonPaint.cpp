#include "controls/skinned/ButtonPaint.h"

#include "controls/skinned/SkinColor.h"
#include "controls/skinned/SkinGlyph.h"
#include "controls/skinned/SkinPaint.h"
#include "toolkit/ScaledCanvas.h"
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
                 bool pressed, bool focused, bool enabled, const DpiScale& scale) {
  const int f = scale.Factor();
  const bool pressedLook = look.Down || pressed;
  const bool focusLook = focused && !look.HideFocus;
  const int pattern = scale.CellPatternFactor();
  int glyphWidth = -1;  // none drawn
  // The face and the glyph in cells; the glyph's place is reckoned on the cell grid.
  PaintInCells(canvas, f, W, H, [&](Canvas& cells, int w, int h) {
    const Rect face{0, 0, w, h};
    if (look.XPMode)
      DrawXPFace(cells, face, look.Color, pressedLook, focusLook);
    else
      DrawGradientFace(cells, face, look.Color, pressedLook, focusLook);

    ApplyKind(glyph);
    if (glyph.Kind == bkNone || glyph.Bitmap.Empty()) return;
    FollowFace(glyph);
    if (!enabled && (glyph.DisabledBitmap.Empty() || glyph.DisabledGlyphStale)) {
      MakeDisabledGlyph(glyph.Bitmap, glyph.DisabledBitmap);
      glyph.DisabledGlyphStale = false;
    }
    const nox::Bitmap& shown = enabled ? glyph.Bitmap : glyph.DisabledBitmap;
    const nox::Bitmap enlarged = pattern > 1 ? ScaleBitmap(shown, pattern) : nox::Bitmap();
    const nox::Bitmap& drawn = pattern > 1 ? enlarged : shown;
    glyphWidth = drawn.Width();
    const Point at = ButtonGlyphPosition(w, h, glyphWidth, drawn.Height(), look, pressedLook);
    cells.Draw(at.X, at.Y, drawn);
  });

  Rect rect{0, 0, W, H};
  if (glyphWidth >= 0) rect.Left += (glyphWidth + 2) * f;
  rect = rect.Inflated(-3 * f);
  if (pressedLook) rect = rect.Offset(f, f);
  canvas.SetTextColor(enabled ? look.TextColor : (SystemColor(kSysColorGrayText) | 0x1F1F1F));
  if (!look.Caption.empty())
    canvas.WriteText(rect, look.Caption, TextCenter | TextVCenter | TextSingleLine);
}

}  // namespace nox
