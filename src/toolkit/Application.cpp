#include "toolkit/Application.h"

#include <algorithm>

#include "toolkit/Form.h"

namespace nox {

Application& Application::Instance() {
  static Application app;
  return app;
}

HINSTANCE Application::InstanceHandle() const {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&Application::Instance), &module);
  return module;
}

void Application::EnsureWindowClass(const wchar_t* name, HBRUSH background, UINT style) {
  if (std::find(mClasses.begin(), mClasses.end(), name) != mClasses.end()) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = style;
  wc.lpfnWndProc = &WinControl::StaticWndProc;
  wc.hInstance = InstanceHandle();
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  if (RegisterClassExW(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) mClasses.emplace_back(name);
}

void Application::AddForm(Form* form) {
  mForms.push_back(form);
  if (!mHook) mHook = SetWindowsHookExW(WH_GETMESSAGE, &GetMessageHook, nullptr, GetCurrentThreadId());
}

void Application::RemoveForm(Form* form) {
  mForms.erase(std::remove(mForms.begin(), mForms.end(), form), mForms.end());
  if (mForms.empty() && mHook) {
    UnhookWindowsHookEx(mHook);
    mHook = nullptr;
  }
}

bool Application::IsLive(const Form* form) const {
  return form && std::find(mForms.begin(), mForms.end(), form) != mForms.end();
}

Form* Application::ActiveForm() const {
  HWND active = GetActiveWindow();
  for (Form* f : mForms)
    if (f->Handle() && f->Handle() == active) return f;
  return nullptr;
}

bool Application::FilterKeyboard(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  for (Form* f : mForms) {
    HWND form = f->Handle();
    if (!form || !IsWindowVisible(form)) continue;
    if (msg.hwnd == form || IsChild(form, msg.hwnd)) return IsDialogMessageW(form, &msg) != FALSE;
  }
  return false;
}

LRESULT CALLBACK Application::GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && wParam == PM_REMOVE) {
    EntryScope entry;
    try {
      MSG* msg = reinterpret_cast<MSG*>(lParam);
      if (Instance().FilterKeyboard(*msg)) {
        // Already handled by the dialog manager: the host's loop gets a no-op instead.
        msg->message = WM_NULL;
        msg->wParam = 0;
        msg->lParam = 0;
      }
    } catch (...) {
      // nothing may leave a hook procedure
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void Application::ProcessMessages() {
  {
    CallerFloatScope hostState;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // Posted again when our code has returned to the host. Posting it now would wake
        // the caller's wait at once, again and again, for as long as it waits.
        mQuitKept = true;
        mQuitCode = static_cast<int>(msg.wParam);
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (mEntryDepth == 0) CarryOutDeferred();
}

void Application::PinModule() {
  if (mPinned) return;
  HMODULE module = nullptr;
  mPinned = GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                               reinterpret_cast<LPCWSTR>(&Application::Instance), &module) != FALSE;
}

void Application::CarryOutDeferred() {
  if (mEntryDepth > 0 || mCarryingOut) return;
  // Freeing a form sends it messages, which open and close scopes of their own.
  mCarryingOut = true;
  for (bool freed = true; freed;) {
    freed = false;
    for (Form* form : mForms) {
      if (form->ReleaseDue() && !form->mFreeing && form->CanReleaseNow()) {
        form->Free();  // removes itself from mForms
        freed = true;
        break;
      }
    }
  }
  mCarryingOut = false;
  if (mQuitKept) {
    mQuitKept = false;
    PostQuitMessage(mQuitCode);
  }
}

EntryScope::EntryScope() noexcept { ++Application::Instance().mEntryDepth; }

EntryScope::~EntryScope() {
  Application& app = Application::Instance();
  if (--app.mEntryDepth > 0) return;
  try {
    app.CarryOutDeferred();
  } catch (...) {
    // nothing may leave an entry point of the module
  }
}

void Application::Shutdown() {
  while (!mForms.empty()) {
    Form* f = mForms.back();
    f->Free();  // removes itself from mForms
    if (!mForms.empty() && mForms.back() == f) mForms.pop_back();
  }
  if (mHook) {
    UnhookWindowsHookEx(mHook);
    mHook = nullptr;
  }
  HINSTANCE inst = InstanceHandle();
  for (const std::wstring& name : mClasses) UnregisterClassW(name.c_str(), inst);
  mClasses.clear();
}

ModalLoop::ModalLoop(HWND owner) {
  struct Search {
    HWND owner;
    std::vector<HWND>* found;
  } search{owner, &mDisabled};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM lp) -> BOOL {
        const Search& s = *reinterpret_cast<const Search*>(lp);
        if (hwnd != s.owner && IsWindowEnabled(hwnd)) s.found->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  Application& app = Application::Instance();
  app.PinModule();
  ++app.mModalDepth;
  mHostState.emplace();
  for (HWND hwnd : mDisabled) EnableWindow(hwnd, FALSE);
}

ModalLoop::~ModalLoop() {
  Application& app = Application::Instance();
  for (auto it = mDisabled.rbegin(); it != mDisabled.rend(); ++it) {
    if (IsWindow(*it)) EnableWindow(*it, TRUE);
  }
  mHostState.reset();
  --app.mModalDepth;
  app.CarryOutDeferred();  // only when no code of ours is below this loop
}

}  // namespace nox
