// The streaming TIFF reader against FreeImage's path, on files libtiff writes in every
// layout it takes; and damaged files, refused before a single plane sample changes.
// Native only: libtiff writes the files here.
#include "imageio/TiffStreamReader.h"

#include <tiffio.h>

#include <cstdio>

#include "image_test_support.h"
#include "imageio/ResultReader.h"

namespace nox::test {
namespace {

constexpr int kW = kFixtureWidth;   // 37: tiles and strips end part-filled
constexpr int kH = kFixtureHeight;  // 23

struct TiffLayout {
  const char* name;
  uint16_t samples;
  uint16_t format = SAMPLEFORMAT_UINT;
  bool planar = false;
  uint32_t rowsPerStrip = 0;  // 0: one strip
  uint32_t tile = 0;          // square tiles of this side instead of strips
  uint16_t compression = COMPRESSION_NONE;
  bool predictor = false;
  bool bigEndian = false;
  uint16_t bits = 16;
  uint16_t orientation = ORIENTATION_TOPLEFT;
  uint16_t photometric = 0;  // 0: MinIsBlack for one sample, RGB for more
};

// Writes the fixture pattern (FixturePattern) in the given layout with libtiff.
void WriteLayout(const fs::path& file, const TiffLayout& l) {
  TIFF* tif = TIFFOpen(file.string().c_str(), l.bigEndian ? "wb" : "wl");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kW);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kH);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, l.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, l.samples);
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, l.format);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
               l.photometric != 0 ? l.photometric
                                  : (l.samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB));
  if (l.photometric == PHOTOMETRIC_PALETTE) {  // a grey ramp
    std::vector<uint16_t> map(std::size_t{1} << l.bits);
    for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<uint16_t>(i << (16 - l.bits));
    TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
  }
  if (l.samples > 3) {
    const std::vector<uint16_t> extra(l.samples - 3u, EXTRASAMPLE_UNASSALPHA);
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<uint16_t>(extra.size()), extra.data());
  }
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, l.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, l.compression);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, l.orientation);
  if (l.predictor) TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  // Samples in the machine's byte order, as libtiff takes them.
  const auto sample = [&](int x, int y, int c) {
    return static_cast<uint16_t>(FixturePattern(x, y, c) >> (16 - l.bits));
  };
  const auto put = [&](std::vector<unsigned char>& buffer, std::size_t at, uint16_t value) {
    if (l.bits == 8) {
      buffer[at] = static_cast<unsigned char>(value);
    } else {
      std::memcpy(&buffer[2 * at], &value, 2);
    }
  };
  const int planes = l.planar ? l.samples : 1;
  const int perPixel = l.planar ? 1 : l.samples;
  if (l.tile != 0) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, l.tile);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, l.tile);
    std::vector<unsigned char> tile(static_cast<std::size_t>(TIFFTileSize(tif)));
    for (int s = 0; s < planes; ++s) {
      for (uint32_t y = 0; y < kH; y += l.tile) {
        for (uint32_t x = 0; x < kW; x += l.tile) {
          std::fill(tile.begin(), tile.end(), 0);
          for (uint32_t r = 0; r < l.tile && y + r < kH; ++r) {
            for (uint32_t c = 0; c < l.tile && x + c < kW; ++c) {
              for (int k = 0; k < perPixel; ++k) {
                const std::size_t at = (std::size_t{r} * l.tile + c) * perPixel + k;
                put(tile, at, sample(int(x + c), int(y + r), l.planar ? s : k));
              }
            }
          }
          ASSERT_GE(TIFFWriteTile(tif, tile.data(), x, y, 0, static_cast<uint16_t>(s)), 0);
        }
      }
    }
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, l.rowsPerStrip == 0 ? kH : l.rowsPerStrip);
    std::vector<unsigned char> row(static_cast<std::size_t>(TIFFScanlineSize(tif)));
    for (int s = 0; s < planes; ++s) {
      for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
          for (int k = 0; k < perPixel; ++k) {
            put(row, static_cast<std::size_t>(x * perPixel + k), sample(x, y, l.planar ? s : k));
          }
        }
        ASSERT_EQ(TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y),
                                    static_cast<uint16_t>(s)), 1);
      }
    }
  }
  TIFFClose(tif);
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Every layout the streaming reader takes lands in the planes bit for bit as FreeImage's
// path puts it there: at scale 1 and at the 8-bit mode's 1/256, into colour and into
// monochrome planes. Layouts it does not take go to FreeImage, with its answer.
TEST(TiffStream, EveryLayoutMatchesFreeImageBitForBit) {
  const TiffLayout layouts[] = {
      {"grey, one strip", 1},
      {"signed grey, 5-row strips, big-endian", 1, SAMPLEFORMAT_INT, false, 5, 0,
       COMPRESSION_NONE, false, true},
      {"grey, Deflate, predictor, tiles", 1, SAMPLEFORMAT_UINT, false, 0, 16,
       COMPRESSION_ADOBE_DEFLATE, true},
      {"signed grey, LZW, 3-row strips", 1, SAMPLEFORMAT_INT, false, 3, 0, COMPRESSION_LZW},
      {"RGB, one strip", 3},
      {"RGB, 4-row strips, big-endian", 3, SAMPLEFORMAT_UINT, false, 4, 0, COMPRESSION_NONE,
       false, true},
      {"RGB, LZW, predictor, 3-row strips", 3, SAMPLEFORMAT_UINT, false, 3, 0,
       COMPRESSION_LZW, true},
      {"RGB, LZW, one strip, big-endian", 3, SAMPLEFORMAT_UINT, false, 0, 0, COMPRESSION_LZW,
       false, true},
      {"RGB, planar, Deflate, 7-row strips, big-endian", 3, SAMPLEFORMAT_UINT, true, 7, 0,
       COMPRESSION_ADOBE_DEFLATE, false, true},
      {"RGB, Deflate, predictor, tiles, big-endian", 3, SAMPLEFORMAT_UINT, false, 0, 32,
       COMPRESSION_ADOBE_DEFLATE, true, true},
      {"RGBA, one strip", 4},
      {"RGBA, planar, LZW, predictor, 2-row strips, big-endian", 4, SAMPLEFORMAT_UINT, true,
       2, 0, COMPRESSION_LZW, true, true},
      {"RGBA, PackBits, tiles", 4, SAMPLEFORMAT_UINT, false, 0, 16, COMPRESSION_PACKBITS},
      // Not streamed: FreeImage answers.
      {"RGB, 8-bit", 3, SAMPLEFORMAT_UINT, false, 0, 0, COMPRESSION_NONE, false, false, 8},
      {"RGB, planar, tiles (FreeImage refuses them)", 3, SAMPLEFORMAT_UINT, true, 0, 16},
      {"RGB, bottom-left orientation", 3, SAMPLEFORMAT_UINT, false, 0, 0, COMPRESSION_NONE,
       false, false, 16, ORIENTATION_BOTLEFT},
      {"grey, 16-bit palette", 1, SAMPLEFORMAT_UINT, false, 0, 0, COMPRESSION_NONE, false,
       false, 16, ORIENTATION_TOPLEFT, PHOTOMETRIC_PALETTE},
      {"RGB and two extra samples", 5},
      {"signed RGB", 3, SAMPLEFORMAT_INT},
  };
  ScratchDir dir;
  const fs::path file = dir.Path("layout.tif");
  for (const TiffLayout& l : layouts) {
    SCOPED_TRACE(l.name);
    WriteLayout(file, l);
    const bool streams = l.bits == 16 && l.orientation == ORIENTATION_TOPLEFT &&
                         !(l.planar && l.tile != 0) && l.photometric == 0 && l.samples <= 4 &&
                         (l.samples == 1 || l.format == SAMPLEFORMAT_UINT);
    for (const float scale : {1.0f, 1.0f / 256.0f}) {
      for (const bool monoHost : {false, true}) {
        SCOPED_TRACE(std::string(monoHost ? "monochrome" : "colour") + " planes, scale " +
                     std::to_string(scale));
        Planes streamed(kW, kH);
        Planes reference(kW, kH);
        const PlaneSet into = monoHost ? streamed.Mono(scale) : streamed.Colour(scale);
        const TiffResult outcome = ReadTiffResult(file.wstring(), into);
        EXPECT_EQ(outcome, streams ? TiffResult::kRead : TiffResult::kNotStreamed);
        const bool read = ReadResultImage(file.wstring(), into);
        const bool readReference = ReadResultImageWithFreeImage(
            file.wstring(), monoHost ? reference.Mono(scale) : reference.Colour(scale));
        EXPECT_EQ(read, readReference);
        if (streams) {
          EXPECT_TRUE(read);
        }
        EXPECT_TRUE(SameBits(streamed.first, reference.first));
        EXPECT_TRUE(SameBits(streamed.second, reference.second));
        EXPECT_TRUE(SameBits(streamed.third, reference.third));
        if (streams) {
          EXPECT_FALSE(AllEqual(streamed.first, Planes::kSentinel));
        }
      }
    }
  }
}

// Element `index` of a SHORT or LONG array tag in a little-endian classic TIFF.
struct ArrayElement {
  std::size_t at = 0;
  std::size_t width = 4;
  uint32_t Get(const std::vector<unsigned char>& b) const {
    return width == 2 ? Le16(b, at) : Le32(b, at);
  }
  void Set(std::vector<unsigned char>& b, uint32_t v) const {
    for (std::size_t i = 0; i < width; ++i) b.at(at + i) = static_cast<unsigned char>(v >> (8 * i));
  }
};

ArrayElement ElementOf(const std::vector<unsigned char>& b, uint16_t tag, uint32_t index) {
  const uint32_t ifd = Le32(b, 4);
  const uint16_t entries = Le16(b, ifd);
  for (uint16_t e = 0; e < entries; ++e) {
    const std::size_t at = ifd + 2 + 12u * e;
    if (Le16(b, at) != tag) continue;
    ArrayElement element;
    element.width = Le16(b, at + 2) == TIFF_SHORT ? 2 : 4;
    const uint32_t count = Le32(b, at + 4);
    element.at = count * element.width <= 4 ? at + 8 + element.width * index
                                             : Le32(b, at + 8) + element.width * index;
    return element;
  }
  ADD_FAILURE() << "no tag " << tag;
  return {};
}

// Damage done to a whole file: its strip (or tile) `chunk` is acted on.
enum class Damage { kFillWith0xFF, kCountShort, kCountPastEnd, kOffsetPastEnd };

// Damaged files are refused as damaged (FreeImage does not get them) and every plane keeps
// what it held, also when the damage lies in a late strip or tile that a reader writing as
// it decodes would reach only after filling most of the planes.
TEST(TiffStream, DamagedFilesLeaveThePlanesUntouched) {
  const TiffLayout strips{"", 3, SAMPLEFORMAT_UINT, false, 3};
  const TiffLayout deflate{"", 3, SAMPLEFORMAT_UINT, false, 3, 0, COMPRESSION_ADOBE_DEFLATE, true};
  const TiffLayout lzwPlanar{"", 3, SAMPLEFORMAT_UINT, true, 4, 0, COMPRESSION_LZW};
  const TiffLayout deflateTiles{"", 4, SAMPLEFORMAT_UINT, false, 0, 16, COMPRESSION_ADOBE_DEFLATE};
  const TiffLayout rawTiles{"", 1, SAMPLEFORMAT_UINT, false, 0, 16};
  const struct {
    const char* name;
    const TiffLayout& layout;
    uint32_t chunk;
    Damage damage;
  } cases[] = {
      {"Deflate strip with corrupt data, second last", deflate, 6, Damage::kFillWith0xFF},
      {"Deflate strip cut to half by its byte count, last", deflate, 7, Damage::kCountShort},
      {"LZW strip with corrupt data, last plane", lzwPlanar, 16, Damage::kFillWith0xFF},
      {"Deflate tile with corrupt data, last", deflateTiles, 5, Damage::kFillWith0xFF},
      {"uncompressed strip shorter than its rows, last", strips, 7, Damage::kCountShort},
      {"uncompressed strip past the end of the file", strips, 7, Damage::kCountPastEnd},
      {"uncompressed strip starting past the end", strips, 5, Damage::kOffsetPastEnd},
      {"compressed strip past the end of the file", deflate, 7, Damage::kCountPastEnd},
      {"uncompressed tile shorter than a tile", rawTiles, 5, Damage::kCountShort},
  };
  ScratchDir dir;
  const fs::path file = dir.Path("damaged.tif");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteLayout(file, c.layout);
    std::vector<unsigned char> b = ReadBytes(file);
    {
      Planes whole(kW, kH);
      ASSERT_EQ(ReadTiffResult(file.wstring(), whole.Colour()),
                TiffResult::kRead);
    }
    const bool tiled = c.layout.tile != 0;
    const ArrayElement offsetAt =
        ElementOf(b, tiled ? TIFFTAG_TILEOFFSETS : TIFFTAG_STRIPOFFSETS, c.chunk);
    const ArrayElement countAt =
        ElementOf(b, tiled ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS, c.chunk);
    const uint32_t offset = offsetAt.Get(b);
    const uint32_t count = countAt.Get(b);
    const auto size = static_cast<uint32_t>(b.size());
    switch (c.damage) {
      case Damage::kFillWith0xFF:
        std::fill(b.begin() + offset + 2, b.begin() + offset + count, 0xFF);
        break;
      case Damage::kCountShort: countAt.Set(b, count / 2); break;
      case Damage::kCountPastEnd: countAt.Set(b, size - offset + 1); break;
      case Damage::kOffsetPastEnd: offsetAt.Set(b, size); break;
    }
    WriteBytes(file, b);
    Planes p(kW, kH);
    EXPECT_EQ(ReadTiffResult(file.wstring(), p.Colour()),
              TiffResult::kRefused);
    EXPECT_FALSE(ReadResultImage(file.wstring(), p.Colour()));
    EXPECT_TRUE(AllEqual(p.first, Planes::kSentinel));
    EXPECT_TRUE(AllEqual(p.second, Planes::kSentinel));
    EXPECT_TRUE(AllEqual(p.third, Planes::kSentinel));
  }
}

}  // namespace
}  // namespace nox::test
