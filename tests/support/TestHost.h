// A host for the Windows tests: loads the real pinoxfade.dll from the test executable's
// folder, serves in-memory images through a HostCallback that records every call, and
// helps to find and drive the dialog's windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/HostProtocol.h"

namespace nox {
namespace test {

struct HostCall {
  uint8_t command;
  int64_t arg1;
  int64_t arg2;
  int64_t arg3;
};

struct HostImage {
  int32_t width = 0;
  int32_t height = 0;
  bool mono = true;
  std::vector<float> planes[3];  // host planes 0, 2, 3 (a mono image serves plane 0 for all)
  std::vector<float> undo[3];
  int saveUndoCount = 0;
  int refreshCount = 0;
  // Set by PagePlanes: the planes the callback serves, in pages of their own.
  float* paged[3] = {};
  std::size_t pagedBytes = 0;
  bool closed = false;
};

class TestHost {
 public:
  // Loads the DLL (Loaded() tells whether it worked) and makes a hidden host window.
  TestHost();
  ~TestHost();  // frees the DLL if still loaded
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  static TestHost* Current() { return sCurrent; }
  static std::wstring ExeFolder();  // ends in a backslash

  bool Loaded() const { return mModule != nullptr; }
  HMODULE Module() const { return mModule; }
  HWND HostWindow() const { return mHostWindow; }

  // The exports, with this host's callback, buffers and window.
  int32_t Initialize();
  void Activate();
  void Finalize();
  void Unload();  // FreeLibrary
  char NameBuffer[64];
  char DescriptionBuffer[64];

  // Images served by the callback; handles start at 1. Current image 0 means none open.
  ImageHandle AddImage(int32_t width, int32_t height, bool mono, float value);
  HostImage& Image(ImageHandle h) { return mImages.at(static_cast<size_t>(h - 1)); }
  ImageHandle CurrentImage = 0;
  int64_t Version = 900;
  // Serves image h's planes from pages of their own, as a host does with a large image, so
  // that CloseImage can take them away; PagedPlane reads them back.
  void PagePlanes(ImageHandle h);
  std::vector<float> PagedPlane(ImageHandle h, int slot);
  // Closes image h as such a host does: its planes' pages are decommitted (a write into them
  // faults) and it is current no more. Calls naming it are still served as before, blindly.
  void CloseImage(ImageHandle h);
  // False: CmdGetPlane leaves the pointer it is given untouched, as a failing host would.
  bool ServePlanes = true;

  std::vector<HostCall> Calls;
  std::vector<HostCall> CallsOf(uint8_t command) const;
  // Runs inside the callback, after the call is recorded and before it is served.
  std::function<void(const HostCall&)> OnCall;

  // Windows of this process.
  static std::vector<HWND> DialogWindows();  // every window of class TFormCVPluginDenoise
  static HWND Dialog();                      // the first of them, or null
  static HWND Control(int id) { return GetDlgItem(Dialog(), id); }
  static std::wstring Text(HWND hwnd);
  static std::vector<std::wstring> LogLines();  // MemoLog's text split at CR LF
  static LRESULT SendPluginCommand(WPARAM wParam, LPARAM lParam);
  // Dispatches every pending message, for at least `ms` milliseconds.
  static void Pump(int ms = 0);

 private:
  static int64_t Callback(uint8_t command, int64_t arg1, int64_t arg2, int64_t arg3);
  int64_t Serve(const HostCall& call);

  static TestHost* sCurrent;
  HMODULE mModule = nullptr;
  pi_initialize_fn mInitialize = nullptr;
  pi_activate_fn mActivate = nullptr;
  pi_finalize_fn mFinalize = nullptr;
  HWND mHostWindow = nullptr;
  std::vector<HostImage> mImages;
};

// Captures and closes the dialog boxes ("#32770": message boxes, the folder browser) that
// open on this thread while it is alive: a timer looks for them every few milliseconds,
// records caption, child texts and the thread's other enabled top-level windows, and closes
// them with IDCANCEL; when BeforeClose is set, only once it has returned true for the box.
class DialogCatcher {
 public:
  struct Box {
    std::wstring caption;
    std::vector<std::wstring> texts;  // the texts of its child windows
    std::vector<HWND> enabledWindows;  // the thread's other enabled top-level windows
    bool HasText(const std::wstring& t) const;
    bool WasEnabled(HWND hwnd) const;  // hwnd was enabled while the box was up
  };
  DialogCatcher();
  ~DialogCatcher();
  std::vector<Box> Caught;
  // Called on every tick while a box is up; runs inside the box's modal loop.
  std::function<bool(HWND box)> BeforeClose;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  static DialogCatcher* sActive;
  UINT_PTR mTimer = 0;
  std::vector<HWND> mSeen;
};

}  // namespace test
}  // namespace nox
