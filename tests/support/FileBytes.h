// Whole-file reads and writes for the Windows tests and the scripted stand-in denoiser,
// through wide paths.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace nox {
namespace test {

// The file's bytes, or empty when it cannot be opened.
inline std::string ReadFileBytes(const std::wstring& path) {
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

// Creates or replaces the file with exactly these bytes; false when any step fails.
inline bool WriteFileBytes(const std::wstring& path, const void* data, DWORD size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
  return CloseHandle(file) && ok;
}

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  return WriteFileBytes(path, bytes.data(), static_cast<DWORD>(bytes.size()));
}

// The names in a folder (ending in a backslash), without "." and "..".
inline std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

}  // namespace test
}  // namespace nox
