// The Start workflow: ButStartClick, run on a click on Start or the host's
// PLUGIN_CMD_START. Every host call goes through the callback stored by pi_initialize,
// in a fixed order: the host's call log is part of the plug-in's contract.
#include <windows.h>

#include <cstdint>

#include "dialog/DenoiserOutput.h"
#include "dialog/DenoiserRunner.h"
#include "dialog/Unit1.h"
#include "dialog/Workflow.h"
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

// The dialog as the runner sees it.
class RunnerUi final : public DenoiserUi {
 public:
  explicit RunnerUi(TFormCVPluginDenoise& form) : mForm(form) {}
  void ClearLog() override { mForm.ClearLog(); }
  void AppendLog(const std::wstring& line) override { mForm.AppendLog(line); }
  void SetProgress(int percent) override { mForm.SetProgress(percent); }
  void ApplyColours() override { mForm.FormShow(); }
  void ProcessMessages() override { mForm.ProcessMessages(); }
  StopRequest StopRequested() override { return mForm.StopRequested(); }
  void DenoiserExited() override { mForm.DenoiserExited(); }

 private:
  TFormCVPluginDenoise& mForm;
};

// The temporary folder as the claim of a run's file names sees it.
class WinTempFileSystem final : public TempFileSystem {
 public:
  Created CreateNew(const std::wstring& path) override {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return Created::kCreated;
    }
    switch (GetLastError()) {
      case ERROR_FILE_EXISTS:
      case ERROR_ALREADY_EXISTS:
      case ERROR_SHARING_VIOLATION: return Created::kTaken;
      // A folder of that name or a file about to be deleted; or a folder we may not write.
      case ERROR_ACCESS_DENIED: return Exists(path) ? Created::kTaken : Created::kFailed;
      default: return Created::kFailed;
    }
  }
  bool Exists(const std::wstring& path) override {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
  }
  void Delete(const std::wstring& path) override { DeleteFileW(path.c_str()); }
};

// Deletes the run's own temporary files on every way out of the run: the input it created,
// and the output once the denoiser was started on a path where nothing was.
class TempFiles {
 public:
  explicit TempFiles(const std::wstring& input) : mInput(input) {}
  ~TempFiles() {
    DeleteFileW(mInput.c_str());
    if (!mOutput.empty()) DeleteFileW(mOutput.c_str());
  }
  TempFiles(const TempFiles&) = delete;
  TempFiles& operator=(const TempFiles&) = delete;

  void AdoptOutput(const std::wstring& output) { mOutput = output; }

 private:
  std::wstring mInput, mOutput;
};

}  // namespace

DenoiserRunResult TFormCVPluginDenoise::RunDenoiser() {
  RunnerUi ui(*this);
  return nox::RunDenoiser(ui, FolderText(), InputFile, OutputFile, SmallImage);
}

void TFormCVPluginDenoise::ButStartClick() {
  FormShow();
  const nox::HostCallback host = HostCallback();
  if (!host) return;  // pi_initialize has not run: there is no host to ask

  // The host may finalize (and free) the plug-in from inside any of its calls and from
  // inside the denoiser's run; from then on it is called no more and its planes are not
  // touched again.
  const ImageHandle image = host(CmdGetCurrentImage, kCurrentImageQuery, 0, 0);
  if (Abandoned()) return;
  if (image == 0) {
    ClearLog();
    AppendLog(kMsgNoImage);
    return;
  }

  int32_t width = 0;
  int32_t height = 0;
  host(CmdGetImageSize, image, Address(&width), Address(&height));
  PlaneSet planes = GetPlanes(host, CmdGetPlane, image);
  if (Abandoned()) return;
  planes.width = width;
  planes.height = height;
  const bool colour = !planes.Mono();
  SmallImage = width < kSmallImageSide || height < kSmallImageSide;

  // Every plane the image has must be there (a colour result fills three).
  if (planes.HasSize() && !planes.CanTake(3)) {
    ClearLog();
    AppendLog(kMsgNoPlanes);
    return;
  }

  const bool eightBit = Scale8bit();
  const RangeCheck range = CheckImageRange(planes.first, static_cast<int64_t>(planes.Samples()), eightBit);
  if (!range.accepted) {
    ClearLog();
    AppendLog(range.refusal);
    return;
  }
  // An image the temporary TIFF cannot carry, or the reader not take back, is refused now
  // rather than after the denoiser's work.
  if (const wchar_t* refusal = ExchangeRefusal(width, height, colour)) {
    ClearLog();
    AppendLog(refusal);
    return;
  }
  const float scale = eightBit ? 256.0f : 1.0f;
  const float factor = static_cast<float>(1.0 / static_cast<double>(scale));

  // The names are claimed, not guessed: another host's run, a stale result and an earlier
  // run's leftovers each keep their files.
  WinTempFileSystem files;
  const TempFileClaim claim =
      ClaimTempFiles(TempFolder, ScreenLeft(), ScreenTop(), GetTickCount(), files);
  if (claim.outcome != TempFileClaim::Outcome::kClaimed) {
    ClearLog();
    AppendLog(claim.outcome == TempFileClaim::Outcome::kAllTaken ? kMsgNoFreeName
                                                                 : kMsgExportFailed);
    return;
  }
  InputFile = claim.input;
  OutputFile = claim.output;
  TempFiles cleanup(InputFile);

  PlaneSet exportPlanes = planes;
  exportPlanes.scale = scale;
  bool exported = WriteTiff16(exportPlanes, InputFile);
  if (TestImageMode()) {
    const std::wstring sample = HostExeFolder() + (colour ? L"ColorTemp.tif" : L"MonoTemp.tif");
    if (CopyFileW(sample.c_str(), InputFile.c_str(), FALSE)) exported = true;
  }
  if (!exported) {
    // The denoiser is never run on a partial file; the image stays as it is.
    ClearLog();
    AppendLog(kMsgExportFailed);
    return;
  }

  // Whatever is at the output path after the denoiser's run is its result for this run only
  // when nothing was there when it started.
  if (files.Exists(OutputFile)) {
    ClearLog();
    AppendLog(kMsgNoFreeName);
    return;
  }
  cleanup.AdoptOutput(OutputFile);

  SetStartEnabled(false);
  const DenoiserRunResult run = RunDenoiser();
  SetStartEnabled(true);
  if (Abandoned()) return;  // the denoiser was stopped; the temporary files go with `cleanup`

  host(CmdSaveUndo, image, 0, 0);
  if (Abandoned()) return;

  // The result is used only when the denoiser ran to its end; ReadResultImage refuses a
  // missing, unreadable or mis-sized file and then leaves the planes as they were.
  bool resultRead = false;
  const bool ranToEnd = run.executableFound && run.code == DenoiserCode::Finished;
  if (ranToEnd) {
    PlaneSet result = planes;
    result.scale = factor;
    resultRead = ReadResultImage(OutputFile, result);
    if (resultRead && run.FailedWithExitCode()) {
      // Taken as today; the user learns that the denoiser reported a failure.
      AppendLog(DenoiserExitCodeWarning(run.exitCode));
    } else if (!resultRead) {
      AppendLog(run.FailedWithExitCode() ? DenoiserExitCodeLine(run.exitCode) + L"; " +
                                               kMsgImageUnchanged
                                         : std::wstring(kMsgNoResult));
    }
  }

  const int64_t version = host(CmdGetHostVersion, 0, 0, 0);
  if (Abandoned()) return;
  const int32_t strength = static_cast<int32_t>(StrengthIntegerValue());
  if (resultRead && ShouldBlend(version, strength)) {
    const PlaneSet undo = GetPlanes(host, CmdGetUndoPlane, image);
    if (Abandoned()) return;
    BlendPlanes(planes, undo, StrengthWeights(StrengthValue()));
  }

  host(CmdRefreshImage, image, kRefreshRedraw, 0);
}

}  // namespace nox
