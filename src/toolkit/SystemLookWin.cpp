// The platform's own look on Windows: the live system colours and metrics.
#include <windows.h>

#include "toolkit/SystemLook.h"

namespace nox {

namespace {
class WindowsSystemLook : public SystemLook {
 public:
  TColor Color(int index) const override {
    return PlainRgb(static_cast<TColor>(GetSysColor(index & 0xFF)));
  }
  int Metric(int index) const override { return GetSystemMetrics(index); }
};
}  // namespace

const SystemLook& PlatformSystemLook() {
  static const WindowsSystemLook look;
  return look;
}

}  // namespace nox
