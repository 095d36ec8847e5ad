// The plug-in's module state and the work behind its three exports, on the host's
// user-interface thread. The exports themselves (plugin.cpp) only guard the C boundary.
//
// Lifecycle rules:
//  - Initialize stores the callback, writes the handshake strings, makes the host window
//    the owner of our windows and forgets the dialog reference without destroying the
//    dialog (it stays alive, and is still destroyed when the module unloads).
//  - Activate creates the dialog on first use, then shows it and brings it to the front.
//    After Finalize, and until the next Initialize, Activate shows nothing and creates
//    nothing: the released dialog is never shown again.
//  - Finalize writes the dialog's settings at once (the host may exit without handing
//    us another message), ends what earlier runs' denoisers left running and asks for the
//    dialog's deferred release; a run in progress ends as a stop, and the release waits
//    until no code of ours is on the stack (a run, a message box, the folder browser, a
//    system loop). The host may free the module right after: a loop of ours that was
//    ever entered has pinned it, so nothing on the stack is unmapped.
//  - Load (the module being loaded) creates the settings store; Unload destroys it last.
//  - Unload (the module being freed with FreeLibrary) destroys every dialog still alive,
//    removes the keyboard hook, unregisters our window classes and ends the processes
//    denoisers left running after their runs. At process exit
//    nothing is done: the process's windows go with it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "host/HostProtocol.h"

namespace nox {

class TFormCVPluginDenoise;

namespace plugin {

int32_t Initialize(HostCallback callback, char* nameBuffer, char* descriptionBuffer, HWND hostWindow);
void Activate();
void Finalize();
void Load();
void Unload();

// The callback of the last Initialize (null before the first one).
HostCallback Callback();
// The dialog reference: null before the first Activate and after each Initialize.
TFormCVPluginDenoise* Dialog();

}  // namespace plugin
}  // namespace nox
