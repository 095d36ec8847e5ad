// The three exports of pinoxfade.dll and its entry point. Every export catches whatever
// the work behind it throws: no C++ exception may reach the host.
//
// Automation while busy: PLUGIN_CMD_START sent during a run starts nothing and answers 0
// (the dialog's window procedure decides; see Unit1.cpp).
#include <windows.h>

#include "host/HostProtocol.h"
#include "plugin/PluginModule.h"
#include "toolkit/Application.h"
#include "toolkit/FloatState.h"

extern "C" {

int32_t pi_initialize(nox::HostCallback callback, char* nameBuffer, char* descriptionBuffer,
                      void* hostWindow) {
  nox::EntryScope entry;
  try {
    return nox::plugin::Initialize(callback, nameBuffer, descriptionBuffer, static_cast<HWND>(hostWindow));
  } catch (...) {
    return 1;  // the handshake result is always 1
  }
}

void pi_activate() {
  nox::EntryScope entry;
  try {
    nox::plugin::Activate();
  } catch (...) {
  }
}

void pi_finalize() {
  nox::EntryScope entry;
  try {
    nox::plugin::Finalize();
  } catch (...) {
  }
}

// Loading and unloading run on the host's thread too, under its floating-point state.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  nox::FloatStateScope floatState;
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    try {
      nox::plugin::Load();
    } catch (...) {
      // without a store the dialog keeps its design values and saves nothing
    }
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // FreeLibrary: no window procedure of ours may outlive the code. At process exit
    // (reserved != null) nothing is done.
    try {
      nox::plugin::Unload();
    } catch (...) {
    }
  }
  return TRUE;
}

}  // extern "C"
