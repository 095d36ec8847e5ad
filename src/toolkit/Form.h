// A top-level window owned by the application's owner window (the host's window), with
// a fixed dialog border. Closing it only hides it. Release() asks for a deferred
// destruction: a message the form posts to itself makes the release due when the pending
// window messages are next processed (a form whose window is gone is due at once). A due
// release is carried out when no code of the module is on the stack any more (the
// outermost EntryScope closes) and CanReleaseNow() agrees; until then the object stays
// whole, its window or not. Free() destroys it at once: OnDestroy runs while every
// control still exists, then the window goes, then the object.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "toolkit/Control.h"

namespace nox {

class Form : public WinControl {
 public:
  // The message a form posts to itself for a deferred release.
  static constexpr UINT kReleaseMessage = WM_APP + 0x2E1;

  Form(Component* owner, const wchar_t* className, bool topmost);

  std::function<void()> OnCreate;
  std::function<void()> OnShow;
  std::function<void()> OnDestroy;

  void SetCaption(const std::wstring& caption) { SetText(caption); }
  void SetClientSize(int width, int height);
  // Centre in the work area on the first Show (later shows keep the position).
  bool CenterOnFirstShow = true;

  // Shows the form without making it modal and brings it to the front; runs OnShow when
  // it was hidden.
  void Show();
  void Hide();
  bool Showing() const;

  void Release();
  bool ReleasePending() const { return mReleasePending; }
  bool ReleaseDue() const { return mReleaseDue; }
  void Free();

 protected:
  ~Form() override;
  // Runs OnCreate: the derived form calls it once its controls exist.
  void DoCreate();
  // False while the form must not be destroyed yet (for instance during a run).
  virtual bool CanReleaseNow() const { return true; }
  // Its window is being destroyed (by Free, or with its owner): every control still exists.
  virtual void WindowDestroying() {}

  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmClose(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmPaint(UINT msg, WPARAM wParam, LPARAM lParam) override;
  virtual LRESULT WmRelease(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmDestroy(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmCtlColor(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend class Application;
  void CenterInWorkArea();
  bool mShownOnce = false;
  bool mReleasePending = false;
  bool mReleaseDue = false;
  bool mFreeing = false;
  HBRUSH mBackground = nullptr;
  COLORREF mBackgroundColor = 0;
};

}  // namespace nox
