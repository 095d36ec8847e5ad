#include "toolkit/Control.h"

#include <algorithm>

#include "toolkit/AccessibleObject.h"
#include "toolkit/Application.h"
#include "toolkit/BackBuffer.h"
#include "toolkit/GdiCanvas.h"

namespace nox {

namespace {
const wchar_t kObjectProp[] = L"NoxToolkitControl";
}  // namespace

// ---- Font

Font::Font(const std::wstring& face, int height) : mFace(face), mHeight(height) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
  mHandle = CreateFontIndirectW(&lf);
}

Font::~Font() {
  if (mHandle) DeleteObject(mHandle);
}

// ---- Control

Control::Control(Component* owner, WinControl* parent) : Component(owner), mParent(parent) {
  if (mParent) mParent->mControls.push_back(this);
}

Control::~Control() {
  if (mParent) {
    auto& list = mParent->mControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void Control::SetBounds(int left, int top, int width, int height) {
  mBounds = BoundsRect(left, top, width, height);
}

void Control::SetVisible(bool visible) { mVisible = visible; }
void Control::SetEnabled(bool enabled) { mEnabled = enabled; }

TColor Control::Color() const {
  return (mParentColor && mParent) ? mParent->Color() : mColor;
}

void Control::SetColor(TColor color) {
  mColor = color;
  mParentColor = false;
  Invalidate();
}

void Control::SetParentColor(bool value) {
  mParentColor = value;
  Invalidate();
}

const Font* Control::Font() const {
  if (mParentFont && mParent) return mParent->Font();
  return mFont.get();
}

void Control::SetFont(std::shared_ptr<nox::Font> font) {
  // The font replaced goes only once no window of ours is left using it.
  const std::shared_ptr<nox::Font> replaced = std::move(mFont);
  mFont = std::move(font);
  mParentFont = false;
  FontChanged();
}

int Control::Dpi() const { return mParent ? mParent->Dpi() : mOwnDpi; }

COLORREF Control::Resolve(TColor color) {
  if (IsSystemColorRef(color)) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(PlainRgb(color));
}

// ---- GraphicControl

GraphicControl::GraphicControl(Component* owner, WinControl* parent) : Control(owner, parent) {}

void GraphicControl::SetBounds(int left, int top, int width, int height) {
  Invalidate();
  Control::SetBounds(left, top, width, height);
  Invalidate();
}

void GraphicControl::SetVisible(bool visible) {
  Control::SetVisible(visible);
  Invalidate();
}

void GraphicControl::SetEnabled(bool enabled) {
  const bool changed = enabled != Enabled();
  Control::SetEnabled(enabled);
  Invalidate();
  if (changed) AccNotify(EVENT_OBJECT_STATECHANGE);
}

void GraphicControl::Invalidate() {
  if (!Parent() || !Parent()->Handle()) return;
  const RECT rc = ToRECT(mBounds);
  InvalidateRect(Parent()->Handle(), &rc, TRUE);
}

void GraphicControl::Repaint() {
  if (!Visible() || !Parent() || !Parent()->Handle()) return;
  HWND parent = Parent()->Handle();
  HDC dc = GetDC(parent);
  if (!dc) return;
  PaintOn(dc);
  ReleaseDC(parent, dc);
}

void GraphicControl::PaintOn(HDC dc) {
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, mBounds.Left, mBounds.Top, mBounds.Right, mBounds.Bottom);
  try {
    if (Opaque()) {
      BackBuffer buffer(dc, mBounds);
      if (buffer.Valid()) {
        GdiCanvas canvas(buffer.Dc());
        if (const nox::Font* f = Font()) canvas.SetFont(f->Handle());
        Paint(canvas);
        buffer.Present();
      }
    } else {
      POINT org;
      GetViewportOrgEx(dc, &org);
      SetViewportOrgEx(dc, org.x + mBounds.Left, org.y + mBounds.Top, nullptr);
      GdiCanvas canvas(dc);
      if (const nox::Font* f = Font()) canvas.SetFont(f->Handle());
      Paint(canvas);
    }
  } catch (...) {
    // A failed paint leaves the area as far as it got; the paint cycle goes on.
  }
  RestoreDC(dc, saved);
}

// ---- WinControl

WinControl::WinControl(Component* owner, WinControl* parent) : Control(owner, parent) {}

WinControl::~WinControl() {
  DestroyHandle();
  DisconnectAccessible(*this);
  for (Control* c : mControls) c->mParent = nullptr;  // owned elsewhere; just unlink
}

WinControl* WinControl::FromHandle(HWND hwnd) {
  return hwnd ? static_cast<WinControl*>(GetPropW(hwnd, kObjectProp)) : nullptr;
}

void WinControl::CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle,
                              HWND parentOrOwner, bool ownClass) {
  HWND hwnd = CreateWindowExW(exStyle, className, L"", style, mBounds.Left, mBounds.Top,
                              mBounds.Width(), mBounds.Height(), parentOrOwner, nullptr,
                              Application::Instance().InstanceHandle(), ownClass ? this : nullptr);
  if (!hwnd) return;
  if (!ownClass) {
    mHandle = hwnd;
    SetPropW(hwnd, kObjectProp, this);
    mOldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticWndProc)));
  }
  FontChanged();
}

void WinControl::DestroyHandle() {
  if (mHandle && IsWindow(mHandle)) DestroyWindow(mHandle);  // NcDestroy clears mHandle
  mHandle = nullptr;
}

void WinControl::NcDestroy() {
  DisconnectAccessible(*this);  // a reader's object of it answers "disconnected" from now on
  if (!mHandle) return;
  RemovePropW(mHandle, kObjectProp);
  if (mOldProc) SetWindowLongPtrW(mHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mOldProc));
  mHandle = nullptr;
}

namespace {
// Messages whose default handling may run a modal loop of the system's (moving or sizing,
// the system and context menus, a scroll bar's drag) with our window procedure below it.
bool StartsSystemModalLoop(UINT msg) {
  switch (msg) {
    case WM_SYSCOMMAND:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_CONTEXTMENU:
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE: return true;
    default: return false;
  }
}
}  // namespace

LRESULT CALLBACK WinControl::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WinControl* self = FromHandle(hwnd);
  if (!self && msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    self = static_cast<WinControl*>(cs->lpCreateParams);
    if (self) {
      self->mHandle = hwnd;
      SetPropW(hwnd, kObjectProp, self);
    }
  }
  if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
  EntryScope entry;
  try {
    if (StartsSystemModalLoop(msg)) Application::Instance().PinModule();
    if (msg == WM_NCDESTROY) {
      WNDPROC old = self->mOldProc;
      self->NcDestroy();
      return old ? CallWindowProcW(old, hwnd, msg, wParam, lParam)
                 : DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    // The handler may delete `self` (a form's release): nothing touches it afterwards.
    return self->WndProc(msg, wParam, lParam);
  } catch (...) {
    // No exception may leave a window procedure: the message counts as handled.
    return 0;
  }
}

LRESULT WinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (mOldProc) return CallWindowProcW(mOldProc, mHandle, msg, wParam, lParam);
  return DefWindowProcW(mHandle, msg, wParam, lParam);
}

LRESULT WinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (IsAccActionMessage(msg)) return WmAccAction(msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT: return WmPaint(msg, wParam, lParam);
    case WM_ERASEBKGND: return WmEraseBkgnd(msg, wParam, lParam);
    case WM_COMMAND: return WmCommand(msg, wParam, lParam);
    case WM_DRAWITEM: return WmDrawItem(msg, wParam, lParam);
    case WM_CHAR: return WmChar(msg, wParam, lParam);
    case WM_GETDLGCODE: return WmGetDlgCode(msg, wParam, lParam);
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: return WmMouse(msg, wParam, lParam);
    case WM_CAPTURECHANGED: return WmCaptureChanged(msg, wParam, lParam);
    case WM_CLOSE: return WmClose(msg, wParam, lParam);
    case WM_KEYDOWN: return WmKeyDown(msg, wParam, lParam);
    case WM_KEYUP: return WmKeyUp(msg, wParam, lParam);
    case WM_SETFOCUS: return WmSetFocus(msg, wParam, lParam);
    case WM_KILLFOCUS: return WmKillFocus(msg, wParam, lParam);
    case WM_SIZE: return WmSize(msg, wParam, lParam);
    case WM_ENABLE: {
      const LRESULT result = WmEnable(msg, wParam, lParam);
      AccNotify(EVENT_OBJECT_STATECHANGE);  // available or unavailable
      return result;
    }
    case WM_GETOBJECT: return WmGetObject(msg, wParam, lParam);
    case WM_SETTEXT: return WmSetText(msg, wParam, lParam);
    case WM_UPDATEUISTATE: return WmUpdateUIState(msg, wParam, lParam);
    case WM_PRINTCLIENT: return WmPrintClient(msg, wParam, lParam);
    case WM_CANCELMODE: return WmCancelMode(msg, wParam, lParam);
    default: return DefaultHandler(msg, wParam, lParam);
  }
}

LRESULT WinControl::WmPaint(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool hasGraphic = false;
  for (Control* c : mControls) hasGraphic = hasGraphic || dynamic_cast<GraphicControl*>(c);
  if (mOldProc || !hasGraphic) return DefaultHandler(msg, wParam, lParam);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(mHandle, &ps);
  PaintGraphicChildren(dc);
  EndPaint(mHandle, &ps);
  return 0;
}

void WinControl::PaintGraphicChildren(HDC dc) {
  for (Control* c : mControls) {
    auto* g = dynamic_cast<GraphicControl*>(c);
    if (g && g->Visible()) g->PaintOn(dc);
  }
}

LRESULT WinControl::WmEraseBkgnd(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}

LRESULT WinControl::WmCommand(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (lParam) {
    if (WinControl* child = FindChild(reinterpret_cast<HWND>(lParam)))
      if (child->CommandNotify(HIWORD(wParam))) return 0;
  }
  return DefaultHandler(msg, wParam, lParam);
}

LRESULT WinControl::WmDrawItem(UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  if (item && item->CtlType == ODT_BUTTON) {
    if (WinControl* child = FindChild(item->hwndItem))
      if (child->DrawItem(*item)) return TRUE;
  }
  return DefaultHandler(msg, wParam, lParam);
}

LRESULT WinControl::WmChar(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmGetDlgCode(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmCaptureChanged(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmClose(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmKeyDown(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmKeyUp(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmSetFocus(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmKillFocus(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmSize(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmEnable(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmSetText(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmUpdateUIState(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmPrintClient(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}
LRESULT WinControl::WmCancelMode(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(msg, wParam, lParam);
}

bool WinControl::CommandNotify(WORD) { return false; }
bool WinControl::DrawItem(const DRAWITEMSTRUCT&) { return false; }

WinControl* WinControl::FindChild(HWND child) const {
  for (Control* c : mControls)
    if (auto* w = dynamic_cast<WinControl*>(c); w && w->Handle() == child) return w;
  return nullptr;
}

void WinControl::SetBounds(int left, int top, int width, int height) {
  Control::SetBounds(left, top, width, height);
  if (mHandle)
    SetWindowPos(mHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void WinControl::SetVisible(bool visible) {
  Control::SetVisible(visible);
  if (mHandle) ShowWindow(mHandle, visible ? SW_SHOWNA : SW_HIDE);
}

void WinControl::SetEnabled(bool enabled) {
  Control::SetEnabled(enabled);
  if (mHandle) EnableWindow(mHandle, enabled ? TRUE : FALSE);
}

void WinControl::Invalidate() {
  if (mHandle) InvalidateRect(mHandle, nullptr, TRUE);
}

void WinControl::Repaint() {
  if (mHandle) RedrawWindow(mHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

std::wstring WinControl::Text() const {
  if (!mHandle) return std::wstring();
  const int len = GetWindowTextLengthW(mHandle);
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  const int got = GetWindowTextW(mHandle, &text[0], len + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

void WinControl::SetText(const std::wstring& text) {
  if (mHandle) SetWindowTextW(mHandle, text.c_str());
}

int WinControl::ControlId() const {
  return mHandle ? static_cast<int>(GetWindowLongPtrW(mHandle, GWLP_ID)) : 0;
}

void WinControl::SetControlId(int id) {
  if (mHandle) SetWindowLongPtrW(mHandle, GWLP_ID, id);
}

void WinControl::SetTabOrder(int order) {
  mTabOrder = order;
  SetTabStop(true);
  if (Parent()) Parent()->ApplyTabOrder();
}

bool WinControl::TabStop() const {
  return mHandle && (GetWindowLongPtrW(mHandle, GWL_STYLE) & WS_TABSTOP) != 0;
}

void WinControl::SetTabStop(bool value) {
  if (!mHandle) return;
  LONG_PTR style = GetWindowLongPtrW(mHandle, GWL_STYLE);
  style = value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
  SetWindowLongPtrW(mHandle, GWL_STYLE, style);
}

// Keeps the windowed children's z-order in tab order (children without one follow, in
// creation order): the dialog manager walks the z-order for Tab and Shift+Tab.
void WinControl::ApplyTabOrder() {
  std::vector<WinControl*> kids;
  for (Control* c : mControls)
    if (auto* w = dynamic_cast<WinControl*>(c); w && w->Handle()) kids.push_back(w);
  std::stable_sort(kids.begin(), kids.end(), [](const WinControl* a, const WinControl* b) {
    const unsigned ka = static_cast<unsigned>(a->mTabOrder);  // -1 sorts last
    const unsigned kb = static_cast<unsigned>(b->mTabOrder);
    return ka < kb;
  });
  HWND after = HWND_TOP;
  for (WinControl* w : kids) {
    SetWindowPos(w->Handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = w->Handle();
  }
}

void WinControl::SetFocus() {
  if (mHandle) ::SetFocus(mHandle);
}

bool WinControl::Focused() const { return mHandle && GetFocus() == mHandle; }

void WinControl::SetMouseCapture(bool capture) {
  if (!mHandle) return;
  if (capture)
    SetCapture(mHandle);
  else if (GetCapture() == mHandle)
    ReleaseCapture();
}

bool WinControl::MouseCaptured() const { return mHandle && GetCapture() == mHandle; }

bool WinControl::FocusCuesHidden() const {
  if (!mHandle) return false;
  return (SendMessageW(mHandle, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
}

Size WinControl::ClientSize() const {
  RECT rc{0, 0, 0, 0};
  if (mHandle) GetClientRect(mHandle, &rc);
  return Size{rc.right - rc.left, rc.bottom - rc.top};
}

void WinControl::FontChanged() {
  if (mHandle) {
    const nox::Font* f = Font();
    SendMessageW(mHandle, WM_SETFONT, reinterpret_cast<WPARAM>(f ? f->Handle() : nullptr), TRUE);
  }
  for (Control* c : mControls)
    if (c->ParentFont()) c->FontChanged();
}

// ---- CustomControl

CustomControl::CustomControl(Component* owner, WinControl* parent)
    : CustomControl(owner, parent, ClassName(), CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS) {}

CustomControl::CustomControl(Component* owner, WinControl* parent, const wchar_t* className,
                             UINT classStyle)
    : WinControl(owner, parent) {
  Application::Instance().EnsureWindowClass(className, nullptr, classStyle);
  CreateHandle(className, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0,
               parent ? parent->Handle() : nullptr, true);
}

void CustomControl::EraseBackground(Canvas& canvas) {
  const Size size = ClientSize();
  canvas.SetBrushColor(static_cast<TColor>(Resolve(Color())));
  canvas.FillRect(Rect{0, 0, size.Width, size.Height});
}

void CustomControl::PaintTo(HDC dc) {
  const Size size = ClientSize();
  BackBuffer buffer(dc, Rect{0, 0, size.Width, size.Height});
  if (!buffer.Valid()) return;
  try {
    GdiCanvas canvas(buffer.Dc());
    if (const nox::Font* f = Font()) canvas.SetFont(f->Handle());
    EraseBackground(canvas);
    Paint(canvas);
    PaintGraphicChildren(buffer.Dc());
  } catch (...) {
    // A failed paint shows what was drawn before it failed; the paint cycle goes on.
  }
  buffer.Present();
}

LRESULT CustomControl::WmPaint(UINT, WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle(), &ps);
  if (dc) PaintTo(dc);
  EndPaint(Handle(), &ps);
  return 0;
}

LRESULT CustomControl::WmPrintClient(UINT, WPARAM wParam, LPARAM) {
  if (HDC dc = reinterpret_cast<HDC>(wParam)) PaintTo(dc);
  return 0;
}

LRESULT CustomControl::WmEraseBkgnd(UINT, WPARAM, LPARAM) { return 1; }  // PaintTo covers all

// ---- GroupBox

GroupBox::GroupBox(Component* owner, WinControl* parent) : WinControl(owner, parent) {
  CreateHandle(L"BUTTON", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | BS_GROUPBOX, 0,
               parent ? parent->Handle() : nullptr, false);
}

LRESULT GroupBox::WmEraseBkgnd(UINT, WPARAM wParam, LPARAM) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  if (!dc) return 0;
  const Size size = ClientSize();
  GdiCanvas canvas(dc);
  canvas.SetBrushColor(static_cast<TColor>(Resolve(Color())));
  canvas.FillRect(Rect{0, 0, size.Width, size.Height});
  return 1;
}

void GroupBox::SetEnabled(bool enabled) {
  WinControl::SetEnabled(enabled);
  for (Control* c : Controls()) c->Invalidate();
}

}  // namespace nox
