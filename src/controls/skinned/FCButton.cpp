#include "controls/skinned/FCButton.h"

#include "controls/skinned/SkinGlyph.h"
#include "toolkit/BackBuffer.h"
#include "toolkit/GdiCanvas.h"

namespace nox {

TXMButton::TXMButton(Component* owner, WinControl* parent) : Button(owner, parent, true) {}

void TXMButton::SetBitmap(const nox::Bitmap* picture) {
  mGlyph.Bitmap = picture ? *picture : nox::Bitmap();
  mGlyph.Bitmap.Transparent = true;
  if (!mGlyph.DisabledBitmap.Empty()) MakeDisabledGlyph(mGlyph.Bitmap, mGlyph.DisabledBitmap);
  if (mGlyph.Kind == bkNone && picture && !picture->Empty()) {
    SetBitmapKind(bkCustom);
    mGlyph.AppliedKind = bkCustom;
  } else if (mGlyph.Kind == bkCustom && (!picture || picture->Empty())) {
    SetBitmapKind(bkNone);
    mGlyph.AppliedKind = bkNone;
  }
  Invalidate();
}

void TXMButton::SetIconName(const std::wstring& name) {
  if (mGlyph.IconName == name) return;
  mGlyph.IconName = name;
  mGlyph.LastFaceColor = ButtonGlyph::kNoFaceSeen;
  Invalidate();
}

void TXMButton::SetDown(bool value) {
  if (mLook.Down == value) return;
  mLook.Down = value;
  Repaint();
}

void TXMButton::SetBitmapKind(TBitmapKind kind) {
  if (mGlyph.Kind == kind) return;
  mGlyph.Kind = kind;
  Repaint();
}

namespace {
template <typename T>
bool Changed(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}
}  // namespace

void TXMButton::SetXPMode(bool value) {
  if (Changed(mLook.XPMode, value)) Invalidate();
}
void TXMButton::SetOffX(int value) {
  if (Changed(mLook.OffX, value)) Invalidate();
}
void TXMButton::SetOffY(int value) {
  if (Changed(mLook.OffY, value)) Invalidate();
}
void TXMButton::SetHideFocus(bool value) {
  if (Changed(mLook.HideFocus, value)) Invalidate();
}
void TXMButton::SetHotTrack(bool value) {
  if (Changed(mHotTrack, value)) Invalidate();
}

void TXMButton::PaintFace(HDC dc, const Rect& area, bool pressed, bool focused, bool disabled) {
  mShowsFocus = focused;
  BackBuffer buffer(dc, area);
  if (!buffer.Valid()) return;
  GdiCanvas canvas(buffer.Dc());
  const nox::Font* f = Font();
  if (f) canvas.SetFont(f->Handle());
  mLook.Color = Color();
  mLook.TextColor = static_cast<TColor>(Resolve(f ? f->Color : kClWindowText));
  mLook.Caption = Caption();
  PaintButton(canvas, area.Width(), area.Height(), mLook, mGlyph, pressed, focused,
              !disabled && Enabled(), Scale());
  buffer.Present();
}

bool TXMButton::DrawItem(const DRAWITEMSTRUCT& item) {
  try {
    PaintFace(item.hDC, FromRECT(item.rcItem), (item.itemState & ODS_SELECTED) != 0,
              (item.itemState & ODS_FOCUS) != 0, (item.itemState & ODS_DISABLED) != 0);
  } catch (...) {
    // A failed paint leaves the face as far as it got; the button stays usable.
  }
  if (OnDrawItem) OnDrawItem(item);
  return true;
}

LRESULT TXMButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == BM_SETSTYLE) return WmSetStyle(msg, wParam, lParam);
  return Button::WndProc(msg, wParam, lParam);
}

// The dialog manager marks the active button with BS_DEFPUSHBUTTON: remember it as the
// focus look, but keep the button owner-drawn (a plain push-button style would make the
// system paint it).
LRESULT TXMButton::WmSetStyle(UINT msg, WPARAM wParam, LPARAM lParam) {
  const bool active = (wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  const WPARAM style = (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW;
  const LRESULT result = DefaultHandler(msg, style, lParam);
  if (active != mShowsFocus) {
    mShowsFocus = active;
    Repaint();
  }
  return result;
}

// A double click is a second press: each click of a quick double click clicks the button.
LRESULT TXMButton::WmMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONDBLCLK) return DefaultHandler(WM_LBUTTONDOWN, wParam, lParam);
  return DefaultHandler(msg, wParam, lParam);
}

LRESULT TXMButton::WmEnable(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  Invalidate();
  return result;
}

// The face covers every pixel: no erase first, so a repaint does not flicker.
LRESULT TXMButton::WmEraseBkgnd(UINT, WPARAM, LPARAM) { return 1; }

void TXMButton::FontChanged() {
  Button::FontChanged();
  Invalidate();
}

}  // namespace nox
