// TXMButton: the skinned push button. An owner-drawn system button (the system handles the
// mouse, the keyboard and the focus) whose face, glyph and caption are painted by
// ButtonPaint.h through a back buffer. A double click counts as a second press.
#pragma once

#include <functional>
#include <string>

#include "controls/skinned/ButtonPaint.h"
#include "toolkit/StdControls.h"

namespace nox {

class TXMButton : public Button {
 public:
  TXMButton(Component* owner, WinControl* parent);

  // The glyph, always drawn transparently. Assigning copies the picture (null: none),
  // rebuilds an existing faded copy, and switches the kind between bkNone and bkCustom.
  const nox::Bitmap& Bitmap() const { return mGlyph.Bitmap; }
  void SetBitmap(const nox::Bitmap* picture);
  const std::wstring& IconName() const { return mGlyph.IconName; }
  // "INV" marks a glyph to invert when the button face turns dark.
  void SetIconName(const std::wstring& name);
  bool Down() const { return mLook.Down; }
  void SetDown(bool value);
  bool XPMode() const { return mLook.XPMode; }
  void SetXPMode(bool value);
  int OffX() const { return mLook.OffX; }
  void SetOffX(int value);
  int OffY() const { return mLook.OffY; }
  void SetOffY(int value);
  bool HideFocus() const { return mLook.HideFocus; }
  void SetHideFocus(bool value);
  TBitmapKind BitmapKind() const { return mGlyph.Kind; }
  void SetBitmapKind(TBitmapKind kind);
  // Stored only: hovering changes nothing and the two events are never raised.
  bool HotTrack() const { return mHotTrack; }
  void SetHotTrack(bool value);
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseExit;

  // The faded glyph and the focus as last reported (read by tests and the gallery).
  const nox::Bitmap& DisabledBitmap() const { return mGlyph.DisabledBitmap; }
  bool ShowsFocus() const { return mShowsFocus; }

  // Paints the button as a paint request with these state bits would (also used by
  // WM_DRAWITEM): the whole client area of dc.
  void PaintFace(HDC dc, const Rect& area, bool pressed, bool focused, bool disabled);

 protected:
  bool DrawItem(const DRAWITEMSTRUCT& item) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmMouse(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmEnable(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmEraseBkgnd(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmSetStyle(UINT msg, WPARAM wParam, LPARAM lParam);
  void FontChanged() override;

 private:
  ButtonLook mLook;
  ButtonGlyph mGlyph;
  bool mHotTrack = false;
  bool mShowsFocus = false;
};

}  // namespace nox
