// The built noxfade executable, run as the plug-in runs it: its console output shapes, its
// result file and its refusals. Natively it runs through the shell; in the Windows build the
// test runs under Wine and starts noxfade.exe with CreateProcessW.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "ImageFile.h"
#include "StarField.h"
#include "Starlet.h"
#include "run_noxfade.h"
#include "test_images.h"

namespace nox {
namespace {

using testing::Lines;
using testing::RunNoxfade;
using testing::RunResult;
using testing::ScratchFolder;

// Checks the console output line by line against the shapes the plug-in recognises.
void ExpectOutputShapes(const std::string& out) {
  const std::vector<std::string> lines = Lines(out);
  ASSERT_GE(lines.size(), 6u) << out;
  EXPECT_EQ("Noxfade reference denoiser 1.2", lines[0]);
  EXPECT_EQ(0u, lines[1].rfind("Backend:", 0)) << lines[1];
  // A bracketed status line whose "]" stands at position 10 or later (1-based).
  ASSERT_EQ('[', lines[2][0]) << lines[2];
  EXPECT_GE(lines[2].find(']') + 1, 10u) << lines[2];
  const std::regex progress(R"((Denoising: )?(\d+\.\d)%)");
  std::size_t i = 3;
  std::vector<double> values;
  for (std::smatch m; i < lines.size() && std::regex_match(lines[i], m, progress); ++i) {
    values.push_back(std::stod(m[2].str()));
  }
  ASSERT_GE(values.size(), 1u) << out;
  EXPECT_EQ(100.0, values.back());
  for (std::size_t k = 1; k < values.size(); ++k) {
    EXPECT_GT(values[k], values[k - 1]);
    if (k + 1 < values.size()) {
      EXPECT_GE(values[k] - values[k - 1], 0.99) << "progress printed too often";
    }
  }
  ASSERT_EQ(i + 2, lines.size()) << out;
  EXPECT_EQ("Writing denoised image ...", lines[i]);
  EXPECT_TRUE(std::regex_match(lines[i + 1], std::regex(R"(Done in \d+\.\d s)"))) << lines[i + 1];
  // Only progress lines may carry a "%": the plug-in takes any chunk with one as progress.
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(std::string::npos, lines[k].find('%')) << lines[k];
}

TEST(NoxfadeCli, ColourFieldIsDenoisedWithTheExpectedConsoleOutput) {
  ScratchFolder dir("cli");
  StarFieldOptions o;
  o.width = 320;
  o.height = 240;
  const StarField field = MakeStarField(o);
  const auto input = dir / "input.tif", output = dir / "output.tif";
  std::string error;
  ASSERT_TRUE(SaveTiff16(input, field.noisy, error)) << error;

  const RunResult r = RunNoxfade({"-i", PathToUtf8(input), "-o", PathToUtf8(output)}, dir);
  ASSERT_EQ(0, r.exitCode) << r.out << r.err;
  EXPECT_EQ("", r.err);
  ExpectOutputShapes(r.out);

  PlaneImage result;
  ASSERT_TRUE(LoadImage16(output, result, error)) << error;
  ASSERT_EQ(3, result.Channels());
  EXPECT_EQ(320, result.width);
  EXPECT_EQ(240, result.height);
  for (std::size_t c = 0; c < 3; ++c) {
    const double before = EstimateNoiseSigma(field.noisy.planes[c].data(), 320, 240);
    const double after = EstimateNoiseSigma(result.planes[c].data(), 320, 240);
    EXPECT_GT(before / after, 3.0) << "channel " << c;
  }
}

TEST(NoxfadeCli, GreyPngBecomesGreyTiffUnderANonAsciiName) {
  ScratchFolder dir("cli");
  const auto input = dir / "grey.png";
  ASSERT_TRUE(testing::WriteBitmap(input, FIF_PNG, FIT_UINT16, 101, 67, 16, [](void* line, int y) {
    auto* p = static_cast<WORD*>(line);
    for (int x = 0; x < 101; ++x) p[x] = static_cast<WORD>(20000 + ((x * 7 + y * 13) % 17) * 40);
  }));
  const auto output = dir.Path() / PathFromUtf8("entrauscht-\xC3\xA9.tif");
  const RunResult r = RunNoxfade({"-i", PathToUtf8(input), "-o", PathToUtf8(output), "--threads", "1"}, dir);
  ASSERT_EQ(0, r.exitCode) << r.out << r.err;
  ExpectOutputShapes(r.out);
  EXPECT_NE(std::string::npos, r.out.find("1 thread")) << r.out;
  PlaneImage result;
  std::string error;
  ASSERT_TRUE(LoadImage16(output, result, error)) << error;
  EXPECT_EQ(1, result.Channels());
  EXPECT_EQ(101, result.width);
  EXPECT_EQ(67, result.height);
}

TEST(NoxfadeCli, RuntimeFailuresExitWithOneAndLeaveNoOutput) {
  ScratchFolder dir("cli");
  const auto output = dir / "output.tif";
  const auto eightBit = dir / "rgb8.tif";
  ASSERT_TRUE(testing::WriteBitmap(eightBit, FIF_TIFF, FIT_BITMAP, 8, 8, 24, [](void* line, int) {
    std::fill_n(static_cast<BYTE*>(line), 24, BYTE{100});
  }));
  PlaneImage good;
  good.Resize(16, 16, 1);
  std::string error;
  ASSERT_TRUE(SaveTiff16(dir / "good.tif", good, error)) << error;

  const std::vector<std::vector<std::string>> cases = {
      {"-i", PathToUtf8(dir / "missing.tif"), "-o", PathToUtf8(output)},
      {"-i", PathToUtf8(eightBit), "-o", PathToUtf8(output)},
      {"-i", PathToUtf8(dir / "good.tif"), "-o", PathToUtf8(dir / "no-such-folder" / "output.tif")},
  };
  for (const auto& args : cases) {
    const RunResult r = RunNoxfade(args, dir);
    EXPECT_EQ(1, r.exitCode) << args[1] << "\n" << r.out << r.err;
    EXPECT_EQ(0u, r.err.rfind("noxfade: error: ", 0)) << r.err;
    EXPECT_EQ(std::string::npos, r.out.find("Done in")) << r.out;
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_FALSE(std::filesystem::exists(dir / "no-such-folder"));
  }
}

TEST(NoxfadeCli, BadCommandLinesExitWithTwoBeforeTouchingAnything) {
  ScratchFolder dir("cli");
  const std::string output = PathToUtf8(dir / "output.tif");
  const std::vector<std::vector<std::string>> cases = {
      {}, {"-i", "in.tif"}, {"-o", output}, {"-i", "in.tif", "-o"},
      {"-i", "in.tif", "-o", output, "--bogus"}, {"-i", "in.tif", "-o", output, "--threads", "0"},
  };
  for (const auto& args : cases) {
    const RunResult r = RunNoxfade(args, dir);
    EXPECT_EQ(2, r.exitCode) << r.err;
    EXPECT_EQ(0u, r.err.rfind("noxfade: error: ", 0)) << r.err;
    EXPECT_EQ("", r.out);
    EXPECT_FALSE(std::filesystem::exists(dir / "output.tif"));
  }
}

}  // namespace
}  // namespace nox
