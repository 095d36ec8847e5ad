// The denoiser's TIFF result read strip by strip (or tile by tile) with libtiff straight
// into the host's planes, without a whole-image bitmap in between.
#pragma once

#include <cstdint>
#include <string>

#include "imageio/PlaneSet.h"

namespace nox {

enum class TiffResult {
  kRead,         // the planes hold the result
  kRefused,      // damaged, or of another size or type than the planes: planes untouched
  kNotStreamed,  // not a TIFF, or a layout read here does not take: planes untouched
};

// Reads the first image of a classic TIFF file into the planes, with the conversions of
// ReadResultImage (see ResultReader.h) and bit for bit the samples FreeImage would give.
// Streams 16-bit MinIsBlack grey (unsigned or signed) and RGB or RGB plus one extra sample
// (unsigned), interleaved or planar, in strips (uncompressed: of any height) or, interleaved
// only (FreeImage reads no planar tiles), in tiles; either byte order; uncompressed or
// compressed with PackBits, LZW or Deflate (with or without the horizontal predictor), a
// compressed strip or a tile holding at most 16 MB; top-left orientation, the usual fill
// order. Other layouts are left to FreeImage.
// Everything is checked before the first plane is written: the directory (size against
// width x height, sample layout, every strip or tile lying within the file, uncompressed
// ones holding at least the bytes the layout needs) and, for compressed data, every strip
// or tile decoded once into a small buffer. Only a read error of the file itself after
// those checks can still leave the planes partly written. Never throws for file content;
// std::bad_alloc may escape.
TiffResult ReadTiffResult(const std::wstring& fileName, const PlaneSet& planes);

}  // namespace nox
