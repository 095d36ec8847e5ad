#include "HostImage.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

namespace nox {
namespace {

namespace fs = std::filesystem;

class HostImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeImage_Initialise(FALSE);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("hostsim-") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  fs::path File(const std::string& name) const { return dir_ / name; }

  // Saves a bitmap made here with FreeImage itself, independent of the code under test.
  static void Save(FIBITMAP* dib, FREE_IMAGE_FORMAT fif, const fs::path& file) {
#ifdef _WIN32
    ASSERT_TRUE(FreeImage_SaveU(fif, dib, file.c_str(), 0));
#else
    ASSERT_TRUE(FreeImage_Save(fif, dib, file.c_str(), 0));
#endif
    FreeImage_Unload(dib);
  }
  static FIBITMAP* Open(const fs::path& file, FREE_IMAGE_FORMAT* fif) {
#ifdef _WIN32
    *fif = FreeImage_GetFileTypeU(file.c_str(), 0);
    return FreeImage_LoadU(*fif, file.c_str(), 0);
#else
    *fif = FreeImage_GetFileType(file.c_str(), 0);
    return FreeImage_Load(*fif, file.c_str(), 0);
#endif
  }
  // FreeImage keeps the bottom row first; tests speak of top rows.
  template <typename T>
  static T* Row(FIBITMAP* dib, unsigned y) {
    return reinterpret_cast<T*>(FreeImage_GetScanLine(dib, FreeImage_GetHeight(dib) - 1 - y));
  }

  fs::path dir_;
};

TEST_F(HostImageFiles, Grey16TiffKeepsValuesTopRowFirstAndAnswersEveryPlaneWithOne) {
  FIBITMAP* dib = FreeImage_AllocateT(FIT_UINT16, 3, 2);
  for (unsigned y = 0; y < 2; ++y)
    for (unsigned x = 0; x < 3; ++x) Row<uint16_t>(dib, y)[x] = static_cast<uint16_t>(60000 + y * 1000 + x);
  Save(dib, FIF_TIFF, File("grey16.tif"));

  HostImage image;
  std::string error;
  ASSERT_TRUE(LoadHostImage(File("grey16.tif"), image, error)) << error;
  EXPECT_EQ(image.width, 3);
  EXPECT_EQ(image.height, 2);
  EXPECT_FALSE(image.colour);
  EXPECT_EQ(image.bitsPerSample, 16);
  EXPECT_EQ(image.plane0, (std::vector<float>{60000, 60001, 60002, 61000, 61001, 61002}));
  EXPECT_EQ(image.Plane(0), image.Plane(2));
  EXPECT_EQ(image.Plane(0), image.Plane(3));
  EXPECT_EQ(image.Plane(4), nullptr);
}

TEST_F(HostImageFiles, ColourFilesPutRedInPlane2GreenInPlane0BlueInPlane3) {
  FIBITMAP* rgb16 = FreeImage_AllocateT(FIT_RGBA16, 2, 2);
  for (unsigned y = 0; y < 2; ++y)
    for (unsigned x = 0; x < 2; ++x) {
      FIRGBA16& px = Row<FIRGBA16>(rgb16, y)[x];
      px.red = static_cast<WORD>(10000 + 10 * y + x);
      px.green = static_cast<WORD>(20000 + 10 * y + x);
      px.blue = static_cast<WORD>(30000 + 10 * y + x);
      px.alpha = 7;
    }
  Save(rgb16, FIF_TIFF, File("rgba16.tif"));

  FIBITMAP* rgba8 = FreeImage_Allocate(2, 1, 32);
  BYTE* row = Row<BYTE>(rgba8, 0);
  for (unsigned x = 0; x < 2; ++x) {
    row[x * 4 + FI_RGBA_RED] = static_cast<BYTE>(200 + x);
    row[x * 4 + FI_RGBA_GREEN] = static_cast<BYTE>(100 + x);
    row[x * 4 + FI_RGBA_BLUE] = static_cast<BYTE>(50 + x);
    row[x * 4 + FI_RGBA_ALPHA] = 9;
  }
  Save(rgba8, FIF_PNG, File("rgba8.png"));

  HostImage image;
  std::string error;
  ASSERT_TRUE(LoadHostImage(File("rgba16.tif"), image, error)) << error;
  EXPECT_TRUE(image.colour);
  EXPECT_EQ(image.bitsPerSample, 16);
  EXPECT_EQ(image.plane2, (std::vector<float>{10000, 10001, 10010, 10011}));
  EXPECT_EQ(image.plane0, (std::vector<float>{20000, 20001, 20010, 20011}));
  EXPECT_EQ(image.plane3, (std::vector<float>{30000, 30001, 30010, 30011}));
  EXPECT_NE(image.Plane(0), image.Plane(2));
  EXPECT_NE(image.Plane(2), image.Plane(3));

  ASSERT_TRUE(LoadHostImage(File("rgba8.png"), image, error)) << error;
  EXPECT_TRUE(image.colour);
  EXPECT_EQ(image.bitsPerSample, 8);
  EXPECT_EQ(image.plane2, (std::vector<float>{200, 201}));
  EXPECT_EQ(image.plane0, (std::vector<float>{100, 101}));
  EXPECT_EQ(image.plane3, (std::vector<float>{50, 51}));
}

TEST_F(HostImageFiles, Grey8PngLoadsAsMonochrome8Bit) {
  FIBITMAP* dib = FreeImage_Allocate(2, 2, 8);
  RGBQUAD* palette = FreeImage_GetPalette(dib);
  for (unsigned i = 0; i < 256; ++i) {
    palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
  }
  Row<BYTE>(dib, 0)[0] = 0;
  Row<BYTE>(dib, 0)[1] = 255;
  Row<BYTE>(dib, 1)[0] = 17;
  Row<BYTE>(dib, 1)[1] = 128;
  Save(dib, FIF_PNG, File("grey8.png"));

  HostImage image;
  std::string error;
  ASSERT_TRUE(LoadHostImage(File("grey8.png"), image, error)) << error;
  EXPECT_FALSE(image.colour);
  EXPECT_EQ(image.bitsPerSample, 8);
  EXPECT_EQ(image.plane0, (std::vector<float>{0, 255, 17, 128}));
}

// Every kind the host writes comes back sample for sample, in the format its name asks
// for and at the depth it was loaded with.
TEST_F(HostImageFiles, SavedFilesHaveTheRightFormatDepthAndSamples) {
  struct Case {
    bool colour;
    int bits;
    const char* name;
    FREE_IMAGE_FORMAT format;
    FREE_IMAGE_TYPE type;
    unsigned bpp;
  };
  const Case cases[] = {
      {false, 16, "g16.tif", FIF_TIFF, FIT_UINT16, 16}, {true, 16, "c16.tiff", FIF_TIFF, FIT_RGB16, 48},
      {false, 8, "g8.tif", FIF_TIFF, FIT_BITMAP, 8},    {true, 8, "c8.tif", FIF_TIFF, FIT_BITMAP, 24},
      {false, 16, "g16.png", FIF_PNG, FIT_UINT16, 16},  {true, 16, "c16.PNG", FIF_PNG, FIT_RGB16, 48},
      {false, 8, "g8.png", FIF_PNG, FIT_BITMAP, 8},     {true, 8, "c8.png", FIF_PNG, FIT_BITMAP, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HostImage image = HostImage::Blank(5, 3, c.colour, c.bits);
    const float top = c.bits == 8 ? 255.0f : 65535.0f;
    for (size_t i = 0; i < image.SampleCount(); ++i) {
      image.plane0[i] = std::fmod(static_cast<float>(i * 37), top);
      if (c.colour) {
        image.plane2[i] = top - static_cast<float>(i);
        image.plane3[i] = static_cast<float>(i * 3);
      }
    }
    std::string error;
    ASSERT_TRUE(SaveHostImage(image, File(c.name), error)) << error;

    FREE_IMAGE_FORMAT fif = FIF_UNKNOWN;
    FIBITMAP* dib = Open(File(c.name), &fif);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(fif, c.format);
    EXPECT_EQ(FreeImage_GetImageType(dib), c.type);
    EXPECT_EQ(FreeImage_GetBPP(dib), c.bpp);
    if (c.colour && c.bits == 16) {
      EXPECT_EQ(Row<FIRGB16>(dib, 0)[1].red, 65534);  // plane 2, top row, second column
    }
    FreeImage_Unload(dib);

    HostImage back;
    ASSERT_TRUE(LoadHostImage(File(c.name), back, error)) << error;
    EXPECT_EQ(back.width, 5);
    EXPECT_EQ(back.height, 3);
    EXPECT_EQ(back.colour, c.colour);
    EXPECT_EQ(back.bitsPerSample, c.bits);
    EXPECT_EQ(back.plane0, image.plane0);
    EXPECT_EQ(back.plane2, image.plane2);
    EXPECT_EQ(back.plane3, image.plane3);
  }
}

TEST_F(HostImageFiles, SavingRoundsToNearestEvenAndClampsToTheDepth) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  HostImage wide = HostImage::Blank(8, 1, false, 16);
  wide.plane0 = {-5.0f, 0.5f, 1.5f, 2.5f, 65534.6f, 70000.0f, nan, 1234.4f};
  HostImage narrow = HostImage::Blank(6, 1, false, 8);
  narrow.plane0 = {-1.0f, 127.5f, 128.5f, 254.6f, 300.0f, nan};
  std::string error;
  ASSERT_TRUE(SaveHostImage(HostImage::Blank(2, 2, true, 8), File("wide.tif"), error)) << error;
  ASSERT_TRUE(SaveHostImage(wide, File("wide.tif"), error)) << error;  // replaces the file
  ASSERT_TRUE(SaveHostImage(narrow, File("narrow.png"), error)) << error;
  EXPECT_FALSE(fs::exists(File("wide.tif.part")));

  HostImage back;
  ASSERT_TRUE(LoadHostImage(File("wide.tif"), back, error)) << error;
  EXPECT_EQ(back.plane0, (std::vector<float>{0, 0, 2, 2, 65535, 65535, 0, 1234}));
  ASSERT_TRUE(LoadHostImage(File("narrow.png"), back, error)) << error;
  EXPECT_EQ(back.bitsPerSample, 8);
  EXPECT_EQ(back.plane0, (std::vector<float>{0, 128, 128, 255, 255, 0}));
}

TEST_F(HostImageFiles, RefusesMissingForeignAndFloatFilesAndLeavesTheImageAlone) {
  { std::ofstream(File("notes.tif")) << "not an image at all"; }
  FIBITMAP* floats = FreeImage_AllocateT(FIT_FLOAT, 2, 2);
  Save(floats, FIF_TIFF, File("float.tif"));

  HostImage image = HostImage::Blank(1, 1, false, 16);
  image.plane0[0] = 42.0f;
  for (const char* name : {"missing.tif", "notes.tif", "float.tif"}) {
    SCOPED_TRACE(name);
    std::string error;
    EXPECT_FALSE(LoadHostImage(File(name), image, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(image.width, 1);
    EXPECT_EQ(image.plane0, std::vector<float>{42.0f});
  }
  std::string error;
  EXPECT_FALSE(SaveHostImage(HostImage(), File("empty.tif"), error));
  EXPECT_FALSE(SaveHostImage(image, dir_ / "no-such-folder" / "x.tif", error));
}

}  // namespace
}  // namespace nox
