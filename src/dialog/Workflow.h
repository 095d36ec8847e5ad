// Decisions of the Start workflow that need no window: the range check of the host's
// image, the temporary file names and the blend of the result with the undo copy.
#pragma once

#include <cstdint>
#include <string>

namespace nox {

// Log lines of the workflow; each replaces the whole log.
extern const wchar_t kMsgNoImage[];         // "Please open an image."
extern const wchar_t kMsgSeemsEightBit[];   // 16-bit mode, peak within 50..256
extern const wchar_t kMsgRangeTooLow[];     // 16-bit mode, any other low peak
extern const wchar_t kMsgNotEightBit[];     // 8-bit mode, peak above 259
// Our own lines for a run whose result cannot be used (the image is left as it was).
extern const wchar_t kMsgExportFailed[];
extern const wchar_t kMsgNoResult[];
extern const wchar_t kMsgImageUnchanged[];  // appended to the denoiser's exit-code line
extern const wchar_t kMsgNoPlanes[];        // the host gave no sample planes

constexpr double kSixteenBitFloor = 10000.0;
constexpr double kEightBitCeiling = 259.0;
constexpr int32_t kSmallImageSide = 512;

// x >= low and x <= high, all widened to double; false when x is not a number.
bool InRange(float x, float low, float high);

struct RangeCheck {
  bool accepted;
  float peak;                  // largest first-plane sample seen, from 0
  const wchar_t* refusal;      // the log line when not accepted, else nullptr
};

// Scans the first plane for its peak (stopping at the first sample above 10000) and decides
// whether the image fits the chosen bit depth. Only the first plane is examined.
RangeCheck CheckImageRange(const float* first, int64_t sampleCount, bool eightBit);

// "Temp%.3d%.3d%.4d.tif" from the dialog's screen position (each modulo 1000, sign kept)
// and the tick count divided by 16, modulo 10000.
std::wstring TempFileName(int32_t left, int32_t top, uint32_t tickCount);

struct BlendWeights {
  float s;  // weight of the result: strength / 100
  float t;  // weight of the undo copy: 1 - s
};
BlendWeights StrengthWeights(double strength);

// plane[i] = plane[i] * s + undo[i] * t in double precision, rounded to float, in place.
void BlendPlane(float* plane, const float* undo, int64_t sampleCount, BlendWeights w);

// True when the host is new enough to blend and the rounded strength is below 100.
bool ShouldBlend(int64_t hostVersion, int32_t strengthInteger);

}  // namespace nox
