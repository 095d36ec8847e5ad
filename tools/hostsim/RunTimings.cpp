#include "RunTimings.h"

#include <cstdio>

#include "plugin/HostProtocol.h"

namespace nox {

namespace {

std::wstring Phase(const wchar_t* name, double from, double to) {
  wchar_t text[64];
  std::swprintf(text, sizeof text / sizeof text[0], L"%ls %.3f s", name, to - from);
  return text;
}

}  // namespace

void RunTimings::Command(uint8_t command, double seconds) {
  switch (command) {
    case CmdGetPlane:  // a new run: its planes are fetched last before the export
      *this = RunTimings();
      mLastPlane = seconds;
      break;
    case CmdSaveUndo:
      if (mLastPlane && !mSaveUndo) mSaveUndo = seconds;
      break;
    case CmdGetHostVersion:
      if (mSaveUndo && !mHostVersion) mHostVersion = seconds;
      break;
    case CmdRefreshImage:
      if (mHostVersion && !mRefresh) mRefresh = seconds;
      break;
    default: break;
  }
}

void RunTimings::MessagesProcessed(double seconds) {
  if (mLastPlane && !mPumped && !mSaveUndo) mPumped = seconds;
}

std::vector<std::wstring> RunTimings::Lines() const {
  std::vector<std::wstring> lines;
  if (mLastPlane && mSaveUndo) {
    if (mPumped) {
      lines.push_back(Phase(L"export", *mLastPlane, *mPumped));
      lines.push_back(Phase(L"denoiser", *mPumped, *mSaveUndo));
    } else {
      lines.push_back(Phase(L"export and denoiser", *mLastPlane, *mSaveUndo));
    }
  }
  if (mSaveUndo && mHostVersion) lines.push_back(Phase(L"import", *mSaveUndo, *mHostVersion));
  if (mHostVersion && mRefresh) lines.push_back(Phase(L"blend", *mHostVersion, *mRefresh));
  return lines;
}

}  // namespace nox
