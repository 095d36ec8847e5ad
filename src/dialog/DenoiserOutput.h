// What the plug-in makes of the denoiser's console output, and the texts it shows in the
// log while running the denoiser. Portable: no window and no process here, so every rule can
// be checked natively; the Win32 runner only moves bytes and calls these functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nox {

// Log texts of a denoiser run.
inline constexpr wchar_t kDenoiserExeName[] = L"noxfade.exe";
// Followed by a carriage return and the denoiser folder, as one log entry.
inline constexpr wchar_t kLogExeNotFound[] = L"ERROR: Noxfade executable not found in: ";
inline constexpr wchar_t kLogOpening[] = L"Opening Noxfade ...";
inline constexpr wchar_t kLogSmallImage[] = L"WARNING: Minimum image size is 512x512 pixels.";
inline constexpr wchar_t kLogCannotLaunch[] = L"ERROR: cannot launch Noxfade";
inline constexpr wchar_t kLogCannotCommunicate[] = L"ERROR: cannot communicate with Noxfade";
inline constexpr wchar_t kLogStopped[] = L"ERROR: stopped by the user";
inline constexpr wchar_t kLogWorking[] = L"Working ...";

// Removes leading and trailing characters of code U+0020 or below (blanks, tabs, line
// breaks, the escape character, NUL).
std::wstring TrimControlChars(const std::wstring& text);

// The denoiser folder from the folder field's text: trimmed, with a backslash appended when
// it does not end in one. An empty text gives a single backslash.
std::wstring DenoiserFolder(const std::wstring& folderText);

// The denoiser's command line: "<exe>" -i "<input>" -o "<output>", paths unescaped.
std::wstring DenoiserCommandLine(const std::wstring& exePath, const std::wstring& inputFile,
                                 const std::wstring& outputFile);

// What one chunk of output (the text of one read of the pipe) asks of the gauge and the log.
struct ChunkEffect {
  std::optional<int> progress;       // new gauge value, 0 to 100, when the chunk sets one
  std::vector<std::wstring> lines;   // log entries to append, in order
};

// Interprets one chunk as read (untrimmed). A blank chunk has no effect. A chunk holding "%"
// is a progress report and only moves the gauge (see ReadProgressPercent). Any other chunk is
// logged after the bracket reduction and with escape characters shown as blanks, unless it
// mentions "Writing deno"; one that begins with "Backend:" is followed by "Working ...".
ChunkEffect InterpretChunk(const std::wstring& chunk);

// The whole percentage that stands before the first "%" of a text: the digits directly before
// it, or those before a single decimal part ("37.5%" gives 37, "100.0%" gives 100, "5%" gives
// 5). Values above 100 read as 100. Empty when no digit stands there.
std::optional<int> ReadProgressPercent(const std::wstring& text);

// The log line for a denoiser that ended with a non-zero exit code.
std::wstring DenoiserExitCodeLine(std::uint32_t exitCode);

}  // namespace nox
