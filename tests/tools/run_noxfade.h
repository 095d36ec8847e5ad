// Runs the built noxfade executable, which lies beside the test executables, and captures its
// console output: natively through the shell, in the Windows build (under Wine) with
// CreateProcessW and the command line quoted as the plug-in quotes it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ImageFile.h"
#include "test_images.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace nox::testing {

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::filesystem::path NoxfadeExe() {
#ifdef _WIN32
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return std::filesystem::path(self).parent_path() / "noxfade.exe";
#else
  return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "noxfade";
#endif
}

// Runs noxfade with the given UTF-8 arguments, its stdout and stderr captured in files.
inline RunResult RunNoxfade(const std::vector<std::string>& args, const ScratchFolder& dir) {
  const auto outFile = dir / "stdout.txt", errFile = dir / "stderr.txt";
  RunResult r;
#ifdef _WIN32
  // Quoted as the plug-in quotes them: every argument in double quotes, nothing escaped.
  std::string line = "\"" + PathToUtf8(NoxfadeExe()) + "\"";
  for (const auto& a : args) line += " \"" + a + "\"";
  std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  HANDLE out = CreateFileW(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  HANDLE err = CreateFileW(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  si.wShowWindow = SW_HIDE;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(nullptr, wide.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    r.exitCode = static_cast<int>(code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(out);
  CloseHandle(err);
#else
  auto quote = [](const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  };
  std::string line = quote(NoxfadeExe().string());
  for (const auto& a : args) line += " " + quote(a);
  line += " >" + quote(outFile.string()) + " 2>" + quote(errFile.string()) + " </dev/null";
  const int status = std::system(line.c_str());
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  r.out = ReadFile(outFile);
  r.err = ReadFile(errFile);
  return r;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  return lines;
}

}  // namespace nox::testing
