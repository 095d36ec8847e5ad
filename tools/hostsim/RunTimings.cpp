#include "RunTimings.h"

#include <cstdio>

#include "host/HostProtocol.h"

namespace nox {

namespace {

std::wstring Phase(const wchar_t* name, double from, double to) {
  wchar_t text[64];
  std::swprintf(text, sizeof text / sizeof text[0], L"%ls %.3f s", name, to - from);
  return text;
}

}  // namespace

void RunTimings::Command(uint8_t command, double started, double ended) {
  switch (command) {
    case CmdGetPlane:
      // The planes asked for again after the denoiser belong to the same run; any others
      // start a new one, whose planes are fetched last before the export.
      if (mPumped && !mSaveUndoStart) break;
      *this = RunTimings();
      mLastPlane = ended;
      break;
    case CmdSaveUndo:
      if (mLastPlane && !mSaveUndoStart) {
        mSaveUndoStart = started;
        mSaveUndoEnd = ended;
      }
      break;
    case CmdGetHostVersion:
      if (mSaveUndoEnd && !mHostVersionStart) {
        mHostVersionStart = started;
        mHostVersionEnd = ended;
      }
      break;
    case CmdRefreshImage:
      if (mHostVersionEnd && !mRefresh) mRefresh = started;
      break;
    default: break;
  }
}

void RunTimings::MessagesProcessed(double seconds) {
  if (mLastPlane && !mPumped && !mSaveUndoStart) mPumped = seconds;
}

std::vector<std::wstring> RunTimings::Lines() const {
  std::vector<std::wstring> lines;
  if (mLastPlane && mSaveUndoStart) {
    if (mPumped) {
      lines.push_back(Phase(L"export", *mLastPlane, *mPumped));
      lines.push_back(Phase(L"denoiser", *mPumped, *mSaveUndoStart));
    } else {
      lines.push_back(Phase(L"export and denoiser", *mLastPlane, *mSaveUndoStart));
    }
  }
  if (mSaveUndoEnd && mHostVersionStart) {
    lines.push_back(Phase(L"import", *mSaveUndoEnd, *mHostVersionStart));
  }
  if (mHostVersionEnd && mRefresh) lines.push_back(Phase(L"blend", *mHostVersionEnd, *mRefresh));
  return lines;
}

}  // namespace nox
