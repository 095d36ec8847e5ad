// The stand-in host's command line and the verdict of a batch run. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nox {

struct HostOptions {
  bool batch = false;
  bool show = false;      // keep the windows visible in batch mode
  bool eightBit = false;  // check "Image is 8 bit"
  bool timings = false;   // print the run's phases after the log
  std::wstring image;     // opened at start
  std::wstring denoiser;  // the denoiser folder typed into the dialog
  std::wstring out;       // where the batch run saves the image
  std::wstring plugin;    // the plug-in DLL; empty: pinoxfade.dll beside the host
  std::optional<std::wstring> strength;  // the strength field's text; none: left as it is
  int64_t version = 805;
  unsigned long lingerMs = 0;
};

// Parses the arguments after the program name. --batch needs --image and --denoiser.
// Paths may use forward slashes; they come back with backslashes. On failure returns
// false with a one-line reason in `error`.
bool ParseHostOptions(const std::vector<std::wstring>& args, HostOptions& options,
                      std::wstring& error);

std::wstring UsageText();

// "a/b\c" -> "a\b\c".
std::wstring ToWindowsSeparators(std::wstring path);

// The log's text split into the lines a reader sees: CR LF, a lone LF and a lone CR
// each end a line. A trailing line break gives no empty last line.
std::vector<std::wstring> LogLinesForPrinting(const std::wstring& log);

// 1 when the log's last non-empty entry (entries are separated by CR LF or LF) begins
// with "ERROR" or is one of the dialog's refusals, else 0.
int BatchExitCode(const std::wstring& log);

}  // namespace nox
