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
struct Planes {
  float* first = nullptr;
  float* second = nullptr;
  float* third = nullptr;
};

Planes GetPlanes(HostCallback host, HostCommand command, ImageHandle image) {
  Planes p;
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

// Deletes the run's two temporary files on every way out of the run.
class TempFiles {
 public:
  TempFiles(const std::wstring& input, const std::wstring& output) : mInput(input), mOutput(output) {}
  ~TempFiles() {
    DeleteFileW(mInput.c_str());
    DeleteFileW(mOutput.c_str());
  }
  TempFiles(const TempFiles&) = delete;
  TempFiles& operator=(const TempFiles&) = delete;

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
  const Planes planes = GetPlanes(host, CmdGetPlane, image);
  if (Abandoned()) return;
  float* const first = planes.first;
  float* const second = planes.second;
  float* const third = planes.third;
  const bool colour = first != second;
  SmallImage = width < kSmallImageSide || height < kSmallImageSide;

  // The sample count is taken in 64 bits: width x height overflows 32 bits on big mosaics.
  const int64_t samples =
      (width > 0 && height > 0) ? static_cast<int64_t>(width) * height : 0;
  if (samples > 0 && (!first || (colour && (!second || !third)))) {
    ClearLog();
    AppendLog(kMsgNoPlanes);
    return;
  }

  const bool eightBit = Scale8bit();
  const RangeCheck range = CheckImageRange(first, samples, eightBit);
  if (!range.accepted) {
    ClearLog();
    AppendLog(range.refusal);
    return;
  }
  const float scale = eightBit ? 256.0f : 1.0f;
  const float factor = static_cast<float>(1.0 / static_cast<double>(scale));

  const std::wstring name = TempFileName(ScreenLeft(), ScreenTop(), GetTickCount());
  InputFile = TempFolder + name;
  OutputFile = TempFolder + L"Out" + name;
  TempFiles cleanup(InputFile, OutputFile);

  bool exported = WriteTiff16(first, second, third, scale, width, height, colour, InputFile);
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
    resultRead = ReadResultImage(OutputFile, first, second, third, factor, width, height);
    if (!resultRead) {
      AppendLog(run.FailedWithExitCode() ? DenoiserExitCodeLine(run.exitCode) + L"; " +
                                               kMsgImageUnchanged
                                         : std::wstring(kMsgNoResult));
    }
  }

  const int64_t version = host(CmdGetHostVersion, 0, 0, 0);
  if (Abandoned()) return;
  const int32_t strength = static_cast<int32_t>(StrengthIntegerValue());
  if (resultRead && ShouldBlend(version, strength)) {
    const Planes undo = GetPlanes(host, CmdGetUndoPlane, image);
    if (Abandoned()) return;
    const BlendWeights weights = StrengthWeights(StrengthValue());
    if (undo.first) BlendPlane(first, undo.first, samples, weights);
    if (colour && undo.second && undo.third) {
      BlendPlane(second, undo.second, samples, weights);
      BlendPlane(third, undo.third, samples, weights);
    }
  }

  host(CmdRefreshImage, image, kRefreshRedraw, 0);
}

}  // namespace nox
