// A DLL that only tells whether it was loaded: on attach it writes the current folder to
// the file named by the environment variable PINOXFADE_FIP_PROBE_MARK. Copied beside the
// test host as "probe.fip", it stands for a stranger's image-format plug-in.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t mark[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"PINOXFADE_FIP_PROBE_MARK", mark, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  wchar_t folder[MAX_PATH];
  const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
  HANDLE file = CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, folder, length * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
  }
  return TRUE;
}

