#include "controls/skinned/FCCheck.h"

#include <windowsx.h>

namespace nox {

namespace {
// Holds OnClick back for the life of the object, whatever leaves the scope.
class ClickHold {
 public:
  explicit ClickHold(bool& flag) : mFlag(flag), mWas(flag) { mFlag = true; }
  ~ClickHold() { mFlag = mWas; }
  ClickHold(const ClickHold&) = delete;
  ClickHold& operator=(const ClickHold&) = delete;

 private:
  bool& mFlag;
  bool mWas;
};
}  // namespace

// ---- TMyCheckControl

// The class has no CS_DBLCLKS: a quick second click arrives as an ordinary click.
TMyCheckControl::TMyCheckControl(Component* owner, WinControl* parent, CheckStyle style)
    : CustomControl(owner, parent, ClassName(), CS_HREDRAW | CS_VREDRAW), mStyle(style) {
  SetTabStop(true);
}

void TMyCheckControl::SetCaption(const std::wstring& caption) { SetText(caption); }

void TMyCheckControl::StoreChecked(bool value) {
  mChecked = value;
  Repaint();
  AccNotify(EVENT_OBJECT_STATECHANGE);
}

AccElement TMyCheckControl::AccDescribe() const {
  AccFacts facts = AccWindowFacts();
  facts.checked = mChecked;
  facts.enabled = facts.enabled && IndicatorEnabled();
  const AccRole role = mStyle == CheckStyle::Radio ? AccRole::RadioButton : AccRole::CheckButton;
  return Describe(role, AccName(), std::wstring(), facts, Bounds());
}

// As a click of the user's (and BM_CLICK).
bool TMyCheckControl::AccDoDefaultAction() {
  if (Enabled()) UserClick();
  return true;
}

void TMyCheckControl::RaiseClick() {
  if (!mHoldClick && OnClick) OnClick();
}

void TMyCheckControl::TakeFocus() {
  if (Handle() && IsWindowVisible(Handle()) && IsWindowEnabled(Handle()) && !Focused()) SetFocus();
}

void TMyCheckControl::Paint(Canvas& canvas) {
  CheckLook look;
  look.Style = mStyle;
  look.Caption = Caption();
  look.Color = static_cast<TColor>(Resolve(Color()));
  look.Checked = mChecked;
  look.Enabled = Enabled();
  look.IndicatorEnabled = IndicatorEnabled();
  look.Focused = Focused() && !FocusCuesHidden();
  const Size size = ClientSize();
  PaintCheck(canvas, size.Width, size.Height, look, Scale());
}

LRESULT TMyCheckControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == BM_GETCHECK || msg == BM_SETCHECK || msg == BM_CLICK) return WmButtonMessage(msg, wParam, lParam);
  if (msg == WM_GETFONT) return WmGetFont(msg, wParam, lParam);
  return CustomControl::WndProc(msg, wParam, lParam);
}

// The font the caption is painted in (the form's, unless the control has its own).
LRESULT TMyCheckControl::WmGetFont(UINT, WPARAM, LPARAM) {
  const nox::Font* f = Font();
  return reinterpret_cast<LRESULT>(f ? f->Handle() : nullptr);
}

// The system check box's messages: the state read and set, and a click as the user's.
LRESULT TMyCheckControl::WmButtonMessage(UINT msg, WPARAM wParam, LPARAM) {
  if (msg == BM_GETCHECK) return mChecked ? BST_CHECKED : BST_UNCHECKED;
  if (msg == BM_SETCHECK) {
    SetChecked(wParam == BST_CHECKED);
    return 0;
  }
  if (Enabled()) UserClick();
  return 0;
}

LRESULT TMyCheckControl::WmMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN:
      mPressed = true;
      SetMouseCapture(true);
      return 0;
    case WM_LBUTTONUP: {
      const bool wasPressed = mPressed;
      mPressed = false;
      SetMouseCapture(false);
      const Size size = ClientSize();
      const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      if (wasPressed && x >= 0 && y >= 0 && x < size.Width && y < size.Height) UserClick();
      return 0;
    }
    default: return DefaultHandler(msg, wParam, lParam);
  }
}

LRESULT TMyCheckControl::WmCaptureChanged(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(lParam) != Handle()) mPressed = false;
  return DefaultHandler(msg, wParam, lParam);
}

LRESULT TMyCheckControl::WmCancelMode(UINT msg, WPARAM wParam, LPARAM lParam) {
  mPressed = false;
  SetMouseCapture(false);
  return DefaultHandler(msg, wParam, lParam);
}

LRESULT TMyCheckControl::WmChar(UINT, WPARAM wParam, LPARAM) {
  wchar_t key = static_cast<wchar_t>(wParam);
  if (OnKeyPress) OnKeyPress(key);
  if (key == L' ') UserSpace();
  return 0;
}

LRESULT TMyCheckControl::WmGetDlgCode(UINT, WPARAM, LPARAM) { return DLGC_BUTTON; }

LRESULT TMyCheckControl::WmSetFocus(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  if (OnEnter) OnEnter();
  Repaint();
  return result;
}

LRESULT TMyCheckControl::WmKillFocus(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  if (OnExit) OnExit();
  Repaint();
  return result;
}

LRESULT TMyCheckControl::WmEnable(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  Invalidate();
  return result;
}

LRESULT TMyCheckControl::WmSetText(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  Invalidate();
  return result;
}

LRESULT TMyCheckControl::WmUpdateUIState(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  Invalidate();
  return result;
}

// ---- TMyChkBox

TMyChkBox::TMyChkBox(Component* owner, WinControl* parent)
    : TMyCheckControl(owner, parent, CheckStyle::CheckBox) {}

void TMyChkBox::SetChecked(bool value) {
  if (mChecked == value) return;
  StoreChecked(value);
  RaiseClick();
}

void TMyChkBox::UserClick() {
  StoreChecked(!mChecked);
  TakeFocus();
  RaiseClick();
}

void TMyChkBox::UserSpace() {
  StoreChecked(!mChecked);
  RaiseClick();
}

// ---- TMyRadButton

TMyRadButton::TMyRadButton(Component* owner, WinControl* parent)
    : TMyCheckControl(owner, parent, CheckStyle::Radio) {}

void TMyRadButton::SetChecked(bool value) {
  if (mChecked == value) return;
  StoreChecked(value);
  if (!value) return;
  UncheckSiblings();
  RaiseClick();
}

void TMyRadButton::UncheckSiblings() {
  if (!Parent()) return;
  for (Control* c : Parent()->Controls())
    if (auto* radio = dynamic_cast<TMyRadButton*>(c); radio && radio != this) radio->SetChecked(false);
}

void TMyRadButton::UserClick() {
  if (mChecked) {
    // Already checked: the click changes nothing and raises no OnClick.
    Repaint();
    TakeFocus();
    ClickHold hold(mHoldClick);
    RaiseClick();
    return;
  }
  StoreChecked(true);
  UncheckSiblings();
  TakeFocus();
  RaiseClick();
}

void TMyRadButton::UserSpace() {
  if (mChecked) {
    Repaint();
    return;
  }
  StoreChecked(true);
  UncheckSiblings();
  RaiseClick();
}

LRESULT TMyRadButton::WmGetDlgCode(UINT, WPARAM, LPARAM) { return DLGC_BUTTON | DLGC_RADIOBUTTON; }

bool TMyRadButton::IndicatorEnabled() const {
  const auto* box = dynamic_cast<const GroupBox*>(Parent());
  return !(box && !box->Enabled());
}

}  // namespace nox
