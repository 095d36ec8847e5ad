// Helpers shared by the image exchange tests: scratch folders, file bytes, the fixture
// pattern and a tiny independent TIFF encoder for shapes the fixture tools cannot make.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imageio/PlaneSet.h"

namespace nox::test {

namespace fs = std::filesystem;

// A fresh folder in the system's temporary folder, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "nfio_";
    if (info != nullptr) name += std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    path_ = fs::temp_directory_path() / (name + "_" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  fs::path Path(const std::string& leaf) const { return path_ / leaf; }
  std::wstring Wide(const std::string& leaf) const { return Path(leaf).wstring(); }
  const fs::path& Root() const { return path_; }

 private:
  fs::path path_;
};

inline std::vector<unsigned char> ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const fs::path& file, const std::vector<unsigned char>& bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline uint16_t Le16(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

inline uint32_t Le32(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<uint32_t>(Le16(b, at)) | (static_cast<uint32_t>(Le16(b, at + 2)) << 16);
}

// The sample pattern of the generated fixtures (file row y from the top, column x,
// channel c: 0 red or grey, 1 green, 2 blue, 3 alpha). Keep in step with MakeFixtures.cmake.
constexpr int kFixtureWidth = 37;
constexpr int kFixtureHeight = 23;
inline uint16_t FixturePattern(int x, int y, int c) {
  if (x == 1 && y == 0) return 65535;
  return static_cast<uint16_t>((x * 1031 + y * 2999 + c * 21841 + x * y * 7) % 65536);
}

// The folder of the generated fixtures. Windows tests run under Wine, which shows the
// Linux file system as drive Z:.
inline fs::path FixtureDir() {
  std::string dir = PINOXFADE_IMAGEIO_FIXTURES;
#ifdef _WIN32
  for (char& c : dir) {
    if (c == '/') c = '\\';
  }
  dir = "Z:" + dir;
#endif
  return fs::path(dir);
}

// Host planes of one image, filled with a sentinel so untouched samples can be told apart.
struct Planes {
  static constexpr float kSentinel = -12345.0f;
  Planes(int w, int h)
      : width(w), height(h),
        first(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), kSentinel),
        second(first), third(first) {}
  // The planes as the readers take them: all three, or the first alone as a monochrome
  // image (its third plane still handed over: a reader must not touch it).
  PlaneSet Colour(float scale = 1.0f) {
    return {first.data(), second.data(), third.data(), width, height, scale};
  }
  PlaneSet Mono(float scale = 1.0f) {
    return {first.data(), first.data(), third.data(), width, height, scale};
  }
  float& At(std::vector<float>& plane, int x, int row) {
    return plane[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                 static_cast<std::size_t>(x)];
  }
  int width;
  int height;
  std::vector<float> first;
  std::vector<float> second;
  std::vector<float> third;
};

inline bool AllEqual(const std::vector<float>& plane, float value) {
  for (float v : plane) {
    if (std::memcmp(&v, &value, sizeof v) != 0) return false;
  }
  return true;
}

// A minimal little-endian TIFF with any sample layout, written here independently of the
// code under test: header, directory, its arrays, then the pixels in strips of
// rowsPerStrip rows (0: one strip).
inline void WriteTinyTiff(const fs::path& file, uint32_t width, uint32_t height,
                          uint16_t samplesPerPixel, uint16_t bitsPerSample,
                          uint16_t sampleFormat, const std::vector<unsigned char>& pixels,
                          uint32_t rowsPerStrip = 0) {
  if (rowsPerStrip == 0 || rowsPerStrip > height) rowsPerStrip = height;
  const uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
  const uint32_t rowBytes = static_cast<uint32_t>(pixels.size()) / height;
  std::vector<unsigned char> b;
  auto put16 = [&b](uint32_t v) {
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
  };
  auto put32 = [&](uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  const uint16_t entries = 10;
  const uint32_t bitsAt = 8 + 2 + 12u * entries + 4;  // where the bits array goes
  const uint32_t offsetsAt = bitsAt + 2u * samplesPerPixel;
  const uint32_t countsAt = offsetsAt + 4u * strips;
  const uint32_t pixelOffset = strips == 1 ? offsetsAt : countsAt + 4u * strips;
  b.push_back('I');
  b.push_back('I');
  put16(42);
  put32(8);
  put16(entries);
  auto entry = [&](uint32_t tag, uint32_t type, uint32_t count, uint32_t value) {
    put16(tag);
    put16(type);
    put32(count);
    put32(value);
  };
  entry(256, 4, 1, width);
  entry(257, 4, 1, height);
  entry(258, 3, samplesPerPixel, samplesPerPixel == 1 ? bitsPerSample : bitsAt);
  entry(259, 3, 1, 1);
  entry(262, 3, 1, samplesPerPixel >= 3 ? 2 : 1);
  entry(273, 4, strips, strips == 1 ? pixelOffset : offsetsAt);
  entry(277, 3, 1, samplesPerPixel);
  entry(278, 4, 1, rowsPerStrip);
  entry(279, 4, strips, strips == 1 ? static_cast<uint32_t>(pixels.size()) : countsAt);
  entry(339, 3, 1, sampleFormat);
  put32(0);
  for (uint16_t i = 0; i < samplesPerPixel; ++i) put16(bitsPerSample);
  if (strips > 1) {
    for (uint32_t i = 0; i < strips; ++i) put32(pixelOffset + i * rowsPerStrip * rowBytes);
    for (uint32_t i = 0; i < strips; ++i) {
      put32(std::min(rowsPerStrip, height - i * rowsPerStrip) * rowBytes);
    }
  }
  b.insert(b.end(), pixels.begin(), pixels.end());
  WriteBytes(file, b);
}

}  // namespace nox::test
