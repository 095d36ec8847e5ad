// Waiting for another process to end, for the Windows tests.
#pragma once

#include <windows.h>

namespace nox {
namespace test {

// True when the process is gone, or goes within the given time.
inline bool ProcessEnds(DWORD pid, DWORD withinMs) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (process == nullptr) return true;
  const bool ended = WaitForSingleObject(process, withinMs) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

}  // namespace test
}  // namespace nox
