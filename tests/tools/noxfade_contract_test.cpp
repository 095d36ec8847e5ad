// The reference denoiser's console output as the plug-in's own interpretation of output chunks
// sees it: each line taken as a chunk of its own, the log must tell the run's story and the
// gauge must end full.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StarField.h"
#include "dialog/DenoiserOutput.h"
#include "run_noxfade.h"

namespace nox {
namespace {

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

TEST(NoxfadeContract, PluginLogsBannerBackendStatusAndTimeAndFillsTheGauge) {
  testing::ScratchFolder dir("contract");
  StarFieldOptions o;
  o.width = 256;
  o.height = 200;
  o.colour = false;
  std::string error;
  ASSERT_TRUE(SaveTiff16(dir / "in.tif", MakeStarField(o).noisy, error)) << error;

  const testing::RunResult r = testing::RunNoxfade(
      {"-i", PathToUtf8(dir / "in.tif"), "-o", PathToUtf8(dir / "out.tif")}, dir);
  ASSERT_EQ(0, r.exitCode) << r.err;

  std::vector<std::wstring> log;
  std::vector<int> gauge;
  for (const std::string& line : testing::Lines(r.out)) {
    const ChunkEffect effect = InterpretChunk(Widen(line + "\r\n"));
    if (effect.progress) gauge.push_back(*effect.progress);
    log.insert(log.end(), effect.lines.begin(), effect.lines.end());
  }
  ASSERT_EQ(5u, log.size());
  EXPECT_EQ(L"Noxfade reference denoiser 1.2", log[0]);
  EXPECT_EQ(0u, log[1].rfind(L"Backend: CPU", 0));
  EXPECT_EQ(L"Working ...", log[2]);
  EXPECT_EQ(L"Estimating noise level", log[3]);
  EXPECT_EQ(0u, log[4].rfind(L"Done in ", 0));
  ASSERT_FALSE(gauge.empty());
  EXPECT_EQ(100, gauge.back());
}

}  // namespace
}  // namespace nox
