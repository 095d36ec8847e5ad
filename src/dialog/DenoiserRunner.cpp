#include "dialog/DenoiserRunner.h"

#include <windows.h>

#include "dialog/DenoiserOutput.h"
#include "dialog/DenoiserProcess.h"

namespace nox {

namespace {

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

DenoiserRunResult Run(DenoiserUi& ui, const std::wstring& folderText,
                      const std::wstring& inputFile, const std::wstring& outputFile,
                      bool smallImage, std::uint32_t leftoverWarningMs) {
  DenoiserRunResult result;
  const std::wstring folder = DenoiserFolder(folderText);
  const std::wstring exePath = folder + kDenoiserExeName;

  ui.ClearLog();
  if (!FileExists(exePath)) {
    ui.AppendLog(kLogExeNotFound + (L"\r" + folder));
    return result;
  }
  result.executableFound = true;

  ui.SetProgress(0);
  ui.AppendLog(kLogOpening);
  const std::wstring commandLine = DenoiserCommandLine(exePath, inputFile, outputFile);
  if (smallImage) ui.AppendLog(kLogSmallImage);

  const DenoiserProcessResult process =
      RunDenoiserProcess(commandLine, folder, ui, leftoverWarningMs);
  result.code = process.code;
  result.exited = process.exited;
  result.exitCode = process.exitCode;
  result.leftoversEnded = process.leftoversEnded;
  switch (process.code) {
    case DenoiserCode::LaunchFailed: ui.AppendLog(kLogCannotLaunch); break;
    case DenoiserCode::CommunicationFailed: ui.AppendLog(kLogCannotCommunicate); break;
    case DenoiserCode::Cancelled: ui.AppendLog(kLogStopped); break;
    case DenoiserCode::Finished:
      if (process.leftoversEnded) ui.AppendLog(kLogLeftoversEnded);
      break;
  }

  ui.ApplyColours();
  ui.SetProgress(0);
  return result;
}

}  // namespace

DenoiserRunResult RunDenoiser(DenoiserUi& ui, const std::wstring& folderText,
                              const std::wstring& inputFile, const std::wstring& outputFile,
                              bool smallImage, std::uint32_t leftoverWarningMs) {
  DenoiserRunResult result;
  try {
    return Run(ui, folderText, inputFile, outputFile, smallImage, leftoverWarningMs);
  } catch (...) {
    // Only the dialog's own calls can throw here (the process runner catches its own).
    result.executableFound = true;
    result.code = DenoiserCode::CommunicationFailed;
  }
  try {
    ui.AppendLog(kLogCannotCommunicate);
    ui.SetProgress(0);
  } catch (...) {
  }
  return result;
}

}  // namespace nox
