// Reading the denoiser's result: round trips through the writer, sample conversion, and
// every result that must be refused without touching the host's planes.
#include "imageio/ResultReader.h"
#include "imageio/TiffWriter.h"

#include "image_test_support.h"

namespace nox::test {
namespace {

// Whole-number samples covering the 16-bit range, different in every plane.
void FillPlanes(Planes& p, int limit) {
  for (int r = 0; r < p.height; ++r) {
    for (int x = 0; x < p.width; ++x) {
      const int64_t i = int64_t{r} * p.width + x;
      const int64_t top = limit + 1;
      p.At(p.first, x, r) = static_cast<float>((i * 37 + 5) % top);
      p.At(p.second, x, r) = static_cast<float>((i * 101 + 17) % top);
      p.At(p.third, x, r) = static_cast<float>((i * 7919) % top);
    }
  }
  p.At(p.first, 0, 0) = 0;
  p.At(p.second, 0, 0) = static_cast<float>(limit);
}

struct RoundTripCase {
  bool colour;
  float scale;
  int limit;  // largest sample value the image holds
};

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

// What read into `out` holds `in`'s samples: every plane of a colour image, the first alone
// of a monochrome one (its other planes never touched).
void ExpectSamePlanes(const Planes& out, const Planes& in, bool colour) {
  EXPECT_EQ(out.first, in.first);
  if (colour) {
    EXPECT_EQ(out.second, in.second);
    EXPECT_EQ(out.third, in.third);
  } else {
    EXPECT_TRUE(AllEqual(out.second, Planes::kSentinel));
    EXPECT_TRUE(AllEqual(out.third, Planes::kSentinel));
  }
}

TEST_P(RoundTrip, RestoresWholeNumberPlanesExactly) {
  const auto c = GetParam();
  ScratchDir dir;
  // Includes a frame of several write blocks whose last block is partly filled, a mosaic
  // wider than any frame, the longest sides the writer writes, and colour rows that fill
  // the streaming reader's block exactly (1024 x 170: a copy that reads past its row's
  // samples runs off the block, which the sanitizer build sees).
  for (const auto& [w, h] : {std::pair{1, 1}, std::pair{37, 23}, std::pair{64, 3},
                             std::pair{3, 64}, std::pair{1001, 401}, std::pair{30000, 24},
                             std::pair{65535, 1}, std::pair{1, 65535}, std::pair{1024, 170}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    Planes in(w, h);
    FillPlanes(in, c.limit);
    ASSERT_TRUE(WriteTiff16(c.colour ? in.Colour(c.scale) : in.Mono(c.scale), dir.Wide("rt.tif")));
    Planes out(w, h);
    const float back = static_cast<float>(1.0 / static_cast<double>(c.scale));
    ASSERT_TRUE(ReadResultImage(dir.Wide("rt.tif"), c.colour ? out.Colour(back) : out.Mono(back)));
    ExpectSamePlanes(out, in, c.colour);
  }
}

std::string CaseName(const ::testing::TestParamInfo<RoundTripCase>& param) {
  return std::string(param.param.colour ? "Colour" : "Mono") + "_scale" +
         std::to_string(static_cast<int>(param.param.scale));
}

INSTANTIATE_TEST_SUITE_P(MonoAndColour, RoundTrip,
                         ::testing::Values(RoundTripCase{false, 1.0f, 65535},
                                           RoundTripCase{true, 1.0f, 65535},
                                           RoundTripCase{false, 256.0f, 256},
                                           RoundTripCase{true, 256.0f, 256}),
                         CaseName);

TEST(ResultReader, ScalesAndRoundsTiesToEven) {
  ScratchDir dir;
  std::vector<float> in{0, 127, 128, 129, 384, 640, 65408, 65407, 65535, 32896};
  const int w = static_cast<int>(in.size());
  ASSERT_TRUE(WriteTiff16({in.data(), in.data(), in.data(), w, 1}, dir.Wide("s.tif")));
  std::vector<float> out(in.size(), -1.0f);
  ASSERT_TRUE(
      ReadResultImage(dir.Wide("s.tif"), PlaneSet{out.data(), out.data(), nullptr, w, 1, 1.0f / 256.0f}));
  EXPECT_EQ(out, (std::vector<float>{0, 0, 0, 1, 2, 2, 256, 255, 256, 128}));
}

TEST(ResultReader, ReadsSignedGreyAsNegativeValues) {
  ScratchDir dir;
  // 3 x 2, signed: top row -2 0 32767, bottom row -32768 1 -1.
  const std::vector<int16_t> values{-2, 0, 32767, -32768, 1, -1};
  std::vector<unsigned char> raw;
  for (int16_t v : values) {
    const auto u = static_cast<uint16_t>(v);
    raw.push_back(static_cast<unsigned char>(u & 0xFF));
    raw.push_back(static_cast<unsigned char>(u >> 8));
  }
  WriteTinyTiff(dir.Path("signed.tif"), 3, 2, 1, 16, 2, raw);
  Planes p(3, 2);
  ASSERT_TRUE(ReadResultImage(dir.Wide("signed.tif"), p.Colour()));
  // Plane row 0 is the file's bottom row.
  EXPECT_EQ(p.first, (std::vector<float>{-32768, 1, -1, -2, 0, 32767}));
  EXPECT_TRUE(AllEqual(p.second, Planes::kSentinel));
  EXPECT_TRUE(AllEqual(p.third, Planes::kSentinel));
}

TEST(ResultReader, ColourResultIntoMonochromeImageFillsOnlyItsPlaneFromGreen) {
  ScratchDir dir;
  Planes in(5, 3);
  FillPlanes(in, 65535);
  ASSERT_TRUE(WriteTiff16(in.Colour(), dir.Wide("c.tif")));
  // Monochrome host image: first == second; the third pointer must never be written.
  Planes out(5, 3);
  ASSERT_TRUE(ReadResultImage(dir.Wide("c.tif"), out.Mono()));
  EXPECT_EQ(out.first, in.first);  // green carries the first plane
  EXPECT_TRUE(AllEqual(out.third, Planes::kSentinel));
  // A monochrome image may come with no third plane at all.
  Planes bare(5, 3);
  EXPECT_TRUE(ReadResultImage(dir.Wide("c.tif"),
                              PlaneSet{bare.first.data(), bare.first.data(), nullptr, 5, 3, 1.0f}));
  EXPECT_EQ(bare.first, in.first);
}

TEST(ResultReader, RefusesResultsOfAnotherSizeLeavingPlanesUntouched) {
  ScratchDir dir;
  Planes in(6, 4);
  FillPlanes(in, 1000);
  ASSERT_TRUE(WriteTiff16(in.Colour(), dir.Wide("r.tif")));
  // Same pixel count, transposed; fewer and more pixels.
  for (const auto& [w, h] : {std::pair{4, 6}, std::pair{6, 3}, std::pair{5, 4},
                             std::pair{12, 2}, std::pair{7, 4}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    Planes out(std::max(w, 6), std::max(h, 6));
    EXPECT_FALSE(ReadResultImage(dir.Wide("r.tif"), PlaneSet{out.first.data(), out.second.data(),
                                                            out.third.data(), w, h, 1.0f}));
    EXPECT_TRUE(AllEqual(out.first, Planes::kSentinel));
    EXPECT_TRUE(AllEqual(out.second, Planes::kSentinel));
    EXPECT_TRUE(AllEqual(out.third, Planes::kSentinel));
  }
}

TEST(ResultReader, RefusesMissingUnreadableAndUnsupportedFiles) {
  ScratchDir dir;
  Planes p(2, 2);
  const auto untouched = [&p] {
    return AllEqual(p.first, Planes::kSentinel) && AllEqual(p.second, Planes::kSentinel) &&
           AllEqual(p.third, Planes::kSentinel);
  };
  const auto read = [&](const std::wstring& name) {
    return ReadResultImage(name, p.Colour());
  };
  EXPECT_FALSE(read(dir.Wide("missing.tif")));
  EXPECT_FALSE(read(L""));
  WriteBytes(dir.Path("text.tif"), {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
  EXPECT_FALSE(read(dir.Wide("text.tif")));
  // 8-bit grey and colour, 32-bit float: refused.
  WriteTinyTiff(dir.Path("grey8.tif"), 2, 2, 1, 8, 1, {1, 2, 3, 4});
  EXPECT_FALSE(read(dir.Wide("grey8.tif")));
  WriteTinyTiff(dir.Path("rgb8.tif"), 2, 2, 3, 8, 1, std::vector<unsigned char>(12, 9));
  EXPECT_FALSE(read(dir.Wide("rgb8.tif")));
  WriteTinyTiff(dir.Path("float.tif"), 2, 2, 1, 32, 3, std::vector<unsigned char>(16, 0));
  EXPECT_FALSE(read(dir.Wide("float.tif")));
  EXPECT_TRUE(untouched());
  // A header that promises more pixels than the file holds: whatever FreeImage makes of
  // it, nothing is read or written out of bounds (the sanitizer build checks).
  WriteTinyTiff(dir.Path("short.tif"), 2, 2, 1, 16, 1, {1, 0});
  read(dir.Wide("short.tif"));
  // No planes at all.
  EXPECT_FALSE(ReadResultImage(dir.Wide("rgb8.tif"), PlaneSet{nullptr, nullptr, nullptr, 2, 2, 1.0f}));
  // A colour result for colour planes without a third: refused, streamed (TIFF) or through
  // FreeImage (PPM).
  WriteTinyTiff(dir.Path("rgb16.tif"), 2, 2, 3, 16, 1, std::vector<unsigned char>(24, 9));
  const std::string ppm = "P6\n2 2\n65535\n";
  std::vector<unsigned char> ppmBytes(ppm.begin(), ppm.end());
  ppmBytes.resize(ppmBytes.size() + 24, 9);
  WriteBytes(dir.Path("rgb16.ppm"), ppmBytes);
  for (const char* name : {"rgb16.tif", "rgb16.ppm"}) {
    SCOPED_TRACE(name);
    Planes whole(2, 2);
    EXPECT_TRUE(ReadResultImage(dir.Wide(name), whole.Colour())) << "a usable result";
    EXPECT_FALSE(ReadResultImage(dir.Wide(name),
                                 PlaneSet{p.first.data(), p.second.data(), nullptr, 2, 2, 1.0f}));
    EXPECT_TRUE(untouched());
  }
}

// A binary 16-bit PGM (big-endian samples), which reaches the reader through FreeImage.
void WritePgm16(const fs::path& file, uint32_t width, uint32_t height,
                const std::vector<float>& samples) {
  const std::string head = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n65535\n";
  std::vector<unsigned char> b(head.begin(), head.end());
  for (float v : samples) {
    const auto u = static_cast<uint16_t>(v);
    b.push_back(static_cast<unsigned char>(u >> 8));
    b.push_back(static_cast<unsigned char>(u & 0xFF));
  }
  WriteBytes(file, b);
}

// Every side the writer writes comes back through FreeImage too (a PGM; the streamed TIFF
// is a round trip above); a side beyond what the temporary TIFF can describe is refused by
// both paths.
TEST(ResultReader, TakesBackEverySideTheWriterWrites) {
  ScratchDir dir;
  const struct {
    int w, h;
    const char* file;
    bool read;
  } cases[] = {{65535, 2, "wide.pgm", true}, {65536, 1, "wider.tif", false},
               {1, 65536, "taller.pgm", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Planes in(c.w, c.h);
    FillPlanes(in, 65535);
    const fs::path file = dir.Path(c.file);
    if (file.extension() == ".pgm") {
      std::vector<float> topFirst;  // the file's rows top first: plane rows last first
      for (int r = c.h - 1; r >= 0; --r) {
        for (int x = 0; x < c.w; ++x) topFirst.push_back(in.At(in.first, x, r));
      }
      WritePgm16(file, c.w, c.h, topFirst);
    } else {  // beyond the writer: LONG size fields
      WriteTinyTiff(file, c.w, c.h, 1, 16, 1,
                    std::vector<unsigned char>(std::size_t{2} * c.w * c.h, 7));
    }
    Planes out(c.w, c.h);
    EXPECT_EQ(ReadResultImage(file.wstring(), out.Mono()), c.read);
    if (c.read) {
      ExpectSamePlanes(out, in, false);
    } else {
      EXPECT_TRUE(AllEqual(out.first, Planes::kSentinel));
    }
  }
}

TEST(ResultReader, ReadsNonAsciiFileNames) {
  ScratchDir dir;
  std::vector<float> plane{42, 43};
  const std::wstring wide = dir.Root().wstring() + L"/Out\u00e9\u00df\u65e5\u672c.tif";
  ASSERT_TRUE(WriteTiff16({plane.data(), plane.data(), plane.data(), 2, 1}, wide));
  EXPECT_TRUE(fs::exists(dir.Root() / fs::u8path(u8"Out\u00e9\u00df\u65e5\u672c.tif")));
  std::vector<float> out(2, 0.0f);
  ASSERT_TRUE(ReadResultImage(wide, PlaneSet{out.data(), out.data(), nullptr, 2, 1, 1.0f}));
  EXPECT_EQ(out, plane);
}

}  // namespace
}  // namespace nox::test
