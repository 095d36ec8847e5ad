// TFormCVPluginDenoise: the plug-in's dialog. A small, fixed, always-on-top window beside
// the host's own: the denoiser's folder, the strength, the 8-bit option, Start and Help,
// a progress gauge and the log. Closing it only hides it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/numeric/LibSkin.h"
#include "controls/skinned/FCButton.h"
#include "controls/skinned/FCCheck.h"
#include "controls/skinned/FCGauge.h"
#include "dialog/DenoiserRunner.h"
#include "host/HostProtocol.h"
#include "toolkit/Form.h"
#include "toolkit/StdControls.h"

namespace nox {

class TFormCVPluginDenoise : public Form {
 public:
  TFormCVPluginDenoise();

  // Controls, in creation order.
  Label* Label1 = nullptr;
  TMyGauge* GauLog = nullptr;
  Label* Label2 = nullptr;
  skin::TMemo* MemoLog = nullptr;
  skin::TEdit* EdFolder = nullptr;
  TXMButton* ButStart = nullptr;
  TXMButton* ButDir = nullptr;
  CheckBox* CBTestImage = nullptr;
  TXMButton* ButHelp = nullptr;
  TMyChkBox* CBScale8bit = nullptr;
  skin::TNumEdit* EdStrength = nullptr;

  std::wstring ConfigFolder;  // folder of the settings file, ending in a backslash
  std::wstring TempFolder;    // the system's temporary folder, ending in a backslash, or empty
  std::wstring InputFile;     // the temporary TIFF handed to the denoiser
  std::wstring OutputFile;    // the denoiser's result file
  bool SmallImage = false;    // the current image is narrower or lower than 512 pixels

  // Events.
  void FormCreate();
  void FormShow();
  void FormDestroy();
  void ButStartClick();  // the Start workflow (DenoiseRun.cpp)
  DenoiserRunResult RunDenoiser();  // runs the denoiser on InputFile (DenoiseRun.cpp)
  void ButDirClick();
  void ButHelpClick();

  // The two points where the settings store plugs in.
  void RestoreSettings();
  void SaveSettings();
  std::wstring SettingsFile() const { return ConfigFolder + L"NoxfadePlugin12.ini"; }

  // What the workflow and the runner use.
  void ClearLog();
  void AppendLog(const std::wstring& line);
  void SetProgress(int value);
  void ProcessMessages();
  void SetStartEnabled(bool enabled);
  bool StartEnabled() const;
  double StrengthValue() const;          // 5..100, 80 when the text is not a number
  int64_t StrengthIntegerValue() const;  // StrengthValue rounded, ties to even
  bool Scale8bit() const;
  std::wstring FolderText() const;
  nox::HostCallback HostCallback() const;
  // The host's callback for every dialog's runs, from the module's last initialisation.
  static void SetHostCallback(nox::HostCallback callback);
  int ScreenLeft() const;
  int ScreenTop() const;

  // The invisible test-image option: the run hands the denoiser a sample file instead.
  bool TestImageMode() const;

  // A run is in progress: ButStartClick is executing.
  bool Running() const { return mRunning; }
  // What the user has confirmed, with Escape, during the run; a stop once abandoned.
  StopRequest StopRequested() const { return Abandoned() ? StopRequest::StopDenoiser : mStopRequest; }
  // The runner says that the denoiser's own process has ended (its output is still open).
  void DenoiserExited() { mDenoiserExited = true; }
  // Busy: running, or Start disabled. Answer of PLUGIN_CMD_QUERY_BUSY.
  bool Busy() const;
  // The host has finalized the plug-in, or destroyed the dialog's window with its own: a
  // run in progress ends as a stop and calls the host no more (it may be unloading us).
  bool Abandoned() const { return ReleasePending() || !Handle(); }

 protected:
  bool CanReleaseNow() const override { return !mRunning; }
  int FontHeightAt(const DpiScale& scale) const override;
  void WindowDestroying() override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT WmPluginCommand(WPARAM code);
  LRESULT WmCommand(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void EscapePressed();
  void StartClicked();
  bool mRunning = false;
  StopRequest mStopRequest = StopRequest::None;
  bool mDenoiserExited = false;
  // The marked controls' values were captured as the window went, with a folder set.
  bool mCapturedAtDestroy = false;
};

// Routines of the dialog.
std::wstring GetTempFolder();
// GetTempFolder over a given GetTempPathW-like function (GetTempFolder passes the real one).
using TempPathFunction = DWORD(WINAPI*)(DWORD size, LPWSTR buffer);
std::wstring GetTempFolderFrom(TempPathFunction getTempPath);
std::wstring FindConfigFolder(const std::wstring& hostName);
// FindConfigFolder with the host's executable folder given (FindConfigFolder passes the
// running process's).
std::wstring FindConfigFolderFrom(const std::wstring& exeFolder, const std::wstring& hostName);
std::wstring GetSpecialFolder(int csidl);
std::wstring AddTrailingBackslash(const std::wstring& path);
std::wstring HostExeFolder();
bool DirectoryExists(const std::wstring& path);
bool FileExists(const std::wstring& path);
int ShowMessageBox(const std::wstring& caption, const std::wstring& text, UINT flags);
void ShowErrorBox(const std::wstring& caption, const std::wstring& text);

}  // namespace nox
