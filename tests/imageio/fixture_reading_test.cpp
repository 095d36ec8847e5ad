// Results written by independent tools (ImageMagick, tiffcp) in many shapes: every
// 16-bit grey, RGB and RGBA file lands sample-exactly in the planes; 8-bit ones are refused.
#include "imageio/ResultReader.h"

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

}  // namespace
}  // namespace nox::test
