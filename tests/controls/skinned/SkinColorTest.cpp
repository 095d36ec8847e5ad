// Colour arithmetic and the replaceable system look, against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "controls/skinned/SkinColor.h"
#include "toolkit/SystemLook.h"

using namespace nox;

namespace {

TEST(SkinColor, ChannelArithmeticSaturatesPerChannelAndDropsTheTopByte) {
  struct Case {
    const char* what;
    TColor got;
    TColor want;
  };
  const Case cases[] = {
      {"add", AddColor(0x28D008, 0x141622), 0x3CE62A},
      {"add saturates", AddColor(0xF0F0F0, 0x202020), 0xFFFFFF},
      {"add saturates one channel only", AddColor(0x10F010, 0x202020), 0x30FF30},
      {"add ignores top bytes", AddColor(static_cast<TColor>(0xFF000010), 0x01000001), 0x000011},
      {"subtract floors", SubtractColor(0x101010, 0x202020), 0x000000},
      {"subtract per channel", SubtractColor(0xF0A010, 0x141414), 0xDC8C00},
      {"add gray clamps 300 to 255", AddGray(0x102030, 300), AddGray(0x102030, 255)},
      {"add gray", AddGray(0x102030, 16), 0x203040},
      {"subtract gray ignores negative", SubtractGray(0x102030, -5), 0x102030},
      {"subtract gray", SubtractGray(0xF0F0F0, 68), 0xACACAC},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(SkinColor, BlendsWeighChannelsSeparatelyAndClampTheWeight) {
  const TColor white = 0xFFFFFF;
  struct Case {
    const char* what;
    TColor got;
    TColor want;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {"integer weight", BlendColor(0x545454, white, 50), 0xDDDDDD},
      {"weight 256 is a", BlendColor(0x123456, white, 256), 0x123456},
      {"weight 0 is b", BlendColor(0x123456, 0x654321, 0), 0x654321},
      {"weight above 256 clamps, no carry", BlendColor(0x00FF00, 0, 300), 0x00FF00},
      {"negative weight clamps, no borrow", BlendColor(0x00FF00, 0x0000FF, -40), 0x0000FF},
      {"t = 2.5/256 ties to even (w 2)", BlendColorF(white, 0, 0.009765625f), 0x010101},
      {"t = 3.5/256 ties to even (w 4)", BlendColorF(white, 0, 0.013671875f), 0x030303},
      {"t 1 gives a", BlendColorF(0x123456, 0x654321, 1.0f), 0x123456},
      {"t 0 gives b", BlendColorF(0x123456, 0x654321, 0.0f), 0x654321},
      {"negative t gives b", BlendColorF(0x123456, 0x654321, -3.0f), 0x654321},
      {"huge t gives a", BlendColorF(0x123456, 0x654321, 1e30f), 0x123456},
      {"NaN gives b", BlendColorF(0x123456, 0x654321, nan), 0x654321},
      {"t 0.5 is w 128", BlendColorF(0xFF0000, 0, 0.5f), BlendColor(0xFF0000, 0, 128)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(SkinColor, MapRangeInBothPrecisions) {
  struct Case {
    const char* what;
    double got;
    double want;
  };
  const Case cases[] = {
      // The gauge's fill end: 327 columns, ties to even after rounding.
      {"single 1 of 100", MapRange(0.0f, 100.0f, 1.0f, 1.0f, 327.0f), 4.26f},
      {"single 25 of 100", MapRange(0.0f, 100.0f, 25.0f, 1.0f, 327.0f), 82.5},
      {"single clamps above", MapRange(0.0f, 100.0f, 150.0f, 0.0f, 100.0f), 100.0},
      {"single clamps below", MapRange(0.0f, 100.0f, -5.0f, 0.0f, 100.0f), 0.0},
      {"single hi = lo gives outLo", MapRange(7.0f, 7.0f, 9.0f, 3.0f, 5.0f), 3.0},
      {"single reversed range", MapRange(100.0f, 0.0f, 50.0f, 0.0f, 100.0f), -100.0},
      {"double", MapRange(2.0, 26.0, 14.0, 0.0, 11.0), 5.5},
      {"double lo = hi, v at lo", MapRange(4.0, 4.0, 4.0, 1.0, 9.0), 1.0},
      {"double lo = hi, v above", MapRange(4.0, 4.0, 5.0, 1.0, 9.0), 9.0},
      {"double swapped bounds", MapRange(26.0, 2.0, 14.0, 0.0, 11.0), 5.5},
      {"double clamps", MapRange(2.0, 26.0, 0.0, 0.0, 11.0), 0.0},
  };
  for (const Case& c : cases) EXPECT_NEAR(c.got, c.want, 1e-5) << c.what;
  EXPECT_EQ(RoundEven(82.5), 82);
  EXPECT_EQ(RoundEven(245.5), 246);
  EXPECT_EQ(RoundEven(std::nan("")), 0);
}

TEST(SkinColor, SystemColoursComeFromTheInstalledLook) {
  FixedSystemLook look;
  look.SetColor(kSysColorBtnFace, 0x202428);
  {
    ScopedSystemLook scoped(look);
    EXPECT_EQ(SystemColor(kSysColorBtnFace), 0x202428);
    EXPECT_EQ(SystemColor(kClBtnFace), 0x202428) << "a reference's low byte";
    EXPECT_EQ(ResolveColor(kClBtnFace), 0x202428);
    EXPECT_EQ(ResolveColor(0x00123456), 0x00123456) << "plain colours stay";
    EXPECT_EQ(CurrentSystemLook().Metric(kSysMetricMenuCheckWidth), 13);
  }
  EXPECT_EQ(&CurrentSystemLook(), &PlatformSystemLook()) << "the scope puts the platform's back";
}

}  // namespace
