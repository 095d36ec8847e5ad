// The result reader over arbitrary file bytes. The first three bytes choose the call:
// byte 0 bit 0 monochrome planes (first == second), bit 1 a scale other than 1, bit 2 the
// file name's extension (.tif or .png, which FreeImage falls back on when the content
// names no format); bytes 1 and 2 the expected width and height (1..64). The rest is the
// file. Planes of exactly the expected size start as NaN, which no conversion produces, so
// the checks see what the reader wrote:
//  - a refused file leaves every plane exactly as it was;
//  - an accepted file fills the first plane completely; the others are either filled
//    completely or untouched, and the third plane of a monochrome image is never touched;
//  - a file accepted both by the reader and by FreeImage's path alone gives the same bits
//    (TIFF results are streamed by the reader, not loaded by FreeImage).
// The kept corpus (tests/fuzz/corpus/result_reader) holds small 16-bit grey, RGB and RGBA
// TIFF and PNG files in this framing, TIFF files in each layout the streaming reader takes
// (stream_*: strips and tiles, planar, both byte orders, PackBits, LZW and Deflate with
// and without the predictor), and a few that the reader refuses.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imageio/ResultReader.h"

namespace {

// In memory where the system offers a folder for it: the file is written for every input.
std::wstring TempName(const char* extension) {
  const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  const std::string name =
      std::string(folder) + "/pinoxfade-reader-fuzz-" + std::to_string(getpid()) + extension;
  return std::wstring(name.begin(), name.end());
}

bool WriteBytes(const std::wstring& wideName, const uint8_t* data, size_t size) {
  const std::string name(wideName.begin(), wideName.end());
  std::FILE* f = std::fopen(name.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

size_t CountNaN(const std::vector<float>& plane) {
  size_t n = 0;
  for (float v : plane) n += std::isnan(v) ? 1 : 0;
  return n;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

// The two scratch files, removed when the process ends.
struct ScratchFiles {
  std::wstring tif = TempName(".tif");
  std::wstring png = TempName(".png");
  ~ScratchFiles() {
    for (const std::wstring* name : {&tif, &png}) std::remove(std::string(name->begin(), name->end()).c_str());
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const ScratchFiles files;
  const std::wstring& tifName = files.tif;
  const std::wstring& pngName = files.png;
  if (size < 3) return 0;
  const bool mono = (data[0] & 1) != 0;
  const float scale = (data[0] & 2) != 0 ? 0.25f : 1.0f;
  const std::wstring& name = (data[0] & 4) != 0 ? pngName : tifName;
  const int32_t width = data[1] % 64 + 1;
  const int32_t height = data[2] % 64 + 1;
  if (!WriteBytes(name, data + 3, size - 3)) std::abort();

  const size_t samples = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::vector<float> first(samples, NAN);
  std::vector<float> second(samples, NAN);
  std::vector<float> third(samples, NAN);
  float* p1 = first.data();
  float* p2 = mono ? p1 : second.data();
  const bool ok = nox::ReadResultImage(name, nox::PlaneSet{p1, p2, third.data(), width, height, scale});

  const size_t untouchedFirst = CountNaN(first);
  const size_t untouchedSecond = CountNaN(second);
  const size_t untouchedThird = CountNaN(third);
  if (!ok) {
    Check(untouchedFirst == samples && untouchedSecond == samples && untouchedThird == samples);
  } else {
    Check(untouchedFirst == 0);
    Check(untouchedSecond == 0 || untouchedSecond == samples);
    Check(untouchedThird == 0 || untouchedThird == samples);
    Check(!mono || untouchedThird == samples);
    std::vector<float> refFirst(samples, NAN);
    std::vector<float> refSecond(samples, NAN);
    std::vector<float> refThird(samples, NAN);
    float* r2 = mono ? refFirst.data() : refSecond.data();
    if (nox::ReadResultImageWithFreeImage(name, nox::PlaneSet{refFirst.data(), r2, refThird.data(), width, height, scale})) {
      const std::size_t bytes = samples * sizeof(float);
      Check(std::memcmp(first.data(), refFirst.data(), bytes) == 0);
      Check(std::memcmp(second.data(), refSecond.data(), bytes) == 0);
      Check(std::memcmp(third.data(), refThird.data(), bytes) == 0);
    }
  }
  return 0;
}
