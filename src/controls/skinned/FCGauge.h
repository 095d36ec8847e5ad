// TMyGauge: a horizontal progress gauge without a window of its own. It paints every pixel
// of its bounds on its parent's surface (GaugePaint.h has the look). Each setter that stores
// a new value repaints at once, synchronously, so the bar moves even while the caller keeps
// the message loop waiting.
#pragma once

#include <string>

#include "controls/skinned/GaugePaint.h"
#include "toolkit/Control.h"

namespace nox {

class TMyGauge : public GraphicControl {
 public:
  // A new gauge is 200 x 20 pixels.
  TMyGauge(Component* owner, WinControl* parent);

  int MinValue() const { return mState.MinValue; }
  // Raises Progress to the new minimum when it lies below it.
  void SetMinValue(int value);
  int MaxValue() const { return mState.MaxValue; }
  // Lowers Progress to the new maximum when it lies above it.
  void SetMaxValue(int value);
  int Progress() const { return mState.Progress; }
  // Kept within MinValue and MaxValue (MinValue first).
  void SetProgress(int value);
  bool ShowText() const { return mState.ShowText; }
  void SetShowText(bool value);
  TColor ForeColor() const { return mState.ForeColor; }
  void SetForeColor(TColor value);
  TColor ForeIncrColor() const { return mState.ForeIncrColor; }
  void SetForeIncrColor(TColor value);
  TColor BackColor() const { return mState.BackColor; }
  void SetBackColor(TColor value);
  // Subtracted per channel from BackColor; writing it repaints nothing by itself.
  int BackShade() const { return mState.BackShade; }
  void SetBackShade(int value) { mState.BackShade = value; }

  void Paint(Canvas& canvas) override;
  bool Opaque() const override { return true; }
  // A progress bar whose value is the "N%" it shows; a change of it is told.
  AccElement AccDescribe() const override;

 private:
  void TellIfValueChanged(const std::wstring& before) const;
  template <typename T>
  void Store(T& field, T value);

  GaugeState mState;
};

}  // namespace nox
