// A stand-in denoiser for the runner's and the workflow's tests. Started as the real one is,
//     scripted_denoiser.exe -i <input> -o <output>
// it runs a script, one command a line. The script is the file named by the environment
// variable SCRIPTED_DENOISER_SCRIPT when that is set (the input is then the plug-in's
// temporary TIFF), otherwise the input file itself.
//     out TEXT          write TEXT to standard output in one write
//     err TEXT          the same on standard error
//                       (TEXT may hold \r \n \t \e \\ and \xHH)
//     lines N LEN       write N status lines, each in a write of its own: "line <i> " padded
//                       with dots to LEN characters, then CR LF
//     sleep MS          pause
//     wait PATH         pause until PATH exists (a minute at most)
//     output            write the output file
//     echo PATH         write the command line and the current folder to PATH (UTF-16,
//                       separated by a line feed)
//     child MS PATH     start a copy of itself that lives MS milliseconds, sharing this
//                       process's standard handles; write "<own pid> <child pid>" to PATH
//     launch PATH       as a launcher does: start a copy of itself that runs the rest of
//                       the script (sharing the standard handles, so the plug-in's pipe),
//                       write "<own pid> <worker pid>" to PATH and end with 0
//     detach MS PATH    start a copy of itself that lives MS milliseconds without any of
//                       this process's handles (it does not hold the output); write its pid
//                       to PATH
//     handle H PATH     write "1" to PATH when H (a handle value, in decimal) is open in
//                       this process, else "0"
//     exit CODE         end with that exit code (the end of the script ends with 0)
//     copy              write the input file's bytes as the output file
//     keep PATH         write the input file's bytes to PATH
//     invert            read the input as the plug-in writes it (little-endian, 16-bit
//                       samples from byte 128) and write the same file with every sample
//                       replaced by 65535 - sample
//     tiff W H S V [B]  write a W x H TIFF with S samples per pixel (1 or 3), B bits per
//                       sample (16 when omitted, or 8), every sample V
//     garbage           write bytes that are no image (a TIFF signature, then noise)
// Started as "scripted_denoiser.exe --linger MS" it only sleeps.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/FileBytes.h"

namespace {

using nox::test::ReadFileBytes;
using nox::test::WriteFileBytes;

std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    if (c == 'r') out += '\r';
    else if (c == 'n') out += '\n';
    else if (c == 't') out += '\t';
    else if (c == 'e') out += '\x1b';
    else if (c == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
             HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

void WriteStd(DWORD which, const std::string& bytes) {
  DWORD written = 0;
  WriteFile(GetStdHandle(which), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring ModulePath() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, n);
}

// Starts a copy of itself with the given arguments; with shareHandles it inherits this
// process's standard handles, otherwise none. Returns its pid.
DWORD StartCopy(const std::wstring& arguments, bool shareHandles) {
  std::wstring command = L"\"" + ModulePath() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (shareHandles) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION info{};
  std::vector<wchar_t> buffer(command.begin(), command.end());
  buffer.push_back(L'\0');
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, shareHandles ? TRUE : FALSE,
                      shareHandles ? 0 : DETACHED_PROCESS, nullptr, nullptr, &startup, &info)) {
    WriteStd(STD_ERROR_HANDLE, "scripted_denoiser: cannot start a copy\n");
    ExitProcess(90);
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return info.dwProcessId;
}

void WritePids(const std::wstring& pidFile, const std::vector<DWORD>& pids) {
  std::string text;
  for (DWORD pid : pids) text += (text.empty() ? "" : " ") + std::to_string(pid);
  WriteFileBytes(pidFile, text.data(), static_cast<DWORD>(text.size()));
}

void StartChild(unsigned long lingerMs, const std::wstring& pidFile) {
  const DWORD child = StartCopy(L"--linger " + std::to_wstring(lingerMs), true);
  WritePids(pidFile, {GetCurrentProcessId(), child});
}

void Echo(const std::wstring& path) {
  wchar_t folder[MAX_PATH];
  const DWORD n = GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring text = std::wstring(GetCommandLineW()) + L"\n" + std::wstring(folder, n);
  WriteFileBytes(path, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

// ---- image files in the plug-in's fixed TIFF layout: header (8), entry count (2), nine
// entries (108), next-directory offset (4), bits-per-sample array (6), pixels at 128.
constexpr std::size_t kPixelOffset = 128;
constexpr std::size_t kBitsArrayOffset = 122;

uint32_t Get16(const std::string& b, std::size_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}

uint32_t Get32(const std::string& b, std::size_t at) {
  return Get16(b, at) | Get16(b, at + 2) << 16;
}

void Put16(std::string& b, std::size_t at, uint32_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& b, std::size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// The value of a directory entry (SHORT or LONG), or 0 when the tag is absent.
uint32_t TagValue(const std::string& b, uint32_t tag) {
  const uint32_t entries = Get16(b, 8);
  for (uint32_t i = 0; i < entries; ++i) {
    const std::size_t at = 10 + 12 * static_cast<std::size_t>(i);
    if (Get16(b, at) != tag) continue;
    return Get16(b, at + 2) == 3 ? Get16(b, at + 8) : Get32(b, at + 8);
  }
  return 0;
}

int Invert(const std::wstring& inputPath, const std::wstring& outputPath) {
  std::string bytes = ReadFileBytes(inputPath);
  const uint32_t width = TagValue(bytes, 256);
  const uint32_t height = TagValue(bytes, 257);
  const uint32_t spp = TagValue(bytes, 277);
  const uint64_t samples = static_cast<uint64_t>(width) * height * spp;
  if (bytes.size() < kPixelOffset || Get16(bytes, 0) != 0x4949 || width > 65535 ||
      height > 65535 || spp > 4 || bytes.size() < kPixelOffset + 2 * samples) {
    WriteStd(STD_ERROR_HANDLE, "scripted_denoiser: input is not in the plug-in's layout\n");
    return 95;
  }
  for (uint64_t i = 0; i < samples; ++i) {
    const std::size_t at = kPixelOffset + 2 * static_cast<std::size_t>(i);
    Put16(bytes, at, 65535u - Get16(bytes, at));
  }
  return WriteFileBytes(outputPath, bytes.data(), static_cast<DWORD>(bytes.size())) ? 0 : 91;
}

int WriteFlatTiff(const std::string& argument, const std::wstring& outputPath) {
  const char* p = argument.c_str();
  auto next = [&p]() {
    char* end = nullptr;
    const unsigned long v = std::strtoul(p, &end, 10);
    p = end;
    return static_cast<uint32_t>(v);
  };
  const uint32_t width = next();
  const uint32_t height = next();
  const uint32_t spp = next();
  const uint32_t value = next();
  const uint32_t parsedBits = next();
  const uint32_t bits = parsedBits == 8 ? 8 : 16;
  if (width == 0 || height == 0 || width > 65535 || height > 65535 || (spp != 1 && spp != 3)) {
    WriteStd(STD_ERROR_HANDLE, "scripted_denoiser: tiff W H S V [B] with S 1 or 3\n");
    return 96;
  }
  const uint64_t pixelBytes = static_cast<uint64_t>(width) * height * spp * (bits / 8);
  std::string b(kPixelOffset + static_cast<std::size_t>(pixelBytes), '\0');
  Put16(b, 0, 0x4949);
  Put16(b, 2, 42);
  Put32(b, 4, 8);
  Put16(b, 8, 9);
  std::size_t at = 10;
  auto entry = [&b, &at](uint32_t tag, uint32_t type, uint32_t count, uint32_t v) {
    Put16(b, at, tag);
    Put16(b, at + 2, type);
    Put32(b, at + 4, count);
    Put32(b, at + 8, v);
    at += 12;
  };
  entry(254, 4, 1, 0);
  entry(256, 3, 1, width);
  entry(257, 3, 1, height);
  entry(258, 3, spp, spp == 1 ? bits : static_cast<uint32_t>(kBitsArrayOffset));
  entry(259, 3, 1, 1);
  entry(262, 3, 1, spp == 1 ? 1 : 2);
  entry(273, 4, 1, static_cast<uint32_t>(kPixelOffset));
  entry(277, 3, 1, spp);
  entry(279, 4, 1, static_cast<uint32_t>(pixelBytes));
  Put32(b, at, 0);
  for (std::size_t i = 0; i < 3; ++i) Put16(b, kBitsArrayOffset + 2 * i, bits);
  for (std::size_t i = kPixelOffset; i < b.size(); i += bits / 8) {
    if (bits == 8) {
      b[i] = static_cast<char>(value & 0xFF);
    } else {
      Put16(b, i, value & 0xFFFF);
    }
  }
  return WriteFileBytes(outputPath, b.data(), static_cast<DWORD>(b.size())) ? 0 : 91;
}

int WriteGarbage(const std::wstring& outputPath) {
  // A little-endian TIFF signature whose directory offset and contents are noise.
  std::string bytes = "II*";
  bytes += '\0';
  uint32_t state = 12345;
  for (int i = 0; i < 4096; ++i) {
    state = state * 1103515245u + 12345u;
    bytes += static_cast<char>((state >> 16) & 0xFF);
  }
  return WriteFileBytes(outputPath, bytes.data(), static_cast<DWORD>(bytes.size())) ? 0 : 91;
}

// Runs the script from its line firstLine (0 for the first).
int RunScript(const std::wstring& scriptPath, const std::wstring& inputPath,
              const std::wstring& outputPath, unsigned long firstLine) {
  const std::string script = ReadFileBytes(scriptPath);
  std::size_t pos = 0;
  for (unsigned long lineNumber = 0; pos < script.size(); ++lineNumber) {
    std::size_t end = script.find('\n', pos);
    if (end == std::string::npos) end = script.size();
    std::string line = script.substr(pos, end - pos);
    pos = end + 1;
    if (lineNumber < firstLine) continue;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t space = line.find(' ');
    const std::string command = line.substr(0, space);
    const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);

    if (command == "out") {
      WriteStd(STD_OUTPUT_HANDLE, Unescape(argument));
    } else if (command == "err") {
      WriteStd(STD_ERROR_HANDLE, Unescape(argument));
    } else if (command == "lines") {
      char* rest = nullptr;
      const unsigned long count = std::strtoul(argument.c_str(), &rest, 10);
      const std::size_t length = std::strtoul(rest, nullptr, 10);
      for (unsigned long i = 0; i < count; ++i) {
        std::string text = "line " + std::to_string(i) + " ";
        if (text.size() < length) text.append(length - text.size(), '.');
        WriteStd(STD_OUTPUT_HANDLE, text + "\r\n");
      }
    } else if (command == "sleep") {
      Sleep(static_cast<DWORD>(std::strtoul(argument.c_str(), nullptr, 10)));
    } else if (command == "wait") {
      const std::wstring flag = Widen(argument);
      for (int i = 0; i < 6000 && GetFileAttributesW(flag.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
    } else if (command == "output") {
      static const char kContent[] = "denoised";
      if (!WriteFileBytes(outputPath, kContent, sizeof kContent - 1)) return 91;
    } else if (command == "echo") {
      Echo(Widen(argument));
    } else if (command == "child") {
      const std::size_t split = argument.find(' ');
      StartChild(std::strtoul(argument.c_str(), nullptr, 10), Widen(argument.substr(split + 1)));
    } else if (command == "launch") {
      const DWORD worker = StartCopy(L"-i \"" + inputPath + L"\" -o \"" + outputPath +
                                         L"\" --from " + std::to_wstring(lineNumber + 1),
                                     true);
      WritePids(Widen(argument), {GetCurrentProcessId(), worker});
      return 0;
    } else if (command == "detach") {
      const std::size_t split = argument.find(' ');
      const unsigned long ms = std::strtoul(argument.c_str(), nullptr, 10);
      WritePids(Widen(argument.substr(split + 1)), {StartCopy(L"--linger " + std::to_wstring(ms), false)});
    } else if (command == "copy") {
      const std::string bytes = ReadFileBytes(inputPath);
      if (!WriteFileBytes(outputPath, bytes.data(), static_cast<DWORD>(bytes.size()))) return 91;
    } else if (command == "keep") {
      const std::string bytes = ReadFileBytes(inputPath);
      if (!WriteFileBytes(Widen(argument), bytes.data(), static_cast<DWORD>(bytes.size()))) return 91;
    } else if (command == "invert") {
      if (const int code = Invert(inputPath, outputPath)) return code;
    } else if (command == "tiff") {
      if (const int code = WriteFlatTiff(argument, outputPath)) return code;
    } else if (command == "garbage") {
      if (const int code = WriteGarbage(outputPath)) return code;
    } else if (command == "handle") {
      const std::size_t split = argument.find(' ');
      const auto value = static_cast<uintptr_t>(std::strtoull(argument.c_str(), nullptr, 10));
      DWORD flags = 0;
      const bool open = GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != FALSE;
      if (!WriteFileBytes(Widen(argument.substr(split + 1)), open ? "1" : "0", 1)) return 91;
    } else if (command == "exit") {
      return static_cast<int>(std::strtol(argument.c_str(), nullptr, 10));
    } else if (!command.empty()) {
      WriteStd(STD_ERROR_HANDLE, "scripted_denoiser: unknown command " + command + "\n");
      return 92;
    }
  }
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return 93;
  std::vector<std::wstring> args(argv, argv + argc);
  LocalFree(argv);

  if (args.size() == 3 && args[1] == L"--linger") {
    Sleep(static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)));
    return 0;
  }
  // "--from N" (a launched worker) continues the script at line N.
  const bool resumed = args.size() == 7 && args[5] == L"--from";
  if ((args.size() != 5 && !resumed) || args[1] != L"-i" || args[3] != L"-o") {
    WriteStd(STD_ERROR_HANDLE, "usage: scripted_denoiser -i INPUT -o OUTPUT\n");
    return 94;
  }
  const unsigned long firstLine = resumed ? std::wcstoul(args[6].c_str(), nullptr, 10) : 0;
  wchar_t scriptPath[MAX_PATH * 4];
  const DWORD n = GetEnvironmentVariableW(L"SCRIPTED_DENOISER_SCRIPT", scriptPath, MAX_PATH * 4);
  if (n > 0 && n < MAX_PATH * 4) {
    return RunScript(std::wstring(scriptPath, n), args[2], args[4], firstLine);
  }
  return RunScript(args[2], args[2], args[4], firstLine);
}
