#include "toolkit/Timer.h"

#include "toolkit/Application.h"

#include <map>

namespace nox {

namespace {
std::map<UINT_PTR, Timer*>& LiveTimers() {
  static std::map<UINT_PTR, Timer*> timers;
  return timers;
}
}  // namespace

Timer::Timer(Component* owner) : Component(owner) {}

Timer::~Timer() {
  mEnabled = false;
  Update();
}

void Timer::SetInterval(unsigned ms) {
  mInterval = ms;
  Update();
}

void Timer::SetEnabled(bool enabled) {
  mEnabled = enabled;
  Update();
}

void Timer::Update() {
  if (mId) {
    KillTimer(nullptr, mId);
    LiveTimers().erase(mId);
    mId = 0;
  }
  if (mEnabled && mInterval > 0) {
    mId = SetTimer(nullptr, 0, mInterval, &TimerProc);
    if (mId) LiveTimers()[mId] = this;
  }
}

void CALLBACK Timer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  EntryScope entry;
  try {
    auto it = LiveTimers().find(id);
    if (it == LiveTimers().end() || !it->second->OnTimer) return;
    // A copy: the handler may destroy the timer (and its owner) while it runs.
    const auto handler = it->second->OnTimer;
    handler();
  } catch (...) {
    // nothing may leave a timer callback
  }
}

}  // namespace nox
