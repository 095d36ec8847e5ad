#include "toolkit/SystemLook.h"

namespace nox {

namespace {
const SystemLook* gInstalled = nullptr;
}  // namespace

FixedSystemLook::FixedSystemLook() {
  mColors[kSysColorWindow] = 0xFFFFFF;
  mColors[kSysColorWindowText] = 0x000000;
  mColors[kSysColorHighlight] = 0xD77800;
  mColors[kSysColorHighlightText] = 0xFFFFFF;
  mColors[kSysColorBtnFace] = 0xF0F0F0;
  mColors[kSysColorBtnShadow] = 0xA0A0A0;
  mColors[kSysColorGrayText] = 0x6D6D6D;
  mColors[kSysColorBtnHighlight] = 0xFFFFFF;
  mMetrics[kSysMetricMenuCheckWidth] = 13;
  mMetrics[kSysMetricMenuCheckHeight] = 13;
}

TColor FixedSystemLook::Color(int index) const {
  const auto it = mColors.find(index & 0xFF);
  return it == mColors.end() ? kClBlack : it->second;
}

int FixedSystemLook::Metric(int index) const {
  const auto it = mMetrics.find(index);
  return it == mMetrics.end() ? 0 : it->second;
}

const SystemLook& CurrentSystemLook() { return gInstalled ? *gInstalled : PlatformSystemLook(); }

const SystemLook* InstallSystemLook(const SystemLook* look) {
  const SystemLook* previous = gInstalled;
  gInstalled = look;
  return previous;
}

#ifndef _WIN32
// Elsewhere the platform has no scheme of its own: the fixed light one stands in.
const SystemLook& PlatformSystemLook() {
  static const FixedSystemLook look;
  return look;
}
#endif

}  // namespace nox
