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

  // A modal loop of ours (ModalLoop) is running on this thread.
  bool InModalLoop() const { return mModalDepth > 0; }

 private:
  friend class Form;
  friend class ModalLoop;
  Application() = default;
  void AddForm(Form* form);
  void RemoveForm(Form* form);
  static LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam);

  HWND mOwner = nullptr;
  HHOOK mHook = nullptr;
  int mModalDepth = 0;
  std::vector<Form*> mForms;
  std::vector<std::wstring> mClasses;
};

// Lives while a modal loop runs on the user-interface thread: a message box or a system
// dialog such as the folder browser, whose owner (given here) the loop disables itself.
// Meanwhile every other enabled top-level window of the thread, the host's and our forms,
// is disabled too, so the loop is modal to the whole thread, and no form of ours is
// released by a message the loop dispatches. Afterwards those windows are enabled again
// and a release asked for meanwhile is posted again, to be carried out once the code
// around the loop has returned.
class ModalLoop {
 public:
  explicit ModalLoop(HWND owner);
  ~ModalLoop();
  ModalLoop(const ModalLoop&) = delete;
  ModalLoop& operator=(const ModalLoop&) = delete;

 private:
  std::vector<HWND> mDisabled;
};

}  // namespace nox
