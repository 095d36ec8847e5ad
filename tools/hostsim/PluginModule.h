// The plug-in DLL as the host sees it: loaded, initialised, activated, finalised, freed.
#pragma once

#include <windows.h>

#include <string>

#include "host/HostProtocol.h"

namespace nox {

class PluginModule {
 public:
  PluginModule() = default;
  ~PluginModule();
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;

  // Loads the DLL and finds its three exports. False with a reason in `error`.
  bool Load(const std::wstring& path, std::wstring& error);
  bool Loaded() const { return module_ != nullptr; }

  // pi_initialize with 256-byte name and description buffers; keeps the texts.
  int32_t Initialize(HostCallback callback, HWND hostWindow);
  void Activate();
  // pi_finalize once, then the pending messages are processed so that the dialog's
  // deferred release is carried out before the DLL goes away.
  void Finalize();
  // Finalizes when still needed, then frees the DLL.
  void Unload();

  const std::wstring& Name() const { return name_; }
  const std::wstring& Description() const { return description_; }

 private:
  HMODULE module_ = nullptr;
  pi_initialize_fn initialize_ = nullptr;
  pi_activate_fn activate_ = nullptr;
  pi_finalize_fn finalize_ = nullptr;
  bool initialised_ = false;
  std::wstring name_;
  std::wstring description_;
};

// The folder of the running executable, ending in a backslash.
std::wstring ExecutableFolder();

// Processes the thread's pending messages until the queue stays empty.
void PumpPendingMessages();

}  // namespace nox
