#include "dialog/Workflow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace nox {
namespace {

RangeCheck Check(std::vector<float> plane, bool eightBit) {
  return CheckImageRange(plane.data(), static_cast<int64_t>(plane.size()), eightBit);
}

TEST(RangeCheck, SixteenBitModeNeedsASampleAboveTenThousand) {
  EXPECT_FALSE(Check({0, 10000.0f, 3}, false).accepted);
  EXPECT_STREQ(kMsgRangeTooLow, Check({0, 10000.0f, 3}, false).refusal);
  EXPECT_TRUE(Check({0, 10000.5f, 3}, false).accepted);
  // The scan stops at the first sample above the floor.
  EXPECT_FLOAT_EQ(10001.0f, Check({5, 10001.0f, 60000.0f}, false).peak);
}

TEST(RangeCheck, LowPeaksGetTheEightBitHintOnlyWithinTheBand) {
  for (float peak : {50.0f, 255.0f, 256.0f}) {
    EXPECT_STREQ(kMsgSeemsEightBit, Check({1, peak}, false).refusal) << peak;
  }
  for (float peak : {49.5f, 256.5f, 0.0f}) {
    EXPECT_STREQ(kMsgRangeTooLow, Check({1, peak}, false).refusal) << peak;
  }
}

TEST(RangeCheck, EightBitModeAllowsUpTo259) {
  EXPECT_TRUE(Check({259.0f}, true).accepted);
  EXPECT_STREQ(kMsgNotEightBit, Check({259.5f}, true).refusal);
  // All zero or negative: a peak of 0 is refused for 16 bits, accepted for 8 bits.
  EXPECT_FALSE(Check({-4, 0, -1}, false).accepted);
  EXPECT_TRUE(Check({-4, 0, -1}, true).accepted);
  EXPECT_TRUE(Check({}, true).accepted);
}

TEST(RangeCheck, NotANumberNeverBecomesThePeak) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  RangeCheck r = Check({nan, 100.0f, nan}, true);
  EXPECT_TRUE(r.accepted);
  EXPECT_FLOAT_EQ(100.0f, r.peak);
  EXPECT_FALSE(InRange(nan, 50.0f, 256.0f));
}

TEST(TempFileName, FollowsPositionAndTickCount) {
  EXPECT_EQ(L"Temp2340567160.tif", TempFileName(1234, 56, 1234567));
  EXPECT_EQ(L"Temp0050070000.tif", TempFileName(5, 7, 0));
  EXPECT_EQ(L"Temp-005-0120000.tif", TempFileName(-5, -12, 0));
  // The tick count wraps at 2^32; the last field never exceeds four digits.
  EXPECT_EQ(L"Temp0000009999.tif", TempFileName(0, 0, 9999u * 16u + 15u));
  EXPECT_EQ(18u, TempFileName(999, 999, 0xFFFFFFFFu).size());
}

TEST(Blend, WeightsTheResultByStrength) {
  std::vector<float> plane{1000.0f, 0.0f, 65535.0f};
  const std::vector<float> undo{2000.0f, 100.0f, 65535.0f};
  BlendPlane(plane.data(), undo.data(), 3, StrengthWeights(80.0));
  EXPECT_FLOAT_EQ(1200.0f, plane[0]);
  EXPECT_FLOAT_EQ(20.0f, plane[1]);
  EXPECT_FLOAT_EQ(65535.0f, plane[2]);
}

TEST(Blend, UnchangedImageBlendsBackToItselfWithinOneUlp) {
  std::vector<float> plane{12345.0f, 1.0f, 40000.5f};
  const std::vector<float> undo = plane;
  for (double strength : {5.0, 33.0, 50.0, 95.0}) {
    std::vector<float> p = plane;
    BlendPlane(p.data(), undo.data(), 3, StrengthWeights(strength));
    for (size_t i = 0; i < p.size(); ++i) {
      EXPECT_LE(std::fabs(p[i] - undo[i]), std::nextafter(undo[i], 1e9f) - undo[i]) << strength;
    }
  }
}

TEST(Blend, OnlyNewHostsBelowFullStrengthBlend) {
  EXPECT_FALSE(ShouldBlend(804, 80));
  EXPECT_TRUE(ShouldBlend(805, 99));
  EXPECT_FALSE(ShouldBlend(805, 100));
}

}  // namespace
}  // namespace nox
