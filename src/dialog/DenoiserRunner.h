// Running the denoiser for the dialog: finds the executable in the chosen folder, starts it on
// the run's temporary files, follows its output into the gauge and the log, and reports how it
// ended. The dialog takes part only through DenoiserUi.
#pragma once

#include <cstdint>
#include <string>

namespace nox {

// How long the output may stay open and silent after the denoiser's own process has ended
// before the log says that a process it started still runs.
inline constexpr std::uint32_t kLeftoverWarningMs = 10000;

// What the user has confirmed, with Escape, during a run.
enum class StopRequest {
  None,
  StopDenoiser,  // end the denoiser and what it started; its result is not used
  StopWaiting,   // its own process has ended: end what it left running, use its result
};

// What the runner needs of the dialog. Implemented by the dialog, and by tests.
struct DenoiserUi {
  virtual ~DenoiserUi() = default;
  virtual void ClearLog() = 0;
  virtual void AppendLog(const std::wstring& line) = 0;  // one entry (it may hold CR or LF)
  virtual void SetProgress(int percent) = 0;
  virtual void ApplyColours() = 0;     // the dialog's colours, applied again after a run
  virtual void ProcessMessages() = 0;  // drain the thread's pending window messages
  virtual StopRequest StopRequested() = 0;
  // The denoiser's own process has ended while its output is still open: from now on a stop
  // only ends the processes it left running.
  virtual void DenoiserExited() = 0;
};

// Result codes of one denoiser process.
enum class DenoiserCode : int {
  Finished = 0,             // started and followed until its output ended and it exited
  LaunchFailed = 1,         // the pipe or the process could not be created
  CommunicationFailed = 2,  // an error while the process was being started or followed
  Cancelled = 3,            // stopped at the user's request, with its child processes
};

struct DenoiserProcessResult {
  DenoiserCode code = DenoiserCode::LaunchFailed;
  bool exited = false;        // the exit was seen; exitCode holds the process's exit code
  std::uint32_t exitCode = 0;
  bool leftoversEnded = false;  // Finished, but the user stopped waiting for what it left
};

struct DenoiserRunResult {
  bool executableFound = false;
  DenoiserCode code = DenoiserCode::LaunchFailed;  // meaningful when executableFound
  bool exited = false;
  std::uint32_t exitCode = 0;
  bool leftoversEnded = false;

  bool Cancelled() const { return executableFound && code == DenoiserCode::Cancelled; }
  // The denoiser ran to its end and reported success: only then may its output file be used.
  bool Succeeded() const {
    return executableFound && code == DenoiserCode::Finished && exited && exitCode == 0;
  }
  // The denoiser ran to its end but reported failure (the runner itself logs nothing for it).
  bool FailedWithExitCode() const {
    return executableFound && code == DenoiserCode::Finished && exited && exitCode != 0;
  }
};

// Runs "noxfade.exe" from the folder typed by the user (trimmed, backslash appended) on
// inputFile, writing outputFile. Clears the log first; writes the opening, warning and error
// lines; moves the gauge while the denoiser reports progress and resets it to 0 at the end.
// Processes the thread's window messages throughout and stops the denoiser when the user
// asks. The run lasts until the denoiser's output ends, also when processes it started hold
// the output after its own process has ended; leftoverWarningMs is the silence after which
// the log says so. Throws nothing.
DenoiserRunResult RunDenoiser(DenoiserUi& ui, const std::wstring& folderText,
                              const std::wstring& inputFile, const std::wstring& outputFile,
                              bool smallImage,
                              std::uint32_t leftoverWarningMs = kLeftoverWarningMs);

// Ends the processes that denoisers of earlier runs left running after their output had
// ended (kept until now, they would otherwise end with the host's process). Called when the
// module unloads.
void EndLeftoverDenoiserProcesses();

}  // namespace nox
