#include "PluginModule.h"

#include <vector>

namespace nox {

namespace {

constexpr size_t kHandshakeBufferSize = 256;

std::wstring FromAnsi(const char* text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  wide.resize(static_cast<size_t>(length - 1));
  return wide;
}

std::wstring SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length > 0 ? std::wstring(buffer, length) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  return L"error " + std::to_wstring(code) + (text.empty() ? L"" : L": " + text);
}

}  // namespace

std::wstring ExecutableFolder() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      std::wstring full(path.data(), length);
      return full.substr(0, full.find_last_of(L"\\/") + 1);
    }
    path.resize(path.size() * 2);
  }
}

void PumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

PluginModule::~PluginModule() { Unload(); }

bool PluginModule::Load(const std::wstring& path, std::wstring& error) {
  module_ = LoadLibraryW(path.c_str());
  if (module_ == nullptr) {
    error = L"cannot load " + path + L" (" + SystemMessage(GetLastError()) + L")";
    return false;
  }
  initialize_ = reinterpret_cast<pi_initialize_fn>(
      reinterpret_cast<void*>(GetProcAddress(module_, "pi_initialize")));
  activate_ = reinterpret_cast<pi_activate_fn>(
      reinterpret_cast<void*>(GetProcAddress(module_, "pi_activate")));
  finalize_ = reinterpret_cast<pi_finalize_fn>(
      reinterpret_cast<void*>(GetProcAddress(module_, "pi_finalize")));
  if (initialize_ == nullptr || activate_ == nullptr || finalize_ == nullptr) {
    error = path + L" lacks pi_initialize, pi_activate or pi_finalize";
    FreeLibrary(module_);
    module_ = nullptr;
    return false;
  }
  return true;
}

int32_t PluginModule::Initialize(HostCallback callback, HWND hostWindow) {
  std::vector<char> name(kHandshakeBufferSize, '\0');
  std::vector<char> description(kHandshakeBufferSize, '\0');
  const int32_t result = initialize_(callback, name.data(), description.data(), hostWindow);
  name.back() = '\0';
  description.back() = '\0';
  name_ = FromAnsi(name.data());
  description_ = FromAnsi(description.data());
  initialised_ = true;
  return result;
}

void PluginModule::Activate() {
  if (initialised_) activate_();
}

void PluginModule::Finalize() {
  if (!initialised_) return;
  initialised_ = false;
  finalize_();
  PumpPendingMessages();
}

void PluginModule::Unload() {
  if (module_ == nullptr) return;
  Finalize();
  FreeLibrary(module_);
  module_ = nullptr;
}

}  // namespace nox
