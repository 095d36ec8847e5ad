#include "toolkit/Form.h"

#include <algorithm>

#include "toolkit/Application.h"

namespace nox {

namespace {
constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
}  // namespace

Form::Form(Component* owner, const wchar_t* className, bool topmost) : WinControl(owner, nullptr) {
  Application& app = Application::Instance();
  app.EnsureWindowClass(className, GetSysColorBrush(COLOR_BTNFACE), CS_DBLCLKS);
  HWND ownerWindow = app.OwnerWindow();
  if (ownerWindow && !IsWindow(ownerWindow)) ownerWindow = nullptr;  // the host's window is gone: unowned
  CreateHandle(className, kFormStyle, kFormExStyle | (topmost ? WS_EX_TOPMOST : 0u), ownerWindow,
               true);
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
