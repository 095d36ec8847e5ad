#include "controls/skinned/FCGauge.h"

namespace nox {

TMyGauge::TMyGauge(Component* owner, WinControl* parent) : GraphicControl(owner, parent) {
  SetBounds(0, 0, 200, 20);
}

template <typename T>
void TMyGauge::Store(T& field, T value) {
  if (field == value) return;
  field = value;
  Repaint();
}

// Screen readers hear of a new percentage once per whole percent, as the gauge shows it.
void TMyGauge::TellIfValueChanged(const std::wstring& before) const {
  if (GaugeText(mState) != before) AccNotify(EVENT_OBJECT_VALUECHANGE);
}

void TMyGauge::SetMinValue(int value) {
  if (mState.MinValue == value) return;
  const std::wstring before = GaugeText(mState);
  mState.MinValue = value;
  if (mState.Progress < value) mState.Progress = value;
  Repaint();
  TellIfValueChanged(before);
}

void TMyGauge::SetMaxValue(int value) {
  if (mState.MaxValue == value) return;
  const std::wstring before = GaugeText(mState);
  mState.MaxValue = value;
  if (mState.Progress > value) mState.Progress = value;
  Repaint();
  TellIfValueChanged(before);
}

void TMyGauge::SetProgress(int value) {
  if (value < mState.MinValue)
    value = mState.MinValue;
  else if (value > mState.MaxValue)
    value = mState.MaxValue;
  const std::wstring before = GaugeText(mState);
  Store(mState.Progress, value);
  TellIfValueChanged(before);
}

AccElement TMyGauge::AccDescribe() const {
  return Describe(AccRole::ProgressBar, AccName(), GaugeText(mState), AccFieldFacts(), Bounds());
}

void TMyGauge::SetShowText(bool value) { Store(mState.ShowText, value); }
void TMyGauge::SetForeColor(TColor value) { Store(mState.ForeColor, value); }
void TMyGauge::SetForeIncrColor(TColor value) { Store(mState.ForeIncrColor, value); }
void TMyGauge::SetBackColor(TColor value) { Store(mState.BackColor, value); }

void TMyGauge::Paint(Canvas& canvas) {
  const nox::Font* f = Font();
  const TColor text = static_cast<TColor>(Resolve(f ? f->Color : kClWindowText));
  PaintGauge(canvas, Width(), Height(), mState, text, Scale());
}

}  // namespace nox
