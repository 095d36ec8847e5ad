#include "dialog/Workflow.h"

#include <cmath>
#include <cwchar>

#include "host/HostProtocol.h"

namespace nox {

const wchar_t kMsgNoImage[] = L"Please open an image.";
const wchar_t kMsgSeemsEightBit[] = L"Image seems only 8 bit, please enable the option below.";
const wchar_t kMsgRangeTooLow[] = L"Image range is too low, it must be 16 bits. See docs.";
const wchar_t kMsgNotEightBit[] = L"Please check: Image seems not 8 bit.";
const wchar_t kMsgExportFailed[] =
    L"ERROR: cannot write the temporary image file; the image is unchanged.";
const wchar_t kMsgNoResult[] =
    L"ERROR: Noxfade delivered no usable result; the image is unchanged.";
const wchar_t kMsgImageUnchanged[] = L"the image is unchanged.";
const wchar_t kMsgNoPlanes[] = L"ERROR: the host gave no image data; the image is unchanged.";

bool InRange(float x, float low, float high) {
  const double v = x;
  return v >= static_cast<double>(low) && v <= static_cast<double>(high);  // NaN: false
}

RangeCheck CheckImageRange(const float* first, int64_t sampleCount, bool eightBit) {
  float peak = 0.0f;
  for (int64_t i = 0; i < sampleCount; ++i) {
    if (static_cast<double>(first[i]) > static_cast<double>(peak)) {
      peak = first[i];
      if (static_cast<double>(peak) > kSixteenBitFloor) break;
    }
  }
  if (!eightBit && !(static_cast<double>(peak) > kSixteenBitFloor)) {
    return {false, peak, InRange(peak, 50.0f, 256.0f) ? kMsgSeemsEightBit : kMsgRangeTooLow};
  }
  if (eightBit && static_cast<double>(peak) > kEightBitCeiling) {
    return {false, peak, kMsgNotEightBit};
  }
  return {true, peak, nullptr};
}

std::wstring TempFileName(int32_t left, int32_t top, uint32_t tickCount) {
  wchar_t name[64];
  std::swprintf(name, sizeof name / sizeof name[0], L"Temp%.3d%.3d%.4d.tif",
                static_cast<int>(left % 1000), static_cast<int>(top % 1000),
                static_cast<int>((tickCount / 16u) % 10000u));
  return name;
}

BlendWeights StrengthWeights(double strength) {
  const float s = static_cast<float>(strength / 100.0);
  const float t = static_cast<float>(1.0 - static_cast<double>(s));
  return {s, t};
}

void BlendPlane(float* plane, const float* undo, int64_t sampleCount, BlendWeights w) {
  const double s = w.s, t = w.t;
  for (int64_t i = 0; i < sampleCount; ++i) {
    plane[i] = static_cast<float>(static_cast<double>(plane[i]) * s +
                                  static_cast<double>(undo[i]) * t);
  }
}

bool ShouldBlend(int64_t hostVersion, int32_t strengthInteger) {
  return hostVersion >= kFirstBlendingHostVersion && strengthInteger < 100;
}

}  // namespace nox
