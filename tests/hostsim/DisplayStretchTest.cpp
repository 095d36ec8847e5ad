#include "DisplayStretch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace nox {
namespace {

TEST(DisplayStretch, MidtoneTransferFixesEndsAndSendsTheMidtoneToHalf) {
  for (double m : {0.05, 0.25, 0.5, 0.8}) {
    EXPECT_DOUBLE_EQ(MidtoneTransfer(m, 0.0), 0.0);
    EXPECT_DOUBLE_EQ(MidtoneTransfer(m, 1.0), 1.0);
    EXPECT_NEAR(MidtoneTransfer(m, m), 0.5, 1e-12);
    EXPECT_LT(MidtoneTransfer(m, 0.3), MidtoneTransfer(m, 0.31));
  }
  EXPECT_NEAR(MidtoneTransfer(0.5, 0.3), 0.3, 1e-12);
}

// A dark sky with a few stars: the background must come up to a quarter of the range.
TEST(DisplayStretch, FaintImageGetsItsMedianLiftedBrightImageStaysLinear) {
  HostImage sky = HostImage::Blank(100, 100, false, 16);
  for (size_t i = 0; i < sky.SampleCount(); ++i) sky.plane0[i] = 1000.0f + static_cast<float>(i % 50);
  for (size_t i = 0; i < sky.SampleCount(); i += 97) sky.plane0[i] = 60000.0f;
  const StretchLevels levels = ChooseStretchLevels(sky);
  EXPECT_LT(levels.black, 1010.0);
  EXPECT_GT(levels.white, 1040.0);
  const double median = (1024.0 - levels.black) / (levels.white - levels.black);
  EXPECT_LT(levels.midtone, 0.5);
  EXPECT_NEAR(MidtoneTransfer(levels.midtone, median), 0.25, 0.03);

  HostImage day = HostImage::Blank(10, 10, false, 8);
  for (size_t i = 0; i < day.SampleCount(); ++i) day.plane0[i] = static_cast<float>(i * 2);
  EXPECT_DOUBLE_EQ(ChooseStretchLevels(day).midtone, 0.5);

  HostImage flat = HostImage::Blank(4, 4, false, 16);
  const StretchLevels same = ChooseStretchLevels(flat);
  EXPECT_GT(same.white, same.black);
}

TEST(DisplayStretch, PictureIsTopDownBgrWithPaddedRows) {
  HostImage image = HostImage::Blank(3, 2, true, 16);
  image.plane2 = {100, 0, 0, 50, 0, 0};  // red
  image.plane0 = {0, 100, 0, 0, 0, 0};   // green
  image.plane3 = {0, 0, 100, 0, 0, std::numeric_limits<float>::quiet_NaN()};  // blue
  StretchLevels linear;
  linear.black = 0.0;
  linear.white = 100.0;
  const DisplayPicture picture = RenderForDisplay(image, linear);
  EXPECT_EQ(picture.stride, 12u);  // 9 bytes padded to 12
  ASSERT_EQ(picture.bgr.size(), 24u);
  const uint8_t* top = picture.bgr.data();
  EXPECT_EQ(top[2], 255);  // red of column 0
  EXPECT_EQ(top[0], 0);
  EXPECT_EQ(top[4], 255);  // green of column 1
  EXPECT_EQ(top[6], 255);  // blue of column 2
  const uint8_t* bottom = picture.bgr.data() + 12;
  EXPECT_EQ(bottom[2], 128);  // 50 of 100
  EXPECT_EQ(bottom[8], 0);    // NaN shows black

  HostImage grey = HostImage::Blank(1, 1, false, 8);
  grey.plane0[0] = 200.0f;
  linear.white = 255.0;
  const DisplayPicture g = RenderForDisplay(grey, linear);
  EXPECT_EQ(g.bgr[0], 200);
  EXPECT_EQ(g.bgr[1], 200);
  EXPECT_EQ(g.bgr[2], 200);
}

}  // namespace
}  // namespace nox
