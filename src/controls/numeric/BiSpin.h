// The numeric field and its spin button.
//  - TBiButton: two arrow buttons side by side (left: step down, right: step up). A left
//    press sends a click at once, holding repeats it after 500 ms and then every 100 ms
//    while the button keeps the mouse capture, and dragging sideways sets the step
//    multiplier. It paints itself (SpinPainter) in the system's colours.
//  - TNumEdit: a one-line field for a floating-point number with a TBiButton inside its
//    right edge. The value lives only in the text: reading Value parses and clamps it,
//    writing Value formats it. Up/Down keys, the wheel and the arrows step it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "controls/numeric/NumericText.h"
#include "controls/numeric/SpinButtonState.h"
#include "toolkit/StdControls.h"
#include "toolkit/Timer.h"

namespace nox {

class TBiButton : public CustomControl {
 public:
  static constexpr int kDefaultWidth = 24;
  static constexpr int kDefaultHeight = 16;

  TBiButton(Component* owner, WinControl* parent);
  ~TBiButton() override;

  // Called once per press and once per repeat, with the button as sender. The handler
  // may destroy the button: nothing touches it afterwards.
  std::function<void(TBiButton& sender)> OnButtonClick;
  // A screen reader pressed one arrow (up: the right one); the same rule holds.
  std::function<void(bool up)> OnArrowPress;

  bool DrawGradient() const { return mDrawGradient; }
  void SetDrawGradient(bool value);
  // The control that gets the focus when an arrow is pressed; reads null once that
  // control's window is gone.
  WinControl* FocusControl() const;
  void SetFocusControl(WinControl* control);

  bool LeftPressed() const { return mState.LeftPressed(); }
  bool RightPressed() const { return mState.RightPressed(); }
  int StepMultiplier() const { return mState.StepMultiplier(); }
  int PressX() const { return mState.PressX(); }
  // The repeat timer, once a press created it (for tests and diagnostics).
  const Timer* RepeatTimer() const { return mRepeatTimer; }
  // Pixels of sideways drag per step of the multiplier (18 at 96 DPI).
  int DragStep() const { return mState.DragStep(); }
  void DpiChanged() override;

  // To a screen reader: a spin button named as its field, with the two arrows "Down"
  // (part 1, the left one) and "Up" (part 2) as push buttons.
  AccElement AccDescribe() const override;
  int AccPartCount() const override { return 2; }
  AccElement AccDescribePart(int part) const override;
  bool AccDoPartAction(int part) override;

 protected:
  void Paint(Canvas& canvas) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmOtherButtonDown(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmMouseMove(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmCaptureChanged(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmCancelMode(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void ReleaseArrow();
  void SyncTimer();
  void RepeatTick();
  void GiveFocus();
  void SendClick();

  SpinButtonState mState;
  bool mDrawGradient = false;
  Timer* mRepeatTimer = nullptr;  // owned as a component
  WinControl* mFocusControl = nullptr;
  HWND mFocusHandle = nullptr;
  std::shared_ptr<bool> mAlive = std::make_shared<bool>(true);
};

class TNumEdit : public Edit {
 public:
  TNumEdit(Component* owner, WinControl* parent);
  ~TNumEdit() override;
  // Edit's margins inside the text area: a little room on the left, none on the right
  // (the text area already keeps 2 pixels from the button).
  static constexpr int kLeftMargin = 2;

  bool AlwaysSign() const { return mFormat.AlwaysSign; }
  void SetAlwaysSign(bool value) { mFormat.AlwaysSign = value; }
  bool AlwaysInteger() const { return mAlwaysInteger; }
  void SetAlwaysInteger(bool value) { mAlwaysInteger = value; }
  bool ChangeOnWheel() const { return mChangeOnWheel; }
  void SetChangeOnWheel(bool value) { mChangeOnWheel = value; }
  bool EditorEnabled() const { return mEditorEnabled; }
  void SetEditorEnabled(bool value) { mEditorEnabled = value; }
  double Increment() const { return mIncrement; }
  void SetIncrement(double value) { mIncrement = value; }
  int Precision() const { return mFormat.Precision; }
  void SetPrecision(int value);  // a new value rewrites the text
  int Decimals() const { return mFormat.Decimals; }
  void SetDecimals(int value);   // kept within 0..30; a new value rewrites the text
  double MaxValue() const { return mMaxValue; }
  void SetMaxValue(double value) { mMaxValue = value; }
  double MinValue() const { return mMinValue; }
  void SetMinValue(double value) { mMinValue = value; }
  double ErrValue() const { return mErrValue; }
  void SetErrValue(double value) { mErrValue = value; }
  bool BeepError() const { return mBeepError; }
  void SetBeepError(bool value) { mBeepError = value; }
  bool AutoSelect() const { return mAutoSelect; }
  void SetAutoSelect(bool value) { mAutoSelect = value; }
  bool ReadOnly() const;
  void SetReadOnly(bool value);

  // The text as a number (ErrValue when it is not one), clamped; never changes the text.
  double Value() const;
  // Formats the value, clamped, into the text; a value that is not finite is refused.
  void SetValue(double value);
  int64_t IntegerValue() const { return RoundedIntegerValue(Value()); }
  double ClampToRange(double x) const { return nox::ClampToRange(x, mMinValue, mMaxValue); }
  void StepUp() { Step(true); }
  void StepDown() { Step(false); }

  TBiButton* SpinButton() const { return mSpinButton; }
  bool TextTyped() const { return mTextTyped; }
  // The spin button follows the field's state.
  void SetEnabled(bool enabled) override;
  void DpiChanged() override;

  std::function<void(TNumEdit& sender)> OnConfirm;      // Enter pressed in the field
  std::function<void(TNumEdit& sender)> OnIncDecClick;  // replaces the built-in step
  std::function<void()> OnChange;
  std::function<void()> OnEnter;
  std::function<void()> OnExit;

  virtual bool IsAcceptedChar(wchar_t ch) const;
  virtual void SpinButtonClick(TBiButton& sender);

 protected:
  // With further edit styles (ES_NOHIDESEL, for instance).
  TNumEdit(Component* owner, WinControl* parent, DWORD extraStyle);
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmChar(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmGetDlgCode(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmKeyDown(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmMouseWheel(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmCut(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmPaste(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmSetFocus(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmKillFocus(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmSize(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmSetText(UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool CommandNotify(WORD code) override;
  void FontChanged() override;

 private:
  void Step(bool up);
  bool EditingAllowed() const { return mEditorEnabled && !ReadOnly(); }
  HFONT FieldFont() const;  // the edit's font; null for the system font
  int MinHeight() const;
  void Layout();
  void SetTextArea();
  void Beep() const;

  NumberFormat mFormat;
  bool mAlwaysInteger = false;
  bool mChangeOnWheel = true;
  bool mEditorEnabled = true;
  double mIncrement = 0.5;
  double mMaxValue = 0;
  double mMinValue = 0;
  double mErrValue = 0;
  bool mBeepError = false;
  bool mAutoSelect = true;
  bool mTextTyped = false;
  bool mLeftPressing = false;   // inside a left press on the field (focus comes from it)
  bool mGrowingToMin = false;   // inside the size change that grows to the minimum height
  bool mChangeReported = false; // the edit reported the change of the text being set
  TBiButton* mSpinButton = nullptr;  // owned as a component
};

// The user's decimal separator, as the field works with it (see UsableSeparator).
wchar_t UserDecimalSeparator();

}  // namespace nox
