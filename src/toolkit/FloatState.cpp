#include "toolkit/FloatState.h"

#if !defined(__x86_64__)
#error "the floating-point guard is written for x86-64 (SSE and x87)"
#endif

#include <xmmintrin.h>

namespace nox {

namespace {

thread_local FloatStateScope* tInnermost = nullptr;

// fnstenv stores the environment and then masks every x87 exception; the caller puts a
// control word back.
void StoreX87(uint16_t (&env)[14]) { __asm__ volatile("fnstenv %0" : "=m"(env) : : "memory"); }

// Loading the whole environment replaces the status word too: flags raised under the
// module's masks are gone before the caller's control word is in force, so no waiting
// x87 instruction of the caller's finds an unmasked exception pending from us.
void LoadX87(const uint16_t (&env)[14]) { __asm__ volatile("fldenv %0" : : "m"(env) : "memory"); }

// The module's own state. fnclex comes before fldcw, whatever the masks in force.
void SetOwnState() {
  _mm_setcsr(kOwnMxcsr);
  const uint16_t control = kOwnX87Control;
  __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(control) : "memory");
}

}  // namespace

FloatState CurrentFloatState() noexcept {
  FloatState state;
  state.mxcsr = _mm_getcsr();
  StoreX87(state.x87);
  LoadX87(state.x87);  // undoes fnstenv's masking
  return state;
}

void SetFloatState(const FloatState& state) noexcept {
  _mm_setcsr(state.mxcsr);
  LoadX87(state.x87);
}

FloatStateScope::FloatStateScope() noexcept : mOuter(tInnermost) {
  // Entered from the module's own code (a message it sends to one of its windows), the
  // host's state is still the one its outer scope keeps; entered from the caller's code
  // run from inside (a CallerFloatScope is open), it is the state in force now.
  mHostEntry = mOuter && !mOuter->mHostEntry->mCallerInForce ? mOuter->mHostEntry : this;
  mCaller.mxcsr = _mm_getcsr();
  StoreX87(mCaller.x87);
  SetOwnState();
  tInnermost = this;
}

FloatStateScope::~FloatStateScope() {
  tInnermost = mOuter;
  SetFloatState(mCaller);
}

CallerFloatScope::CallerFloatScope() noexcept : mEntry(tInnermost ? tInnermost->mHostEntry : nullptr) {
  if (mEntry && mEntry->mCallerInForce) mEntry = nullptr;
  if (!mEntry) return;
  mEntry->mCallerInForce = true;
  SetFloatState(mEntry->mCaller);
}

CallerFloatScope::~CallerFloatScope() {
  if (!mEntry) return;
  mEntry->mCallerInForce = false;
  mEntry->mCaller.mxcsr = _mm_getcsr();
  StoreX87(mEntry->mCaller.x87);
  SetOwnState();
}

}  // namespace nox
