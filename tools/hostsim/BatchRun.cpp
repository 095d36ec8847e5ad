#include "BatchRun.h"

#include <cstdio>
#include <filesystem>

#include "PluginDialog.h"
#include "RunTimings.h"
#include "dialog/ControlIds.h"

namespace nox {

namespace {

void Fail(const std::wstring& text) { PrintUtf8(stderr, L"hostsim: " + text + L"\n"); }

// Keeps the windows alive (painting, answering) for the given time.
void Linger(unsigned long milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    PumpPendingMessages();
  }
}

double Seconds() {
  LARGE_INTEGER now;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Follows the run's phases for --timings: every command of the plug-in, and the first time
// the plug-in processes the host's messages after fetching the planes. For that, each
// CmdGetPlane posts a message to a message-only window; the plug-in dispatches it as soon
// as it processes pending messages, which it first does while the denoiser runs.
class PhaseWatch {
 public:
  PhaseWatch(HostSession& session, bool enabled) : mSession(session) {
    if (!enabled) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = Procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"HostsimPhaseWatch";
    RegisterClassW(&wc);
    mWindow = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
    if (mWindow == nullptr) return;
    SetWindowLongPtrW(mWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    session.SetCommandObserver([this](uint8_t command, bool done) {
      if (!done) {
        mStarted = Seconds();
        return;
      }
      mTimings.Command(command, mStarted, Seconds());
      if (command == CmdGetPlane) PostMessageW(mWindow, kMarkMessage, 0, 0);
    });
  }
  ~PhaseWatch() {
    if (mWindow == nullptr) return;
    mSession.SetCommandObserver(nullptr);
    DestroyWindow(mWindow);
  }
  PhaseWatch(const PhaseWatch&) = delete;
  PhaseWatch& operator=(const PhaseWatch&) = delete;

  void Print() const {
    for (const std::wstring& line : mTimings.Lines()) PrintUtf8(stdout, L"timing: " + line + L"\n");
  }

 private:
  static constexpr UINT kMarkMessage = WM_APP + 17;

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kMarkMessage) {
      auto* self = reinterpret_cast<PhaseWatch*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (self != nullptr) self->mTimings.MessagesProcessed(Seconds());
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  HostSession& mSession;
  HWND mWindow = nullptr;
  RunTimings mTimings;
  double mStarted = 0.0;
};

}  // namespace

void PrintUtf8(FILE* stream, const std::wstring& text) {
  if (text.empty()) return;
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return;
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  fwrite(utf8.data(), 1, utf8.size(), stream);
  fflush(stream);
}

int RunBatch(const HostOptions& options, HostSession& session, PluginModule& plugin,
             HostWindow& window) {
  plugin.Activate();
  PumpPendingMessages();
  HWND dialog = FindPluginDialog();
  if (dialog == nullptr) {
    Fail(L"the plug-in showed no dialog");
    return 2;
  }
  if (!SetControlText(dialog, IdEdFolder, options.denoiser)) {
    Fail(L"the dialog has no folder field");
    return 2;
  }
  if (options.strength && !SetControlText(dialog, IdEdStrength, *options.strength)) {
    Fail(L"the dialog has no strength field");
    return 2;
  }
  if (!SetCheckBox(dialog, IdCBScale8bit, options.eightBit)) {
    Fail(L"the dialog has no 8-bit option");
    return 2;
  }
  PumpPendingMessages();

  PhaseWatch phases(session, options.timings);
  if (PressStart(dialog) != 1) Fail(L"the dialog did not take the Start command");
  PumpPendingMessages();

  int code = 0;
  if (!options.out.empty()) {
    std::string reason;
    if (!session.HasImage() ||
        !SaveHostImage(session.Image(), std::filesystem::path(options.out), reason)) {
      Fail(L"cannot save " + options.out + L": " + std::filesystem::u8path(reason).wstring());
      code = 2;
    }
  }

  const std::wstring log = ControlText(dialog, IdMemoLog);
  for (const std::wstring& line : LogLinesForPrinting(log)) PrintUtf8(stdout, line + L"\n");
  if (options.timings) phases.Print();
  if (code == 0) code = BatchExitCode(log);

  if (options.show) window.ImageChanged();
  Linger(options.lingerMs);
  return code;
}

}  // namespace nox
