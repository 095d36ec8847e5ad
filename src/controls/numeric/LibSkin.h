// The framed edit controls: a single-line edit, a memo and a numeric field that paint a
// flat two-ring frame (FlatFrame) over their sunken border after the system painted the
// non-client area. Each has its base's name within this namespace, so a form that
// declares skin::TEdit, skin::TMemo or skin::TNumEdit gets the framed variant. Tag 999
// switches the frame off; any other tag (12345 for the settings store, 0) leaves it on.
#pragma once

#include "controls/numeric/BiSpin.h"
#include "controls/numeric/FlatFrame.h"
#include "toolkit/StdControls.h"

namespace nox {

// Paints the flat frame over the window's outer two pixels: the window's device context
// with the client area excluded. False, and nothing painted, without a window or when no
// device context is to be had. Its rings are as wide as the scale's whole factor.
bool PaintWindowFrame(HWND hwnd, const DpiScale& scale = DpiScale{});

namespace skin {

template <class Base>
class Framed : public Base {
 public:
  using Base::Base;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_NCPAINT) return WmNcPaint(msg, wParam, lParam);
    return Base::WndProc(msg, wParam, lParam);
  }
  LRESULT WmNcPaint(UINT msg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = Base::WndProc(msg, wParam, lParam);
    if (this->Tag() == kNoFrameTag || !PaintWindowFrame(this->Handle(), this->Scale())) return result;
    return 0;
  }
};

class TEdit : public Framed<Edit> {
 public:
  using Framed<Edit>::Framed;
};

class TMemo : public Framed<Memo> {
 public:
  using Framed<Memo>::Framed;
};

class TNumEdit : public Framed<nox::TNumEdit> {
 public:
  using Framed<nox::TNumEdit>::Framed;
};

}  // namespace skin
}  // namespace nox
