// Files we write, read by independent readers: libtiff (its library and its tools) and
// ImageMagick. Native only: these tools exist on the build machine, not under Wine.
#include "imageio/TiffWriter.h"

#include <tiffio.h>

#include <cstdio>
#include <memory>

#include "image_test_support.h"

namespace nox::test {
namespace {

// Runs a shell command and returns its standard output and error; exit status in status.
std::string RunCommand(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return output;
  }
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  status = pclose(pipe);
  return output;
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

// A frame with odd sides and values over the whole 16-bit range, including both ends.
Planes MakeImage(int w, int h) {
  Planes p(w, h);
  for (int r = 0; r < h; ++r) {
    for (int x = 0; x < w; ++x) {
      const int i = r * w + x;
      p.At(p.first, x, r) = static_cast<float>((i * 7 + 3) * 97 % 65536);
      p.At(p.second, x, r) = static_cast<float>((i * 13 + 1) * 89 % 65536);
      p.At(p.third, x, r) = static_cast<float>((i * 5 + 11) * 211 % 65536);
    }
  }
  p.At(p.first, 0, 0) = 0;
  p.At(p.first, w - 1, h - 1) = 65535;
  p.At(p.second, 1, 0) = 65535;
  return p;
}

// What the file's top-to-bottom, interleaved samples must be.
std::vector<uint16_t> FileOrder(Planes& p, bool colour) {
  std::vector<uint16_t> out;
  for (int r = p.height - 1; r >= 0; --r) {
    for (int x = 0; x < p.width; ++x) {
      if (colour) {
        out.push_back(static_cast<uint16_t>(p.At(p.second, x, r)));
        out.push_back(static_cast<uint16_t>(p.At(p.first, x, r)));
        out.push_back(static_cast<uint16_t>(p.At(p.third, x, r)));
      } else {
        out.push_back(static_cast<uint16_t>(p.At(p.first, x, r)));
      }
    }
  }
  return out;
}

std::vector<uint16_t> ReadWithLibtiff(const fs::path& file, uint32_t& w, uint32_t& h,
                                      uint16_t& spp) {
  std::vector<uint16_t> out;
  TIFFSetWarningHandler(nullptr);
  std::unique_ptr<TIFF, void (*)(TIFF*)> tif(TIFFOpen(file.c_str(), "r"), TIFFClose);
  if (!tif) return out;
  uint16_t bits = 0;
  TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &h);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  if (bits != 16) return out;
  std::vector<uint16_t> line(static_cast<std::size_t>(TIFFScanlineSize(tif.get())) / 2);
  for (uint32_t r = 0; r < h; ++r) {
    if (TIFFReadScanline(tif.get(), line.data(), r, 0) < 0) return {};
    out.insert(out.end(), line.begin(), line.end());
  }
  return out;
}

class ExternalReaders : public ::testing::TestWithParam<bool> {};

TEST_P(ExternalReaders, ReadOurFileSampleExactly) {
  const bool colour = GetParam();
  ScratchDir dir;
  const int w = 333, h = 77;
  Planes p = MakeImage(w, h);
  const fs::path file = dir.Path("ours.tif");
  ASSERT_TRUE(WriteTiff16(colour ? p.Colour() : p.Mono(), file.wstring()));
  const auto want = FileOrder(p, colour);

  // libtiff's library.
  uint32_t tw = 0, th = 0;
  uint16_t spp = 0;
  EXPECT_EQ(ReadWithLibtiff(file, tw, th, spp), want);
  EXPECT_EQ(tw, static_cast<uint32_t>(w));
  EXPECT_EQ(th, static_cast<uint32_t>(h));
  EXPECT_EQ(spp, colour ? 3 : 1);

  // libtiff's tools: the directory reads cleanly, with no warning.
  int status = 0;
  const std::string info = RunCommand(std::string(PINOXFADE_TIFFINFO) + " " + Quote(file), status);
  EXPECT_EQ(status, 0) << info;
  EXPECT_EQ(info.find("arning"), std::string::npos) << info;
  EXPECT_NE(info.find("Image Width: 333 Image Length: 77"), std::string::npos) << info;
  EXPECT_NE(info.find("Bits/Sample: 16"), std::string::npos) << info;
  EXPECT_NE(info.find(colour ? "RGB color" : "min-is-black"), std::string::npos) << info;
  const std::string dump = RunCommand(std::string(PINOXFADE_TIFFDUMP) + " " + Quote(file), status);
  EXPECT_EQ(status, 0) << dump;
  EXPECT_NE(dump.find("Magic: 0x4949 <little-endian> Version: 0x2a"), std::string::npos)
      << dump;
  EXPECT_NE(dump.find("Directory 0: offset 8 (0x8) next 0 (0)"), std::string::npos) << dump;
  EXPECT_NE(dump.find("StripByteCounts (279) LONG (4) 1<" + std::to_string(want.size() * 2)),
            std::string::npos)
      << dump;

  // ImageMagick: a raw little-endian dump of the samples.
  const fs::path raw = dir.Path("dump.raw");
  const std::string cmd = std::string(PINOXFADE_CONVERT) + " " + Quote(file) +
                          " -depth 16 -endian LSB " + (colour ? "rgb:" : "gray:") +
                          Quote(raw);
  const std::string out = RunCommand(cmd, status);
  ASSERT_EQ(status, 0) << out;
  const auto bytes = ReadBytes(raw);
  ASSERT_EQ(bytes.size(), want.size() * 2);
  std::vector<uint16_t> got;
  for (std::size_t at = 0; at < bytes.size(); at += 2) got.push_back(Le16(bytes, at));
  EXPECT_EQ(got, want);
}

std::string CaseName(const ::testing::TestParamInfo<bool>& param) {
  return param.param ? "Colour" : "Mono";
}

INSTANTIATE_TEST_SUITE_P(MonoAndColour, ExternalReaders, ::testing::Bool(), CaseName);

}  // namespace
}  // namespace nox::test
