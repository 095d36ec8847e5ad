// A stand-in denoiser for the runner's tests. Started as the real one is,
//     scripted_denoiser.exe -i <script> -o <output>
// it reads the file given as input as a script, one command a line:
//     out TEXT          write TEXT to standard output in one write
//     err TEXT          the same on standard error
//                       (TEXT may hold \r \n \t \e \\ and \xHH)
//     sleep MS          pause
//     output            write the output file
//     echo PATH         write the command line and the current folder to PATH (UTF-16,
//                       separated by a line feed)
//     child MS PATH     start a copy of itself that lives MS milliseconds, sharing this
//                       process's standard handles; write "<own pid> <child pid>" to PATH
//     exit CODE         end with that exit code (the end of the script ends with 0)
// Started as "scripted_denoiser.exe --linger MS" it only sleeps.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string ReadFileBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

bool WriteFileBytes(const std::wstring& path, const void* data, DWORD size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
  CloseHandle(file);
  return ok;
}

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

void StartChild(unsigned long lingerMs, const std::wstring& pidFile) {
  std::wstring command = L"\"" + ModulePath() + L"\" --linger " + std::to_wstring(lingerMs);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  std::vector<wchar_t> buffer(command.begin(), command.end());
  buffer.push_back(L'\0');
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &info)) {
    WriteStd(STD_ERROR_HANDLE, "scripted_denoiser: cannot start child\n");
    ExitProcess(90);
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  const std::string pids =
      std::to_string(GetCurrentProcessId()) + " " + std::to_string(info.dwProcessId);
  WriteFileBytes(pidFile, pids.data(), static_cast<DWORD>(pids.size()));
}

void Echo(const std::wstring& path) {
  wchar_t folder[MAX_PATH];
  const DWORD n = GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring text = std::wstring(GetCommandLineW()) + L"\n" + std::wstring(folder, n);
  WriteFileBytes(path, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

int RunScript(const std::wstring& scriptPath, const std::wstring& outputPath) {
  const std::string script = ReadFileBytes(scriptPath);
  std::size_t pos = 0;
  while (pos < script.size()) {
    std::size_t end = script.find('\n', pos);
    if (end == std::string::npos) end = script.size();
    std::string line = script.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t space = line.find(' ');
    const std::string command = line.substr(0, space);
    const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);

    if (command == "out") {
      WriteStd(STD_OUTPUT_HANDLE, Unescape(argument));
    } else if (command == "err") {
      WriteStd(STD_ERROR_HANDLE, Unescape(argument));
    } else if (command == "sleep") {
      Sleep(static_cast<DWORD>(std::strtoul(argument.c_str(), nullptr, 10)));
    } else if (command == "output") {
      static const char kContent[] = "denoised";
      if (!WriteFileBytes(outputPath, kContent, sizeof kContent - 1)) return 91;
    } else if (command == "echo") {
      Echo(Widen(argument));
    } else if (command == "child") {
      const std::size_t split = argument.find(' ');
      StartChild(std::strtoul(argument.c_str(), nullptr, 10), Widen(argument.substr(split + 1)));
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
  if (args.size() != 5 || args[1] != L"-i" || args[3] != L"-o") {
    WriteStd(STD_ERROR_HANDLE, "usage: scripted_denoiser -i SCRIPT -o OUTPUT\n");
    return 94;
  }
  return RunScript(args[2], args[4]);
}
