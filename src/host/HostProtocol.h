// The host boundary as both sides see it: the host's service callback, its command
// codes, the automation message and the handshake texts. Portable: no <windows.h>, so
// the stand-in host, the tests and the plug-in share one definition.
#pragma once

#include <cstdint>

namespace nox {

// The host's service function: a command in the low 8 bits of the first argument and
// three 64-bit arguments; the result is read only for GetCurrentImage and GetHostVersion.
using HostCallback = int64_t (*)(uint8_t command, int64_t arg1, int64_t arg2, int64_t arg3);

using ImageHandle = int64_t;  // 0: no image

enum HostCommand : uint8_t {
  CmdGetPlane = 0,          // (h, float** out, plane index 0|2|3)
  CmdGetImageSize = 1,      // (h, int32_t* width, int32_t* height)
  CmdRefreshImage = 2,      // (h, 1, 0)
  CmdSaveUndo = 8,          // (h, 0, 0)
  CmdGetCurrentImage = 16,  // (4096, 0, 0) -> ImageHandle or 0
  CmdGetHostVersion = 17,   // (0, 0, 0) -> version number
  CmdGetUndoPlane = 42,     // (h, float** out, plane index 0|2|3)
};

constexpr int64_t kCurrentImageQuery = 4096;
constexpr int64_t kRefreshRedraw = 1;
constexpr int64_t kFirstBlendingHostVersion = 805;  // blend only above 804

// Automation message: WM_USER + 20, recognised when wParam == lParam == code.
constexpr unsigned kWmPluginCommand = 0x0400 + 20;
constexpr uintptr_t kPluginCmdStart = 1011;      // presses Start; answers 1
constexpr uintptr_t kPluginCmdQueryBusy = 1012;  // 1 while a run is in progress, else 0

constexpr char kPluginName[] = "Noxfade 1.2";
constexpr char kPluginDescription[] = "Noise removal using AI";

constexpr wchar_t kDialogClassName[] = L"TFormCVPluginDenoise";
constexpr wchar_t kDialogCaption[] = L"Plugin for Noxfade v1.2";

}  // namespace nox

// Export signatures (x64: one calling convention; names and ordinals come from the .def file).
extern "C" {
typedef int32_t (*pi_initialize_fn)(nox::HostCallback callback, char* nameBuffer,
                                    char* descriptionBuffer, void* hostWindow);
typedef void (*pi_activate_fn)();
typedef void (*pi_finalize_fn)();
}
