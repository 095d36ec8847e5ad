#include "imageio/TiffStreamReader.h"

// FreeImageApi.h first: on Windows it brings in <windows.h>, which libtiff's header needs.
#include "imageio/FreeImageApi.h"

#include <tiffio.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "imageio/ExchangeLimits.h"
#include "imageio/FilePath.h"
#include "imageio/PlaneCopy.h"

namespace nox {

namespace {

// Uncompressed strips are read in blocks of whole rows of about this size.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
// Larger tiles and compressed strips go to FreeImage: the buffer one of them needs stays
// small.
constexpr uint64_t kMaxChunkBytes = uint64_t{16} << 20;

// The result file, read at explicit offsets, and libtiff's view of it.
class SourceFile {
 public:
  explicit SourceFile(const std::wstring& fileName) : mFile(OpenFile(fileName, "rb")) {
    if (mFile != nullptr && Seek(0, SEEK_END)) {
      const int64_t end = Tell();
      if (end >= 0) mSize = static_cast<uint64_t>(end);
    }
  }
  ~SourceFile() {
    if (mFile != nullptr) std::fclose(mFile);
  }
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  bool Open() const { return mFile != nullptr; }
  uint64_t Size() const { return mSize; }

  bool ReadAt(uint64_t offset, void* buffer, std::size_t bytes) {
    if (offset > mSize || bytes > mSize - offset) return false;
    return Seek(static_cast<int64_t>(offset), SEEK_SET) &&
           std::fread(buffer, 1, bytes, mFile) == bytes;
  }

  // Back to the start, where libtiff begins reading.
  bool Rewind() { return Seek(0, SEEK_SET); }

  // libtiff's I/O procedures over this file (reading only, never mapped).
  static tmsize_t LibRead(thandle_t handle, void* buffer, tmsize_t bytes) {
    if (bytes <= 0) return 0;
    SourceFile* self = From(handle);
    return static_cast<tmsize_t>(
        std::fread(buffer, 1, static_cast<std::size_t>(bytes), self->mFile));
  }
  static tmsize_t LibWrite(thandle_t, void*, tmsize_t) { return -1; }
  static toff_t LibSeek(thandle_t handle, toff_t offset, int whence) {
    SourceFile* self = From(handle);
    if (offset > static_cast<toff_t>(INT64_MAX)) return static_cast<toff_t>(-1);
    if (!self->Seek(static_cast<int64_t>(offset), whence)) return static_cast<toff_t>(-1);
    const int64_t at = self->Tell();
    return at < 0 ? static_cast<toff_t>(-1) : static_cast<toff_t>(at);
  }
  static int LibClose(thandle_t) { return 0; }
  static toff_t LibSize(thandle_t handle) { return From(handle)->mSize; }
  static int LibMap(thandle_t, void**, toff_t*) { return 0; }
  static void LibUnmap(thandle_t, void*, toff_t) {}

  thandle_t Handle() { return reinterpret_cast<thandle_t>(this); }

 private:
  static SourceFile* From(thandle_t handle) { return reinterpret_cast<SourceFile*>(handle); }

  bool Seek(int64_t offset, int whence) {
#ifdef _WIN32
    return _fseeki64(mFile, offset, whence) == 0;
#else
    return fseeko(mFile, static_cast<off_t>(offset), whence) == 0;
#endif
  }
  int64_t Tell() {
#ifdef _WIN32
    return _ftelli64(mFile);
#else
    return static_cast<int64_t>(ftello(mFile));
#endif
  }

  std::FILE* mFile;
  uint64_t mSize = 0;
};

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// Whether the file starts as a classic TIFF does, in either byte order. BigTIFF is left
// to FreeImage, which recognises only classic TIFF by its content.
bool HasClassicTiffHeader(SourceFile& file) {
  unsigned char head[4];
  if (!file.ReadAt(0, head, sizeof head)) return false;
  return (head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) ||
         (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42);
}

// The layout of the first directory, as far as the reading needs it.
struct Layout {
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t samples = 0;
  bool isSigned = false;
  bool planar = false;
  bool compressed = false;
  bool tiled = false;
  bool swapped = false;
  uint32_t rowsPerStrip = 0;  // strips
  uint32_t tileWidth = 0;     // tiles
  uint32_t tileHeight = 0;

  // Bytes of one row of one strip, or of one tile row, before compression.
  std::size_t RowBytes(uint32_t pixels) const {
    return std::size_t{pixels} * 2u * (planar ? 1u : samples);
  }
  uint16_t Planes() const { return planar ? samples : 1; }
};

enum class Verdict { kTake, kDamaged, kOtherLayout };

template <typename T>
T Field(TIFF* tif, uint32_t tag, T fallback) {
  T value = fallback;
  if (TIFFGetFieldDefaulted(tif, tag, &value) != 1) return fallback;
  return value;
}

// Whether this reader takes the directory's layout. A size or type that FreeImage's path
// refuses as well counts as damaged: FreeImage would only come to the same answer.
Verdict ReadLayout(TIFF* tif, const PlaneSet& planes, Layout& out) {
  uint32_t w = 0;
  uint32_t h = 0;
  if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) != 1 ||
      TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h) != 1) {
    return Verdict::kDamaged;
  }
  if (!ExchangeSideFits(w) || !ExchangeSideFits(h) || w != static_cast<uint32_t>(planes.width) ||
      h != static_cast<uint32_t>(planes.height)) {
    return Verdict::kDamaged;
  }
  out.width = w;
  out.height = h;

  const auto bits = Field<uint16_t>(tif, TIFFTAG_BITSPERSAMPLE, 1);
  const auto samples = Field<uint16_t>(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  const auto format = Field<uint16_t>(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
  uint16_t photometric = 0;
  if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) != 1) return Verdict::kOtherLayout;
  if (bits != 16) return Verdict::kOtherLayout;
  if (samples == 1) {
    if (photometric != PHOTOMETRIC_MINISBLACK) return Verdict::kOtherLayout;
    if (format != SAMPLEFORMAT_UINT && format != SAMPLEFORMAT_INT) return Verdict::kOtherLayout;
  } else if (samples == 3 || samples == 4) {
    if (photometric != PHOTOMETRIC_RGB || format != SAMPLEFORMAT_UINT) {
      return Verdict::kOtherLayout;
    }
  } else {
    return Verdict::kOtherLayout;
  }
  out.samples = samples;
  out.isSigned = format == SAMPLEFORMAT_INT;

  const auto planar = Field<uint16_t>(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  if (planar != PLANARCONFIG_CONTIG && planar != PLANARCONFIG_SEPARATE) {
    return Verdict::kOtherLayout;
  }
  out.planar = planar == PLANARCONFIG_SEPARATE && samples > 1;
  if (Field<uint16_t>(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB) != FILLORDER_MSB2LSB ||
      Field<uint16_t>(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) != ORIENTATION_TOPLEFT ||
      Field<uint32_t>(tif, TIFFTAG_IMAGEDEPTH, 1) != 1) {
    return Verdict::kOtherLayout;
  }

  const auto compression = Field<uint16_t>(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  switch (compression) {
    case COMPRESSION_NONE: break;
    case COMPRESSION_PACKBITS:
    case COMPRESSION_LZW:
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
      if (TIFFIsCODECConfigured(compression) == 0) return Verdict::kOtherLayout;
      break;
    default: return Verdict::kOtherLayout;
  }
  out.compressed = compression != COMPRESSION_NONE;
  if (out.compressed && compression != COMPRESSION_PACKBITS) {
    uint16_t predictor = PREDICTOR_NONE;
    if (TIFFGetField(tif, TIFFTAG_PREDICTOR, &predictor) == 1 &&
        predictor != PREDICTOR_NONE && predictor != PREDICTOR_HORIZONTAL) {
      return Verdict::kOtherLayout;
    }
  }
  out.swapped = TIFFIsByteSwapped(tif) != 0;

  out.tiled = TIFFIsTiled(tif) != 0;
  // FreeImage reads no planar tiles; neither does this reader, so the answer is the same.
  if (out.tiled && out.planar) return Verdict::kOtherLayout;
  if (out.tiled) {
    if (TIFFGetField(tif, TIFFTAG_TILEWIDTH, &out.tileWidth) != 1 ||
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &out.tileHeight) != 1 || out.tileWidth == 0 ||
        out.tileHeight == 0) {
      return Verdict::kDamaged;
    }
    const uint64_t tileBytes = uint64_t{out.tileWidth} * out.tileHeight * 2u *
                               (out.planar ? 1u : out.samples);
    if (tileBytes > kMaxChunkBytes) return Verdict::kOtherLayout;
    if (static_cast<uint64_t>(TIFFTileSize64(tif)) != tileBytes) return Verdict::kDamaged;
  } else {
    out.rowsPerStrip = std::min(Field<uint32_t>(tif, TIFFTAG_ROWSPERSTRIP, h), h);
    if (out.rowsPerStrip == 0) return Verdict::kDamaged;
    if (out.compressed && uint64_t{out.rowsPerStrip} * out.RowBytes(w) > kMaxChunkBytes) {
      return Verdict::kOtherLayout;
    }
    if (static_cast<uint64_t>(TIFFScanlineSize64(tif)) != out.RowBytes(w)) {
      return Verdict::kDamaged;
    }
  }
  return Verdict::kTake;
}

uint32_t CeilDiv(uint32_t a, uint32_t b) { return a / b + (a % b != 0 ? 1u : 0u); }

// Where the samples go. File row y lands in plane row height - 1 - y: the writer stores
// the planes' last row first.
class PlaneTarget {
 public:
  PlaneTarget(const Layout& layout, const PlaneSet& planes) : mLayout(layout), mPlanes(planes) {}

  std::size_t Index(uint32_t row, uint32_t column) const {
    return std::size_t{mLayout.height - 1 - row} * mLayout.width + column;
  }

  // The plane that one sample of a planar image fills; nullptr when it fills none (alpha,
  // and red and blue of a colour result for a monochrome image).
  float* PlaneOf(uint16_t sample) const {
    if (mLayout.samples == 1) return sample == 0 ? mPlanes.first : nullptr;
    const bool mono = mPlanes.Mono();
    switch (sample) {
      case 0: return mono ? nullptr : mPlanes.second;
      case 1: return mPlanes.first;
      case 2: return mono ? nullptr : mPlanes.third;
      default: return nullptr;
    }
  }

  // count pixels of file row `row` from `column` on; `sample` names the planar sample.
  void Put(const unsigned char* src, uint16_t sample, uint32_t row, uint32_t column,
           std::size_t count) const {
    const std::size_t at = Index(row, column);
    if (mLayout.planar) {
      if (float* plane = PlaneOf(sample)) {
        CopyGreyRow(src, 2, count, plane + at, mPlanes.scale, false);
      }
    } else if (mLayout.samples == 1) {
      CopyGreyRow(src, 2, count, mPlanes.first + at, mPlanes.scale, mLayout.isSigned);
    } else {
      CopyRgbRow(src, mLayout.samples, count, mPlanes, at);
    }
  }

 private:
  const Layout& mLayout;
  const PlaneSet& mPlanes;
};

class Reader {
 public:
  Reader(TIFF* tif, SourceFile& file, const Layout& layout, const FreeImageErrors& errors)
      : mTif(tif), mFile(file), mLayout(layout), mErrors(errors) {}

  // Every strip or tile lies within the file and, uncompressed, holds the bytes needed.
  bool ChunksFitFile() const {
    const uint32_t chunks = mLayout.tiled ? TIFFNumberOfTiles(mTif) : TIFFNumberOfStrips(mTif);
    if (chunks != ExpectedChunks()) return false;
    for (uint32_t i = 0; i < chunks; ++i) {
      const uint64_t offset = TIFFGetStrileOffset(mTif, i);
      const uint64_t bytes = TIFFGetStrileByteCount(mTif, i);
      if (bytes == 0 || offset > mFile.Size() || bytes > mFile.Size() - offset) return false;
      if (!mLayout.compressed && bytes < DecodedBytes(i)) return false;
    }
    return true;
  }

  // Decodes every strip or tile without writing anything; false at the first fault.
  bool DecodesCleanly() { return Walk(nullptr); }

  // Reads everything into the planes; false on a read error of the file.
  bool Fill(const PlaneTarget& target) {
    const bool ok = Walk(&target);
    FinishPlaneWrites();
    return ok;
  }

 private:
  uint32_t ExpectedChunks() const {
    if (mLayout.tiled) {
      return CeilDiv(mLayout.width, mLayout.tileWidth) *
             CeilDiv(mLayout.height, mLayout.tileHeight) * mLayout.Planes();
    }
    return CeilDiv(mLayout.height, mLayout.rowsPerStrip) * mLayout.Planes();
  }

  uint64_t DecodedBytes(uint32_t chunk) const {
    if (mLayout.tiled) {
      return uint64_t{mLayout.tileHeight} * mLayout.RowBytes(mLayout.tileWidth);
    }
    const uint32_t perPlane = CeilDiv(mLayout.height, mLayout.rowsPerStrip);
    const uint32_t firstRow = (chunk % perPlane) * mLayout.rowsPerStrip;
    const uint32_t rows = std::min(mLayout.rowsPerStrip, mLayout.height - firstRow);
    return uint64_t{rows} * mLayout.RowBytes(mLayout.width);
  }

  bool Walk(const PlaneTarget* target) {
    if (mLayout.tiled) return WalkTiles(target);
    return mLayout.compressed ? WalkCompressedStrips(target) : WalkRawStrips(target);
  }

  bool Clean() const { return !mErrors.Any(); }

  // Uncompressed strips: whole rows read in blocks straight from the file.
  bool WalkRawStrips(const PlaneTarget* target) {
    if (target == nullptr) return true;  // nothing to decode: the directory checks suffice
    const std::size_t rowBytes = mLayout.RowBytes(mLayout.width);
    const uint32_t blockRows =
        static_cast<uint32_t>(std::max<std::size_t>(1, kBlockBytes / rowBytes));
    const std::size_t blockBytes = std::size_t{blockRows} * rowBytes;
    std::unique_ptr<uint16_t[]> block(new uint16_t[blockBytes / 2]);
    auto* bytes = reinterpret_cast<unsigned char*>(block.get());
    const uint32_t perPlane = CeilDiv(mLayout.height, mLayout.rowsPerStrip);
    for (uint16_t sample = 0; sample < mLayout.Planes(); ++sample) {
      if (mLayout.planar && target->PlaneOf(sample) == nullptr) continue;
      for (uint32_t strip = 0; strip < perPlane; ++strip) {
        const uint32_t index = sample * perPlane + strip;
        const uint64_t offset = TIFFGetStrileOffset(mTif, index);
        const uint32_t firstRow = strip * mLayout.rowsPerStrip;
        const uint32_t endRow = std::min(firstRow + mLayout.rowsPerStrip, mLayout.height);
        for (uint32_t row = firstRow; row < endRow; row += blockRows) {
          const uint32_t rows = std::min(blockRows, endRow - row);
          const std::size_t n = std::size_t{rows} * rowBytes;
          if (!mFile.ReadAt(offset + uint64_t{row - firstRow} * rowBytes, bytes, n)) {
            return false;
          }
          if (mLayout.swapped) TIFFSwabArrayOfShort(block.get(), static_cast<tmsize_t>(n / 2));
          for (uint32_t r = 0; r < rows; ++r) {
            target->Put(bytes + std::size_t{r} * rowBytes, sample, row + r, 0, mLayout.width);
          }
        }
      }
    }
    return true;
  }

  // Compressed strips: each decoded whole, in FreeImage's order (each band of rows, for
  // planar data sample after sample) into one buffer zeroed once, as FreeImage does. Damaged
  // data does not always fail to decode: a codec may leave bytes of the buffer unwritten
  // without an error, or give other samples when asked for a strip in smaller pieces, and
  // the result must still be FreeImage's.
  bool WalkCompressedStrips(const PlaneTarget* target) {
    const std::size_t rowBytes = mLayout.RowBytes(mLayout.width);
    const std::size_t stripBytes = mLayout.rowsPerStrip * rowBytes;
    std::unique_ptr<uint16_t[]> strip(new uint16_t[stripBytes / 2]());
    auto* bytes = reinterpret_cast<unsigned char*>(strip.get());
    const uint32_t perPlane = CeilDiv(mLayout.height, mLayout.rowsPerStrip);
    for (uint32_t s = 0; s < perPlane; ++s) {
      for (uint16_t sample = 0; sample < mLayout.Planes(); ++sample) {
        const uint32_t index = sample * perPlane + s;
        const auto size = static_cast<tmsize_t>(DecodedBytes(index));
        if (TIFFReadEncodedStrip(mTif, index, strip.get(), size) != size || !Clean()) {
          return false;
        }
        if (target == nullptr) continue;
        const uint32_t firstRow = s * mLayout.rowsPerStrip;
        const uint32_t rows = std::min(mLayout.rowsPerStrip, mLayout.height - firstRow);
        for (uint32_t r = 0; r < rows; ++r) {
          target->Put(bytes + std::size_t{r} * rowBytes, sample, firstRow + r, 0, mLayout.width);
        }
      }
    }
    return true;
  }

  bool WalkTiles(const PlaneTarget* target) {
    const std::size_t tileBytes = mLayout.tileHeight * mLayout.RowBytes(mLayout.tileWidth);
    const std::size_t tileRowBytes = mLayout.RowBytes(mLayout.tileWidth);
    std::unique_ptr<uint16_t[]> tile(new uint16_t[tileBytes / 2]);
    auto* bytes = reinterpret_cast<unsigned char*>(tile.get());
    // Tiles are interleaved (planar ones go to FreeImage); each is decoded into a zeroed
    // buffer, as FreeImage does.
    for (uint32_t y = 0; y < mLayout.height; y += mLayout.tileHeight) {
      for (uint32_t x = 0; x < mLayout.width; x += mLayout.tileWidth) {
        const uint32_t index = TIFFComputeTile(mTif, x, y, 0, 0);
        std::fill(bytes, bytes + tileBytes, static_cast<unsigned char>(0));
        if (TIFFReadEncodedTile(mTif, index, tile.get(), static_cast<tmsize_t>(tileBytes)) !=
                static_cast<tmsize_t>(tileBytes) ||
            !Clean()) {
          return false;
        }
        if (target == nullptr) continue;
        const uint32_t rows = std::min(mLayout.tileHeight, mLayout.height - y);
        const uint32_t columns = std::min(mLayout.tileWidth, mLayout.width - x);
        for (uint32_t r = 0; r < rows; ++r) {
          target->Put(bytes + std::size_t{r} * tileRowBytes, 0, y + r, x, columns);
        }
      }
    }
    return true;
  }

  TIFF* mTif;
  SourceFile& mFile;
  const Layout& mLayout;
  const FreeImageErrors& mErrors;
};

}  // namespace

TiffResult ReadTiffResult(const std::wstring& fileName, const PlaneSet& planes) {
  if (planes.first == nullptr || !planes.HasSize()) return TiffResult::kNotStreamed;
  SourceFile file(fileName);
  if (!file.Open() || !HasClassicTiffHeader(file) || !file.Rewind()) {
    return TiffResult::kNotStreamed;
  }

  EnsureFreeImage();  // routes libtiff's errors to the scope below
  FreeImageErrors errors;
  // "c": the strips as the file has them; libtiff would otherwise cut a big uncompressed
  // strip into many small ones.
  const TiffHandle tif(TIFFClientOpen("result", "rc", file.Handle(), SourceFile::LibRead,
                                      SourceFile::LibWrite, SourceFile::LibSeek,
                                      SourceFile::LibClose, SourceFile::LibSize,
                                      SourceFile::LibMap, SourceFile::LibUnmap));
  if (!tif || errors.Any()) return TiffResult::kRefused;

  Layout layout;
  switch (ReadLayout(tif.get(), planes, layout)) {
    case Verdict::kTake: break;
    case Verdict::kDamaged: return TiffResult::kRefused;
    case Verdict::kOtherLayout: return TiffResult::kNotStreamed;
  }
  if (!planes.CanTake(layout.samples)) return TiffResult::kRefused;
  if (errors.Any()) return TiffResult::kRefused;

  Reader reader(tif.get(), file, layout, errors);
  if (!reader.ChunksFitFile() || errors.Any()) return TiffResult::kRefused;
  // Compressed data can still turn out damaged while decoding: all of it is decoded once
  // before the first plane is written.
  if (layout.compressed && !reader.DecodesCleanly()) return TiffResult::kRefused;
  const PlaneTarget target(layout, planes);
  return reader.Fill(target) ? TiffResult::kRead : TiffResult::kRefused;
}

}  // namespace nox
