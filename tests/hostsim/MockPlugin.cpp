// A stand-in plug-in for testing the host: a dialog of the real dialog's class with the
// controls the batch mode fills in, whose Start (the automation message) reads back what
// it was given, goes through the host commands, inverts the image and logs it all.
#include <windows.h>

#include <string>

#include "dialog/ControlIds.h"
#include "host/HostProtocol.h"

namespace {

using namespace nox;

HostCallback host = nullptr;
HWND owner = nullptr;
HWND dialog = nullptr;
HINSTANCE instance = nullptr;

int64_t Address(void* p) { return reinterpret_cast<int64_t>(p); }

std::wstring Text(int id) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(GetDlgItem(dialog, id), buffer, 1024);
  return buffer;
}

void Log(const std::wstring& log) { SetWindowTextW(GetDlgItem(dialog, IdMemoLog), log.c_str()); }

// The log holds one line per fact, joined by CR LF, as a memo gives them back.
void Start() {
  const int64_t h = host(CmdGetCurrentImage, kCurrentImageQuery, 0, 0);
  if (h == 0) {
    Log(L"Please open an image.");
    return;
  }
  const std::wstring folder = Text(IdEdFolder);
  if (folder == L"refuse") {
    Log(L"Image range is too low, it must be 16 bits. See docs.");
    return;
  }
  int32_t width = 0, height = 0;
  host(CmdGetImageSize, h, Address(&width), Address(&height));
  float* planes[3] = {};
  const int64_t indexes[3] = {0, 2, 3};
  for (int i = 0; i < 3; ++i) host(CmdGetPlane, h, Address(&planes[i]), indexes[i]);
  const bool colour = planes[0] != planes[1];
  const bool eightBit =
      SendMessageW(GetDlgItem(dialog, IdCBScale8bit), BM_GETCHECK, 0, 0) == BST_CHECKED;
  const float first = planes[0][0];

  host(CmdSaveUndo, h, 0, 0);
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  const float top = eightBit ? 255.0f : 65535.0f;
  for (int p = 0; p < (colour ? 3 : 1); ++p)
    for (size_t i = 0; i < n; ++i) planes[p][i] = top - planes[p][i];
  const int64_t version = host(CmdGetHostVersion, 0, 0, 0);
  std::wstring log = L"folder=" + folder + L"\r\nstrength=" + Text(IdEdStrength) +
                     L"\r\n8bit=" + std::to_wstring(eightBit ? 1 : 0) + L"\r\nsize=" +
                     std::to_wstring(width) + L"x" + std::to_wstring(height) + L"\r\ncolour=" +
                     std::to_wstring(colour ? 1 : 0) + L"\r\nversion=" + std::to_wstring(version);
  if (version > 804) {
    float* undo = nullptr;
    host(CmdGetUndoPlane, h, Address(&undo), 0);
    log += L"\r\nundo=" + std::to_wstring(undo == nullptr ? -1 : static_cast<int>(undo[0])) +
           L" was=" + std::to_wstring(static_cast<int>(first));
  }
  host(CmdRefreshImage, h, kRefreshRedraw, 0);
  if (folder.size() >= 4 && folder.compare(folder.size() - 4, 4, L"fail") == 0) {
    log += L"\r\nERROR: Noxfade executable not found in: \r" + folder + L"\\";
  }
  Log(log);
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kWmPluginCommand && wParam == static_cast<WPARAM>(lParam)) {
    if (wParam == kPluginCmdStart) {
      Start();
      return 1;
    }
    if (wParam == kPluginCmdQueryBusy) return 0;
  }
  if (message == WM_DESTROY && window == dialog) dialog = nullptr;
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND Child(const wchar_t* cls, int id, DWORD style, const wchar_t* text) {
  return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 30 * (id - 100), 200, 24,
                         dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

void CreateMockDialog() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DialogProc;
  wc.hInstance = instance;
  wc.lpszClassName = kDialogClassName;
  RegisterClassW(&wc);
  dialog = CreateWindowExW(WS_EX_TOPMOST, kDialogClassName, kDialogCaption, WS_POPUP | WS_CAPTION,
                           0, 0, 300, 400, owner, nullptr, instance, nullptr);
  Child(L"EDIT", IdMemoLog, ES_MULTILINE, L"");
  Child(L"EDIT", IdEdFolder, 0, L"");
  Child(L"EDIT", IdEdStrength, 0, L"80");
  Child(L"BUTTON", IdCBScale8bit, BS_AUTOCHECKBOX, L"Image is 8 bit");
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) instance = module;
  return TRUE;
}

extern "C" __declspec(dllexport) int32_t pi_initialize(HostCallback callback, char* name,
                                                       char* description, void* hostWindow) {
  host = callback;
  lstrcpyA(name, "Mock plug-in 0.1");
  lstrcpyA(description, "Inverts the image");
  owner = static_cast<HWND>(hostWindow);
  return 1;
}

extern "C" __declspec(dllexport) void pi_activate() {
  if (dialog == nullptr) CreateMockDialog();
  ShowWindow(dialog, SW_SHOW);
}

// The release is deferred, as the real plug-in's is.
extern "C" __declspec(dllexport) void pi_finalize() {
  if (dialog != nullptr) PostMessageW(dialog, WM_CLOSE, 0, 0);
}
