#include "support/TestHost.h"

#include "dialog/ControlIds.h"

#include <cstring>

namespace nox {
namespace test {

TestHost* TestHost::sCurrent = nullptr;
DialogCatcher* DialogCatcher::sActive = nullptr;

namespace {
const wchar_t kHostClass[] = L"NoxTestHostWindow";

HWND MakeHostWindow() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kHostClass;
  RegisterClassExW(&wc);  // fails harmlessly when already registered
  return CreateWindowExW(0, kHostClass, L"Test host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[128] = {};
  GetClassNameW(hwnd, name, 128);
  return name;
}
}  // namespace

std::wstring TestHost::ExeFolder() {
  wchar_t path[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring p = path;
  return p.substr(0, p.find_last_of(L"\\/") + 1);
}

TestHost::TestHost() {
  sCurrent = this;
  std::memset(NameBuffer, 0xCC, sizeof(NameBuffer));
  std::memset(DescriptionBuffer, 0xCC, sizeof(DescriptionBuffer));
  mHostWindow = MakeHostWindow();
  mModule = LoadLibraryW((ExeFolder() + L"pinoxfade.dll").c_str());
  if (mModule) {
    mInitialize = reinterpret_cast<pi_initialize_fn>(
        reinterpret_cast<void*>(GetProcAddress(mModule, "pi_initialize")));
    mActivate = reinterpret_cast<pi_activate_fn>(
        reinterpret_cast<void*>(GetProcAddress(mModule, "pi_activate")));
    mFinalize = reinterpret_cast<pi_finalize_fn>(
        reinterpret_cast<void*>(GetProcAddress(mModule, "pi_finalize")));
    if (!mInitialize || !mActivate || !mFinalize) Unload();
  }
}

TestHost::~TestHost() {
  Unload();
  for (HostImage& img : mImages)
    for (float* plane : img.paged)
      if (plane) VirtualFree(plane, 0, MEM_RELEASE);
  if (mHostWindow) DestroyWindow(mHostWindow);
  Pump();
  if (sCurrent == this) sCurrent = nullptr;
}

int32_t TestHost::Initialize() {
  return mInitialize(&TestHost::Callback, NameBuffer, DescriptionBuffer, mHostWindow);
}
void TestHost::Activate() { mActivate(); }
void TestHost::Finalize() { mFinalize(); }

void TestHost::Unload() {
  if (mModule) FreeLibrary(mModule);
  mModule = nullptr;
  mInitialize = nullptr;
  mActivate = nullptr;
  mFinalize = nullptr;
}

ImageHandle TestHost::AddImage(int32_t width, int32_t height, bool mono, float value) {
  HostImage img;
  img.width = width;
  img.height = height;
  img.mono = mono;
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (int i = 0; i < (mono ? 1 : 3); ++i) img.planes[i].assign(n, value);
  mImages.push_back(std::move(img));
  return static_cast<ImageHandle>(mImages.size());
}

void TestHost::PagePlanes(ImageHandle h) {
  HostImage& img = Image(h);
  img.pagedBytes = img.planes[0].size() * sizeof(float);
  for (int i = 0; i < (img.mono ? 1 : 3); ++i) {
    img.paged[i] = static_cast<float*>(
        VirtualAlloc(nullptr, img.pagedBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (img.paged[i]) std::memcpy(img.paged[i], img.planes[i].data(), img.pagedBytes);
  }
}

std::vector<float> TestHost::PagedPlane(ImageHandle h, int slot) {
  const HostImage& img = Image(h);
  const float* plane = img.paged[slot];
  return plane ? std::vector<float>(plane, plane + img.pagedBytes / sizeof(float)) : std::vector<float>();
}

void TestHost::CloseImage(ImageHandle h) {
  HostImage& img = Image(h);
  for (float* plane : img.paged)
    if (plane) VirtualFree(plane, 0, MEM_DECOMMIT);
  img.closed = true;
  if (CurrentImage == h) CurrentImage = 0;
}

std::vector<HostCall> TestHost::CallsOf(uint8_t command) const {
  std::vector<HostCall> out;
  for (const HostCall& c : Calls)
    if (c.command == command) out.push_back(c);
  return out;
}

int64_t TestHost::Callback(uint8_t command, int64_t arg1, int64_t arg2, int64_t arg3) {
  TestHost* host = sCurrent;
  if (!host) return 0;
  const HostCall call{command, arg1, arg2, arg3};
  host->Calls.push_back(call);
  if (host->OnCall) host->OnCall(call);
  return host->Serve(call);
}

int64_t TestHost::Serve(const HostCall& call) {
  auto plane = [this](ImageHandle h, int64_t index, bool undo) -> float* {
    HostImage& img = Image(h);
    const int slot = img.mono ? 0 : (index == 0 ? 0 : index == 2 ? 1 : 2);
    if (!undo && img.paged[slot]) return img.paged[slot];
    std::vector<float>& v = undo ? img.undo[slot] : img.planes[slot];
    return v.empty() ? nullptr : v.data();
  };
  const bool valid = call.arg1 >= 1 && static_cast<size_t>(call.arg1) <= mImages.size();
  switch (call.command) {
    case CmdGetCurrentImage: return CurrentImage;
    case CmdGetHostVersion: return Version;
    case CmdGetImageSize:
      if (valid) {
        *reinterpret_cast<int32_t*>(static_cast<intptr_t>(call.arg2)) = Image(call.arg1).width;
        *reinterpret_cast<int32_t*>(static_cast<intptr_t>(call.arg3)) = Image(call.arg1).height;
      }
      return 0;
    case CmdGetPlane:
    case CmdGetUndoPlane:
      if (valid && (ServePlanes || call.command == CmdGetUndoPlane))
        *reinterpret_cast<float**>(static_cast<intptr_t>(call.arg2)) =
            plane(call.arg1, call.arg3, call.command == CmdGetUndoPlane);
      return 0;
    case CmdSaveUndo:
      if (valid) {
        HostImage& img = Image(call.arg1);
        for (int i = 0; i < 3; ++i) img.undo[i] = img.paged[i] ? PagedPlane(call.arg1, i) : img.planes[i];
        ++img.saveUndoCount;
      }
      return 0;
    case CmdRefreshImage:
      if (valid) ++Image(call.arg1).refreshCount;
      return 0;
    default: return 0;
  }
}

// Top-level windows are shared by every process of the Wine session (tests may run in
// parallel), so the search keeps to this process's windows.
std::vector<HWND> TestHost::DialogWindows() {
  struct Search {
    std::vector<HWND> found;
  } search;
  EnumWindows(
      [](HWND hwnd, LPARAM lp) -> BOOL {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == GetCurrentProcessId() && ClassOf(hwnd) == kDialogClassName)
          reinterpret_cast<Search*>(lp)->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND TestHost::Dialog() {
  const std::vector<HWND> all = DialogWindows();
  return all.empty() ? nullptr : all.front();
}

std::wstring TestHost::Text(HWND hwnd) {
  const int len = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  const int got = GetWindowTextW(hwnd, &text[0], len + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

std::vector<std::wstring> TestHost::LogLines() {
  const std::wstring text = Text(Control(IdMemoLog));
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(L"\r\n", start);
    lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) break;
    start = end + 2;
  }
  return lines;
}

LRESULT TestHost::SendPluginCommand(WPARAM wParam, LPARAM lParam) {
  return SendMessageW(Dialog(), kWmPluginCommand, wParam, lParam);
}

void TestHost::Pump(int ms) {
  const DWORD until = GetTickCount() + static_cast<DWORD>(ms);
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (ms > 0) Sleep(5);
  } while (static_cast<int>(until - GetTickCount()) > 0);
}

bool DialogCatcher::Box::HasText(const std::wstring& t) const {
  for (const std::wstring& s : texts)
    if (s == t) return true;
  return false;
}

bool DialogCatcher::Box::WasEnabled(HWND hwnd) const {
  for (HWND h : enabledWindows)
    if (h == hwnd) return true;
  return false;
}

DialogCatcher::DialogCatcher() {
  sActive = this;
  mTimer = SetTimer(nullptr, 0, 30, &Tick);
}

DialogCatcher::~DialogCatcher() {
  if (mTimer) KillTimer(nullptr, mTimer);
  if (sActive == this) sActive = nullptr;
}

void CALLBACK DialogCatcher::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (!sActive) return;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM) -> BOOL {
        if (ClassOf(hwnd) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
        for (HWND seen : sActive->mSeen)
          if (seen == hwnd) return TRUE;
        if (sActive->BeforeClose && !sActive->BeforeClose(hwnd)) return TRUE;
        sActive->mSeen.push_back(hwnd);
        Box box;
        box.caption = TestHost::Text(hwnd);
        EnumChildWindows(
            hwnd,
            [](HWND child, LPARAM lp) -> BOOL {
              reinterpret_cast<Box*>(lp)->texts.push_back(TestHost::Text(child));
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&box));
        struct Others {
          HWND box;
          std::vector<HWND>* enabled;
        } others{hwnd, &box.enabledWindows};
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND top, LPARAM lp) -> BOOL {
              Others& o = *reinterpret_cast<Others*>(lp);
              if (top != o.box && IsWindowEnabled(top)) o.enabled->push_back(top);
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&others));
        sActive->Caught.push_back(box);
        PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
      },
      0);
}

}  // namespace test
}  // namespace nox
