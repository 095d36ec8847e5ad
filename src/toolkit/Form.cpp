#include "toolkit/Form.h"

#include <algorithm>

#include "toolkit/Application.h"

namespace nox {

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {
// DPIs a WM_DPICHANGED may carry; anything else is not a monitor's and is ignored.
constexpr int kLeastDpi = 24;
constexpr int kMostDpi = 96 * 16;
constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
}  // namespace

int WindowDpi(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowFn>(
                        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
  }();
  const int windowDpi = getDpiForWindow && hwnd ? static_cast<int>(getDpiForWindow(hwnd)) : 0;
  int screenDpi = 0;
  if (windowDpi <= 0) {
    if (HDC screen = GetDC(nullptr)) {
      screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
      ReleaseDC(nullptr, screen);
    }
  }
  return ShownDpi(windowDpi, screenDpi);
}

Form::Form(Component* owner, const wchar_t* className, bool topmost) : WinControl(owner, nullptr) {
  Application& app = Application::Instance();
  app.EnsureWindowClass(className, GetSysColorBrush(COLOR_BTNFACE), CS_DBLCLKS);
  HWND ownerWindow = app.OwnerWindow();
  if (ownerWindow && !IsWindow(ownerWindow)) ownerWindow = nullptr;  // the host's window is gone: unowned
  CreateHandle(className, kFormStyle, kFormExStyle | (topmost ? WS_EX_TOPMOST : 0u), ownerWindow,
               true);
  SetOwnDpi(WindowDpi(Handle()));
  Control::SetVisible(false);
  app.AddForm(this);
}

Form::~Form() {
  Application::Instance().RemoveForm(this);
  DestroyHandle();
  DestroyComponents();  // controls go while the form's own parts still exist
  if (mBackground) DeleteObject(mBackground);
}

void Form::DoCreate() {
  if (OnCreate) OnCreate();
}

void Form::SetClientSize(int width, int height) {
  RECT rc{0, 0, width, height};
  if (Handle()) {
    AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
  }
  SetBounds(Left(), Top(), rc.right - rc.left, rc.bottom - rc.top);
}

void Form::Place(Control* control, int left, int top, int width, int height) {
  if (!control) return;
  const Rect design = BoundsRect(left, top, width, height);
  mPlaced.emplace_back(control, design);
  const Rect shown = Scale().Px(design);
  control->SetBounds(shown.Left, shown.Top, shown.Width(), shown.Height());
}

void Form::SetDesignFont(const std::wstring& face, int height) {
  mFontFace = face;
  mFontHeight = height;
  SetFont(std::make_shared<nox::Font>(face, FontHeightAt(Scale())));
}

namespace {
// Children first: a parent that places its children sees their new sizes.
void NotifyDpiChanged(Control& control) {
  if (auto* w = dynamic_cast<WinControl*>(&control))
    for (Control* child : w->Controls()) NotifyDpiChanged(*child);
  control.DpiChanged();
}
}  // namespace

void Form::ApplyDpi(int dpi) {
  if (dpi == Dpi()) return;
  SetOwnDpi(dpi);
  for (Control* child : Controls()) NotifyDpiChanged(*child);
  // The font first: a control that grows to fit its font is then given its bounds.
  if (mFontHeight != 0) SetFont(std::make_shared<nox::Font>(mFontFace, FontHeightAt(Scale())));
  for (const auto& placed : mPlaced) {
    const Rect shown = Scale().Px(placed.second);
    placed.first->SetBounds(shown.Left, shown.Top, shown.Width(), shown.Height());
  }
}

// The window moved to a monitor of another DPI (or that monitor's scale changed): laid out
// again for it, in the rectangle the system suggests.
LRESULT Form::WmDpiChanged(UINT msg, WPARAM wParam, LPARAM lParam) {
  const int dpi = LOWORD(wParam);
  const auto* suggested = reinterpret_cast<const RECT*>(lParam);
  if (dpi < kLeastDpi || dpi > kMostDpi || !suggested) return DefaultHandler(msg, wParam, lParam);
  ApplyDpi(dpi);
  SetBounds(suggested->left, suggested->top, suggested->right - suggested->left,
            suggested->bottom - suggested->top);
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return 0;
}

void Form::CenterInWorkArea() {
  RECT work{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
    work = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const int left = std::max<int>(work.left, work.left + (work.right - work.left - Width()) / 2);
  const int top = std::max<int>(work.top, work.top + (work.bottom - work.top - Height()) / 2);
  SetBounds(left, top, Width(), Height());
}

bool Form::Showing() const { return Handle() && IsWindowVisible(Handle()); }

void Form::Show() {
  if (!Handle()) return;
  if (!mShownOnce) {
    mShownOnce = true;
    if (CenterOnFirstShow) CenterInWorkArea();
  }
  const bool wasHidden = !Showing();
  Control::SetVisible(true);
  ShowWindow(Handle(), SW_SHOW);
  BringWindowToTop(Handle());
  SetForegroundWindow(Handle());
  if (wasHidden && OnShow) OnShow();
}

void Form::Hide() {
  Control::SetVisible(false);
  if (Handle()) ShowWindow(Handle(), SW_HIDE);
}

void Form::Release() {
  mReleasePending = true;
  if (Handle()) {
    PostMessageW(Handle(), kReleaseMessage, 0, 0);
  } else {
    mReleaseDue = true;  // no window left to carry the message
  }
  Application::Instance().CarryOutDeferred();  // only when no code of ours is below
}

void Form::Free() {
  if (mFreeing) return;
  mFreeing = true;
  try {
    if (OnDestroy) OnDestroy();
  } catch (...) {
    // the form goes regardless
  }
  DestroyHandle();
  delete this;
}

LRESULT Form::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kReleaseMessage: return WmRelease(msg, wParam, lParam);
    case WM_DESTROY: return WmDestroy(msg, wParam, lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: return WmCtlColor(msg, wParam, lParam);
    case WM_DPICHANGED: return WmDpiChanged(msg, wParam, lParam);
    default: return WinControl::WndProc(msg, wParam, lParam);
  }
}

// Carried out when this message's dispatch has returned, or, when it arrives inside a loop
// of ours (a run, a message box), once that loop and the code around it have returned.
LRESULT Form::WmRelease(UINT, WPARAM, LPARAM) {
  if (mReleasePending) mReleaseDue = true;  // else a stale message
  return 0;
}

LRESULT Form::WmDestroy(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (mReleasePending) mReleaseDue = true;  // its message can no longer arrive
  try {
    WindowDestroying();
  } catch (...) {
    // the window goes regardless
  }
  return DefaultHandler(msg, wParam, lParam);
}

LRESULT Form::WmClose(UINT, WPARAM, LPARAM) {
  Hide();
  return 0;
}

LRESULT Form::WmPaint(UINT, WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle(), &ps);
  PaintGraphicChildren(dc);
  EndPaint(Handle(), &ps);
  return 0;
}

// Check boxes and read-only edits take the form's colour behind their text.
LRESULT Form::WmCtlColor(UINT, WPARAM wParam, LPARAM) {
  const COLORREF color = Resolve(Color());
  if (!mBackground || mBackgroundColor != color) {
    if (mBackground) DeleteObject(mBackground);
    mBackground = CreateSolidBrush(color);
    mBackgroundColor = color;
  }
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetBkColor(dc, color);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  return reinterpret_cast<LRESULT>(mBackground);
}

}  // namespace nox
