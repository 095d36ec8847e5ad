// A timer component: while Enabled and with an Interval above 0, OnTimer runs every
// Interval milliseconds, from the thread's message loop (the host's or ProcessMessages).
#pragma once

#include <windows.h>

#include <functional>

#include "toolkit/Component.h"

namespace nox {

class Timer : public Component {
 public:
  explicit Timer(Component* owner);
  ~Timer() override;

  std::function<void()> OnTimer;
  unsigned Interval() const { return mInterval; }
  void SetInterval(unsigned ms);
  bool Enabled() const { return mEnabled; }
  void SetEnabled(bool enabled);

 private:
  void Update();
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);

  unsigned mInterval = 1000;
  bool mEnabled = false;
  UINT_PTR mId = 0;
};

}  // namespace nox
