#include "dialog/Workflow.h"

#include <cmath>
#include <cwchar>

#include "host/HostProtocol.h"
#include "imageio/ExchangeLimits.h"

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
const wchar_t kMsgTooLarge[] =
    L"ERROR: the image is too large to hand to Noxfade (at most 65535 pixels a side and 4 GB "
    L"of 16-bit samples); the image is unchanged.";
const wchar_t kMsgNoFreeName[] =
    L"ERROR: no free name for the temporary files in the temporary folder; the image is "
    L"unchanged.";

const wchar_t kMsgNoRoom[] =
    L"ERROR: the temporary folder has %llu MB free; a run on this image needs %llu MB; the "
    L"image is unchanged.";
const wchar_t kMsgImageClosed[] = L"ERROR: the image was closed during the run";
const wchar_t kMsgImageReplaced[] = L"ERROR: another image became current during the run";
const wchar_t kMsgImageReshaped[] =
    L"ERROR: the image's size or colours changed during the run; the image is unchanged";
const wchar_t kMsgResultKeptIn[] = L"; Noxfade's result is kept in ";

static_assert(kMaxExchangeSide == 65535 && kMaxExchangePixelBytes == 0xFFFFFFFFu,
              "kMsgTooLarge names the exchange's limits");

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

const wchar_t* ExchangeRefusal(int32_t width, int32_t height, bool colour) {
  if (width < 1 || height < 1) return nullptr;  // nothing to carry: the export refuses it
  return ExchangeTakes(width, height, colour) ? nullptr : kMsgTooLarge;
}

std::wstring TempFileName(int32_t left, int32_t top, uint32_t tickCount) {
  return TempFileCandidate(left, top, tickCount, 0);
}

std::wstring TempFileCandidate(int32_t left, int32_t top, uint32_t tickCount, int attempt) {
  const uint32_t step = attempt > 0 ? static_cast<uint32_t>(attempt) % 10000u : 0u;
  const uint32_t last = ((tickCount / 16u) % 10000u + step) % 10000u;
  wchar_t name[64];
  std::swprintf(name, sizeof name / sizeof name[0], L"Temp%.3d%.3d%.4d.tif",
                static_cast<int>(left % 1000), static_cast<int>(top % 1000),
                static_cast<int>(last));
  return name;
}

TempFileClaim ClaimTempFiles(const std::wstring& folder, int32_t left, int32_t top,
                             uint32_t tickCount, TempFileSystem& files) {
  TempFileClaim claim;
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    const std::wstring name = TempFileCandidate(left, top, tickCount, attempt);
    const std::wstring input = folder + name;
    const std::wstring output = folder + L"Out" + name;
    switch (files.CreateNew(input)) {
      case TempFileSystem::Created::kTaken: continue;
      case TempFileSystem::Created::kFailed: return claim;
      case TempFileSystem::Created::kCreated: break;
    }
    if (files.Exists(output)) {  // a stale result, or another run's: never ours to read
      files.Delete(input);
      continue;
    }
    claim.outcome = TempFileClaim::Outcome::kClaimed;
    claim.input = input;
    claim.output = output;
    return claim;
  }
  claim.outcome = TempFileClaim::Outcome::kAllTaken;
  return claim;
}

uint64_t RunDiskBytes(int32_t width, int32_t height, bool colour) {
  return 2 * ExchangePixelBytes(width, height, colour) + kRunDiskMargin;
}

std::wstring RoomRefusal(std::optional<uint64_t> freeBytes, uint64_t neededBytes) {
  if (!freeBytes || *freeBytes >= neededBytes) return std::wstring();
  constexpr uint64_t kMB = uint64_t{1} << 20;
  wchar_t line[256];
  std::swprintf(line, sizeof line / sizeof line[0], kMsgNoRoom,
                static_cast<unsigned long long>(*freeBytes / kMB),
                static_cast<unsigned long long>((neededBytes + kMB - 1) / kMB));
  return line;
}

ImageFate HandleFate(ImageHandle runImage, ImageHandle current) {
  if (current == 0) return ImageFate::kClosed;
  return current == runImage ? ImageFate::kCurrent : ImageFate::kReplaced;
}

ImageFate ImageShapeFate(const PlaneSet& exported, const PlaneSet& now) {
  const bool same = now.width == exported.width && now.height == exported.height &&
                    now.Mono() == exported.Mono() && now.CanTake(3);
  return same ? ImageFate::kCurrent : ImageFate::kReshaped;
}

const wchar_t* FateLine(ImageFate fate) {
  switch (fate) {
    case ImageFate::kClosed: return kMsgImageClosed;
    case ImageFate::kReplaced: return kMsgImageReplaced;
    case ImageFate::kReshaped: return kMsgImageReshaped;
    case ImageFate::kCurrent: break;
  }
  return nullptr;
}

std::wstring KeptResultName(const LocalTime& t, int attempt) {
  wchar_t name[96];
  std::swprintf(name, sizeof name / sizeof name[0], L"Noxfade result %04d-%02d-%02d %02d.%02d.%02d",
                t.year, t.month, t.day, t.hour, t.minute, t.second);
  std::wstring text = name;
  if (attempt > 0) text += L" (" + std::to_wstring(attempt + 1) + L")";
  return text + L".tif";
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

void BlendPlanes(const PlaneSet& image, const PlaneSet& undo, BlendWeights w) {
  const auto samples = static_cast<int64_t>(image.Samples());
  if (image.first && undo.first) BlendPlane(image.first, undo.first, samples, w);
  if (!image.Mono() && image.second && image.third && undo.second && undo.third) {
    BlendPlane(image.second, undo.second, samples, w);
    BlendPlane(image.third, undo.third, samples, w);
  }
}

bool ShouldBlend(int64_t hostVersion, int32_t strengthInteger) {
  return hostVersion >= kFirstBlendingHostVersion && strengthInteger < 100;
}

}  // namespace nox
