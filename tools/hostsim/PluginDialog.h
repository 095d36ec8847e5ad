// Reaching the plug-in's dialog from the host: finding its window and driving its
// controls with ordinary window messages.
#pragma once

#include <windows.h>

#include <string>

namespace nox {

// The plug-in's dialog among this thread's top-level windows, or nullptr.
HWND FindPluginDialog();

// True while the dialog reports a run in progress (its Start button is disabled).
bool PluginBusy();

bool SetControlText(HWND dialog, int id, const std::wstring& text);
std::wstring ControlText(HWND dialog, int id);
bool SetCheckBox(HWND dialog, int id, bool checked);

// Presses Start through the automation message; returns when the run is over.
LRESULT PressStart(HWND dialog);

}  // namespace nox
