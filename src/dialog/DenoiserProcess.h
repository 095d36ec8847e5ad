// The denoiser as a child process: one anonymous pipe carries its standard output and standard
// error to the plug-in; it runs in a job object so that it and its own children end when the
// run is stopped or finished, and never outlive the host.
#pragma once

#include <string>

#include "dialog/DenoiserRunner.h"

namespace nox {

// Starts commandLine (hidden, in workingFolder) and follows its output until the pipe ends or
// the process has exited and its output is drained, then waits for its exit. Each chunk read
// is interpreted (InterpretChunk) into ui's gauge and log. Window messages are processed while
// output flows, while the denoiser is silent and while waiting for its exit. When
// ui.CancelRequested() turns true the job is terminated and the result is Cancelled (nothing
// is logged here). Throws nothing; every handle is closed on every path.
DenoiserProcessResult RunDenoiserProcess(const std::wstring& commandLine,
                                         const std::wstring& workingFolder, DenoiserUi& ui);

}  // namespace nox
