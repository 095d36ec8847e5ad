// TMyChkBox and TMyRadButton: self-painting check box and radio button (CheckPaint.h has
// the look). Windowed, focusable, reached with Tab; a left-button press and release inside
// the control clicks it, the space bar too. OnClick is raised exactly once per change.
// Radio buttons of one parent form a group: checking one unchecks the others.
// Other programs reach the state as a system check box's: BM_GETCHECK, BM_SETCHECK (as
// Checked from code) and BM_CLICK (as the user's click); WM_GETFONT gives the caption's font.
#pragma once

#include <functional>
#include <string>

#include "controls/skinned/CheckPaint.h"
#include "toolkit/Control.h"
#include "toolkit/ValueControls.h"

namespace nox {

enum TLeftRight { taLeftJustify, taRightJustify };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TMyCheckControl : public CustomControl, public CheckValueControl {
 public:
  // The settings store's view: Checked.
  bool ValueChecked() const override { return Checked(); }
  void SetValueChecked(bool checked) override { SetChecked(checked); }

  std::function<void()> OnClick;
  // Sees every typed character first and may change it (0 swallows it).
  std::function<void(wchar_t& key)> OnKeyPress;
  std::function<void()> OnEnter;
  std::function<void()> OnExit;

  std::wstring Caption() const { return Text(); }
  void SetCaption(const std::wstring& caption);
  bool Checked() const { return mChecked; }
  virtual void SetChecked(bool value) = 0;
  // A check box or a radio button to a screen reader; the default action clicks it.
  AccElement AccDescribe() const override;
  bool AccDoDefaultAction() override;

  // Stored only: the indicator is always at the left, there is no greyed state and State
  // does not follow Checked.
  TLeftRight Alignment() const { return mAlignment; }
  void SetAlignment(TLeftRight value) { mAlignment = value; }
  bool AllowGrayed() const { return mAllowGrayed; }
  void SetAllowGrayed(bool value) { mAllowGrayed = value; }
  TCheckBoxState State() const { return mState; }
  void SetState(TCheckBoxState value) { mState = value; }

  static const wchar_t* ClassName() { return L"TNoxCheckControl"; }

 protected:
  TMyCheckControl(Component* owner, WinControl* parent, CheckStyle style);

  // The user's click: mouse release inside, after the press.
  virtual void UserClick() = 0;
  // The space bar, after OnKeyPress.
  virtual void UserSpace() = 0;
  // Stores a new value, repaints and tells screen readers of the new state.
  void StoreChecked(bool value);
  // Raises OnClick unless a click is being held back.
  void RaiseClick();
  // Takes the focus when the control can.
  void TakeFocus();

  void Paint(Canvas& canvas) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmButtonMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmGetFont(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmMouse(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmCaptureChanged(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmCancelMode(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmChar(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmGetDlgCode(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmSetFocus(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmKillFocus(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmEnable(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmSetText(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmUpdateUIState(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // False for a radio button inside a disabled group box.
  virtual bool IndicatorEnabled() const { return true; }

  bool mChecked = false;
  bool mHoldClick = false;

 private:
  CheckStyle mStyle;
  bool mPressed = false;  // the left button went down on this control
  TLeftRight mAlignment = taRightJustify;
  bool mAllowGrayed = false;
  TCheckBoxState mState = cbUnchecked;
};

class TMyChkBox : public TMyCheckControl {
 public:
  TMyChkBox(Component* owner, WinControl* parent);
  // Stores, repaints and raises OnClick when the value changes (from code too).
  void SetChecked(bool value) override;

 protected:
  void UserClick() override;
  void UserSpace() override;
};

class TMyRadButton : public TMyCheckControl {
 public:
  TMyRadButton(Component* owner, WinControl* parent);
  // Stores and repaints when the value changes; checking unchecks the siblings and
  // raises OnClick, unchecking raises nothing.
  void SetChecked(bool value) override;

 protected:
  void UserClick() override;
  void UserSpace() override;
  LRESULT WmGetDlgCode(UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool IndicatorEnabled() const override;

 private:
  void UncheckSiblings();
};

}  // namespace nox
