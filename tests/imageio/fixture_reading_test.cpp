// Results written by independent tools (ImageMagick, tiffcp) in many shapes: every
// 16-bit grey, RGB and RGBA file lands sample-exactly in the planes; 8-bit ones are refused.
#include "imageio/ResultReader.h"
#include "imageio/TiffWriter.h"

#include "image_test_support.h"

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
  ASSERT_TRUE(ReadResultImage(file.wstring(), p.first.data(), p.second.data(), p.third.data(),
                              1.0f, kW, kH));
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
                      "tc_rgba16_strips_zip.tif"),
    FileCaseName);

class GreyFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(GreyFixture, LandsInTheFirstPlaneSampleExactly) {
  const fs::path file = FixtureDir() / GetParam();
  ASSERT_TRUE(fs::exists(file)) << file;
  Planes p(kW, kH);
  ASSERT_TRUE(ReadResultImage(file.wstring(), p.first.data(), p.first.data(), nullptr, 1.0f,
                              kW, kH));
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
                                           "tc_grey16_strips.tif", "tc_grey16_tiled_msb.tif"),
                         FileCaseName);

TEST(FixtureReading, EightBitResultsAreRefusedAndLeavePlanesUntouched) {
  for (const char* name : {"im_grey8.tif", "im_rgb8.tif", "im_rgb8.png"}) {
    SCOPED_TRACE(name);
    const fs::path file = FixtureDir() / name;
    ASSERT_TRUE(fs::exists(file));
    Planes p(kW, kH);
    EXPECT_FALSE(ReadResultImage(file.wstring(), p.first.data(), p.second.data(),
                                 p.third.data(), 1.0f, kW, kH));
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
  EXPECT_TRUE(WriteTiff16(plane.data(), plane.data(), plane.data(), 1.0f, kW, kH, true,
                          dir.Wide("own.tif")));
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
  const fs::path file = dir.Path(png ? "cut.png" : "cut.tif");
  WriteBytes(file, whole);
  Planes readable(kW, kH);
  ASSERT_TRUE(ReadResultImage(file.wstring(), readable.first.data(), readable.second.data(),
                              readable.third.data(), 1.0f, kW, kH))
      << "the whole file is read: only the cuts below make it unusable";
  for (const Cut& cut : png ? PngCuts(whole) : TiffCuts(whole)) {
    SCOPED_TRACE(std::string(cut.where) + ", " + std::to_string(cut.size) + " of " +
                 std::to_string(whole.size()) + " bytes");
    ASSERT_LT(cut.size, whole.size());
    WriteBytes(file, std::vector<unsigned char>(
                         whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut.size)));
    Planes p(kW, kH);
    EXPECT_FALSE(ReadResultImage(file.wstring(), p.first.data(), p.second.data(),
                                 p.third.data(), 1.0f, kW, kH));
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
                      DamagedCase{"png_grey16", "im_grey16.png", nullptr}),
    DamagedCaseName);

}  // namespace
}  // namespace nox::test
