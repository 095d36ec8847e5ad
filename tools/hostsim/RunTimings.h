// The phases of one denoise run as the host sees them. The host sees only the plug-in's
// commands and when the plug-in processes the host's window messages, so the phases are
// cut at those points:
//   export    last CmdGetPlane .. the plug-in's first processing of pending messages (it
//             does so once the denoiser runs and it waits on the denoiser's output; the
//             denoiser's start is counted here)
//   denoiser  .. CmdSaveUndo
//   import    .. CmdGetHostVersion (the plug-in reads the result between the two)
//   blend     .. CmdRefreshImage (the undo planes and the blend, when it blends)
// Portable: times come in as seconds from any fixed start.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nox {

class RunTimings {
 public:
  // A command the plug-in sent, at time `seconds`.
  void Command(uint8_t command, double seconds);
  // The plug-in processed the host's pending window messages.
  void MessagesProcessed(double seconds);

  // One line for each phase whose both ends were seen, e.g. "import 0.154 s"; export and
  // denoiser come as one phase when no message processing was seen between them.
  std::vector<std::wstring> Lines() const;

 private:
  std::optional<double> mLastPlane;
  std::optional<double> mPumped;
  std::optional<double> mSaveUndo;
  std::optional<double> mHostVersion;
  std::optional<double> mRefresh;
};

}  // namespace nox
