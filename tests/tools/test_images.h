// Writes image files of pixel types and formats that our own writer does not produce, through
// FreeImage directly, for the reader and command-line tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "imageio/FreeImageApi.h"

#include "ImageFile.h"

namespace nox::testing {

// Writes a width x height bitmap of `type` (bpp bits per pixel) whose scan lines `fill` sets
// (scan line 0 is the bottom row), in format `fif`. Returns false on failure.
inline bool WriteBitmap(const std::filesystem::path& file, FREE_IMAGE_FORMAT fif, FREE_IMAGE_TYPE type,
                        int width, int height, int bpp,
                        const std::function<void(void* line, int scanLine)>& fill) {
  EnsureFreeImage();
  FIBITMAP* bitmap = FreeImage_AllocateT(type, width, height, bpp);
  if (!bitmap) return false;
  for (int y = 0; y < height; ++y) fill(FreeImage_GetScanLine(bitmap, y), y);
#ifdef _WIN32
  const bool ok = FreeImage_SaveU(fif, bitmap, file.c_str(), 0) != FALSE;
#else
  const bool ok = FreeImage_Save(fif, bitmap, file.c_str(), 0) != FALSE;
#endif
  FreeImage_Unload(bitmap);
  return ok;
}

// A unique empty folder under the system's temporary folder, removed with its contents when the
// object goes out of scope.
class ScratchFolder {
 public:
  explicit ScratchFolder(const char* tag) {
    static int counter = 0;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / ("nx-" + std::string(tag) + "-" + std::to_string(std::random_device{}()) + "-" +
                      std::to_string(++counter));
      if (std::filesystem::create_directories(path_)) break;
    }
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const char* name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace nox::testing
