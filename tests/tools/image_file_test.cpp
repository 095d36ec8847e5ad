// 16-bit image files as the denoiser reads and writes them.
#include <gtest/gtest.h>

#include <fstream>

#include "ImageFile.h"
#include "test_images.h"

namespace nox {
namespace {

using testing::ScratchFolder;
using testing::WriteBitmap;

TEST(ImageFile, TiffRoundTripKeepsShapeOrientationAndRoundsAndClamps) {
  ScratchFolder dir("io");
  for (int channels : {1, 3}) {
    PlaneImage image;
    image.Resize(5, 3, channels);  // odd width: grey rows are padded in memory
    for (int c = 0; c < channels; ++c)
      for (std::size_t i = 0; i < image.PixelCount(); ++i)
        image.planes[static_cast<std::size_t>(c)][i] = static_cast<float>(1000 * (c + 1) + i);
    auto& p = image.planes[0];
    p[0] = -5.0f;      // top-left
    p[1] = 70000.0f;
    p[2] = 1.5f;
    p[3] = 2.5f;
    p[14] = 65535.0f;  // bottom-right
    const auto file = dir / (channels == 1 ? "grey.tif" : "colour.tif");
    std::string error;
    ASSERT_TRUE(SaveTiff16(file, image, error)) << error;

    PlaneImage back;
    ASSERT_TRUE(LoadImage16(file, back, error)) << error;
    ASSERT_EQ(channels, back.Channels());
    EXPECT_EQ(5, back.width);
    EXPECT_EQ(3, back.height);
    EXPECT_EQ(0.0f, back.planes[0][0]);
    EXPECT_EQ(65535.0f, back.planes[0][1]);
    EXPECT_EQ(2.0f, back.planes[0][2]);
    EXPECT_EQ(2.0f, back.planes[0][3]);  // ties go to even
    EXPECT_EQ(65535.0f, back.planes[0][14]);
    for (int c = 1; c < channels; ++c) EXPECT_EQ(image.planes[static_cast<std::size_t>(c)], back.planes[static_cast<std::size_t>(c)]);
    for (std::size_t i = 4; i < 14; ++i) EXPECT_EQ(image.planes[0][i], back.planes[0][i]);
  }
}

TEST(ImageFile, ReadsRgba16AsRgbAndGrey16PngWithTheTopRowFirst) {
  ScratchFolder dir("io");
  const auto rgba = dir / "rgba.tif";
  ASSERT_TRUE(WriteBitmap(rgba, FIF_TIFF, FIT_RGBA16, 3, 2, 64, [](void* line, int scan) {
    auto* px = static_cast<FIRGBA16*>(line);
    for (int x = 0; x < 3; ++x) {
      px[x].red = static_cast<WORD>(100 + 10 * scan + x);
      px[x].green = static_cast<WORD>(200 + 10 * scan + x);
      px[x].blue = static_cast<WORD>(300 + 10 * scan + x);
      px[x].alpha = 7;
    }
  }));
  PlaneImage image;
  std::string error;
  ASSERT_TRUE(LoadImage16(rgba, image, error)) << error;
  ASSERT_EQ(3, image.Channels());
  // Scan line 1 is the top row.
  EXPECT_EQ((std::vector<float>{110, 111, 112, 100, 101, 102}), image.planes[0]);
  EXPECT_EQ((std::vector<float>{210, 211, 212, 200, 201, 202}), image.planes[1]);
  EXPECT_EQ((std::vector<float>{310, 311, 312, 300, 301, 302}), image.planes[2]);

  const auto png = dir / "grey.png";
  ASSERT_TRUE(WriteBitmap(png, FIF_PNG, FIT_UINT16, 1, 3, 16, [](void* line, int scan) {
    *static_cast<WORD*>(line) = static_cast<WORD>(60000 + scan);
  }));
  ASSERT_TRUE(LoadImage16(png, image, error)) << error;
  ASSERT_EQ(1, image.Channels());
  EXPECT_EQ((std::vector<float>{60002, 60001, 60000}), image.planes[0]);
}

TEST(ImageFile, RefusesMissingUnreadableAndEightBitFilesAndUnwritablePaths) {
  ScratchFolder dir("io");
  PlaneImage image;
  std::string error;
  EXPECT_FALSE(LoadImage16(dir / "missing.tif", image, error));
  EXPECT_NE(std::string::npos, error.find("not found")) << error;

  const auto junk = dir / "junk.tif";
  std::ofstream(junk) << "this is not an image";
  EXPECT_FALSE(LoadImage16(junk, image, error));
  EXPECT_NE(std::string::npos, error.find("cannot read")) << error;

  const auto rgb8 = dir / "rgb8.tif";
  ASSERT_TRUE(WriteBitmap(rgb8, FIF_TIFF, FIT_BITMAP, 4, 4, 24, [](void* line, int) {
    std::fill_n(static_cast<BYTE*>(line), 12, BYTE{90});
  }));
  EXPECT_FALSE(LoadImage16(rgb8, image, error));
  EXPECT_NE(std::string::npos, error.find("unsupported image type")) << error;

  image.Resize(4, 4, 1);
  const auto nowhere = dir / "no-such-folder" / "out.tif";
  EXPECT_FALSE(SaveTiff16(nowhere, image, error));
  EXPECT_FALSE(std::filesystem::exists(nowhere));
  image.Resize(4, 4, 2);  // two channels cannot be written
  EXPECT_FALSE(SaveTiff16(dir / "two.tif", image, error));
  EXPECT_FALSE(std::filesystem::exists(dir / "two.tif"));
}

}  // namespace
}  // namespace nox
