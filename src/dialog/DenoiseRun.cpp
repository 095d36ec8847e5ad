// The Start workflow: ButStartClick, run on a click on Start or the host's
// PLUGIN_CMD_START. The run itself, with the order of its host calls, is RunStart; this is
// the dialog and the temporary folder as it sees them.
#include <windows.h>

#include <cstdint>
#include <optional>

#include "dialog/DenoiserRunner.h"
#include "dialog/RunSequence.h"
#include "dialog/Unit1.h"

namespace nox {

namespace {

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

// The dialog as a run sees it.
class DialogRunSite final : public RunSite {
 public:
  explicit DialogRunSite(TFormCVPluginDenoise& form) : mForm(form) {}
  bool Abandoned() override { return mForm.Abandoned(); }
  void ClearLog() override { mForm.ClearLog(); }
  void AppendLog(const std::wstring& line) override { mForm.AppendLog(line); }
  bool EightBit() override { return mForm.Scale8bit(); }
  double Strength() override { return mForm.StrengthValue(); }
  int64_t StrengthInteger() override { return mForm.StrengthIntegerValue(); }
  std::wstring TempFolder() override { return mForm.TempFolder; }
  NameSeed TempNameSeed() override {
    return {mForm.ScreenLeft(), mForm.ScreenTop(), static_cast<uint32_t>(GetTickCount())};
  }
  bool CopyTestImage(bool colour, const std::wstring& input) override {
    if (!mForm.TestImageMode()) return false;
    const std::wstring sample = HostExeFolder() + (colour ? L"ColorTemp.tif" : L"MonoTemp.tif");
    return CopyFileW(sample.c_str(), input.c_str(), FALSE) != FALSE;
  }
  DenoiserRunResult RunDenoiser(const std::wstring& input, const std::wstring& output,
                                bool smallImage) override {
    mForm.InputFile = input;
    mForm.OutputFile = output;
    mForm.SmallImage = smallImage;
    mForm.SetStartEnabled(false);
    const DenoiserRunResult run = mForm.RunDenoiser();
    mForm.SetStartEnabled(true);
    return run;
  }
  LocalTime Now() override {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
  }

 private:
  TFormCVPluginDenoise& mForm;
};

// The temporary folder: the claim of a run's file names, its free space, a kept result.
class WinRunFiles final : public RunFiles {
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
  std::optional<uint64_t> FreeBytes(const std::wstring& folder) override {
    ULARGE_INTEGER available{};
    // An empty folder: the names are relative to the current folder, on its volume.
    if (!GetDiskFreeSpaceExW(folder.empty() ? nullptr : folder.c_str(), &available, nullptr,
                             nullptr)) {
      return std::nullopt;
    }
    return available.QuadPart;
  }
  bool MoveNew(const std::wstring& from, const std::wstring& to) override {
    return MoveFileExW(from.c_str(), to.c_str(), 0) != FALSE;  // no MOVEFILE_REPLACE_EXISTING
  }
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
  DialogRunSite site(*this);
  WinRunFiles files;
  RunStart(host, site, files);
}

}  // namespace nox
