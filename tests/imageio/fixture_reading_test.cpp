// Results written by independent tools (ImageMagick, tiffcp) in many shapes: every
// 16-bit grey, RGB and RGBA file lands sample-exactly in the planes; 8-bit ones are refused.
#include "imageio/PngChunks.h"
#include "imageio/ResultReader.h"
#include "imageio/TiffWriter.h"

#include "image_test_support.h"

#ifdef __linux__
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "imageio/FreeImageApi.h"
#endif

namespace nox::test {
namespace {

constexpr int kW = kFixtureWidth;
constexpr int kH = kFixtureHeight;

// Plane row r holds the file's row kH - 1 - r; red goes to the second plane, green to
// the first, blue to the third.
float Expected(int channel, int x, int planeRow) {
  return static_cast<float>(FixturePattern(x, kH - 1 - planeRow, channel));
}

// Test names from file names ("im_rgb16.tif" -> "im_rgb16_tif").
std::string FileCaseName(const ::testing::TestParamInfo<const char*>& param) {
  std::string name = param.param;
  for (char& c : name) {
    if (c == '.') c = '_';
  }
  return name;
}

class ColourFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(ColourFixture, LandsInThePlanesSampleExactly) {
  const fs::path file = FixtureDir() / GetParam();
  ASSERT_TRUE(fs::exists(file)) << file;
  Planes p(kW, kH);
  ASSERT_TRUE(ReadResultImage(file.wstring(), p.Colour()));
  int wrong = 0;
  for (int r = 0; r < kH; ++r) {
    for (int x = 0; x < kW; ++x) {
      wrong += p.At(p.second, x, r) != Expected(0, x, r);
      wrong += p.At(p.first, x, r) != Expected(1, x, r);
      wrong += p.At(p.third, x, r) != Expected(2, x, r);
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(p.At(p.second, 1, kH - 1), 65535.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, ColourFixture,
    ::testing::Values("im_rgb16.tif", "im_rgb16_msb.tif", "im_rgb16_lzw.tif",
                      "im_rgb16_zip.tif", "im_rgb16_planar.tif", "im_rgb16_strips.tif",
                      "im_rgba16.tif", "im_rgba16_planar.tif", "im_rgb16.png",
                      "im_rgba16.png", "tc_rgb16_msb_lzw.tif", "tc_rgb16_tiled_zip.tif",
                      "tc_rgb16_planar_msb_lzw.tif", "tc_rgba16_planar_lzw.tif",
                      "tc_rgba16_strips_zip.tif", "im_rgb16.ppm", "rgb.ppm"),
    FileCaseName);

class GreyFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(GreyFixture, LandsInTheFirstPlaneSampleExactly) {
  const fs::path file = FixtureDir() / GetParam();
  ASSERT_TRUE(fs::exists(file)) << file;
  Planes p(kW, kH);
  ASSERT_TRUE(
      ReadResultImage(file.wstring(), PlaneSet{p.first.data(), p.first.data(), nullptr, kW, kH, 1.0f}));
  int wrong = 0;
  for (int r = 0; r < kH; ++r) {
    for (int x = 0; x < kW; ++x) wrong += p.At(p.first, x, r) != Expected(0, x, r);
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(AllEqual(p.second, Planes::kSentinel));
}

INSTANTIATE_TEST_SUITE_P(Tools, GreyFixture,
                         ::testing::Values("im_grey16.tif", "im_grey16_msb_lzw.tif",
                                           "im_grey16_tiled.tif", "im_grey16.png",
                                           "tc_grey16_strips.tif", "tc_grey16_tiled_msb.tif",
                                           "im_grey16.pgm", "grey.pgm"),
                         FileCaseName);

TEST(FixtureReading, EightBitResultsAreRefusedAndLeavePlanesUntouched) {
  for (const char* name : {"im_grey8.tif", "im_rgb8.tif", "im_rgb8.png"}) {
    SCOPED_TRACE(name);
    const fs::path file = FixtureDir() / name;
    ASSERT_TRUE(fs::exists(file));
    Planes p(kW, kH);
    EXPECT_FALSE(ReadResultImage(file.wstring(), p.Colour()));
    EXPECT_TRUE(AllEqual(p.first, Planes::kSentinel));
    EXPECT_TRUE(AllEqual(p.second, Planes::kSentinel));
    EXPECT_TRUE(AllEqual(p.third, Planes::kSentinel));
  }
}


// Where to cut a file so that each part of it is missing once: inside the header, inside
// the directory (TIFF) or the header chunk (PNG), inside the first and inside the last
// strip or image-data chunk.
struct Cut {
  const char* where;
  std::size_t size;
};

uint32_t Tiff32(const std::vector<unsigned char>& b, std::size_t at, bool bigEndian) {
  if (!bigEndian) return Le32(b, at);
  return static_cast<uint32_t>(b.at(at)) << 24 | static_cast<uint32_t>(b.at(at + 1)) << 16 |
         static_cast<uint32_t>(b.at(at + 2)) << 8 | b.at(at + 3);
}

uint16_t Tiff16(const std::vector<unsigned char>& b, std::size_t at, bool bigEndian) {
  return bigEndian ? static_cast<uint16_t>(b.at(at) << 8 | b.at(at + 1)) : Le16(b, at);
}

// One value of a LONG or SHORT array tag of the first directory (offsets and byte counts).
uint32_t TiffArrayValue(const std::vector<unsigned char>& b, uint16_t tag, uint32_t index) {
  const bool be = b.at(0) == 'M';
  const uint32_t ifd = Tiff32(b, 4, be);
  const uint16_t entries = Tiff16(b, ifd, be);
  for (uint32_t i = 0; i < entries; ++i) {
    const std::size_t e = ifd + 2 + 12 * i;
    if (Tiff16(b, e, be) != tag) continue;
    const uint16_t type = Tiff16(b, e + 2, be);
    const uint32_t count = Tiff32(b, e + 4, be);
    const std::size_t width = type == 3 ? 2 : 4;
    const std::size_t at = count * width <= 4 ? e + 8 : Tiff32(b, e + 8, be);
    const std::size_t item = at + width * std::min(index, count - 1);
    return width == 2 ? Tiff16(b, item, be) : Tiff32(b, item, be);
  }
  ADD_FAILURE() << "no tag " << tag;
  return 0;
}

std::vector<Cut> TiffCuts(const std::vector<unsigned char>& b) {
  const bool be = b.at(0) == 'M';
  const uint32_t ifd = Tiff32(b, 4, be);
  const uint16_t entries = Tiff16(b, ifd, be);
  uint32_t strips = 0;
  for (uint32_t i = 0; i < entries; ++i) {
    if (Tiff16(b, ifd + 2 + 12 * i, be) == 273) strips = Tiff32(b, ifd + 2 + 12 * i + 4, be);
  }
  const uint32_t last = strips - 1;
  return {{"header", 6},
          {"directory", ifd + 2 + 12 * (entries / 2u) + 5},
          {"first strip", TiffArrayValue(b, 273, 0) + TiffArrayValue(b, 279, 0) / 2},
          {"last strip", TiffArrayValue(b, 273, last) + TiffArrayValue(b, 279, last) / 2}};
}

std::vector<Cut> PngCuts(const std::vector<unsigned char>& b) {
  std::vector<std::size_t> idat;  // start of each image-data chunk's data
  std::vector<std::size_t> idatLength;
  for (std::size_t at = 8; at + 8 <= b.size();) {
    const std::size_t length = std::size_t{b[at]} << 24 | std::size_t{b[at + 1]} << 16 |
                               std::size_t{b[at + 2]} << 8 | b[at + 3];
    if (std::memcmp(&b[at + 4], "IDAT", 4) == 0) {
      idat.push_back(at + 8);
      idatLength.push_back(length);
    }
    at += 12 + length;
  }
  EXPECT_FALSE(idat.empty());
  if (idat.empty()) return {};
  return {{"signature", 5},
          {"header chunk", 8 + 8 + 6},
          {"first image-data chunk", idat.front() + idatLength.front() / 2},
          {"end of the last image-data chunk", idat.back() + idatLength.back() - 3}};
}

// A binary PNM file: inside its header, inside its first row, its last byte.
std::vector<Cut> PnmCuts(const std::vector<unsigned char>& b) {
  return {{"header", 5}, {"first row", b.size() - b.size() / 8 * 7}, {"last byte", b.size() - 1}};
}

// Whole files to cut: the directory first and the pixels in several strips (so that a cut
// strip leaves the directory whole), the plug-in's own layout (one strip), a fixture with
// its directory last, and PNG files.
std::vector<unsigned char> DirectoryFirstStrips(const ScratchDir& dir) {
  std::vector<unsigned char> pixels;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      for (int c = 0; c < 3; ++c) {
        const uint16_t v = FixturePattern(x, y, c);
        pixels.push_back(static_cast<unsigned char>(v & 0xFF));
        pixels.push_back(static_cast<unsigned char>(v >> 8));
      }
    }
  }
  WriteTinyTiff(dir.Path("strips.tif"), kW, kH, 3, 16, 1, pixels, 4);
  return ReadBytes(dir.Path("strips.tif"));
}

std::vector<unsigned char> OwnLayout(const ScratchDir& dir) {
  std::vector<float> plane(static_cast<std::size_t>(kW) * kH);
  for (std::size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<float>(i * 97 % 65536);
  std::vector<float> same(plane);  // a colour image whose three planes hold alike samples
  EXPECT_TRUE(WriteTiff16({plane.data(), same.data(), plane.data(), kW, kH}, dir.Wide("own.tif")));
  return ReadBytes(dir.Path("own.tif"));
}

struct DamagedCase {
  const char* name;
  const char* fixture;  // or null: made by `make`
  std::vector<unsigned char> (*make)(const ScratchDir&);
};

void PrintTo(const DamagedCase& c, std::ostream* os) { *os << c.name; }

std::string DamagedCaseName(const ::testing::TestParamInfo<DamagedCase>& param) {
  return param.param.name;
}

class DamagedResult : public ::testing::TestWithParam<DamagedCase> {};

// A result cut short is refused, wherever it ends, and the planes keep what they held.
// FreeImage itself returns an image from a TIFF whose strips are cut, with zeros where
// the pixels are missing; only the errors reported during the load tell.
TEST_P(DamagedResult, CutShortIsRefusedLeavingPlanesUntouched) {
  const DamagedCase& c = GetParam();
  ScratchDir dir;
  const std::vector<unsigned char> whole =
      c.fixture != nullptr ? ReadBytes(FixtureDir() / c.fixture) : c.make(dir);
  ASSERT_GT(whole.size(), 64u);
  const bool png = whole[0] == 0x89;
  const bool pnm = whole[0] == 'P';
  const fs::path file = dir.Path(png ? "cut.png" : pnm ? "cut.pnm" : "cut.tif");
  WriteBytes(file, whole);
  Planes readable(kW, kH);
  ASSERT_TRUE(ReadResultImage(file.wstring(), readable.Colour()))
      << "the whole file is read: only the cuts below make it unusable";
  for (const Cut& cut : png ? PngCuts(whole) : pnm ? PnmCuts(whole) : TiffCuts(whole)) {
    SCOPED_TRACE(std::string(cut.where) + ", " + std::to_string(cut.size) + " of " +
                 std::to_string(whole.size()) + " bytes");
    ASSERT_LT(cut.size, whole.size());
    WriteBytes(file, std::vector<unsigned char>(
                         whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut.size)));
    Planes p(kW, kH);
    EXPECT_FALSE(ReadResultImage(file.wstring(), p.Colour()));
    EXPECT_TRUE(AllEqual(p.first, Planes::kSentinel));
    EXPECT_TRUE(AllEqual(p.second, Planes::kSentinel));
    EXPECT_TRUE(AllEqual(p.third, Planes::kSentinel));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedResult,
    ::testing::Values(DamagedCase{"tiff_directory_first_strips", nullptr, &DirectoryFirstStrips},
                      DamagedCase{"tiff_own_layout", nullptr, &OwnLayout},
                      DamagedCase{"tiff_directory_last", "im_rgb16_strips.tif", nullptr},
                      DamagedCase{"png_rgb16", "im_rgb16.png", nullptr},
                      DamagedCase{"png_grey16", "im_grey16.png", nullptr},
                      DamagedCase{"pnm_rgb16", "im_rgb16.ppm", nullptr},
                      DamagedCase{"pnm_grey16", "im_grey16.pgm", nullptr}),
    DamagedCaseName);

// A PNG chunk whose declared length runs past the end of the file is refused before the
// image library sees it (it would allocate the declared length first: a few damaged bytes
// could ask for gigabytes); a whole file, with or without bytes after IEND, passes.
TEST(PngChunks, EveryChunkMustLieWithinTheFile) {
  const std::vector<unsigned char> whole = ReadBytes(FixtureDir() / "im_rgb16.png");
  ASSERT_GT(whole.size(), 64u);
  const std::size_t iend = whole.size() - 12;
  ASSERT_EQ(std::memcmp(&whole[iend + 4], "IEND", 4), 0);
  const auto withBefore = [&](std::vector<unsigned char> chunk) {
    std::vector<unsigned char> b(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(iend));
    b.insert(b.end(), chunk.begin(), chunk.end());
    b.insert(b.end(), whole.begin() + static_cast<std::ptrdiff_t>(iend), whole.end());
    return b;
  };
  std::vector<unsigned char> trailing = whole;
  trailing.insert(trailing.end(), {1, 2, 3});
  const struct {
    const char* name;
    std::vector<unsigned char> bytes;
    bool fits;
  } cases[] = {
      {"whole file", whole, true},
      {"bytes after IEND", trailing, true},
      {"text chunk claiming 1.96 GB", withBefore({0x75, 0, 0, 0, 't', 'E', 'X', 't', 'a', 'b'}), false},
      {"length beyond 2^31 - 1", withBefore({0x80, 0, 0, 0, 't', 'E', 'X', 't'}), false},
      {"IEND cut short", {whole.begin(), whole.end() - 1}, false},
      {"no IEND", {whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(iend)}, false},
      {"signature only", {whole.begin(), whole.begin() + 8}, false},
      {"not a PNG", ReadBytes(FixtureDir() / "im_rgb16_strips.tif"), false},
  };
  ScratchDir dir;
  const fs::path file = dir.Path("chunks.png");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(file, c.bytes);
    EXPECT_EQ(PngChunksFitFile(file.wstring()), c.fits);
    if (c.fits || c.bytes[0] != 0x89) continue;  // a TIFF named .png is read as the TIFF it is
    Planes p(kW, kH);
    EXPECT_FALSE(ReadResultImage(file.wstring(), p.Colour()));
    EXPECT_TRUE(AllEqual(p.first, Planes::kSentinel));
  }
}

#ifdef __linux__
// A field of this process's status ("VmPeak:", "VmSize:") in KiB.
long long StatusKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field, 0) == 0) return std::stoll(line.substr(field.size()));
  return -1;
}

// Runs `work` in a child process and returns by how much the child's peak address space
// rose above its size when it started (a child starts with its peak at its size), in MiB,
// and the child's result. Address space counts what an allocation reserves, touched or
// not.
std::pair<long long, bool> PeakGrowthMiB(const std::function<bool()>& work) {
  int fds[2];
  if (pipe(fds) != 0) return {-1, false};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const long long before = StatusKiB("VmSize:");
    const long long ok = work() ? 1 : 0;
    const long long report[2] = {(StatusKiB("VmPeak:") - before) / 1024, ok};
    const bool written = write(fds[1], report, sizeof report) == sizeof report;
    _exit(written ? 0 : 1);
  }
  close(fds[1]);
  long long report[2] = {-1, 0};
  const bool got = pid > 0 && read(fds[0], report, sizeof report) == sizeof report;
  close(fds[0]);
  if (pid > 0) waitpid(pid, nullptr, 0);
  return got ? std::pair{report[0], report[1] != 0} : std::pair{-1LL, false};
}

std::vector<unsigned char> BigEndian16(std::initializer_list<unsigned> values) {
  std::vector<unsigned char> b;
  for (unsigned v : values) b.insert(b.end(), {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)});
  return b;
}

// Small files whose headers claim 20000 x 20000 pixels (or a block of 1.96 GB) cost the
// reader no more than a small allowance of memory, whatever the format: it refuses them
// before the image library makes room for what they claim.
TEST(HostileResults, ClaimNoMemoryTheyDoNotHold) {
  std::vector<unsigned char> sgi = BigEndian16({474, 0x0001, 2, 20000, 20000, 1});  // verbatim, 8-bit grey
  sgi.resize(600, 0);
  std::vector<unsigned char> dds = {'D', 'D', 'S', ' '};
  for (uint32_t v : {124u, 0x100Fu, 20000u, 20000u, 60000u, 0u, 0u}) {  // size, flags, height, width, pitch
    for (int k = 0; k < 4; ++k) dds.push_back(static_cast<unsigned char>(v >> (8 * k)));
  }
  dds.resize(4 + 72, 0);
  for (uint32_t v : {32u, 0x40u, 0u, 24u, 0xFF0000u, 0xFF00u, 0xFFu, 0u, 0x1000u}) {  // RGB pixel format, caps
    for (int k = 0; k < 4; ++k) dds.push_back(static_cast<unsigned char>(v >> (8 * k)));
  }
  dds.resize(4 + 124 + 600, 0);
  std::vector<unsigned char> psd = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 16, 0, 0, 0, 16, 0, 16, 0, 3};
  psd.insert(psd.end(), {0x75, 0, 0, 0});  // colour mode data
  psd.resize(80, 0);
  std::vector<unsigned char> jng = {0x8B, 'J', 'N', 'G', '\r', '\n', 0x1A, '\n', 0x75, 0, 0, 0, 'J', 'H', 'D', 'R'};
  jng.resize(80, 0);
  std::vector<unsigned char> png = ReadBytes(FixtureDir() / "im_rgb16.png");
  png.insert(png.end() - 12, {0x75, 0, 0, 0, 't', 'E', 'X', 't', 'a', 'b'});  // before IEND
  const struct {
    const char* name;
    std::vector<unsigned char> bytes;
  } cases[] = {{"claim.sgi", sgi}, {"claim.dds", dds}, {"colours.psd", psd}, {"chunk.jng", jng}, {"chunk.png", png}};

  ScratchDir dir;
  EnsureFreeImage();  // once, before the children
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(dir.Path(c.name), c.bytes);
    const auto [growth, refusedUntouched] = PeakGrowthMiB([&] {
      Planes p(kW, kH);
      return !ReadResultImage(dir.Wide(c.name), p.Colour()) &&
             AllEqual(p.first, Planes::kSentinel) && AllEqual(p.second, Planes::kSentinel);
    });
    EXPECT_TRUE(refusedUntouched);
    EXPECT_GE(growth, 0);
    EXPECT_LT(growth, 64) << "MiB of address space";
  }
}
#endif

}  // namespace
}  // namespace nox::test
