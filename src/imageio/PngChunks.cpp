#include "imageio/PngChunks.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "imageio/FilePath.h"

namespace nox {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// 64-bit positions: a result of the largest size the exchange carries holds 4 GB of samples.
bool SeekTo(std::FILE* f, std::uint64_t pos, int origin) {
#ifdef _WIN32
  return _fseeki64(f, static_cast<__int64>(pos), origin) == 0;
#else
  return fseeko(f, static_cast<off_t>(pos), origin) == 0;
#endif
}

bool FileSize(std::FILE* f, std::uint64_t& size) {
  if (!SeekTo(f, 0, SEEK_END)) return false;
#ifdef _WIN32
  const __int64 end = _ftelli64(f);
#else
  const off_t end = ftello(f);
#endif
  if (end < 0) return false;
  size = static_cast<std::uint64_t>(end);
  return SeekTo(f, 0, SEEK_SET);
}

}  // namespace

bool PngChunksFitFile(const std::wstring& fileName) {
  static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  constexpr std::uint64_t kMaxChunkLength = 0x7FFFFFFF;
  constexpr std::uint64_t kChunkOverhead = 12;  // length, type and CRC

  const std::unique_ptr<std::FILE, FileCloser> file(OpenFile(fileName, "rb"));
  if (!file) return false;
  std::uint64_t size = 0;
  if (!FileSize(file.get(), size)) return false;
  unsigned char signature[8];
  if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature) return false;
  if (std::memcmp(signature, kSignature, sizeof signature) != 0) return false;

  for (std::uint64_t at = sizeof signature; at + kChunkOverhead <= size;) {
    unsigned char header[8];
    if (!SeekTo(file.get(), at, SEEK_SET)) return false;
    if (std::fread(header, 1, sizeof header, file.get()) != sizeof header) return false;
    const std::uint64_t length = std::uint64_t{header[0]} << 24 | std::uint64_t{header[1]} << 16 |
                                 std::uint64_t{header[2]} << 8 | header[3];
    if (length > kMaxChunkLength || length > size - at - kChunkOverhead) return false;
    if (std::memcmp(header + 4, "IEND", 4) == 0) return true;
    at += kChunkOverhead + length;
  }
  return false;  // the file ends before IEND
}

bool PnmSamplesFitFile(const std::wstring& fileName) {
  const std::unique_ptr<std::FILE, FileCloser> file(OpenFile(fileName, "rb"));
  if (!file) return false;
  std::uint64_t size = 0;
  if (!FileSize(file.get(), size)) return false;
  unsigned char head[1024];
  const std::size_t n = std::fread(head, 1, sizeof head, file.get());
  if (n < 2 || head[0] != 'P') return false;
  if (head[1] >= '1' && head[1] <= '3') return true;  // plain: a file cut short fails to load
  if (head[1] != '5' && head[1] != '6') return false;

  // Width, height and the largest value, read as the library reads them: anything before a
  // number that is not a digit is passed over, a comment runs from "#" to the end of its
  // line, and the one character after the number is consumed with it.
  std::uint64_t values[3] = {0, 0, 0};
  std::size_t at = 2;
  for (std::uint64_t& value : values) {
    while (at < n && !(head[at] >= '0' && head[at] <= '9')) {
      if (head[at] == '#') {
        while (at < n && head[at] != '\n') ++at;
      }
      ++at;
    }
    if (at >= n) return false;
    for (; at < n && head[at] >= '0' && head[at] <= '9'; ++at) {
      value = value * 10 + static_cast<unsigned>(head[at] - '0');
      if (value > 0xFFFFFFFFu) return false;
    }
    if (at++ >= n) return false;
  }
  const std::uint64_t samplesPerPixel = head[1] == '6' ? 3 : 1;
  const std::uint64_t sampleBytes = values[2] > 255 ? 2 : 1;
  const std::uint64_t pixels = values[0] * values[1];  // each below 2^32: no overflow
  if (pixels > (UINT64_MAX / 8)) return false;
  return size >= at && size - at >= pixels * samplesPerPixel * sampleBytes;
}

}  // namespace nox
