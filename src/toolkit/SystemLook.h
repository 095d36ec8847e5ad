// The system's colours and metrics as painters and controls see them. Painters never ask
// the operating system themselves: they read CurrentSystemLook(), which is the platform's
// own look (GetSysColor and GetSystemMetrics on Windows, a fixed light scheme elsewhere)
// unless a test or a tool has installed a look of its own.
#pragma once

#include <map>

#include "toolkit/Color.h"

namespace nox {

// System colour indices (the values of Windows' COLOR_ constants).
constexpr int kSysColorWindow = 5;
constexpr int kSysColorBtnShadow = 16;
constexpr int kSysColorGrayText = 17;
constexpr int kSysColorHighlight = 13;
constexpr int kSysColorHighlightText = 14;
constexpr int kSysColorBtnHighlight = 20;
// System metric indices (the values of Windows' SM_ constants).
constexpr int kSysMetricMenuCheckWidth = 71;   // SM_CXMENUCHECK
constexpr int kSysMetricMenuCheckHeight = 72;  // SM_CYMENUCHECK

class SystemLook {
 public:
  virtual ~SystemLook() = default;
  // The colour of a system colour index (0..30) as a plain 0x00BBGGRR value.
  virtual TColor Color(int index) const = 0;
  virtual int Metric(int index) const = 0;
};

// A look of fixed values. A new one holds a light scheme: button face 0xF0F0F0, shadow
// 0xA0A0A0, window white, text black, grey text 0x6D6D6D, highlight 0xD77800 with white
// text, menu check marks 13 x 13; every other colour black and every other metric 0.
class FixedSystemLook : public SystemLook {
 public:
  FixedSystemLook();
  TColor Color(int index) const override;
  int Metric(int index) const override;
  void SetColor(int index, TColor color) { mColors[index & 0xFF] = PlainRgb(color); }
  void SetMetric(int index, int value) { mMetrics[index] = value; }

 private:
  std::map<int, TColor> mColors;
  std::map<int, int> mMetrics;
};

// The look in force: the installed one, or the platform's own.
const SystemLook& CurrentSystemLook();
// The platform's own look, whatever is installed.
const SystemLook& PlatformSystemLook();
// Installs a look (not owned; null goes back to the platform's). Returns the one it replaced.
const SystemLook* InstallSystemLook(const SystemLook* look);

// Installs a look for the lifetime of the object and puts back the previous one after.
class ScopedSystemLook {
 public:
  explicit ScopedSystemLook(const SystemLook& look) : mPrevious(InstallSystemLook(&look)) {}
  ~ScopedSystemLook() { InstallSystemLook(mPrevious); }
  ScopedSystemLook(const ScopedSystemLook&) = delete;
  ScopedSystemLook& operator=(const ScopedSystemLook&) = delete;

 private:
  const SystemLook* mPrevious;
};

}  // namespace nox
