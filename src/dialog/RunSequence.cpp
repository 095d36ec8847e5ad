#include "dialog/RunSequence.h"

#include "dialog/DenoiserOutput.h"
#include "imageio/ResultReader.h"
#include "imageio/TiffWriter.h"

namespace nox {

namespace {

int64_t Address(void* p) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(p)); }

// Host planes 0, 2 and 3 of an image (CmdGetPlane) or of its undo copy (CmdGetUndoPlane),
// asked for in that order.
PlaneSet GetPlanes(HostCallback host, HostCommand command, ImageHandle image) {
  PlaneSet p;
  host(command, image, Address(&p.first), 0);
  host(command, image, Address(&p.second), 2);
  host(command, image, Address(&p.third), 3);
  return p;
}

// The image's size, then its planes: what the run writes and reads.
PlaneSet GetImage(HostCallback host, ImageHandle image) {
  int32_t width = 0;
  int32_t height = 0;
  host(CmdGetImageSize, image, Address(&width), Address(&height));
  PlaneSet planes = GetPlanes(host, CmdGetPlane, image);
  planes.width = width;
  planes.height = height;
  return planes;
}

// Deletes the run's own temporary files on every way out of the run: the input it created,
// and the output once the denoiser was started on a path where nothing was, unless it is
// kept.
class TempFiles {
 public:
  TempFiles(const std::wstring& input, TempFileSystem& files) : mInput(input), mFiles(files) {}
  ~TempFiles() {
    mFiles.Delete(mInput);
    if (!mOutput.empty()) mFiles.Delete(mOutput);
  }
  TempFiles(const TempFiles&) = delete;
  TempFiles& operator=(const TempFiles&) = delete;

  void AdoptOutput(const std::wstring& output) { mOutput = output; }
  void KeepOutput() { mOutput.clear(); }

 private:
  std::wstring mInput, mOutput;
  TempFileSystem& mFiles;
};

}  // namespace

std::wstring KeepResult(const std::wstring& output, const std::wstring& folder,
                        const LocalTime& time, RunFiles& files) {
  for (int attempt = 0; attempt < kKeptNameAttempts; ++attempt) {
    const std::wstring kept = folder + KeptResultName(time, attempt);
    if (!files.Exists(kept) && files.MoveNew(output, kept)) return kept;
  }
  return output;
}

void RunStart(HostCallback host, RunSite& site, RunFiles& files) {
  const auto refuse = [&site](const std::wstring& line) {
    site.ClearLog();
    site.AppendLog(line);
  };

  const ImageHandle image = host(CmdGetCurrentImage, kCurrentImageQuery, 0, 0);
  if (site.Abandoned()) return;
  if (image == 0) return refuse(kMsgNoImage);

  const PlaneSet planes = GetImage(host, image);
  if (site.Abandoned()) return;
  const int32_t width = planes.width;
  const int32_t height = planes.height;
  const bool colour = !planes.Mono();
  const bool smallImage = width < kSmallImageSide || height < kSmallImageSide;

  // Every plane the image has must be there (a colour result fills three).
  if (planes.HasSize() && !planes.CanTake(3)) return refuse(kMsgNoPlanes);

  const bool eightBit = site.EightBit();
  const RangeCheck range =
      CheckImageRange(planes.first, static_cast<int64_t>(planes.Samples()), eightBit);
  if (!range.accepted) return refuse(range.refusal);
  // An image the temporary TIFF cannot carry, or the reader not take back, is refused now
  // rather than after the denoiser's work; so is a run the temporary folder has no room for.
  if (const wchar_t* refusal = ExchangeRefusal(width, height, colour)) return refuse(refusal);
  const std::wstring folder = site.TempFolder();
  const std::wstring noRoom =
      RoomRefusal(files.FreeBytes(folder), RunDiskBytes(width, height, colour));
  if (!noRoom.empty()) return refuse(noRoom);
  const float scale = eightBit ? 256.0f : 1.0f;
  const float factor = static_cast<float>(1.0 / static_cast<double>(scale));

  // The names are claimed, not guessed: another host's run, a stale result and an earlier
  // run's leftovers each keep their files.
  const RunSite::NameSeed seed = site.TempNameSeed();
  const TempFileClaim claim = ClaimTempFiles(folder, seed.left, seed.top, seed.tickCount, files);
  if (claim.outcome != TempFileClaim::Outcome::kClaimed) {
    return refuse(claim.outcome == TempFileClaim::Outcome::kAllTaken ? kMsgNoFreeName
                                                                     : kMsgExportFailed);
  }
  TempFiles cleanup(claim.input, files);

  PlaneSet exportPlanes = planes;
  exportPlanes.scale = scale;
  bool exported = WriteTiff16(exportPlanes, claim.input);
  if (site.CopyTestImage(colour, claim.input)) exported = true;
  // The denoiser is never run on a partial file; the image stays as it is.
  if (!exported) return refuse(kMsgExportFailed);

  // Whatever is at the output path after the denoiser's run is its result for this run only
  // when nothing was there when it started.
  if (files.Exists(claim.output)) return refuse(kMsgNoFreeName);
  cleanup.AdoptOutput(claim.output);

  const DenoiserRunResult run = site.RunDenoiser(claim.input, claim.output, smallImage);
  if (site.Abandoned()) return;  // the denoiser was stopped; the temporary files go with `cleanup`
  const bool ranToEnd = run.executableFound && run.code == DenoiserCode::Finished;

  // The host was served throughout the run: what it gave before may be gone. Only a handle
  // it still names current is passed to it again, and only planes it gives now are written.
  ImageFate fate = HandleFate(image, host(CmdGetCurrentImage, kCurrentImageQuery, 0, 0));
  if (site.Abandoned()) return;
  PlaneSet target;
  if (fate == ImageFate::kCurrent) {
    target = GetImage(host, image);
    if (site.Abandoned()) return;
    fate = ImageShapeFate(planes, target);
  }
  if (fate != ImageFate::kCurrent) {
    // Nothing of the host's is touched; a result the denoiser wrote is kept for the user.
    if (!ranToEnd) return;
    if (!files.Exists(claim.output)) {
      site.AppendLog(run.FailedWithExitCode()
                         ? DenoiserExitCodeLine(run.exitCode) + L"; " + kMsgImageUnchanged
                         : std::wstring(kMsgNoResult));
      return;
    }
    if (run.FailedWithExitCode()) site.AppendLog(DenoiserExitCodeLine(run.exitCode));
    cleanup.KeepOutput();
    const std::wstring kept = KeepResult(claim.output, folder, site.Now(), files);
    site.AppendLog(FateLine(fate) + std::wstring(kMsgResultKeptIn) + kept);
    return;
  }

  host(CmdSaveUndo, image, 0, 0);
  if (site.Abandoned()) return;

  // The result is used only when the denoiser ran to its end; ReadResultImage refuses a
  // missing, unreadable or mis-sized file and then leaves the planes as they were.
  bool resultRead = false;
  if (ranToEnd) {
    PlaneSet result = target;
    result.scale = factor;
    resultRead = ReadResultImage(claim.output, result);
    if (resultRead && run.FailedWithExitCode()) {
      // Taken as today; the user learns that the denoiser reported a failure.
      site.AppendLog(DenoiserExitCodeWarning(run.exitCode));
    } else if (!resultRead) {
      site.AppendLog(run.FailedWithExitCode()
                         ? DenoiserExitCodeLine(run.exitCode) + L"; " + kMsgImageUnchanged
                         : std::wstring(kMsgNoResult));
    }
  }

  const int64_t version = host(CmdGetHostVersion, 0, 0, 0);
  if (site.Abandoned()) return;
  const int32_t strength = static_cast<int32_t>(site.StrengthInteger());
  if (resultRead && ShouldBlend(version, strength)) {
    const PlaneSet undo = GetPlanes(host, CmdGetUndoPlane, image);
    if (site.Abandoned()) return;
    BlendPlanes(target, undo, StrengthWeights(site.Strength()));
  }

  host(CmdRefreshImage, image, kRefreshRedraw, 0);
}

}  // namespace nox
