// The temporary TIFF: exact bytes, sample conversion and the images it refuses.
#include "imageio/TiffWriter.h"

#include <cmath>
#include <limits>

#include "image_test_support.h"

namespace nox::test {
namespace {

std::vector<unsigned char> WriteAndRead(const ScratchDir& dir, const std::vector<float>& first,
                                        const std::vector<float>& second,
                                        const std::vector<float>& third, float scale, int w,
                                        int h, bool colour) {
  const auto name = dir.Wide("out.tif");
  std::vector<float> a(first), b(second), c(third);
  EXPECT_TRUE(WriteTiff16({a.data(), colour ? b.data() : a.data(), c.data(), w, h, scale}, name));
  return ReadBytes(dir.Path("out.tif"));
}

// The samples of a file we wrote, in file order.
std::vector<uint16_t> Samples(const std::vector<unsigned char>& bytes) {
  std::vector<uint16_t> out;
  for (std::size_t at = 128; at + 1 < bytes.size(); at += 2) out.push_back(Le16(bytes, at));
  return out;
}

struct Entry {
  uint16_t tag, type;
  uint32_t count, value;
};

void ExpectDirectory(const std::vector<unsigned char>& b, const std::vector<Entry>& want) {
  ASSERT_EQ(Le16(b, 8), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    const std::size_t at = 10 + 12 * i;
    SCOPED_TRACE("entry " + std::to_string(i + 1));
    EXPECT_EQ(Le16(b, at), want[i].tag);
    EXPECT_EQ(Le16(b, at + 2), want[i].type);
    EXPECT_EQ(Le32(b, at + 4), want[i].count);
    EXPECT_EQ(Le32(b, at + 8), want[i].value);
  }
}

TEST(TiffWriter, MonochromeLayoutIsExact) {
  ScratchDir dir;
  // Width 3, height 2: plane row 0 holds 1 2 3, row 1 holds 4 5 6.
  const std::vector<float> plane{1, 2, 3, 4, 5, 6};
  const auto b = WriteAndRead(dir, plane, plane, plane, 1.0f, 3, 2, false);
  ASSERT_EQ(b.size(), 128u + 3 * 2 * 2);
  const std::vector<unsigned char> start{0x49, 0x49, 0x2A, 0x00, 0x08, 0x00, 0x00, 0x00};
  EXPECT_TRUE(std::equal(start.begin(), start.end(), b.begin()));
  ExpectDirectory(b, {{254, 4, 1, 0},
                      {256, 3, 1, 3},
                      {257, 3, 1, 2},
                      {258, 3, 1, 16},
                      {259, 3, 1, 1},
                      {262, 3, 1, 1},
                      {273, 4, 1, 128},
                      {277, 3, 1, 1},
                      {279, 4, 1, 12}});
  EXPECT_EQ(Le32(b, 118), 0u);
  const std::vector<unsigned char> bits{0x10, 0x00, 0x10, 0x00, 0x10, 0x00};
  EXPECT_TRUE(std::equal(bits.begin(), bits.end(), b.begin() + 122));
  // The planes' last row comes first.
  EXPECT_EQ(Samples(b), (std::vector<uint16_t>{4, 5, 6, 1, 2, 3}));
}

TEST(TiffWriter, ColourLayoutInterleavesSecondFirstThird) {
  ScratchDir dir;
  // 2 x 2; sample values tell plane, row and column apart.
  const std::vector<float> first{100, 101, 110, 111};
  const std::vector<float> second{200, 201, 210, 211};
  const std::vector<float> third{300, 301, 310, 311};
  const auto b = WriteAndRead(dir, first, second, third, 1.0f, 2, 2, true);
  ASSERT_EQ(b.size(), 152u);
  ExpectDirectory(b, {{254, 4, 1, 0},
                      {256, 3, 1, 2},
                      {257, 3, 1, 2},
                      {258, 3, 3, 122},
                      {259, 3, 1, 1},
                      {262, 3, 1, 2},
                      {273, 4, 1, 128},
                      {277, 3, 1, 3},
                      {279, 4, 1, 24}});
  const std::vector<unsigned char> bits{0x10, 0x00, 0x10, 0x00, 0x10, 0x00};
  EXPECT_TRUE(std::equal(bits.begin(), bits.end(), b.begin() + 122));
  EXPECT_EQ(Samples(b), (std::vector<uint16_t>{210, 110, 310, 211, 111, 311,  //
                                               200, 100, 300, 201, 101, 301}));
}

TEST(TiffWriter, LargestSidesFitTheShortFields) {
  ScratchDir dir;
  std::vector<float> row(65535, 7.0f);
  const auto b = WriteAndRead(dir, row, row, row, 1.0f, 65535, 1, false);
  ASSERT_EQ(b.size(), 128u + 65535 * 2);
  EXPECT_EQ(Le32(b, 22 + 8), 65535u);
  EXPECT_EQ(Le32(b, 106 + 8), 65535u * 2);
  EXPECT_EQ(Le16(b, b.size() - 2), 7);
}

TEST(TiffWriter, ConvertsSamplesRoundingTiesToEvenAndClamping) {
  ScratchDir dir;
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> in{0.4f,   0.5f,     1.5f,  2.5f,     3.5f,   -0.5f,  -3.0f,
                              70000,  65534.5f, 65535, 65535.4f, 1e30f,  -1e30f, nan,
                              -nan,   inf,      -inf,  32767.5f, 1.49f,  12345};
  const std::vector<uint16_t> want{0,     0,     2,     2,     4,     0, 0,
                                   65535, 65534, 65535, 65535, 65535, 0, 0,
                                   0,     65535, 0,     32768, 1,     12345};
  const int w = static_cast<int>(in.size());
  EXPECT_EQ(Samples(WriteAndRead(dir, in, in, in, 1.0f, w, 1, false)), want);

  // Scale 256 (8-bit images): 255 -> 65280, 256 clamps; odd scales round the product.
  const std::vector<float> eight{0, 1, 127.5f, 255, 256, 300};
  EXPECT_EQ(Samples(WriteAndRead(dir, eight, eight, eight, 256.0f, 6, 1, false)),
            (std::vector<uint16_t>{0, 256, 32640, 65280, 65535, 65535}));
  const std::vector<float> half{1, 3, 5, 7};
  EXPECT_EQ(Samples(WriteAndRead(dir, half, half, half, 0.5f, 4, 1, false)),
            (std::vector<uint16_t>{0, 2, 2, 4}));
  // Any scale multiplies in double: 5 x 0.1f is 0.5000000075, which rounds up (a float
  // product would be exactly 0.5 and round down). Nine samples: a block of eight and one.
  const std::vector<float> tenth{5, 15, 25, 35, -5, 655350, 655354, 655355, 5};
  const std::vector<uint16_t> tenthWant{1, 2, 3, 4, 0, 65535, 65535, 65535, 1};
  EXPECT_EQ(Samples(WriteAndRead(dir, tenth, tenth, tenth, 0.1f, 9, 1, false)), tenthWant);
  // Colour rows convert all three planes the same way.
  const auto colour = Samples(WriteAndRead(dir, tenth, in, tenth, 0.1f, 9, 1, true));
  const std::vector<uint16_t> redWant{0, 0, 0, 0, 0, 0, 0, 7000, 6553};
  ASSERT_EQ(colour.size(), 27u);
  for (std::size_t x = 0; x < 9; ++x) {
    EXPECT_EQ(colour[3 * x], redWant[x]);
    EXPECT_EQ(colour[3 * x + 1], tenthWant[x]);
    EXPECT_EQ(colour[3 * x + 2], tenthWant[x]);
  }
}

TEST(TiffWriter, RefusesImagesTheLayoutCannotDescribe) {
  ScratchDir dir;
  // One sample is enough: a refused image must not be read at all.
  float sample[3] = {1.0f, 1.0f, 1.0f};
  const auto name = dir.Wide("big.tif");
  const auto refused = [&](int w, int h, bool colour) {
    return !WriteTiff16({&sample[0], colour ? &sample[1] : &sample[0], &sample[2], w, h}, name) &&
           !fs::exists(dir.Path("big.tif"));
  };
  EXPECT_TRUE(refused(65536, 1, false));
  EXPECT_TRUE(refused(1, 65536, true));
  EXPECT_TRUE(refused(0, 5, false));
  EXPECT_TRUE(refused(5, -1, false));
  // Pixel data beyond the 32-bit strip byte count: 65535 x 32769 x 2 and
  // 65535 x 10923 x 6 bytes both exceed 4 GiB - 1.
  EXPECT_TRUE(refused(65535, 32769, false));
  EXPECT_TRUE(refused(65535, 10923, true));
  // Missing planes.
  EXPECT_FALSE(WriteTiff16({nullptr, nullptr, nullptr, 1, 1}, name));
  EXPECT_FALSE(WriteTiff16({&sample[0], nullptr, &sample[2], 1, 1}, name));
}

TEST(TiffWriter, ReportsFileErrorsAsFalse) {
  ScratchDir dir;
  std::vector<float> plane{1, 2};
  const PlaneSet grey{plane.data(), plane.data(), plane.data(), 2, 1};
  EXPECT_FALSE(WriteTiff16(grey, dir.Wide("no such folder/out.tif")));
  EXPECT_FALSE(WriteTiff16(grey, L""));
  // Names are limited to 259 characters.
  const std::wstring base = dir.Root().wstring() + L"/";
  const std::wstring longName = base + std::wstring(260 - base.size(), L'a');
  EXPECT_FALSE(WriteTiff16(grey, longName));
#ifndef _WIN32
  // A full disk: every write to /dev/full fails, at the latest when the file is closed.
  if (fs::exists("/dev/full")) {
    EXPECT_FALSE(WriteTiff16(grey, L"/dev/full"));
  }
#endif
}

TEST(TiffWriter, WritesNonAsciiFileNames) {
  ScratchDir dir;
  std::vector<float> plane{9};
  // The wide name goes to the writer; the check finds the file by its UTF-8 name.
  const std::wstring wide = dir.Root().wstring() + L"/Temp\u00e9\u00df\u65e5\u672c.tif";
  const fs::path path = dir.Root() / fs::u8path(u8"Temp\u00e9\u00df\u65e5\u672c.tif");
  ASSERT_TRUE(WriteTiff16({plane.data(), plane.data(), plane.data(), 1, 1}, wide));
  const auto b = ReadBytes(path);
  ASSERT_EQ(b.size(), 130u);
  EXPECT_EQ(Le16(b, 128), 9);
}

}  // namespace
}  // namespace nox::test
