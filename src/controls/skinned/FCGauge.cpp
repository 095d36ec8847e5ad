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

void TMyGauge::SetMinValue(int value) {
  if (mState.MinValue == value) return;
  mState.MinValue = value;
  if (mState.Progress < value) mState.Progress = value;
  Repaint();
}

void TMyGauge::SetMaxValue(int value) {
  if (mState.MaxValue == value) return;
  mState.MaxValue = value;
  if (mState.Progress > value) mState.Progress = value;
  Repaint();
}

void TMyGauge::SetProgress(int value) {
  if (value < mState.MinValue)
    value = mState.MinValue;
  else if (value > mState.MaxValue)
    value = mState.MaxValue;
  Store(mState.Progress, value);
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
