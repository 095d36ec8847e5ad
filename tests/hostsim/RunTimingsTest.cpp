#include "RunTimings.h"

#include <gtest/gtest.h>

#include "host/HostProtocol.h"

namespace nox {
namespace {

// The phases are cut at the commands of a run (leaving out the host's own work inside
// them) and at the plug-in's first processing of messages; a run that ends early, or that
// is seen without that processing, gives only the phases both of whose ends were seen.
TEST(RunTimings, PhasesFollowTheCommandsOfARun) {
  RunTimings full;
  full.Command(CmdGetCurrentImage, 0.5, 0.5);
  full.Command(CmdGetImageSize, 0.5, 0.5);
  for (double t : {1.0, 1.0, 1.25}) full.Command(CmdGetPlane, t, t);
  full.MessagesProcessed(1.5);
  full.MessagesProcessed(2.0);  // later processing changes nothing
  // After the denoiser the plug-in asks for the image again: still the same run.
  for (double t : {3.5, 3.5, 3.5}) full.Command(CmdGetPlane, t, t);
  full.Command(CmdSaveUndo, 4.0, 4.5);  // the host's undo copy takes half a second
  full.Command(CmdGetHostVersion, 5.25, 5.25);
  full.Command(CmdGetUndoPlane, 5.25, 5.25);
  full.Command(CmdRefreshImage, 5.5, 6.0);
  EXPECT_EQ(full.Lines(), (std::vector<std::wstring>{L"export 0.250 s", L"denoiser 2.500 s",
                                                     L"import 0.750 s", L"blend 0.250 s"}));

  RunTimings refused;  // the range check refused the image: nothing after the planes
  for (double t : {1.0, 1.0, 1.0}) refused.Command(CmdGetPlane, t, t);
  EXPECT_TRUE(refused.Lines().empty());

  RunTimings silent;
  silent.Command(CmdGetPlane, 1.0, 1.0);
  silent.Command(CmdSaveUndo, 3.0, 3.0);
  silent.Command(CmdGetHostVersion, 3.5, 3.5);
  EXPECT_EQ(silent.Lines(),
            (std::vector<std::wstring>{L"export and denoiser 2.000 s", L"import 0.500 s"}));
}

}  // namespace
}  // namespace nox
