// The image exchange on a large colour frame (9576 x 6388, 367 MB as a 16-bit TIFF) in
// the system's temporary folder, beside the physical limits: one raw write or read of the
// same bytes, libtiff writing the same image, FreeImage's load alone, the result read
// through FreeImage as before the streaming reader, and for a Deflate-compressed tiled
// file with the horizontal predictor, libtiff's own decode of every tile.
//
// Each benchmark also reports peak_extra_MB: how far the process's peak resident memory
// rose above its resident memory before the call (Linux: VmHWM after resetting it
// through /proc/self/clear_refs).
#include <FreeImage.h>
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imageio/ResultReader.h"
#include "imageio/SampleConversion.h"
#include "imageio/TiffWriter.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 9576;
constexpr int kHeight = 6388;
constexpr std::size_t kPixels = static_cast<std::size_t>(kWidth) * kHeight;
constexpr std::size_t kFileBytes = 128 + kPixels * 3 * 2;

struct Frame {
  std::vector<float> first, second, third;
  Frame() : first(kPixels), second(kPixels), third(kPixels) {
    // Star-field-like values with fractions, over the whole 16-bit range.
    uint32_t s = 12345;
    for (std::size_t i = 0; i < kPixels; ++i) {
      s = s * 1664525u + 1013904223u;
      first[i] = static_cast<float>(s >> 16) + static_cast<float>(s & 0xFF) / 256.0f;
      second[i] = static_cast<float>((s >> 8) & 0xFFFF) * 0.75f;
      third[i] = static_cast<float>(s & 0xFFFF) * 1.0009765625f;
    }
  }
  nox::PlaneSet Planes(float scale = 1.0f) {
    return {first.data(), second.data(), third.data(), kWidth, kHeight, scale};
  }
};

Frame& TheFrame() {
  static Frame frame;
  return frame;
}

fs::path TempFile(const char* leaf) { return fs::temp_directory_path() / leaf; }

long StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) == 0) return std::stol(line.substr(prefix.size()));
  }
  return 0;
}

// Measures the peak memory one call adds, around the timed loop's first iteration.
class PeakMemory {
 public:
  PeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";  // resets VmHWM to the current RSS
    before_ = StatusKb("VmRSS");
  }
  double ExtraMb() const { return static_cast<double>(StatusKb("VmHWM") - before_) / 1024.0; }

 private:
  long before_;
};

void Finish(benchmark::State& state, const PeakMemory& peak) {
  state.counters["peak_extra_MB"] = peak.ExtraMb();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(kFileBytes));
}

// The frame's shape as a 16-bit interleaved RGB TIFF directory.
void SetFrameFields(TIFF* tif) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
}

void BM_WriteTiff16(benchmark::State& state) {
  Frame& f = TheFrame();
  const std::wstring name = TempFile("nfbench_ours.tif").wstring();
  PeakMemory peak;
  for (auto _ : state) {
    if (!nox::WriteTiff16(f.Planes(), name)) {
      state.SkipWithError("WriteTiff16 failed");
    }
  }
  Finish(state, peak);
}

void BM_RawWrite(benchmark::State& state) {
  static std::vector<unsigned char> bytes(kFileBytes, 0x5A);
  const std::string name = TempFile("nfbench_raw.bin").string();
  PeakMemory peak;
  for (auto _ : state) {
    FILE* out = std::fopen(name.c_str(), "wb");
    if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() ||
        std::fclose(out) != 0) {
      state.SkipWithError("raw write failed");
    }
  }
  Finish(state, peak);
}

// libtiff writing the same file (one strip, interleaved RGB, rows in the same order) from
// the same planes with the same sample conversion: only the file layer differs.
void BM_LibtiffWrite(benchmark::State& state) {
  Frame& f = TheFrame();
  const std::string name = TempFile("nfbench_libtiff.tif").string();
  std::vector<uint16_t> row(static_cast<std::size_t>(kWidth) * 3);
  PeakMemory peak;
  for (auto _ : state) {
    TIFF* tif = TIFFOpen(name.c_str(), "w");
    if (tif == nullptr) {
      state.SkipWithError("TIFFOpen failed");
      break;
    }
    SetFrameFields(tif);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kHeight);
    for (int r = kHeight - 1, line = 0; r >= 0; --r, ++line) {
      const std::size_t o = static_cast<std::size_t>(r) * kWidth;
      for (std::size_t x = 0; x < static_cast<std::size_t>(kWidth); ++x) {
        row[3 * x] = static_cast<uint16_t>(nox::ClampRound(f.second[o + x], 0.0, 65535.0));
        row[3 * x + 1] = static_cast<uint16_t>(nox::ClampRound(f.first[o + x], 0.0, 65535.0));
        row[3 * x + 2] = static_cast<uint16_t>(nox::ClampRound(f.third[o + x], 0.0, 65535.0));
      }
      if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(line), 0) < 0) {
        state.SkipWithError("TIFFWriteScanline failed");
        break;
      }
    }
    TIFFClose(tif);
  }
  Finish(state, peak);
}

// The reader's input: a file written once by WriteTiff16.
const std::wstring& ResultFile() {
  static const std::wstring name = [] {
    Frame& f = TheFrame();
    const auto path = TempFile("nfbench_result.tif").wstring();
    nox::WriteTiff16(f.Planes(), path);
    return path;
  }();
  return name;
}

using ResultReaderFn = bool (*)(const std::wstring&, const nox::PlaneSet&);

// Times one reader of a result file into the frame's planes.
void TimeResultRead(benchmark::State& state, const std::wstring& name, ResultReaderFn read) {
  Frame& f = TheFrame();
  PeakMemory peak;
  for (auto _ : state) {
    if (!read(name, f.Planes())) {
      state.SkipWithError("the result was not read");
    }
  }
  Finish(state, peak);
}

void BM_ReadResultImage(benchmark::State& state) {
  TimeResultRead(state, ResultFile(), &nox::ReadResultImage);
}

void BM_ReadResultWithFreeImage(benchmark::State& state) {
  TimeResultRead(state, ResultFile(), &nox::ReadResultImageWithFreeImage);
}

// The same frame as Deflate (level 1) with the horizontal predictor in 256 x 256 tiles,
// written once by libtiff.
const std::string& DeflateTiledFile() {
  static const std::string name = [] {
    Frame& f = TheFrame();
    const std::string path = TempFile("nfbench_deflate_tiled.tif").string();
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr) return std::string();
    constexpr uint32_t kTile = 256;
    SetFrameFields(tif);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_ZIPQUALITY, 1);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, kTile);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, kTile);
    std::vector<uint16_t> tile(std::size_t{kTile} * kTile * 3);
    for (uint32_t y = 0; y < static_cast<uint32_t>(kHeight); y += kTile) {
      for (uint32_t x = 0; x < static_cast<uint32_t>(kWidth); x += kTile) {
        std::fill(tile.begin(), tile.end(), 0);
        for (uint32_t r = 0; r < kTile && y + r < static_cast<uint32_t>(kHeight); ++r) {
          const std::size_t o = std::size_t{kHeight - 1 - (y + r)} * kWidth;
          for (uint32_t c = 0; c < kTile && x + c < static_cast<uint32_t>(kWidth); ++c) {
            uint16_t* px = &tile[(std::size_t{r} * kTile + c) * 3];
            px[0] = static_cast<uint16_t>(nox::ClampRound(f.second[o + x + c], 0.0, 65535.0));
            px[1] = static_cast<uint16_t>(nox::ClampRound(f.first[o + x + c], 0.0, 65535.0));
            px[2] = static_cast<uint16_t>(nox::ClampRound(f.third[o + x + c], 0.0, 65535.0));
          }
        }
        TIFFWriteTile(tif, tile.data(), x, y, 0, 0);
      }
    }
    TIFFClose(tif);
    return path;
  }();
  return name;
}

void BM_ReadResultDeflateTiled(benchmark::State& state) {
  TimeResultRead(state, fs::path(DeflateTiledFile()).wstring(), &nox::ReadResultImage);
}

// libtiff decoding every tile of the same file into one tile buffer, nothing more.
void BM_LibtiffDecodeDeflateTiled(benchmark::State& state) {
  const std::string& name = DeflateTiledFile();
  PeakMemory peak;
  for (auto _ : state) {
    TIFF* tif = TIFFOpen(name.c_str(), "rm");  // read, not mapped, like the result reader
    if (tif == nullptr) {
      state.SkipWithError("TIFFOpen failed");
      break;
    }
    std::vector<unsigned char> tile(static_cast<std::size_t>(TIFFTileSize(tif)));
    const uint32_t tiles = TIFFNumberOfTiles(tif);
    for (uint32_t t = 0; t < tiles; ++t) {
      if (TIFFReadEncodedTile(tif, t, tile.data(), static_cast<tmsize_t>(tile.size())) < 0) {
        state.SkipWithError("TIFFReadEncodedTile failed");
        break;
      }
    }
    benchmark::DoNotOptimize(tile.data());
    TIFFClose(tif);
  }
  Finish(state, peak);
}

void BM_FreeImageLoad(benchmark::State& state) {
  const std::string name = fs::path(ResultFile()).string();
  PeakMemory peak;
  for (auto _ : state) {
    FIBITMAP* bitmap = FreeImage_Load(FIF_TIFF, name.c_str(), 0);
    if (bitmap == nullptr) state.SkipWithError("FreeImage_Load failed");
    benchmark::DoNotOptimize(bitmap);
    FreeImage_Unload(bitmap);
  }
  Finish(state, peak);
}

void BM_RawRead(benchmark::State& state) {
  const std::string name = fs::path(ResultFile()).string();
  static std::vector<unsigned char> bytes(kFileBytes);
  PeakMemory peak;
  for (auto _ : state) {
    FILE* in = std::fopen(name.c_str(), "rb");
    if (in == nullptr || std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size()) {
      state.SkipWithError("raw read failed");
    }
    if (in != nullptr) std::fclose(in);
    benchmark::DoNotOptimize(bytes.data());
  }
  Finish(state, peak);
}

void Cleanup() {
  for (const char* leaf : {"nfbench_ours.tif", "nfbench_raw.bin", "nfbench_libtiff.tif",
                           "nfbench_result.tif", "nfbench_deflate_tiled.tif"}) {
    std::error_code ignored;
    fs::remove(TempFile(leaf), ignored);
  }
}

}  // namespace

BENCHMARK(BM_WriteTiff16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibtiffWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadResultImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadResultWithFreeImage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadResultDeflateTiled)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibtiffDecodeDeflateTiled)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreeImageLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TheFrame();  // allocate and fill the planes outside every measurement
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Cleanup();
  return 0;
}
