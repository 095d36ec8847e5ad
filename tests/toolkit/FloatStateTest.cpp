// The floating-point guard of the module's boundary, under the states hosts run with.
#include <gtest/gtest.h>

#include <xmmintrin.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "toolkit/FloatState.h"

using nox::CallerFloatScope;
using nox::CurrentFloatState;
using nox::FloatState;
using nox::FloatStateScope;

namespace {

constexpr uint16_t kX87Flags = 0x3F;
constexpr uint32_t kSseFlags = 0x3F;

// Out of line, so that the compiler cannot move their arithmetic across the scopes.
//
// What the work inside the module does with bad samples: SSE compares and arithmetic that
// raise invalid, division by zero and overflow, and the x87 doing the same.
__attribute__((noipa)) double SseWork(volatile double nan, volatile double zero, volatile float big) {
  volatile double sum = 0;
  if (nan > 1.0 || nan < 1.0) sum = sum + 1;  // ordered compares signal on NaN
  sum = sum + 1.0 / zero;
  volatile float product = big * big;
  return sum + static_cast<double>(product);
}

__attribute__((noipa)) void X87Work() {
  // sqrt(-1) is invalid, 1/0 divides by zero; the stack is left empty.
  __asm__ volatile("fld1\n\tfchs\n\tfsqrt\n\tfstp %%st(0)\n\tfldz\n\tfld1\n\tfdivp\n\tfstp %%st(0)" ::: "st");
}

// x + 1.5 * 2^52 - 1.5 * 2^52: the exchange's rounding; it follows the rounding mode.
__attribute__((noipa)) double RoundShift(volatile double x) {
  volatile double shifted = x + 0x1.8p52;
  return shifted - 0x1.8p52;
}

// A host's state with the given control bits and a few flags already raised: a masked
// precision flag on the x87 and two sticky flags in MXCSR. As the processor reads it
// back (the x87 sets reserved bit 6 of its control word).
FloatState HostState(uint32_t mxcsr, uint16_t x87Control) {
  const FloatState saved = CurrentFloatState();
  FloatState state = saved;
  state.mxcsr = mxcsr | 0x21;  // IE and PE flags
  state.x87[0] = x87Control;
  // PE where it is masked (an unmasked one would be raised at the next instruction), stack empty.
  state.x87[2] = static_cast<uint16_t>((state.x87[2] & ~0x38FFu) | (x87Control & 0x20u));
  nox::SetFloatState(state);
  state = CurrentFloatState();
  nox::SetFloatState(saved);
  return state;
}

// Puts a state in force for the test's lifetime and the default back afterwards.
struct WithState {
  explicit WithState(const FloatState& state) : mSaved(CurrentFloatState()) { nox::SetFloatState(state); }
  ~WithState() { nox::SetFloatState(mSaved); }
  FloatState mSaved;
};

void ExpectSame(const FloatState& actual, const FloatState& expected, const char* where) {
  EXPECT_EQ(actual.mxcsr, expected.mxcsr) << where;
  EXPECT_EQ(actual.X87Control(), expected.X87Control()) << where;
  EXPECT_EQ(actual.X87Status() & kX87Flags, expected.X87Status() & kX87Flags) << where;
}

struct HostCase {
  const char* name;
  uint32_t mxcsr;
  uint16_t x87Control;
};

const HostCase kHosts[] = {
    {"invalid, zero divide and overflow unmasked, rounding toward zero", 0x7900, 0x1F32},
    {"toward minus infinity, flush and denormals-are-zero", 0xBF80 | 0x0040, 0x077F},
    {"every exception unmasked, 53-bit precision", 0x0000, 0x0240},
};

TEST(FloatStateTest, EveryHostStateGivesTheModulesStateInsideAndComesBackExactly) {
  for (const HostCase& c : kHosts) {
    SCOPED_TRACE(c.name);
    const FloatState host = HostState(c.mxcsr, c.x87Control);
    FloatState inside, afterwards;
    double rounded = 0;
    {
      WithState state(host);
      {
        FloatStateScope scope;
        inside = CurrentFloatState();
        SseWork(std::numeric_limits<double>::quiet_NaN(), 0.0, 3e38f);
        X87Work();
        rounded = RoundShift(1000.75) + RoundShift(-2.5);
      }
      afterwards = CurrentFloatState();
      __asm__ volatile("fwait");  // an x87 exception left pending would be raised here
    }
    EXPECT_EQ(inside.mxcsr, nox::kOwnMxcsr);
    EXPECT_EQ(inside.X87Control(), nox::kOwnX87Control);
    EXPECT_EQ(inside.X87Status() & kX87Flags, 0) << "no flag of the host's inside";
    EXPECT_EQ(rounded, 1001.0 - 2.0);
    ExpectSame(afterwards, host, "after the scope");
  }
}

// The host's code called from inside (its callback, its windows) runs under the host's
// state; what it changes there is the host's, and the module's state is back afterwards.
// Outside any entry a caller scope changes nothing.
TEST(FloatStateTest, TheCallersCodeRunsUnderItsOwnStateFromInside) {
  const FloatState host = HostState(0x7900, 0x1F32);
  FloatState outside, inCallback, between, inSecond, inNested, afterNested, afterwards;
  double callbackRounded = 0;
  {
    WithState state(host);
    {
      CallerFloatScope call;
      outside = CurrentFloatState();
    }
    {
      FloatStateScope entry;
      X87Work();  // flags of ours, masked here, that must not reach the caller
      SseWork(std::numeric_limits<double>::quiet_NaN(), 0.0, 3e38f);
      {
        FloatStateScope own;  // the module sends itself a message: still the host's state
        CallerFloatScope call;
        inCallback = CurrentFloatState();
        callbackRounded = RoundShift(1000.75);
        {
          CallerFloatScope again;  // already the caller's: nothing changes
        }
        afterNested = CurrentFloatState();
        {
          FloatStateScope nested;  // the caller enters the module again
          inNested = CurrentFloatState();
        }
        _mm_setcsr(_mm_getcsr() | 0x0040);  // the caller turns denormals-are-zero on
      }
      between = CurrentFloatState();
      {
        CallerFloatScope second;  // a later call out: the host's state as its code left it
        inSecond = CurrentFloatState();
        const uint16_t precision53 = static_cast<uint16_t>((host.X87Control() & ~0x0300u) | 0x0200u);
        __asm__ volatile("fldcw %0" : : "m"(precision53) : "memory");
      }
    }
    afterwards = CurrentFloatState();
  }
  ExpectSame(outside, host, "no entry open");
  ExpectSame(inCallback, host, "in the callback");
  EXPECT_EQ(callbackRounded, 1000.0) << "the host's rounding toward zero";
  ExpectSame(afterNested, host, "after a nested caller scope and a nested entry");
  EXPECT_EQ(inNested.mxcsr, nox::kOwnMxcsr);
  EXPECT_EQ(between.mxcsr & ~kSseFlags, nox::kOwnMxcsr) << "ours, with our own flags";
  EXPECT_EQ(between.X87Control(), nox::kOwnX87Control);
  FloatState changed = host;
  changed.mxcsr |= 0x0040;
  ExpectSame(inSecond, changed, "in a second call out");
  changed.x87[0] = static_cast<uint16_t>((host.X87Control() & ~0x0300u) | 0x0200u);
  ExpectSame(afterwards, changed, "after the entry: the host's changes kept");
}

}  // namespace
