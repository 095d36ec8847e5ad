// gallery.exe [--scheme light|dark|contrast] [--close-after MS]
// Shows the control gallery at the screen's top-left corner in the chosen colour scheme;
// with --close-after it closes itself after that many milliseconds (for screenshots).
#include <windows.h>

#include <cwchar>
#include <string>

#include "Gallery.h"
#include "toolkit/Application.h"

int wmain(int argc, wchar_t** argv) {
  gallery::Scheme scheme = gallery::Scheme::Light;
  UINT closeAfter = 0;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--scheme" && i + 1 < argc) {
      if (!gallery::ParseScheme(argv[++i], scheme)) {
        fwprintf(stderr, L"gallery: unknown scheme %ls (light, dark or contrast)\n", argv[i]);
        return 2;
      }
    } else if (arg == L"--close-after" && i + 1 < argc) {
      closeAfter = static_cast<UINT>(std::wcstoul(argv[++i], nullptr, 10));
    } else {
      fwprintf(stderr, L"usage: gallery [--scheme light|dark|contrast] [--close-after MS]\n");
      return 2;
    }
  }

  // Laid out for the screen's DPI by the gallery itself, not stretched by the system.
  SetProcessDPIAware();
  try {
    gallery::SchemeColors colors(scheme);
    auto* form = new gallery::GalleryForm();
    bool closed = false;
    form->OnDestroy = [&closed] { closed = true; };
    gallery::AddSkinnedControls(*form);
    gallery::AddNumericControls(*form);
    form->FitToRows();
    form->Show();
    // A thread timer of its own: controls run thread timers too (the spin button's repeat).
    const UINT_PTR closeTimer = closeAfter ? SetTimer(nullptr, 0, closeAfter, nullptr) : 0;
    MSG msg;
    while (!closed && form->Showing() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == WM_TIMER && msg.hwnd == nullptr && closeTimer && msg.wParam == closeTimer) break;
      if (nox::Application::Instance().FilterKeyboard(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (!closed) form->Free();
  } catch (...) {
    fwprintf(stderr, L"gallery: failed\n");
    return 1;
  }
  return 0;
}
