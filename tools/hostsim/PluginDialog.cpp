#include "PluginDialog.h"

#include <vector>

#include "host/HostProtocol.h"

namespace nox {

namespace {

BOOL CALLBACK MatchDialog(HWND window, LPARAM found) {
  wchar_t className[64] = {};
  if (GetClassNameW(window, className, 64) > 0 && lstrcmpW(className, kDialogClassName) == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindPluginDialog() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&found));
  if (found == nullptr) found = FindWindowW(kDialogClassName, nullptr);
  return found;
}

bool PluginBusy() {
  HWND dialog = FindPluginDialog();
  return dialog != nullptr &&
         SendMessageW(dialog, kWmPluginCommand, kPluginCmdQueryBusy, kPluginCmdQueryBusy) == 1;
}

bool SetControlText(HWND dialog, int id, const std::wstring& text) {
  HWND control = GetDlgItem(dialog, id);
  return control != nullptr &&
         SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != FALSE;
}

std::wstring ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return std::wstring();
  const auto length = static_cast<size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0));
  std::vector<wchar_t> buffer(length + 1, L'\0');
  const auto copied = static_cast<size_t>(SendMessageW(
      control, WM_GETTEXT, static_cast<WPARAM>(buffer.size()), reinterpret_cast<LPARAM>(buffer.data())));
  return std::wstring(buffer.data(), copied < buffer.size() ? copied : length);
}

bool SetCheckBox(HWND dialog, int id, bool checked) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return false;
  SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  return true;
}

LRESULT PressStart(HWND dialog) {
  return SendMessageW(dialog, kWmPluginCommand, kPluginCmdStart, kPluginCmdStart);
}

}  // namespace nox
