// The toolkit's application object: one per module. It knows the owner window of our
// top-level windows (the host's window), the live forms, the window classes the module
// registered, and the keyboard filter that lets a modeless form navigate with Tab, Enter
// and Escape inside a host that runs its own message loop: a WH_GETMESSAGE hook on the
// user-interface thread, installed while any form exists, hands every keystroke meant
// for one of our forms to IsDialogMessageW before the host's loop sees it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace nox {

class Form;

class Application {
 public:
  static Application& Instance();

  // The module that holds the toolkit (the plug-in DLL, or a test executable).
  HINSTANCE InstanceHandle() const;
  HWND OwnerWindow() const { return mOwner; }
  void SetOwnerWindow(HWND owner) { mOwner = owner; }

  // Drains the thread's message queue: every pending message is translated and
  // dispatched; keystrokes for our forms pass the same keyboard filter as in the host's
  // loop (the hook sees PeekMessage's messages too).
  void ProcessMessages();

  // The form whose window is active, or null.
  Form* ActiveForm() const;
  const std::vector<Form*>& Forms() const { return mForms; }
  bool IsLive(const Form* form) const;

  // Registers a window class of this module once; remembered for Shutdown.
  void EnsureWindowClass(const wchar_t* name, HBRUSH background, UINT style);

  // Unloading the module: destroys every live form, removes the keyboard hook and
  // unregisters our window classes, so that no window procedure of ours outlives the
  // module's code. Call on the thread that created the forms.
  void Shutdown();

  // Keyboard filter: true when the message was meant for one of our forms and was
  // handled by it (the caller must then drop it).
  bool FilterKeyboard(MSG& msg);
  bool HookInstalled() const { return mHook != nullptr; }

 private:
  friend class Form;
  Application() = default;
  void AddForm(Form* form);
  void RemoveForm(Form* form);
  static LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam);

  HWND mOwner = nullptr;
  HHOOK mHook = nullptr;
  std::vector<Form*> mForms;
  std::vector<std::wstring> mClasses;
};

}  // namespace nox
