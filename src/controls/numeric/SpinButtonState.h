// What the spin button does with the mouse and its repeat timer, free of any window:
// which arrow is held, the step multiplier from dragging, and when the repeat timer runs.
// The window class feeds it the mouse and the timer ticks and mirrors TimerEnabled and
// TimerInterval onto a real timer after each call.
//
//   idle --left press--> pressed (timer 500 ms; one click sent at the press)
//   pressed --tick, still held and captured--> repeating (timer 100 ms; a click a tick)
//   any --release, capture lost, or a tick that finds nothing held--> idle (timer off)
#pragma once

namespace nox {

enum class SpinMouseButton { Left, Right, Middle };

class SpinButtonState {
 public:
  static constexpr unsigned kFirstRepeatMs = 500;
  static constexpr unsigned kRepeatMs = 100;
  static constexpr int kDragPixelsPerStep = 18;

  // A mouse press at x on a button `width` pixels wide. Every press remembers x and
  // resets the multiplier to 1; only the left button presses an arrow (the right one
  // from x = width div 2 on) and starts the timer. True when an arrow was pressed: the
  // caller then paints, takes the capture and the focus, and sends the first click.
  bool Press(SpinMouseButton button, int x, int width);
  // Dragging while an arrow is held: DragStep() pixels (18 at 96 DPI) outward in the
  // arrow's direction raise the multiplier by one; going back lowers it to 0 and below
  // (the step reverses).
  void Move(int x);
  // The drag step in the button's pixels, so the same movement on the desk gives the same
  // multiplier at every DPI; at least 1.
  void SetDragStep(int pixels) { mDragStep = pixels > 0 ? pixels : 1; }
  int DragStep() const { return mDragStep; }
  // Mouse release or capture lost: nothing held, timer off; the multiplier stays.
  void Release();
  // A tick of the repeat timer: true when a click is due (an arrow is held and the
  // button still has the capture); otherwise the timer stops.
  bool Tick(bool captured);
  // The click handler failed during a repeat: stop repeating.
  void StopRepeat() { mTimerEnabled = false; }

  bool LeftPressed() const { return mLeftPressed; }
  bool RightPressed() const { return mRightPressed; }
  bool AnyPressed() const { return mLeftPressed || mRightPressed; }
  int StepMultiplier() const { return mStepMultiplier; }
  int PressX() const { return mPressX; }
  bool TimerEnabled() const { return mTimerEnabled; }
  unsigned TimerInterval() const { return mTimerInterval; }

 private:
  bool mLeftPressed = false;
  bool mRightPressed = false;
  int mStepMultiplier = 1;
  int mPressX = 0;
  int mDragStep = kDragPixelsPerStep;
  bool mTimerEnabled = false;
  unsigned mTimerInterval = kFirstRepeatMs;
};

}  // namespace nox
