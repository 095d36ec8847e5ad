#include "imageio/ResultReader.h"

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imageio/ExchangeLimits.h"
#include "imageio/FilePath.h"
#include "imageio/FreeImageApi.h"
#include "imageio/PlaneCopy.h"
#include "imageio/PngChunks.h"
#include "imageio/TiffStreamReader.h"
#include "text/Utf8.h"

namespace nox {

namespace {

struct BitmapUnloader {
  void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapUnloader>;

// Format from the file's content, else from its name; only formats FreeImage can read.
// Windows uses FreeImage's wide-character functions; elsewhere those are empty stubs, so
// the UTF-8 name goes to the narrow ones.
class ResultFile {
 public:
  explicit ResultFile(const std::wstring& fileName) {
    if (fileName.empty() || fileName.size() > kMaxFileNameLength) return;
    if (fileName.find(L'\0') != std::wstring::npos) return;
#ifdef _WIN32
    mName = fileName;
    mFormat = FreeImage_GetFileTypeU(mName.c_str(), 0);
    if (mFormat == FIF_UNKNOWN) mFormat = FreeImage_GetFIFFromFilenameU(mName.c_str());
#else
    mName = WideToUtf8(fileName);
    mFormat = FreeImage_GetFileType(mName.c_str(), 0);
    if (mFormat == FIF_UNKNOWN) mFormat = FreeImage_GetFIFFromFilename(mName.c_str());
#endif
    if (mFormat != FIF_UNKNOWN && !FreeImage_FIFSupportsReading(mFormat)) mFormat = FIF_UNKNOWN;
  }

  bool Readable() const { return mFormat != FIF_UNKNOWN; }
  bool IsPng() const { return mFormat == FIF_PNG; }
  bool IsPnm() const {
    return mFormat == FIF_PBM || mFormat == FIF_PBMRAW || mFormat == FIF_PGM ||
           mFormat == FIF_PGMRAW || mFormat == FIF_PPM || mFormat == FIF_PPMRAW;
  }
  // The formats a result may come in: those that hold 16-bit grey or colour samples and
  // whose header FreeImage reads without allocating what the file claims. Every other
  // format makes FreeImage allocate whatever a few bytes claim before anything can be
  // checked, even for the header alone: SGI and DDS (no header-only load) the pixels of
  // the claimed size (a 600-byte SGI file zeroed 400 MB), JNG and MNG a chunk's and PSD
  // its colour data's declared length (50 bytes asked for 1.96 GB). FreeImage's PNM
  // plug-ins share one loader and one signature check, so every PNM file, binary or plain,
  // grey or colour, is named by its content as the first of them, FIF_PBM: it is a result
  // format like the others (only its 16-bit grey and colour files pass the type check).
  bool IsResultFormat() const {
    switch (mFormat) {
      case FIF_TIFF:
      case FIF_PNG:
      case FIF_PBM:
      case FIF_PBMRAW:
      case FIF_PGM:
      case FIF_PGMRAW:
      case FIF_PPM:
      case FIF_PPMRAW: return FreeImage_FIFSupportsNoPixels(mFormat) != FALSE;
      default: return false;
    }
  }

  FIBITMAP* Load(int flags) const {
#ifdef _WIN32
    return FreeImage_LoadU(mFormat, mName.c_str(), flags);
#else
    return FreeImage_Load(mFormat, mName.c_str(), flags);
#endif
  }

 private:
#ifdef _WIN32
  std::wstring mName;
#else
  std::string mName;
#endif
  FREE_IMAGE_FORMAT mFormat = FIF_UNKNOWN;
};

// Sample count of the types the reader accepts; 0 for every other type (8-bit, 32-bit,
// floating-point and complex results).
std::size_t SamplesPerPixel(FREE_IMAGE_TYPE type) {
  switch (type) {
    case FIT_UINT16:
    case FIT_INT16: return 1;
    case FIT_RGB16: return 3;
    case FIT_RGBA16: return 4;
    default: return 0;
  }
}

// Whether a bitmap (header only or full) has the accepted size and type.
bool AcceptedShape(FIBITMAP* bitmap, const PlaneSet& planes) {
  const unsigned w = FreeImage_GetWidth(bitmap);
  const unsigned h = FreeImage_GetHeight(bitmap);
  if (!ExchangeSideFits(w) || !ExchangeSideFits(h)) return false;
  // A result of another size would land scrambled in the planes: refuse it.
  if (w != static_cast<unsigned>(planes.width) || h != static_cast<unsigned>(planes.height)) {
    return false;
  }
  const std::size_t samplesPerPixel = SamplesPerPixel(FreeImage_GetImageType(bitmap));
  return samplesPerPixel != 0 && planes.CanTake(samplesPerPixel);
}

// FreeImage keeps the bottom row first, so buffer row i fills plane row i: the writer's
// top-to-bottom reversal is undone without touching the row order here. Rows are stepped
// by the bitmap's pitch, which skips each row's padding.
void CopyGrey16(const unsigned char* bits, std::size_t pitch, const PlaneSet& planes,
                bool isSigned) {
  const auto width = static_cast<std::size_t>(planes.width);
  for (std::size_t r = 0; r < static_cast<std::size_t>(planes.height); ++r) {
    CopyGreyRow(bits + r * pitch, 2, width, planes.first + r * width, planes.scale, isSigned);
  }
}

void CopyRgb16(const unsigned char* bits, std::size_t pitch, const PlaneSet& planes,
               std::size_t samplesPerPixel) {
  const auto width = static_cast<std::size_t>(planes.width);
  for (std::size_t r = 0; r < static_cast<std::size_t>(planes.height); ++r) {
    CopyRgbRow(bits + r * pitch, samplesPerPixel, width, planes, r * width);
  }
  FinishPlaneWrites();  // streaming stores are visible to the host before the call returns
}

bool ReadAll(const std::wstring& fileName, const PlaneSet& planes) {
  if (planes.first == nullptr || !planes.HasSize()) return false;

  EnsureFreeImage();
  // A damaged file still gives a bitmap, with zeros where FreeImage could not read: only
  // the errors FreeImage and libtiff report while loading tell, and any one refuses it.
  FreeImageErrors errors;
  const ResultFile file(fileName);
  if (!file.Readable() || !file.IsResultFormat()) return false;
  if (file.IsPng() && !PngChunksFitFile(fileName)) return false;
  if (file.IsPnm() && !PnmSamplesFitFile(fileName)) return false;
  // The header alone first: a file that claims a huge image is refused before FreeImage
  // allocates room for its pixels.
  {
    const Bitmap header(file.Load(FIF_LOAD_NOPIXELS));
    if (!header || errors.Any() || !AcceptedShape(header.get(), planes)) return false;
  }
  Bitmap bitmap(file.Load(0));
  if (!bitmap || errors.Any() || !AcceptedShape(bitmap.get(), planes)) return false;

  const FREE_IMAGE_TYPE type = FreeImage_GetImageType(bitmap.get());
  const BYTE* bits = FreeImage_GetBits(bitmap.get());
  const std::size_t pitch = FreeImage_GetPitch(bitmap.get());
  const std::size_t samplesPerPixel = SamplesPerPixel(type);
  // The file is untrusted: the buffer FreeImage reports must hold every row.
  if (bits == nullptr || FreeImage_GetBPP(bitmap.get()) != 16 * samplesPerPixel) return false;
  if (pitch < static_cast<std::size_t>(planes.width) * samplesPerPixel * 2) return false;

  if (samplesPerPixel == 1) {
    CopyGrey16(bits, pitch, planes, type == FIT_INT16);
  } else {
    CopyRgb16(bits, pitch, planes, samplesPerPixel);
  }
  return true;
}

}  // namespace

bool ReadResultImage(const std::wstring& fileName, const PlaneSet& planes) {
  try {
    // TIFF results stream into the planes; other formats and TIFF layouts the streaming
    // reader does not take go through FreeImage.
    switch (ReadTiffResult(fileName, planes)) {
      case TiffResult::kRead: return true;
      case TiffResult::kRefused: return false;
      case TiffResult::kNotStreamed: break;
    }
    return ReadAll(fileName, planes);
  } catch (...) {  // nothing may reach the host: it only sees false
    return false;
  }
}

bool ReadResultImageWithFreeImage(const std::wstring& fileName, const PlaneSet& planes) {
  try {
    return ReadAll(fileName, planes);
  } catch (...) {
    return false;
  }
}

}  // namespace nox
