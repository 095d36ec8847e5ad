// Running the denoiser for the dialog: finds the executable in the chosen folder, starts it on
// the run's temporary files, follows its output into the gauge and the log, and reports how it
// ended. The dialog takes part only through DenoiserUi.
#pragma once

#include <cstdint>
#include <string>

namespace nox {

// What the runner needs of the dialog. Implemented by the dialog, and by tests.
struct DenoiserUi {
  virtual ~DenoiserUi() = default;
  virtual void ClearLog() = 0;
  virtual void AppendLog(const std::wstring& line) = 0;  // one entry (it may hold CR or LF)
  virtual void SetProgress(int percent) = 0;
  virtual void ApplyColours() = 0;     // the dialog's colours, applied again after a run
  virtual void ProcessMessages() = 0;  // drain the thread's pending window messages
  virtual bool CancelRequested() = 0;  // the user has confirmed that the run should stop
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
};

struct DenoiserRunResult {
  bool executableFound = false;
  DenoiserCode code = DenoiserCode::LaunchFailed;  // meaningful when executableFound
  bool exited = false;
  std::uint32_t exitCode = 0;

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
// asks. Throws nothing.
DenoiserRunResult RunDenoiser(DenoiserUi& ui, const std::wstring& folderText,
                              const std::wstring& inputFile, const std::wstring& outputFile,
                              bool smallImage);

}  // namespace nox
