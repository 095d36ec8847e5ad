// The spin button's mouse and timer rules, with a simulated clock.
#include <gtest/gtest.h>

#include <vector>

#include "controls/numeric/SpinButtonState.h"

using namespace nox;

namespace {

// Runs the state through a message loop of `untilMs` milliseconds in 1 ms steps: the
// timer fires `interval` ms after it was (re)armed, as a Win32 timer does, and capture
// is lost at `captureLostAt`. Returns the times of the clicks sent.
std::vector<unsigned> ClickTimes(SpinButtonState& s, unsigned untilMs, unsigned releaseAt,
                                 unsigned captureLostAt = ~0u) {
  std::vector<unsigned> clicks;
  if (s.Press(SpinMouseButton::Left, 20, 24)) clicks.push_back(0);
  unsigned armedAt = 0;
  unsigned armedInterval = s.TimerInterval();
  bool armed = s.TimerEnabled();
  for (unsigned t = 1; t <= untilMs; ++t) {
    if (t == releaseAt) s.Release();
    armed = armed && s.TimerEnabled();
    if (armed && t - armedAt >= armedInterval) {
      if (s.Tick(t < captureLostAt)) clicks.push_back(t);
      armedAt = t;  // SetTimer with the new interval restarts the count
      armedInterval = s.TimerInterval();
      armed = s.TimerEnabled();
    }
  }
  return clicks;
}

TEST(SpinButtonState, RepeatsAfter500ThenEvery100WhileHeldAndCaptured) {
  SpinButtonState held;
  EXPECT_EQ(ClickTimes(held, 1000, 850),
            (std::vector<unsigned>{0, 500, 600, 700, 800})) << "release at 850 ends it";
  EXPECT_FALSE(held.TimerEnabled());
  EXPECT_FALSE(held.AnyPressed());

  SpinButtonState lost;
  EXPECT_EQ(ClickTimes(lost, 1000, 2000, 650), (std::vector<unsigned>{0, 500, 600}))
      << "a tick without the capture stops the timer";
  EXPECT_FALSE(lost.TimerEnabled());

  SpinButtonState quick;
  EXPECT_EQ(ClickTimes(quick, 1000, 300), (std::vector<unsigned>{0})) << "a short click";

  SpinButtonState again;  // a second press starts with the long delay again
  ClickTimes(again, 700, 650);
  EXPECT_EQ(ClickTimes(again, 700, 2000), (std::vector<unsigned>{0, 500, 600, 700}));
}

TEST(SpinButtonState, PressPicksTheArrowAndOnlyTheLeftButtonPresses) {
  struct Case {
    SpinMouseButton button;
    int x;
    bool pressed, left, right;
  };
  const Case cases[] = {
      {SpinMouseButton::Left, 0, true, true, false},
      {SpinMouseButton::Left, 11, true, true, false},
      {SpinMouseButton::Left, 12, true, false, true},  // width div 2 is the right arrow
      {SpinMouseButton::Left, 23, true, false, true},
      {SpinMouseButton::Right, 20, false, false, false},
      {SpinMouseButton::Middle, 2, false, false, false},
  };
  for (const Case& c : cases) {
    SpinButtonState s;
    s.Press(SpinMouseButton::Left, 20, 24);
    s.Move(60);  // multiplier 3 before ...
    s.Release();
    EXPECT_EQ(s.StepMultiplier(), 3) << "the multiplier outlives the release";
    EXPECT_EQ(s.Press(c.button, c.x, 24), c.pressed) << c.x;
    EXPECT_EQ(s.StepMultiplier(), 1) << "... and every press resets it";
    EXPECT_EQ(s.PressX(), c.x);
    EXPECT_EQ(s.LeftPressed(), c.left) << c.x;
    EXPECT_EQ(s.RightPressed(), c.right) << c.x;
    EXPECT_EQ(s.TimerEnabled(), c.pressed) << c.x;
  }
}

TEST(SpinButtonState, DraggingSetsTheMultiplier) {
  struct Case {
    int pressX, moveX, multiplier;
  };
  // Right arrow pressed at 16 (of 24), left arrow at 4.
  const Case cases[] = {
      {16, 52, 3},  {16, 33, 1},  {16, 34, 2}, {16, -2, 0}, {16, -20, -1},
      {16, -2000, -111},  // far left of the control: signed, no huge multiplier
      {4, -32, 3},  {4, 22, 0},   {4, 40, -1},
  };
  for (const Case& c : cases) {
    SpinButtonState s;
    ASSERT_TRUE(s.Press(SpinMouseButton::Left, c.pressX, 24));
    s.Move(c.moveX);
    EXPECT_EQ(s.StepMultiplier(), c.multiplier) << c.pressX << " to " << c.moveX;
  }
  SpinButtonState idle;
  idle.Press(SpinMouseButton::Right, 16, 24);
  idle.Move(100);
  EXPECT_EQ(idle.StepMultiplier(), 1) << "moving without a held arrow changes nothing";
}

}  // namespace
