// The denoiser as a child process: one anonymous pipe carries its standard output and standard
// error to the plug-in; it runs in a job object, so that everything it started can be ended
// when the user stops the run, and never outlives the host.
#pragma once

#include <cstdint>
#include <string>

#include "dialog/DenoiserRunner.h"

namespace nox {

// Starts commandLine (hidden, in workingFolder) and follows its output until the pipe ends
// (every holder of its write end, the denoiser and whatever it started, has closed it), then
// waits for the denoiser's own exit. Each chunk read is interpreted (InterpretChunk) into
// ui's gauge and log; a character cut at the end of a read goes with the next one. Window
// messages are processed while output flows, while it is silent and while waiting.
//
// When the denoiser's own process has ended and the pipe stays open and silent for
// leftoverWarningMs, the log gets one warning line. A StopDenoiser request ends the job and
// gives Cancelled; a StopWaiting request after the denoiser's exit ends what it left running
// and gives Finished with its exit code (leftoversEnded set). Nothing else is logged here.
// After a normal end, processes of the job that still run (they no longer hold the output)
// are left alone until EndLeftoverDenoiserProcesses. Throws nothing; every handle is closed
// or kept on every path.
DenoiserProcessResult RunDenoiserProcess(const std::wstring& commandLine,
                                         const std::wstring& workingFolder, DenoiserUi& ui,
                                         std::uint32_t leftoverWarningMs);

}  // namespace nox
