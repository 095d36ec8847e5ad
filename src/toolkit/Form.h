// A top-level window owned by the application's owner window (the host's window), with
// a fixed dialog border. Closing it only hides it. Release() asks for a deferred
// destruction: a message the form posts to itself, carried out when the pending window
// messages are next processed, unless CanReleaseNow() says no or a modal loop of ours runs
// (then it is remembered and Release() is called again when the form can go; ModalLoop does
// so after its loop). Free() destroys it at once:
// OnDestroy runs while every control still exists, then the window goes, then the object.
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
  void Free();

 protected:
  ~Form() override;
  // Runs OnCreate: the derived form calls it once its controls exist.
  void DoCreate();
  // False while the form must not be destroyed yet (for instance during a run).
  virtual bool CanReleaseNow() const { return true; }

  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmClose(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmPaint(UINT msg, WPARAM wParam, LPARAM lParam) override;
  virtual LRESULT WmRelease(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmCtlColor(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  void CenterInWorkArea();
  bool mShownOnce = false;
  bool mReleasePending = false;
  bool mFreeing = false;
  HBRUSH mBackground = nullptr;
  COLORREF mBackgroundColor = 0;
};

}  // namespace nox
