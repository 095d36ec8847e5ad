#include "dialog/Unit1.h"

#include <shellapi.h>
#include <shlobj.h>

#include <memory>
#include <vector>

#include "controls/numeric/NumericText.h"
#include "controls/skinned/SkinColor.h"
#include "dialog/DialogColors.h"
#include "controls/skinned/SkinGlyph.h"
#include "toolkit/SystemLook.h"
#include "dialog/ControlIds.h"
#include "settings/LibAutosave.h"
#include "toolkit/Application.h"

namespace nox {

namespace {

constexpr double kStrengthMin = 5;
constexpr double kStrengthMax = 100;
constexpr double kStrengthError = 80;
constexpr double kStrengthStep = 5;
// The gauge's blue: its design value until the first show, then the shown one (darkened
// on a dark window colour).
constexpr TColor kGaugeDesignForeColor = 0x00E0A080;
constexpr TColor kGaugeForeColor = 0x00E8A080;
constexpr int kTagSaved = 12345;  // the settings store keeps controls with this tag

nox::HostCallback gHostCallback = nullptr;

const wchar_t* const kInitialLog[] = {
    L"Noxfade plugin, version 1.2.",
    L"It's required a CPU with AVX instructions and Windows 64 bit.",
    L"Before starting, select the folder where Noxfade is installed.",
    L"",
    L"The image MUST have a real 16 bit dynamic (range approx.",
    L" 0..65000) or 8 bit (approx. 0..255). This is usually ensured",
    L"by the DDP or the Histogram Stretch filter. The correct range",
    L"can be also ensured by the command: Arithmetic / Scale /",
    L"Transfer function, with Normalization = 65535.",
};

// The text of a wide-character API that reports the size it needs when the buffer is
// too small (GetTempPathW, GetModuleFileNameW through the helper below).
std::wstring UpToNul(const std::vector<wchar_t>& buf) {
  return std::wstring(buf.data(), wcsnlen(buf.data(), buf.size()));
}

// A path whose attributes cannot be read counts as existing unless the error says that
// nothing is there.
bool AttributesSayNothing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_NOT_READY || error == ERROR_BAD_NETPATH || error == ERROR_INVALID_NAME;
}

bool LinkTargetOpens(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

}  // namespace

// ---- routines


std::wstring AddTrailingBackslash(const std::wstring& path) {
  if (path.empty() || path.back() == L'\\') return path;
  return path + L'\\';
}

std::wstring GetTempFolder() { return GetTempFolderFrom(&GetTempPathW); }

std::wstring GetTempFolderFrom(TempPathFunction getTempPath) {
  // A temporary folder longer than the classic 260 characters is read with a buffer of
  // the size GetTempPathW asks for, rather than dropped.
  std::vector<wchar_t> buf(260, L'\0');
  DWORD n = getTempPath(static_cast<DWORD>(buf.size()), buf.data());
  for (int attempt = 0; attempt < 4 && n > buf.size(); ++attempt) {  // the variable may change between calls
    buf.assign(static_cast<size_t>(n) + 1, L'\0');
    n = getTempPath(static_cast<DWORD>(buf.size()), buf.data());
  }
  if (n > buf.size()) return std::wstring();
  if (n == 0) return std::wstring();
  return AddTrailingBackslash(UpToNul(buf));
}

std::wstring GetSpecialFolder(int csidl) {
  wchar_t buf[261] = {};
  if (!SHGetSpecialFolderPathW(nullptr, buf, csidl, FALSE)) return std::wstring();
  return AddTrailingBackslash(std::wstring(buf, wcsnlen(buf, 261)));
}

std::wstring HostExeFolder() {
  std::vector<wchar_t> buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::wstring();
    if (n < buf.size()) break;
    buf.assign(buf.size() * 2, L'\0');  // truncated: try a larger buffer
  }
  std::wstring path = UpToNul(buf);
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

bool DirectoryExists(const std::wstring& path) {
  const DWORD attr = GetFileAttributesW(path.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES) return !AttributesSayNothing(GetLastError());
  if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (attr & FILE_ATTRIBUTE_REPARSE_POINT) return LinkTargetOpens(path);
  return true;
}

bool FileExists(const std::wstring& path) {
  const DWORD attr = GetFileAttributesW(path.c_str());
  if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (attr & FILE_ATTRIBUTE_REPARSE_POINT) return LinkTargetOpens(path);
  return true;
}

std::wstring FindConfigFolderFrom(const std::wstring& exeFolder, const std::wstring& hostName) {
  const std::wstring besideHost = exeFolder + L"Config\\";
  if (DirectoryExists(besideHost)) return besideHost;
  const std::wstring perUser = GetSpecialFolder(CSIDL_LOCAL_APPDATA) + hostName + L"\\";
  return DirectoryExists(perUser) ? perUser : std::wstring();
}

std::wstring FindConfigFolder(const std::wstring& hostName) {
  return FindConfigFolderFrom(HostExeFolder(), hostName);
}

// Owned by the active form of ours (or the host's window) and modal to the whole thread:
// the host's windows are disabled while it is up, which MB_TASKMODAL does not do when the
// box has an owner.
int ShowMessageBox(const std::wstring& caption, const std::wstring& text, UINT flags) {
  Application& app = Application::Instance();
  Form* active = app.ActiveForm();
  HWND owner = active ? active->Handle() : app.OwnerWindow();
  ModalLoop modal(owner);
  return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

void ShowErrorBox(const std::wstring& caption, const std::wstring& text) {
  ShowMessageBox(caption, text, MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST);  // 0x42010
}

// ---- the dialog

TFormCVPluginDenoise::TFormCVPluginDenoise() : Form(nullptr, kDialogClassName, true) {
  SetName(L"FormCVPluginDenoise");
  SetCaption(kDialogCaption);
  // Laid out at 96 DPI and shown at the DPI of the monitor the dialog is created on.
  SetDesignFont(L"Tahoma", -11);
  SetClientSize(Scale().Px(346), Scale().Px(337));

  Label1 = new Label(this, this);
  Label1->SetName(L"Label1");
  Place(Label1, 8, 6, 149, 13);
  Label1->SetCaption(L"Noxfade 1.2 installation folder");

  GauLog = new TMyGauge(this, this);
  GauLog->SetName(L"GauLog");
  Place(GauLog, 8, 50, 329, 22);
  GauLog->SetMaxValue(100);
  GauLog->SetProgress(0);
  GauLog->SetColor(kClBtnFace);
  GauLog->SetParentColor(false);
  GauLog->SetForeColor(kGaugeDesignForeColor);
  GauLog->SetForeIncrColor(0x00202020);

  Label2 = new Label(this, this);
  Label2->SetName(L"Label2");
  Place(Label2, 7, 311, 42, 13);
  Label2->SetCaption(L"Strength");

  // Read-only, vertical scroll bar. Its lines wrap: a message or a line of the denoiser's
  // wider than the log goes on in the next rows, whatever the DPI, font or scroll bar.
  MemoLog = new skin::TMemo(this, this, /*wordWrap=*/true);
  MemoLog->SetName(L"MemoLog");
  Place(MemoLog, 8, 80, 329, 217);
  MemoLog->SetControlId(IdMemoLog);
  MemoLog->SetTabOrder(3);
  MemoLog->SetLines(std::vector<std::wstring>(std::begin(kInitialLog), std::end(kInitialLog)));

  EdFolder = new skin::TEdit(this, this);
  EdFolder->SetName(L"EdFolder");
  Place(EdFolder, 8, 21, 281, 21);
  EdFolder->SetControlId(IdEdFolder);
  EdFolder->SetTabOrder(1);
  EdFolder->SetTag(kTagSaved);

  ButStart = new TXMButton(this, this);
  ButStart->SetName(L"ButStart");
  Place(ButStart, 260, 303, 78, 29);
  ButStart->SetControlId(IdButStart);
  ButStart->SetTabOrder(0);
  ButStart->SetCaption(L"Start");
  ButStart->OnClick = [this] { StartClicked(); };

  ButDir = new TXMButton(this, this);
  ButDir->SetName(L"ButDir");
  Place(ButDir, 294, 19, 43, 24);
  ButDir->SetControlId(IdButDir);
  ButDir->SetTabOrder(2);
  ButDir->SetCaption(L"...");
  ButDir->OnClick = [this] { ButDirClick(); };

  CBTestImage = new CheckBox(this, this);
  CBTestImage->SetName(L"CBTestImage");
  Place(CBTestImage, 171, 2, 117, 17);
  CBTestImage->SetControlId(IdCBTestImage);
  CBTestImage->SetTabOrder(4);
  CBTestImage->SetText(L"_Test imagemode_");
  CBTestImage->SetVisible(false);

  ButHelp = new TXMButton(this, this);
  ButHelp->SetName(L"ButHelp");
  Place(ButHelp, 217, 303, 37, 29);
  ButHelp->SetControlId(IdButHelp);
  ButHelp->SetTabOrder(5);
  {
    // The stored picture, then the icon name, then the built-in kind: the first paint
    // loads the built-in help glyph over the stored picture, which is never seen.
    nox::Bitmap stored;
    LoadGlyph16(stored, OkGlyph());
    ButHelp->SetBitmap(&stored);
    ButHelp->SetIconName(L"01_Help");
    ButHelp->SetBitmapKind(bkHelp);
  }
  ButHelp->OnClick = [this] { ButHelpClick(); };

  CBScale8bit = new TMyChkBox(this, this);
  CBScale8bit->SetName(L"CBScale8bit");
  Place(CBScale8bit, 118, 310, 86, 17);
  CBScale8bit->SetControlId(IdCBScale8bit);
  CBScale8bit->SetTabOrder(6);
  CBScale8bit->SetTag(kTagSaved);
  CBScale8bit->SetCaption(L"Image is 8 bit");
  CBScale8bit->SetAlignment(taLeftJustify);
  CBScale8bit->SetTabStop(true);
  CBScale8bit->SetChecked(false);

  EdStrength = new skin::TNumEdit(this, this);
  EdStrength->SetName(L"EdStrength");
  Place(EdStrength, 53, 308, 52, 22);
  EdStrength->SetControlId(IdEdStrength);
  EdStrength->SetTabOrder(7);
  EdStrength->SetTag(kTagSaved);
  EdStrength->SetAlwaysInteger(true);
  EdStrength->SetIncrement(kStrengthStep);
  EdStrength->SetMaxValue(kStrengthMax);
  EdStrength->SetMinValue(kStrengthMin);
  EdStrength->SetErrValue(kStrengthError);
  EdStrength->SetValue(kStrengthError);

  // What a screen reader says of the controls whose caption does not tell, or that have
  // none: the fields are named by their labels.
  EdFolder->SetAccessibleName(Label1->Caption());
  EdStrength->SetAccessibleName(Label2->Caption());
  MemoLog->SetAccessibleName(L"Log");
  GauLog->SetAccessibleName(L"Progress");
  ButDir->SetAccessibleName(L"Browse for the Noxfade folder");
  ButHelp->SetAccessibleName(L"Help");

  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  OnDestroy = [this] { FormDestroy(); };
  DoCreate();
}

// Tahoma's hinted widths grow faster than its height: at a scaled DPI the font is made
// smaller, by at most an eighth, until every single-line caption fits the room its control
// gives it (a button keeps 3 pixels on each side, the check box's caption follows the
// indicator and a gap, the strength's digits stay clear of the spin button).
int TFormCVPluginDenoise::FontHeightAt(const DpiScale& scale) const {
  struct Caption {
    const wchar_t* text;
    int room;  // at 96 DPI
  };
  static const Caption kCaptions[] = {
      {L"Noxfade 1.2 installation folder", 149}, {L"Strength", 42}, {L"Start", 78 - 6},
      {L"...", 43 - 6}, {L"Image is 8 bit", 86 - 15 - 4}, {L"100", 52 - 4 - 24 - 4 - 2},
      {L"_Test imagemode_", 117 - 13 - 4},  // the system's check box, invisible
  };
  HDC dc = GetDC(nullptr);
  if (!dc) return Form::FontHeightAt(scale);
  const auto fits = [&](int height) {
    nox::Font font(FontFace(), height);
    HGDIOBJ old = SelectObject(dc, font.Handle());
    bool all = true;
    for (const Caption& c : kCaptions) {
      SIZE size{};
      GetTextExtentPoint32W(dc, c.text, static_cast<int>(wcslen(c.text)), &size);
      all = all && size.cx <= scale.Px(c.room);
    }
    SelectObject(dc, old);
    return all;
  };
  const int height = FittedFontHeight(DesignFontHeight(), scale, fits);
  ReleaseDC(nullptr, dc);
  return height;
}

void TFormCVPluginDenoise::FormCreate() {
  TempFolder = GetTempFolder();
  ConfigFolder = FindConfigFolder(L"Celvanta");
  if (ConfigFolder.empty()) ConfigFolder = FindConfigFolder(L"CelvantaDemo");
  if (ConfigFolder.empty()) ConfigFolder = TempFolder;
  RestoreSettings();
  GauLog->SetBackShade(0x202020);  // the unfilled part 32 levels darker than the background
}

// Runs each time the dialog becomes visible, and at the start and end of a run: the
// gauge takes the current button face and its blue, darkened on a dark scheme; the other
// controls take the system's colours as they paint, so the rest is a repaint.
void TFormCVPluginDenoise::FormShow() {
  GauLog->SetColor(SystemColor(kClBtnFace));
  GauLog->SetBackColor(SystemColor(kClBtnFace));
  GauLog->SetForeColor(DarkenIfDark(kGaugeForeColor, 0x00484848));
  if (Handle()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TFormCVPluginDenoise::FormDestroy() { SaveSettings(); }

// The settings store restores the controls tagged 12345 (EdFolder's text, CBScale8bit's
// check state, EdStrength's text) from SettingsFile(). A missing or unreadable file leaves
// them at their design values. Without the module's store (the dialog outside the
// plug-in) nothing is read.
void TFormCVPluginDenoise::RestoreSettings() {
  TAutosaver* store = Autosaver();
  if (!store) return;
  try {
    // A file that cannot be read gives the design values, never an earlier dialog's lines
    // (the module may have stayed mapped through the host's unloading and loading it).
    if (!store->LoadFile(SettingsFile())) store->LoadBytes(std::string_view());
    store->RestoreForm(*this);
  } catch (...) {
    // the dialog works with whatever was restored
  }
}

// The settings store captures the tagged controls and writes SettingsFile(). An empty
// folder is never saved over a stored one. Once the window is gone (the host destroyed
// its own window first) the values captured as it went are written. A failure is not
// reported, and nothing escapes: this runs while the dialog is destroyed.
void TFormCVPluginDenoise::SaveSettings() {
  try {
    TAutosaver* store = Autosaver();
    if (!store) return;
    if (Handle()) {
      if (EdFolder->Text().empty()) return;
      store->CaptureForm(*this);
    } else if (!mCapturedAtDestroy) {
      return;
    }
    store->SaveFile(SettingsFile());
  } catch (...) {
  }
}

// The controls still have their windows here; afterwards they read as empty.
void TFormCVPluginDenoise::WindowDestroying() {
  TAutosaver* store = Autosaver();
  if (!store || EdFolder->Text().empty()) return;
  store->CaptureForm(*this);
  mCapturedAtDestroy = true;
}

void TFormCVPluginDenoise::ButDirClick() {
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = Application::Instance().OwnerWindow();
  info.pidlRoot = nullptr;
  info.pszDisplayName = display;
  info.lpszTitle = L"Noxfade installation folder";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;  // 0x241

  // The browser is modal to the whole thread: the host window (its owner) is disabled
  // by it, the rest (our dialog included) by the modal loop guard, which also keeps the
  // dialog alive until this handler has returned.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  PIDLIST_ABSOLUTE chosen = nullptr;
  {
    ModalLoop modal(info.hwndOwner);
    chosen = SHBrowseForFolderW(&info);
  }
  std::wstring path;
  if (chosen) {
    std::vector<wchar_t> buf(32768, L'\0');
    if (SHGetPathFromIDListEx(chosen, buf.data(), static_cast<DWORD>(buf.size()), GPFIDL_DEFAULT))
      path = UpToNul(buf);
    CoTaskMemFree(chosen);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  if (!chosen) return;  // cancelled
  if (!path.empty()) EdFolder->SetText(AddTrailingBackslash(path));
  SaveSettings();
}

void TFormCVPluginDenoise::ButHelpClick() {
  const std::wstring readme = HostExeFolder() + L"NoxfadePlugin-readme.htm";
  if (!FileExists(readme)) {
    ShowErrorBox(L"Error",
                 L"\"NoxfadePlugin-readme.htm\" not found.\rYou may find this file inside the zip archive.");
    return;
  }
  const HINSTANCE result =
      ShellExecuteW(GetDesktopWindow(), L"open", readme.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  if (reinterpret_cast<INT_PTR>(result) <= 32) ShowErrorBox(L"Error", L"Cannot open document.");
}

// ---- run guard and automation

bool TFormCVPluginDenoise::Busy() const { return mRunning || !StartEnabled(); }

// Start's click. A click while busy does nothing. mRunning covers the whole of
// ButStartClick; a release asked for meanwhile is carried out once the run has ended.
// The run dispatches messages, inside which the host may free the module: it stays
// mapped from here on.
void TFormCVPluginDenoise::StartClicked() {
  if (Busy() || Abandoned()) return;
  Application::Instance().PinModule();
  struct RunGuard {
    TFormCVPluginDenoise* form;
    ~RunGuard() { form->mRunning = false; }
  } guard{this};
  mRunning = true;
  mStopRequest = StopRequest::None;
  mDenoiserExited = false;
  ButStartClick();
  // The run has ended: a screen reader that follows the log reads its last line.
  MemoLog->AccNotify(EVENT_OBJECT_VALUECHANGE);
}

// Escape in the dialog (IsDialogMessage turns it into IDCANCEL). During a run it offers to
// stop the denoiser; otherwise it does nothing.
LRESULT TFormCVPluginDenoise::WmCommand(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == IDCANCEL && lParam == 0) {
    EscapePressed();
    return 0;
  }
  return Form::WmCommand(msg, wParam, lParam);
}

// Before the denoiser's own process has ended, a stop leaves the image as it was; after it,
// only processes it started hold its output, and a stop ends them and uses its result.
void TFormCVPluginDenoise::EscapePressed() {
  if (!mRunning || mStopRequest != StopRequest::None) return;
  const bool waiting = mDenoiserExited;
  const wchar_t* const question =
      waiting ? L"Stop waiting for the processes Noxfade started?\r"
                L"They will be ended; the result is used if Noxfade wrote one."
              : L"Stop the denoiser?\rThe image will be left as it was.";
  const int answer = ShowMessageBox(
      L"Noxfade", question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_TASKMODAL | MB_TOPMOST);
  if (answer == IDYES && mRunning)
    mStopRequest = waiting ? StopRequest::StopWaiting : StopRequest::StopDenoiser;
}

// WM_PLUGIN_COMMAND, recognised only when wParam and lParam hold the same known code:
//  - PLUGIN_CMD_START: clicks Start; the whole run happens before the message returns,
//    and the answer is 1. While busy it starts nothing and answers 0.
//  - PLUGIN_CMD_QUERY_BUSY: 1 while a run is in progress or Start is disabled, else 0.
LRESULT TFormCVPluginDenoise::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kWmPluginCommand && wParam == static_cast<WPARAM>(lParam) &&
      (wParam == kPluginCmdStart || wParam == kPluginCmdQueryBusy))
    return WmPluginCommand(wParam);
  return Form::WndProc(msg, wParam, lParam);
}

LRESULT TFormCVPluginDenoise::WmPluginCommand(WPARAM code) {
  if (code == kPluginCmdQueryBusy) return Busy() ? 1 : 0;
  if (Busy()) return 0;
  ButStart->Click();
  return 1;
}

// ---- for the workflow

void TFormCVPluginDenoise::ClearLog() { MemoLog->Clear(); }
void TFormCVPluginDenoise::AppendLog(const std::wstring& line) { MemoLog->Append(line); }
void TFormCVPluginDenoise::SetProgress(int value) { GauLog->SetProgress(value); }
void TFormCVPluginDenoise::ProcessMessages() { Application::Instance().ProcessMessages(); }
void TFormCVPluginDenoise::SetStartEnabled(bool enabled) { ButStart->SetEnabled(enabled); }
bool TFormCVPluginDenoise::StartEnabled() const {
  return ButStart->Handle() ? IsWindowEnabled(ButStart->Handle()) != FALSE : ButStart->Enabled();
}

double TFormCVPluginDenoise::StrengthValue() const { return EdStrength->Value(); }
int64_t TFormCVPluginDenoise::StrengthIntegerValue() const { return EdStrength->IntegerValue(); }
bool TFormCVPluginDenoise::Scale8bit() const { return CBScale8bit->Checked(); }
bool TFormCVPluginDenoise::TestImageMode() const { return CBTestImage->Checked(); }
std::wstring TFormCVPluginDenoise::FolderText() const { return EdFolder->Text(); }
nox::HostCallback TFormCVPluginDenoise::HostCallback() const { return gHostCallback; }
void TFormCVPluginDenoise::SetHostCallback(nox::HostCallback callback) { gHostCallback = callback; }

int TFormCVPluginDenoise::ScreenLeft() const {
  RECT r{};
  if (Handle()) GetWindowRect(Handle(), &r);
  return r.left;
}

int TFormCVPluginDenoise::ScreenTop() const {
  RECT r{};
  if (Handle()) GetWindowRect(Handle(), &r);
  return r.top;
}

}  // namespace nox
