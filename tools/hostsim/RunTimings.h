// The phases of one denoise run as the host sees them. The host sees only the plug-in's
// commands and when the plug-in processes the host's window messages, so the phases are
// cut at those points; the host's own work inside a command (the undo copy) is in none:
//   export    end of the last CmdGetPlane .. the plug-in's first processing of pending
//             messages (it does so once the denoiser runs and it waits on the denoiser's
//             output; the denoiser's start is counted here)
//   denoiser  .. start of CmdSaveUndo (the plug-in's second ask for the image included)
//   import    end of CmdSaveUndo .. start of CmdGetHostVersion (the plug-in reads the
//             result between the two)
//   blend     end of CmdGetHostVersion .. start of CmdRefreshImage (the undo planes and
//             the blend, when it blends)
// Portable: times come in as seconds from any fixed start.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nox {

class RunTimings {
 public:
  // A command of the plug-in, from its start to the host's answer.
  void Command(uint8_t command, double started, double ended);
  // The plug-in processed the host's pending window messages.
  void MessagesProcessed(double seconds);

  // One line for each phase whose both ends were seen, e.g. "import 0.154 s"; export and
  // denoiser come as one phase when no message processing was seen between them.
  std::vector<std::wstring> Lines() const;

 private:
  std::optional<double> mLastPlane;
  std::optional<double> mPumped;
  std::optional<double> mSaveUndoStart;
  std::optional<double> mSaveUndoEnd;
  std::optional<double> mHostVersionStart;
  std::optional<double> mHostVersionEnd;
  std::optional<double> mRefresh;
};

}  // namespace nox
