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
#include <utility>
#include <vector>

#include "toolkit/Control.h"

namespace nox {

// The DPI a window is shown at: the window's own where the system can say it (per-monitor
// DPI, looked up at run time so that older systems load us too), else the system's
// (GetDeviceCaps LOGPIXELSY). A program that is not DPI-aware gets 96.
int WindowDpi(HWND hwnd);

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

  // Layout made at 96 DPI, shown at the form's DPI (WindowDpi when the form was created,
  // and the new one with each WM_DPICHANGED). Place gives a control its bounds at 96 DPI
  // (the form keeps them for a later change of DPI: a placed control lives as long as the
  // form); SetDesignFont the form's font with its character height at 96 DPI (negative,
  // as LOGFONT's lfHeight).
  void Place(Control* control, int left, int top, int width, int height);
  void SetDesignFont(const std::wstring& face, int height);
  // Lays the form out again for another DPI: every control adjusts itself, the font is
  // made again and each placed control gets its bounds. The window's own size is the
  // caller's (WM_DPICHANGED: the rectangle the system suggests).
  void ApplyDpi(int dpi);
  // The design font's character height at a scale (the scaled design height unless a form
  // fits it to its texts).
  virtual int FontHeightAt(const DpiScale& scale) const { return scale.Px(mFontHeight); }
  const std::wstring& FontFace() const { return mFontFace; }
  int DesignFontHeight() const { return mFontHeight; }
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
  virtual LRESULT WmDpiChanged(UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  friend class Application;
  void CenterInWorkArea();
  bool mShownOnce = false;
  bool mReleasePending = false;
  bool mReleaseDue = false;
  bool mFreeing = false;
  HBRUSH mBackground = nullptr;
  COLORREF mBackgroundColor = 0;
  std::vector<std::pair<Control*, Rect>> mPlaced;  // bounds at 96 DPI
  std::wstring mFontFace;
  int mFontHeight = 0;  // at 96 DPI; 0: no design font
};

}  // namespace nox
