// The image exchange on a large colour frame (9576 x 6388, 367 MB as a 16-bit TIFF) in
// the system's temporary folder, beside the physical limits: one raw write or read of the
// same bytes, libtiff writing the same image and FreeImage's load alone.
//
// Each benchmark also reports peak_extra_MB: how far the process's peak resident memory
// rose above its resident memory before the call (Linux: VmHWM after resetting it
// through /proc/self/clear_refs).
#include <FreeImage.h>
#include <benchmark/benchmark.h>
#include <tiffio.h>

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

void BM_WriteTiff16(benchmark::State& state) {
  Frame& f = TheFrame();
  const std::wstring name = TempFile("nfbench_ours.tif").wstring();
  PeakMemory peak;
  for (auto _ : state) {
    if (!nox::WriteTiff16(f.first.data(), f.second.data(), f.third.data(), 1.0f, kWidth,
                          kHeight, true, name)) {
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
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
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
    nox::WriteTiff16(f.first.data(), f.second.data(), f.third.data(), 1.0f, kWidth, kHeight,
                     true, path);
    return path;
  }();
  return name;
}

void BM_ReadResultImage(benchmark::State& state) {
  Frame& f = TheFrame();
  const std::wstring& name = ResultFile();
  PeakMemory peak;
  for (auto _ : state) {
    if (!nox::ReadResultImage(name, f.first.data(), f.second.data(), f.third.data(), 1.0f,
                              kWidth, kHeight)) {
      state.SkipWithError("ReadResultImage failed");
    }
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
                           "nfbench_result.tif"}) {
    std::error_code ignored;
    fs::remove(TempFile(leaf), ignored);
  }
}

}  // namespace

BENCHMARK(BM_WriteTiff16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibtiffWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadResultImage)->Unit(benchmark::kMillisecond)->UseRealTime();
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
