// hostsim: a small stand-in host for developing and trying the plug-in. It loads the
// plug-in DLL, opens TIFF and PNG images into float planes, shows them, and serves the
// plug-in's host commands; --batch runs one denoise from the command line.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>
#include <vector>

#include "BatchRun.h"
#include "HostOptions.h"
#include "HostSession.h"
#include "HostWindow.h"
#include "PluginModule.h"

namespace {

int RunMessageLoop() {
  MSG msg;
  BOOL status;
  while ((status = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
    if (status == -1) return 2;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

int Run(const nox::HostOptions& options) {
  // DPI-aware, as current hosts are: the plug-in's dialog sees the screen's DPI.
  SetProcessDPIAware();
  nox::HostSession session(std::cerr);
  session.SetVersion(options.version);
  session.BindCallback();

  nox::PluginModule plugin;
  nox::HostWindow window(session, plugin);
  std::wstring error;
  const bool visible = !options.batch || options.show;
  if (!window.Create(GetModuleHandleW(nullptr), visible, error)) {
    nox::PrintUtf8(stderr, L"hostsim: " + error + L"\n");
    return 2;
  }
  session.SetRefreshHandler([&window] { window.ImageChanged(); });

  const std::wstring dll =
      options.plugin.empty() ? nox::ExecutableFolder() + L"pinoxfade.dll" : options.plugin;
  if (plugin.Load(dll, error)) {
    plugin.Initialize(&nox::HostSession::Callback, window.Window());
    window.AddPluginMenu(plugin.Name());
  } else if (options.batch) {
    nox::PrintUtf8(stderr, L"hostsim: " + error + L"\n");
    return 2;
  } else {
    MessageBoxW(window.Window(), error.c_str(), L"hostsim", MB_OK | MB_ICONWARNING);
  }

  if (!options.image.empty() && !window.OpenFile(options.image, error)) {
    if (options.batch) {
      nox::PrintUtf8(stderr, L"hostsim: " + error + L"\n");
      return 2;
    }
    MessageBoxW(window.Window(), error.c_str(), L"hostsim", MB_OK | MB_ICONWARNING);
  }

  int code;
  if (options.batch) {
    code = nox::RunBatch(options, session, plugin, window);
    plugin.Finalize();  // the dialog goes before its owner window
    DestroyWindow(window.Window());
    nox::PumpPendingMessages();
    plugin.Unload();
  } else {
    code = RunMessageLoop();
    plugin.Unload();
  }
  return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // log lines end in LF, as scripts expect
  try {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    nox::HostOptions options;
    std::wstring error;
    if (!nox::ParseHostOptions(args, options, error)) {
      nox::PrintUtf8(stderr, L"hostsim: " + error + L"\n" + nox::UsageText());
      return 2;
    }
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "hostsim: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "hostsim: unexpected failure\n");
  }
  return 2;
}
