// The floating-point control state at the module's boundary. The plug-in runs on the
// host's thread, and a host may run with exceptions unmasked (invalid operation, division
// by zero, overflow) or with another rounding mode: a NaN compared, a large sample scaled
// or a fraction rounded would then crash the host or change the exchanged samples. So:
//  - FloatStateScope, opened at every way into the module's code (EntryScope carries it),
//    keeps the caller's state and puts the module's own in force: every exception masked,
//    rounding to the nearest, no flushing of subnormals, SSE and x87 alike. On the way out
//    the caller's state comes back exactly, its flags included; nothing the module's work
//    left pending can fire under the caller's masks afterwards.
//  - CallerFloatScope, opened around code of the caller's that runs from inside ours (its
//    callback, its windows' messages dispatched by our loops), puts the caller's state
//    back in force meanwhile, and the module's own again afterwards; whatever the caller's
//    code changed in its state (a mask, a flag) is what the caller gets back when the
//    scope it entered through closes. Scopes opened by the module's own code calling
//    itself (a message sent to one of its windows) keep to the caller's state of the
//    scope outside them.
// Portable x86-64 code (SSE MXCSR and the x87 environment), per thread; nothing throws.
#pragma once

#include <cstdint>

namespace nox {

// One thread's floating-point control state: MXCSR and the x87 environment as fnstenv
// stores it (control word, status word, tag word, last instruction and operand).
struct FloatState {
  uint32_t mxcsr = 0;
  uint16_t x87[14] = {};

  uint16_t X87Control() const { return x87[0]; }
  uint16_t X87Status() const { return x87[2]; }
};

// The module's own state.
constexpr uint32_t kOwnMxcsr = 0x1F80;        // all six exceptions masked, nearest, no flags
constexpr uint16_t kOwnX87Control = 0x037F;   // all masked, nearest, 64-bit precision

// The state in force (reading it changes nothing).
FloatState CurrentFloatState() noexcept;
// Puts `state` in force exactly; x87 flags of the current state do not survive it.
void SetFloatState(const FloatState& state) noexcept;

class FloatStateScope {
 public:
  FloatStateScope() noexcept;
  ~FloatStateScope();
  FloatStateScope(const FloatStateScope&) = delete;
  FloatStateScope& operator=(const FloatStateScope&) = delete;

 private:
  friend class CallerFloatScope;
  FloatState mCaller;
  FloatStateScope* mOuter;
  FloatStateScope* mHostEntry;  // this, or the outer scope whose caller is the host's code
  bool mCallerInForce = false;  // a CallerFloatScope of this entry is open
};

// Does nothing when no FloatStateScope is open on the thread, or when the caller's state
// is in force already.
class CallerFloatScope {
 public:
  CallerFloatScope() noexcept;
  ~CallerFloatScope();
  CallerFloatScope(const CallerFloatScope&) = delete;
  CallerFloatScope& operator=(const CallerFloatScope&) = delete;

 private:
  FloatStateScope* mEntry;
};

}  // namespace nox
