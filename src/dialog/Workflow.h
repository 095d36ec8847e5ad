// Decisions of the Start workflow that need no window: the range check of the host's
// image, the temporary file names and the blend of the result with the undo copy.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/HostProtocol.h"
#include "imageio/PlaneSet.h"

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
extern const wchar_t kMsgTooLarge[];        // beyond what the temporary TIFF can carry
extern const wchar_t kMsgNoFreeName[];      // every temporary name tried was taken
// "ERROR: the temporary folder has %llu MB free; a run on this image needs %llu MB; ...":
// the temporary folder's volume cannot hold what the run writes (RoomRefusal).
extern const wchar_t kMsgNoRoom[];
// A result that could not be applied because the image changed during the run: one of the
// three reasons, then kMsgResultKeptIn and the path of the kept result. Appended to the log.
extern const wchar_t kMsgImageClosed[];
extern const wchar_t kMsgImageReplaced[];
extern const wchar_t kMsgImageReshaped[];
extern const wchar_t kMsgResultKeptIn[];

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

// The log line for an image of at least one pixel a side that cannot make the round trip
// through the temporary TIFF (ExchangeTakes), or nullptr when it can. Asked before anything
// is written, so that such an image never reaches the denoiser.
const wchar_t* ExchangeRefusal(int32_t width, int32_t height, bool colour);

// "Temp%.3d%.3d%.4d.tif" from the dialog's screen position (each modulo 1000, sign kept)
// and the tick count divided by 16, modulo 10000.
std::wstring TempFileName(int32_t left, int32_t top, uint32_t tickCount);

// How many names one run tries for its temporary files.
inline constexpr int kTempNameAttempts = 100;

// The name tried at `attempt` (0 first): TempFileName with its last number advanced by
// `attempt`, wrapping within 0..9999.
std::wstring TempFileCandidate(int32_t left, int32_t top, uint32_t tickCount, int attempt);

// What claiming the temporary files needs of the file system; the Win32 shell implements it.
class TempFileSystem {
 public:
  enum class Created { kCreated, kTaken, kFailed };
  virtual ~TempFileSystem() = default;
  // Creates an empty file that must not exist yet. kTaken when something is there, or the
  // name is otherwise in use; kFailed when no file can be created (no folder, no room).
  virtual Created CreateNew(const std::wstring& path) = 0;
  // False only when nothing is there.
  virtual bool Exists(const std::wstring& path) = 0;
  virtual void Delete(const std::wstring& path) = 0;
};

struct TempFileClaim {
  enum class Outcome { kClaimed, kAllTaken, kFailed };
  Outcome outcome = Outcome::kFailed;
  std::wstring input;   // the full paths, when claimed
  std::wstring output;
};

// Claims a run's two temporary files in `folder`, so that two hosts, a stale file or an
// earlier run's leftovers never share them: a name is used only when its input file was
// created here, exclusively, and its "Out" partner does not exist. Otherwise the next
// candidate is tried, at most kTempNameAttempts in all; an input created here for a name
// whose partner exists is deleted again. Nothing that was not created here is deleted.
TempFileClaim ClaimTempFiles(const std::wstring& folder, int32_t left, int32_t top,
                             uint32_t tickCount, TempFileSystem& files);

// What a run writes into the temporary folder beyond the two images' pixels: their TIFF
// headers, a result written with more tags or in strips, the file system's own rounding.
inline constexpr uint64_t kRunDiskMargin = uint64_t{16} << 20;

// Bytes the temporary folder must have free for a run on a width x height image: the
// temporary TIFF and a result of the same size, plus kRunDiskMargin.
uint64_t RunDiskBytes(int32_t width, int32_t height, bool colour);

// The log line refusing a run whose temporary folder has `freeBytes` free and needs
// `neededBytes` (free shown rounded down, need rounded up, in MB of 2^20 bytes), or an empty
// text when it fits or the free space is not known.
std::wstring RoomRefusal(std::optional<uint64_t> freeBytes, uint64_t neededBytes);

// What became of the run's image while the denoiser worked, as the host answers after it.
enum class ImageFate {
  kCurrent,   // still current with the size, colours and planes of the export
  kClosed,    // no current image
  kReplaced,  // another image is current
  kReshaped,  // still current, but of another size or colours, or without its planes
};
// From the handle asked for after the run: kCurrent only to be confirmed by ImageShapeFate.
ImageFate HandleFate(ImageHandle runImage, ImageHandle current);
// For the run's image still current: kCurrent when `now` can take the exported result.
ImageFate ImageShapeFate(const PlaneSet& exported, const PlaneSet& now);
// The first part of the line for a result not applied (nullptr for kCurrent).
const wchar_t* FateLine(ImageFate fate);

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// How many names a result that could not be applied tries before it stays where it is.
inline constexpr int kKeptNameAttempts = 100;
// "Noxfade result 2026-12-10 14.03.22.tif" for attempt 0, then " (2)", " (3)", ... before
// the extension.
std::wstring KeptResultName(const LocalTime& time, int attempt);

struct BlendWeights {
  float s;  // weight of the result: strength / 100
  float t;  // weight of the undo copy: 1 - s
};
BlendWeights StrengthWeights(double strength);

// plane[i] = plane[i] * s + undo[i] * t in double precision, rounded to float, in place.
void BlendPlane(float* plane, const float* undo, int64_t sampleCount, BlendWeights w);
// The blend of a whole image with its undo copy: the first plane, and for a colour image
// the second and third too; a plane the undo copy lacks stays as it is.
void BlendPlanes(const PlaneSet& image, const PlaneSet& undo, BlendWeights w);

// True when the host is new enough to blend and the rounded strength is below 100.
bool ShouldBlend(int64_t hostVersion, int32_t strengthInteger);

}  // namespace nox
