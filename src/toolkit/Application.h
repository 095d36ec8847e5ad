// The toolkit's application object: one per module. It knows the owner window of our
// top-level windows (the host's window), the live forms, the window classes the module
// registered, and the keyboard filter that lets a modeless form navigate with Tab, Enter
// and Escape inside a host that runs its own message loop: a WH_GETMESSAGE hook on the
// user-interface thread, installed while any form exists, hands every keystroke meant
// for one of our forms to IsDialogMessageW before the host's loop sees it.
//
// The host may do anything from inside a loop of ours (destroy its windows, finalize and
// free the plug-in, post WM_QUIT). Two rules keep that safe:
//  - Every way into the module's code (an export, a window, hook or timer procedure)
//    opens an EntryScope. What must not happen while any of our code is on the stack, a
//    form's release and a WM_QUIT kept back by our loops, is carried out when the
//    outermost scope closes. The scope also puts the module's floating-point state in
//    force and gives the caller's back on the way out (FloatState.h); code of the host's
//    that our loops run (its windows' messages, its timers) runs under the host's state.
//  - A loop that dispatches messages from inside our code (a run, a message box, the
//    folder browser, the system's move, size, menu and scroll loops) pins the module
//    first: a FreeLibrary the host calls meanwhile cannot unmap code that is still on
//    the stack. A pinned module stays mapped until the process ends.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "toolkit/FloatState.h"

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
  // loop (the hook sees PeekMessage's messages too). A WM_QUIT is kept back, so that a
  // loop of ours goes on waiting as usual, and posted again once, when the outermost
  // EntryScope closes: the host's own loop still receives it. The host's floating-point
  // state is in force while the messages are dispatched.
  void ProcessMessages();
  bool QuitKeptBack() const { return mQuitKept; }

  // Keeps the module mapped until the process ends (see above). Cheap after the first call.
  void PinModule();
  bool ModulePinned() const { return mPinned; }

  // Number of EntryScopes open on this thread.
  int EntryDepth() const { return mEntryDepth; }

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
  friend class EntryScope;
  Application() = default;
  void AddForm(Form* form);
  void RemoveForm(Form* form);
  // With no scope open: frees every form whose release is due, then posts a kept WM_QUIT.
  void CarryOutDeferred();
  static LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam);

  HWND mOwner = nullptr;
  HHOOK mHook = nullptr;
  int mModalDepth = 0;
  int mEntryDepth = 0;
  bool mCarryingOut = false;
  bool mPinned = false;
  bool mQuitKept = false;
  int mQuitCode = 0;
  std::vector<Form*> mForms;
  std::vector<std::wstring> mClasses;
};

// One way into the module's code; see Application. Nothing of it throws.
class EntryScope {
 public:
  EntryScope() noexcept;
  ~EntryScope();
  EntryScope(const EntryScope&) = delete;
  EntryScope& operator=(const EntryScope&) = delete;

 private:
  FloatStateScope mFloatState;  // first in, last out: the deferred work runs under it
};

// Lives while a modal loop runs on the user-interface thread: a message box or a system
// dialog such as the folder browser, whose owner (given here) the loop disables itself.
// Meanwhile every other enabled top-level window of the thread, the host's and our forms,
// is disabled too, so the loop is modal to the whole thread. The module is pinned first.
// Afterwards those windows are enabled again; a release asked for meanwhile is carried
// out once the code around the loop has returned (EntryScope). From disabling the
// windows to enabling them again the host's floating-point state is in force: the loop
// runs the host's windows (our own re-enter through EntryScope).
class ModalLoop {
 public:
  explicit ModalLoop(HWND owner);
  ~ModalLoop();
  ModalLoop(const ModalLoop&) = delete;
  ModalLoop& operator=(const ModalLoop&) = delete;

 private:
  std::vector<HWND> mDisabled;
  std::optional<CallerFloatScope> mHostState;
};

}  // namespace nox
