#include "settings/SettingsFilesWin.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>
#include <utility>

namespace nox {

namespace {

bool UsableName(const std::wstring& fileName) {
  return !fileName.empty() && fileName.find(L'\0') == std::wstring::npos;
}

class Handle {
 public:
  explicit Handle(HANDLE h) : mHandle(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Valid() const { return mHandle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return mHandle; }
  bool Close() {
    if (!Valid()) return true;
    const bool ok = CloseHandle(mHandle) != FALSE;
    mHandle = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE mHandle;
};

std::u16string DecodeAnsiCodePage(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > INT_MAX) return std::u16string();
  const int n = static_cast<int>(bytes.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, nullptr, 0);
  if (units <= 0) return std::u16string();
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, wide.data(), units);
  return std::u16string(wide.begin(), wide.end());
}

bool WriteWhole(HANDLE h, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

class WindowsSettingsFiles : public SettingsFiles {
 public:
  ReadResult ReadAll(const std::wstring& fileName, std::size_t limit, std::string& bytes) override {
    if (!UsableName(fileName)) return ReadResult::Missing;
    // Others may read, write or rename the file meanwhile: we take a snapshot.
    Handle h(CreateFileW(fileName.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) {
      const DWORD error = GetLastError();
      return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing
                                                                             : ReadResult::Unreadable;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(h.Get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > limit)
      return ReadResult::Unreadable;
    std::string data(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < data.size()) {
      DWORD got = 0;
      if (!ReadFile(h.Get(), data.data() + done, static_cast<DWORD>(data.size() - done), &got, nullptr))
        return ReadResult::Unreadable;
      if (got == 0) break;  // it shrank meanwhile
      done += got;
    }
    data.resize(done);
    bytes = std::move(data);
    return ReadResult::Read;
  }

  // The new content goes to a new file in the same folder, is flushed, and then replaces
  // the old file in one rename: on any failure (full disk, read-only folder or file, a
  // file held open by someone else) the old file stays whole and the new one is removed.
  bool ReplaceAll(const std::wstring& fileName, const std::string& bytes) override {
    if (!UsableName(fileName)) return false;
    const DWORD attributes = GetFileAttributesW(fileName.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
      return false;  // a read-only file is the user's wish to keep it
    const std::wstring fresh = fileName + L"." + std::to_wstring(GetCurrentProcessId()) + L".new";
    Handle h(CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid()) return false;
    const bool written = WriteWhole(h.Get(), bytes) && FlushFileBuffers(h.Get());
    const bool closed = h.Close();
    if (!written || !closed ||
        !MoveFileExW(fresh.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      DeleteFileW(fresh.c_str());
      return false;
    }
    return true;
  }

  AnsiDecoder Ansi() const override { return &DecodeAnsiCodePage; }
};

}  // namespace

std::unique_ptr<SettingsFiles> MakeWindowsSettingsFiles() { return std::make_unique<WindowsSettingsFiles>(); }

}  // namespace nox
