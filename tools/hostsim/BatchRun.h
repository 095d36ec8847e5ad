// The batch mode: one denoise run driven through the plug-in's dialog, for scripts.
#pragma once

#include "HostOptions.h"
#include "HostSession.h"
#include "HostWindow.h"
#include "PluginModule.h"

namespace nox {

// With the plug-in initialised and the image open: activates the plug-in, fills in the
// dialog, presses Start, saves the image to options.out, prints the log to stdout and
// lingers. Returns the process's exit code: 0, 1 when the log ends in an error or a
// refusal, 2 when the host itself could not do its part.
int RunBatch(const HostOptions& options, HostSession& session, PluginModule& plugin,
             HostWindow& window);

// Writes text to a standard stream as UTF-8.
void PrintUtf8(FILE* stream, const std::wstring& text);

}  // namespace nox
