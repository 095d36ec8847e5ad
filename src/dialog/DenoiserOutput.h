// What the plug-in makes of the denoiser's console output, and the texts it shows in the
// log while running the denoiser. Portable: no window and no process here, so every rule can
// be checked natively; the Win32 runner only moves bytes and calls these functions.
#pragma once

#include <cstdint>
#include <optional>
#include <cstddef>
#include <string>
#include <utility>
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
inline constexpr wchar_t kLogLeftoverRunning[] =
    L"WARNING: a process started by Noxfade still runs; press Escape to stop waiting.";
inline constexpr wchar_t kLogLeftoversEnded[] =
    L"WARNING: stopped waiting; the processes started by Noxfade were ended.";
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

// Interprets one chunk as read (untrimmed). The chunk is cut at every CR and LF, and each
// line that is not blank is read on its own, in order, as if it had come in a read of its
// own: a line holding "%" is a progress report and only moves the gauge (see
// ReadProgressPercent); any other line is logged after the bracket reduction and with escape
// characters shown as blanks, unless it mentions "Writing deno"; one that begins with
// "Backend:" is followed by "Working ...". The effect is that of the lines one after the
// other: every logged line in order, and the last progress any of them set (the runner sets
// the gauge, then appends the lines, before it lets the dialog repaint).
ChunkEffect InterpretChunk(const std::wstring& chunk);

// How the system's ANSI code page builds characters from bytes, as far as telling whether a
// read has cut a character goes. On Windows it is described from the active code page.
struct AnsiCodePage {
  enum class Kind {
    SingleByte,  // every byte is a character
    DoubleByte,  // a lead byte and the byte after it make one character
    Utf8,
  };
  Kind kind = Kind::SingleByte;
  // DoubleByte: the inclusive ranges of lead bytes.
  std::vector<std::pair<unsigned char, unsigned char>> leadByteRanges;

  bool IsLeadByte(unsigned char byte) const;
  // The number of bytes at the end of bytes[0, count) that begin a character whose other
  // bytes are still to come (0 to 3). The bytes are taken from the start of a character.
  std::size_t IncompleteTail(const char* bytes, std::size_t count) const;
};

// The denoiser's output bytes, read by read, turned into the bytes to convert for each
// chunk: a character cut at the end of a read is held back and goes with the next read.
class OutputBytes {
 public:
  explicit OutputBytes(AnsiCodePage codePage) : mCodePage(std::move(codePage)) {}

  // The bytes of one read. Returns what was held back followed by the read's bytes, up to
  // the first zero byte (which ends the chunk's text; nothing is then held back), less the
  // bytes of a character the read has cut.
  std::string Take(const char* bytes, std::size_t count);
  // At the end of the output: the bytes still held back (converted as they are).
  std::string Flush();

 private:
  AnsiCodePage mCodePage;
  std::string mHeld;
};

// The whole percentage that stands before the first "%" of a text: the digits directly before
// it, or those before a single decimal part after a point or a comma ("37.5%" and "37,5%" give
// 37, "100.0%" gives 100, "5%" gives 5). Values above 100 read as 100. Empty when no digit
// stands there.
std::optional<int> ReadProgressPercent(const std::wstring& text);

// The log line for a denoiser that ended with a non-zero exit code.
std::wstring DenoiserExitCodeLine(std::uint32_t exitCode);
// The same when its result was read all the same: one warning line that names the code and
// says how the image comes back.
std::wstring DenoiserExitCodeWarning(std::uint32_t exitCode);

}  // namespace nox
