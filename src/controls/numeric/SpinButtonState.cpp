#include "controls/numeric/SpinButtonState.h"

namespace nox {

bool SpinButtonState::Press(SpinMouseButton button, int x, int width) {
  mPressX = x;
  mStepMultiplier = 1;
  if (button != SpinMouseButton::Left) return false;
  mLeftPressed = x < width / 2;
  mRightPressed = !mLeftPressed;
  mTimerInterval = kFirstRepeatMs;
  mTimerEnabled = true;
  return true;
}

void SpinButtonState::Move(int x) {
  if (!AnyPressed()) return;
  // 64-bit: a pointer far outside the screen cannot overflow the difference.
  long long d = static_cast<long long>(x) - mPressX;
  if (mLeftPressed) d = -d;
  mStepMultiplier = static_cast<int>(d / mDragStep + 1);  // truncates toward zero
}

void SpinButtonState::Release() {
  mLeftPressed = false;
  mRightPressed = false;
  mTimerEnabled = false;
}

bool SpinButtonState::Tick(bool captured) {
  mTimerInterval = kRepeatMs;
  if (AnyPressed() && captured) return true;
  mTimerEnabled = false;
  return false;
}

}  // namespace nox
