#include "plugin/PluginModule.h"

#include <cstring>

#include "dialog/DenoiserRunner.h"
#include "dialog/Unit1.h"
#include "imageio/FreeImageApi.h"
#include "settings/LibAutosave.h"
#include "settings/SettingsFilesWin.h"
#include "toolkit/Application.h"
#include "toolkit/FloatState.h"

namespace nox {
namespace plugin {

namespace {
HostCallback gCallback = nullptr;
TFormCVPluginDenoise* gDialog = nullptr;
bool gReleased = false;  // Finalize asked for the release of gDialog

// What the dialog calls for the host's callback: the host's code runs under the host's
// floating-point state, and the module's own is back when the call returns.
int64_t CallHost(uint8_t command, int64_t arg1, int64_t arg2, int64_t arg3) {
  const HostCallback host = gCallback;
  if (!host) return 0;
  CallerFloatScope hostState;
  return host(command, arg1, arg2, arg3);
}
}  // namespace

int32_t Initialize(HostCallback callback, char* nameBuffer, char* descriptionBuffer, HWND hostWindow) {
  gCallback = callback;
  TFormCVPluginDenoise::SetHostCallback(callback ? &CallHost : nullptr);
  std::memcpy(nameBuffer, kPluginName, sizeof(kPluginName));
  std::memcpy(descriptionBuffer, kPluginDescription, sizeof(kPluginDescription));
  Application::Instance().SetOwnerWindow(hostWindow);
  gDialog = nullptr;
  gReleased = false;
  return 1;
}

void Activate() {
  if (gReleased) return;  // released and not initialised again: never show it
  Application& app = Application::Instance();
  if (gDialog && app.IsLive(gDialog) && !gDialog->Handle()) {
    // Its window went with its owner (the host destroyed its window): start afresh. The
    // old one goes once nothing of it is in use (a run may still be unwinding).
    gDialog->Release();
    gDialog = nullptr;
  }
  if (!gDialog || !app.IsLive(gDialog)) gDialog = new TFormCVPluginDenoise();
  gDialog->Show();
}

void Finalize() {
  if (!gDialog || gReleased) return;
  gReleased = true;
  // Whatever earlier runs' denoisers left running ends with the plug-in's use: a host
  // that frees a module pinned by one of its loops unloads nothing.
  EndLeftoverDenoiserProcesses();
  if (!Application::Instance().IsLive(gDialog)) return;
  // A host may exit right after this call without handing us another message: the
  // settings are written now, and again when the release destroys the dialog. A run in
  // progress ends as a stop.
  gDialog->SaveSettings();
  gDialog->Release();
}

void Load() { CreateAutosaver(MakeWindowsSettingsFiles()); }

void Unload() {
  Application::Instance().Shutdown();  // a dialog still alive saves its settings here
  EndLeftoverDenoiserProcesses();
  DestroyAutosaver();
  ReleaseFreeImage();  // its format plug-ins' tables go with the module
  gDialog = nullptr;
  gReleased = false;
  gCallback = nullptr;
  TFormCVPluginDenoise::SetHostCallback(nullptr);
}

HostCallback Callback() { return gCallback; }
TFormCVPluginDenoise* Dialog() { return gDialog; }

}  // namespace plugin
}  // namespace nox
