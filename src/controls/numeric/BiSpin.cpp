#include "controls/numeric/BiSpin.h"

#include <windowsx.h>

#include <algorithm>

#include "controls/numeric/NumEditLayout.h"
#include "controls/numeric/SpinPainter.h"

namespace nox {

wchar_t UserDecimalSeparator() {
  wchar_t buf[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) <= 0) return L'.';
  return UsableSeparator(buf[0]);
}

// ---- TBiButton

TBiButton::TBiButton(Component* owner, WinControl* parent) : CustomControl(owner, parent) {
  SetBounds(0, 0, Scale().Px(kDefaultWidth), Scale().Px(kDefaultHeight));
  mState.SetDragStep(Scale().Px(SpinButtonState::kDragPixelsPerStep));
  SetTabStop(false);
}

// The button keeps its place and height (its field places it) and takes its width and
// drag step at the new DPI.
void TBiButton::DpiChanged() {
  SetBounds(Left(), Top(), Scale().Px(kDefaultWidth), Height());
  mState.SetDragStep(Scale().Px(SpinButtonState::kDragPixelsPerStep));
}

TBiButton::~TBiButton() {
  *mAlive = false;
  if (mRepeatTimer) mRepeatTimer->SetEnabled(false);
  // Gone before the base classes: a capture released by the window's end comes back
  // here while the object is still whole.
  DestroyHandle();
}

void TBiButton::SetDrawGradient(bool value) {
  mDrawGradient = value;
  Repaint();
}

WinControl* TBiButton::FocusControl() const {
  // The window's property names its object until the window is destroyed: a control
  // that went away no longer matches.
  if (!mFocusControl || !mFocusHandle || WinControl::FromHandle(mFocusHandle) != mFocusControl)
    return nullptr;
  return mFocusControl;
}

void TBiButton::SetFocusControl(WinControl* control) {
  mFocusControl = control;
  mFocusHandle = control ? control->Handle() : nullptr;
}

AccElement TBiButton::AccDescribe() const {
  return Describe(AccRole::SpinButton, Parent() ? Parent()->AccName() : AccName(), std::wstring(),
                  AccWindowFacts(), Bounds());
}

AccElement TBiButton::AccDescribePart(int part) const {
  const bool up = part == 2;
  AccFacts facts = AccWindowFacts();
  facts.focusable = false;
  facts.focused = false;
  facts.pressed = up ? mState.RightPressed() : mState.LeftPressed();
  const Size size = ClientSize();
  return Describe(AccRole::PushButton, up ? L"Up" : L"Down", std::wstring(), facts,
                  AccSpinArrowBounds(size.Width, size.Height, up));
}

bool TBiButton::AccDoPartAction(int part) {
  if (!OnArrowPress) return false;
  const auto handler = OnArrowPress;  // may destroy the button
  handler(part == 2);
  return true;
}

void TBiButton::Paint(Canvas& canvas) {
  RECT rc;
  GetClientRect(Handle(), &rc);
  SpinLook look;
  look.LeftPressed = mState.LeftPressed();
  look.RightPressed = mState.RightPressed();
  look.Gradient = mDrawGradient;
  PaintSpinButton(canvas, rc.right, rc.bottom, look, CurrentSpinColors(), Scale());
}

LRESULT TBiButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: return WmLButtonDown(msg, wParam, lParam);
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return WmOtherButtonDown(msg, wParam, lParam);
    case WM_MOUSEMOVE: return WmMouseMove(msg, wParam, lParam);
    case WM_LBUTTONUP: return WmLButtonUp(msg, wParam, lParam);
    default: return CustomControl::WndProc(msg, wParam, lParam);
  }
}

LRESULT TBiButton::WmLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam) {
  DefaultHandler(msg, wParam, lParam);
  RECT rc;
  GetClientRect(Handle(), &rc);
  if (!mState.Press(SpinMouseButton::Left, GET_X_LPARAM(lParam), rc.right)) return 0;
  SetMouseCapture(true);
  Repaint();
  SyncTimer();
  GiveFocus();
  SendClick();  // last: the handler may destroy the button
  return 0;
}

LRESULT TBiButton::WmOtherButtonDown(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  const bool middle = msg == WM_MBUTTONDOWN || msg == WM_MBUTTONDBLCLK;
  RECT rc;
  GetClientRect(Handle(), &rc);
  mState.Press(middle ? SpinMouseButton::Middle : SpinMouseButton::Right, GET_X_LPARAM(lParam),
               rc.right);
  return result;
}

LRESULT TBiButton::WmMouseMove(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  mState.Move(GET_X_LPARAM(lParam));  // signed: left of the control is negative
  return result;
}

LRESULT TBiButton::WmLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  ReleaseArrow();
  SetMouseCapture(false);
  return result;
}

LRESULT TBiButton::WmCaptureChanged(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  ReleaseArrow();  // capture lost while held: the arrow does not stay pressed
  return result;
}

LRESULT TBiButton::WmCancelMode(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  SetMouseCapture(false);
  ReleaseArrow();
  return result;
}

void TBiButton::ReleaseArrow() {
  const bool wasPressed = mState.AnyPressed();
  mState.Release();
  SyncTimer();
  if (wasPressed) Repaint();
}

void TBiButton::SyncTimer() {
  if (!mRepeatTimer) {
    if (!mState.TimerEnabled()) return;
    mRepeatTimer = new Timer(this);
    mRepeatTimer->OnTimer = [this] { RepeatTick(); };
  }
  if (!mState.TimerEnabled()) {
    mRepeatTimer->SetEnabled(false);
    return;
  }
  if (mRepeatTimer->Interval() != mState.TimerInterval() || !mRepeatTimer->Enabled()) {
    mRepeatTimer->SetEnabled(false);
    mRepeatTimer->SetInterval(mState.TimerInterval());
    mRepeatTimer->SetEnabled(true);
  }
}

void TBiButton::RepeatTick() {
  const bool click = mState.Tick(MouseCaptured());
  SyncTimer();
  if (!click || !OnButtonClick) return;
  const std::weak_ptr<bool> alive = mAlive;
  try {
    const auto handler = OnButtonClick;  // a copy: the handler may destroy the button
    handler(*this);
  } catch (...) {
    // A failing click stops the repetition; the failure goes no further than here.
    if (const auto a = alive.lock(); a && *a) {
      mState.StopRepeat();
      SyncTimer();
    }
  }
}

void TBiButton::GiveFocus() {
  WinControl* target = FocusControl();
  if (!target || !target->Handle()) return;
  HWND h = target->Handle();
  if (!target->TabStop() || !IsWindowEnabled(h) || !IsWindowVisible(h) || GetFocus() == h) return;
  target->SetFocus();  // a refusal is of no consequence
}

void TBiButton::SendClick() {
  if (!OnButtonClick) return;
  const auto handler = OnButtonClick;
  handler(*this);
}

// ---- TNumEdit

TNumEdit::TNumEdit(Component* owner, WinControl* parent) : TNumEdit(owner, parent, 0) {}

TNumEdit::TNumEdit(Component* owner, WinControl* parent, DWORD extraStyle)
    : Edit(owner, parent, ES_MULTILINE | ES_AUTOHSCROLL | WS_CLIPCHILDREN | extraStyle) {
  SetText(L"0");
  mSpinButton = new TBiButton(this, this);
  mSpinButton->SetFocusControl(this);
  mSpinButton->OnButtonClick = [this](TBiButton& sender) { SpinButtonClick(sender); };
  mSpinButton->OnArrowPress = [this](bool up) { Step(up); };
  Layout();
}

TNumEdit::~TNumEdit() {
  // The spin button is a child window and an owned component: it goes first, while the
  // field it calls back is whole.
  delete mSpinButton;
  mSpinButton = nullptr;
}

bool TNumEdit::ReadOnly() const {
  return Handle() && (GetWindowLongPtrW(Handle(), GWL_STYLE) & ES_READONLY) != 0;
}

void TNumEdit::SetReadOnly(bool value) {
  if (Handle()) SendMessageW(Handle(), EM_SETREADONLY, value ? TRUE : FALSE, 0);
}

void TNumEdit::SetEnabled(bool enabled) {
  Edit::SetEnabled(enabled);
  if (mSpinButton) mSpinButton->SetEnabled(enabled);
}

void TNumEdit::SetPrecision(int value) {
  if (value == mFormat.Precision) return;
  mFormat.Precision = value;
  SetValue(Value());
}

void TNumEdit::SetDecimals(int value) {
  value = std::clamp(value, 0, kMaxDecimals);
  if (value == mFormat.Decimals) return;
  mFormat.Decimals = value;
  SetValue(Value());
}

void TNumEdit::Beep() const { MessageBeep(0); }

double TNumEdit::Value() const {
  const std::wstring text = Text();
  double v = mErrValue;
  if (!ParseDecimal(text, UserDecimalSeparator(), v)) {
    v = mErrValue;
    if (!text.empty() && mBeepError) Beep();
  }
  return ClampToRange(v);
}

void TNumEdit::SetValue(double value) {
  NumberFormat format = mFormat;
  format.Separator = UserDecimalSeparator();
  std::wstring text;
  if (!FormatNumber(ClampToRange(value), format, text)) return;  // not finite: refused
  mTextTyped = false;
  SetText(text);
}

void TNumEdit::Step(bool up) {
  if (ReadOnly()) {
    Beep();
    return;
  }
  const bool control = GetKeyState(VK_CONTROL) < 0;
  if (OnIncDecClick) {
    const auto handler = OnIncDecClick;
    handler(*this);
    return;
  }
  const int multiplier = mSpinButton ? mSpinButton->StepMultiplier() : 1;
  SetValue(SteppedValue(Value(), mIncrement, multiplier, control, up));
}

bool TNumEdit::IsAcceptedChar(wchar_t ch) const {
  return IsAcceptedNumericChar(ch, mAlwaysInteger, UserDecimalSeparator(), mEditorEnabled);
}

void TNumEdit::SpinButtonClick(TBiButton& sender) {
  // At most one arrow is held; nothing is read after the step, whose change
  // notification may destroy the field and its button.
  if (sender.RightPressed())
    StepUp();
  else if (sender.LeftPressed())
    StepDown();
}

LRESULT TNumEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEWHEEL: return WmMouseWheel(msg, wParam, lParam);
    case WM_CUT: return WmCut(msg, wParam, lParam);
    case WM_PASTE: return WmPaste(msg, wParam, lParam);
    case WM_LBUTTONDOWN: return WmLButtonDown(msg, wParam, lParam);
    default: return Edit::WndProc(msg, wParam, lParam);
  }
}

LRESULT TNumEdit::WmChar(UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto ch = static_cast<wchar_t>(wParam);
  if (IsAcceptedChar(ch)) {
    mTextTyped = true;
    // Cut and paste keys go through the cut and paste requests, so that their rules
    // hold whichever way the edit would carry them out. They are typing all the same: the
    // text they leave is rewritten when the focus leaves, as the value a run takes.
    if (ch == 0x18 || ch == 0x16) {  // Ctrl+X, Ctrl+V
      SendMessageW(Handle(), ch == 0x18 ? WM_CUT : WM_PASTE, 0, 0);
      return 0;
    }
    return DefaultHandler(msg, wParam, lParam);
  }
  if (ch == L'\r') {
    if (OnConfirm) {
      const auto handler = OnConfirm;
      handler(*this);
    }
  } else if (mBeepError) {
    Beep();
  }
  return 0;  // the character never reaches the edit
}

// A multi-line edit asks for every key; this one is a single line, so Tab and Escape
// are left to the dialog (tab order, Escape), and Enter stays its confirm key.
LRESULT TNumEdit::WmGetDlgCode(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT code = DefaultHandler(msg, wParam, lParam);
  code &= ~static_cast<LRESULT>(DLGC_WANTTAB);
  const MSG* m = reinterpret_cast<const MSG*>(lParam);
  if (m && (m->message == WM_KEYDOWN || m->message == WM_CHAR) &&
      (m->wParam == VK_TAB || m->wParam == VK_ESCAPE))
    code &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
  return code;
}

LRESULT TNumEdit::WmKeyDown(UINT msg, WPARAM wParam, LPARAM lParam) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  switch (wParam) {
    case VK_UP: StepUp(); break;
    case VK_DOWN: StepDown(); break;
    case VK_INSERT:  // Shift+Insert pastes: through the paste request, typing like Ctrl+V
      if (shift) {
        if (mEditorEnabled) mTextTyped = true;
        SendMessageW(Handle(), WM_PASTE, 0, 0);
        return 0;
      }
      break;
    case VK_DELETE:
      if (!mEditorEnabled) return 0;  // deleting is editing
      if (shift) {  // Shift+Delete on a selection cuts: through the cut request, like Ctrl+X
        DWORD start = 0, end = 0;
        SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        if (start != end) {
          mTextTyped = true;
          SendMessageW(Handle(), WM_CUT, 0, 0);
          return 0;
        }
      }
      break;
    default: break;
  }
  return DefaultHandler(msg, wParam, lParam);
}

LRESULT TNumEdit::WmMouseWheel(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (ReadOnly() || !mChangeOnWheel) return 0;  // consumed
  const short delta = GET_WHEEL_DELTA_WPARAM(wParam);
  if (delta > 0) StepUp();
  if (delta < 0) StepDown();
  return DefaultHandler(msg, wParam, lParam);
}

LRESULT TNumEdit::WmCut(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!EditingAllowed()) return 0;
  return DefaultHandler(msg, wParam, lParam);
}

LRESULT TNumEdit::WmPaste(UINT, WPARAM, LPARAM) {
  if (!EditingAllowed()) return 0;
  std::wstring clip;
  if (OpenClipboard(Handle())) {
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
        const SIZE_T chars = GlobalSize(data) / sizeof(wchar_t);
        clip.assign(p, std::find(p, p + chars, L'\0'));
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
  }
  DWORD start = 0, end = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  std::wstring insert;
  if (!AcceptedPaste(Text(), start, end, clip, UserDecimalSeparator(), insert)) {
    if (mBeepError) Beep();
    return 0;
  }
  SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(insert.c_str()));
  return 0;
}

LRESULT TNumEdit::WmLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam) {
  mLeftPressing = true;
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  mLeftPressing = false;
  return result;
}

LRESULT TNumEdit::WmSetFocus(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (mAutoSelect && !mLeftPressing) SendMessageW(Handle(), EM_SETSEL, 0, -1);
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  if (OnEnter) OnEnter();
  return result;
}

LRESULT TNumEdit::WmKillFocus(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  if (OnExit) OnExit();
  // Typed text is read, clamped and written anew; text that came otherwise stays.
  const double v = Value();
  if (mTextTyped || ClampToRange(v) != v) SetValue(v);
  return result;
}

LRESULT TNumEdit::WmSize(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  Layout();
  return result;
}

// A multi-line edit does not report a change made by WM_SETTEXT; the field reports every
// change of its text, whatever made it.
LRESULT TNumEdit::WmSetText(UINT msg, WPARAM wParam, LPARAM lParam) {
  mChangeReported = false;
  const LRESULT result = DefaultHandler(msg, wParam, lParam);
  if (mChangeReported) return result;
  AccNotify(EVENT_OBJECT_VALUECHANGE);
  if (OnChange) {
    const auto handler = OnChange;
    handler();  // may destroy the field: nothing touches it afterwards
  }
  return result;
}

bool TNumEdit::CommandNotify(WORD code) {
  if (code != EN_CHANGE) return false;
  mChangeReported = true;
  AccNotify(EVENT_OBJECT_VALUECHANGE);
  if (OnChange) {
    const auto handler = OnChange;
    handler();
  }
  return true;
}

// The spin button has taken its new width: the text area follows it.
void TNumEdit::DpiChanged() { Layout(); }

void TNumEdit::FontChanged() {
  Edit::FontChanged();
  Layout();
}

namespace {
// The character height of a font (the system font for none); 0 without a device context.
int LineHeight(HFONT font) {
  HDC dc = GetDC(nullptr);
  if (!dc) return 0;
  TEXTMETRICW tm{};
  HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return tm.tmHeight;
}
}  // namespace

HFONT TNumEdit::FieldFont() const {
  return Handle() ? reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0)) : nullptr;
}

int TNumEdit::MinHeight() const {
  const int fieldHeight = LineHeight(FieldFont());
  if (fieldHeight == 0) return 0;
  return NumEditMinHeight(fieldHeight, LineHeight(nullptr), GetSystemMetrics(SM_CYBORDER));
}

void TNumEdit::Layout() {
  HWND h = Handle();
  if (!h) return;
  // The window may have been sized directly: the bounds follow the window.
  RECT wr;
  GetWindowRect(h, &wr);
  MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&wr), 2);
  mBounds = Rect{wr.left, wr.top, wr.right, wr.bottom};

  const int minHeight = MinHeight();
  if (mBounds.Height() < minHeight && !mGrowingToMin) {
    // The size change this causes comes back here once; the guard keeps a window that
    // does not grow from starting it again.
    mGrowingToMin = true;
    SetBounds(mBounds.Left, mBounds.Top, mBounds.Width(), minHeight);
    mGrowingToMin = false;
    return;
  }
  if (mSpinButton) {
    const bool sunken = (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
    const Rect b = SpinButtonBounds(mBounds.Width(), mBounds.Height(), mSpinButton->Width(), sunken);
    mSpinButton->SetBounds(b.Left, b.Top, b.Width(), b.Height());
  }
  SetTextArea();
}

void TNumEdit::SetTextArea() {
  // A new font brings the edit's own margins back, which on a narrow field leave too
  // little room for three digits.
  SendMessageW(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(Scale().Px(kLeftMargin), 0));
  RECT client;
  GetClientRect(Handle(), &client);
  const int buttonWidth = mSpinButton ? mSpinButton->Width() : 0;
  const Rect area = NumEditTextArea(client.right, client.bottom, buttonWidth, LineHeight(FieldFont()));
  RECT rc{area.Left, area.Top, area.Right, area.Bottom};
  SendMessageW(Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&rc));
}

}  // namespace nox
