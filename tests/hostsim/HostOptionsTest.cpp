#include "HostOptions.h"

#include <gtest/gtest.h>

namespace nox {
namespace {

TEST(HostOptions, BatchLineIsReadWithWindowsSeparators) {
  HostOptions o;
  std::wstring error;
  ASSERT_TRUE(ParseHostOptions({L"--batch", L"--image", L"Z:/data/m31.tif", L"--denoiser",
                                L"C:\\Noxfade/bin", L"--strength", L"80", L"--8bit", L"--version",
                                L"804", L"--out", L"out.png", L"--plugin", L"./p.dll", L"--show",
                                L"--linger", L"1500", L"--timings"},
                               o, error))
      << error;
  EXPECT_TRUE(o.batch);
  EXPECT_EQ(o.image, L"Z:\\data\\m31.tif");
  EXPECT_EQ(o.denoiser, L"C:\\Noxfade\\bin");
  ASSERT_TRUE(o.strength.has_value());
  EXPECT_EQ(*o.strength, L"80");
  EXPECT_TRUE(o.eightBit);
  EXPECT_EQ(o.version, 804);
  EXPECT_EQ(o.out, L"out.png");
  EXPECT_EQ(o.plugin, L".\\p.dll");
  EXPECT_TRUE(o.show);
  EXPECT_EQ(o.lingerMs, 1500u);
  EXPECT_TRUE(o.timings);

  ASSERT_TRUE(ParseHostOptions({L"--batch", L"--image", L"a.tif", L"--denoiser", L"d"}, o, error));
  EXPECT_FALSE(o.strength.has_value());
  EXPECT_FALSE(o.eightBit);
  EXPECT_EQ(o.version, 805);
  EXPECT_EQ(o.lingerMs, 0u);
  ASSERT_TRUE(ParseHostOptions({}, o, error));
  EXPECT_FALSE(o.batch);
}

TEST(HostOptions, BadLinesAreRefusedWithAReason) {
  const std::vector<std::vector<std::wstring>> bad = {
      {L"--batch", L"--image", L"a.tif"},                                   // no denoiser
      {L"--batch", L"--denoiser", L"d"},                                    // no image
      {L"--batch", L"--image", L"a.tif", L"--denoiser"},                    // value missing
      {L"--batch", L"--image", L"a.tif", L"--denoiser", L"d", L"--strength", L"8O"},
      {L"--batch", L"--image", L"a.tif", L"--denoiser", L"d", L"--version", L"x"},
      {L"--batch", L"--image", L"a.tif", L"--denoiser", L"d", L"--linger", L"-1"},
      {L"--batch", L"--image", L"", L"--denoiser", L"d"},
      {L"--image", L"a.tif", L"--strength", L"50"},                         // batch only
      {L"--image", L"a.tif", L"--timings"},                                 // batch only
      {L"--selftest"},
  };
  for (const auto& args : bad) {
    HostOptions o;
    o.version = 1;
    std::wstring error;
    EXPECT_FALSE(ParseHostOptions(args, o, error)) << args.size();
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(o.version, 1);  // untouched
  }
}

TEST(HostOptions, ExitCodeFollowsTheLastEntryOfTheLog) {
  EXPECT_EQ(BatchExitCode(L""), 0);
  EXPECT_EQ(BatchExitCode(L"Backend: cpu\r\n100.0%\r\nDone.\r\n"), 0);
  EXPECT_EQ(BatchExitCode(L"WARNING: small image\r\nDone."), 0);
  EXPECT_EQ(BatchExitCode(L"ERROR: early\r\nrecovered"), 0);
  EXPECT_EQ(BatchExitCode(L"Starting\r\nERROR: Noxfade exited with code 3\r\n\r\n  \r\n"), 1);
  EXPECT_EQ(BatchExitCode(L"ERROR: Noxfade executable not found in: \rZ:\\tmp\\none\\"), 1);
  EXPECT_EQ(BatchExitCode(L"ERROR: Noxfade executable not found in: \r\nZ:\\tmp\\none\\"), 1);
  EXPECT_EQ(BatchExitCode(L"ERROR: Noxfade executable not found in:\r\nZ:\\x\\\r\nDone."), 0);
  EXPECT_EQ(BatchExitCode(L"Please open an image."), 1);
  EXPECT_EQ(BatchExitCode(L"Image seems only 8 bit, please enable the option below.\r\n"), 1);
  EXPECT_EQ(BatchExitCode(L"Image range is too low, it must be 16 bits. See docs."), 1);
  EXPECT_EQ(BatchExitCode(L"Please check: Image seems not 8 bit.\n"), 1);
  EXPECT_EQ(BatchExitCode(L"Please open an image. Thanks"), 0);
}

TEST(HostOptions, PrintedLinesBreakAtCrLfLfAndLoneCr) {
  EXPECT_EQ(LogLinesForPrinting(L"a\r\nb\rc\nd\r\n"),
            (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
  EXPECT_EQ(LogLinesForPrinting(L"x\r\n\r\ny"), (std::vector<std::wstring>{L"x", L"", L"y"}));
  EXPECT_TRUE(LogLinesForPrinting(L"").empty());
}

}  // namespace
}  // namespace nox
