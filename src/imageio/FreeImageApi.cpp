#include "imageio/FreeImageApi.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

// libtiff's handler setters. FreeImage links libtiff in (Windows) or uses the system's
// shared one (elsewhere) without exporting its header; these two declarations are all the
// plug-in needs of it.
extern "C" {
typedef void (*TIFFErrorHandler)(const char* module, const char* format, va_list args);
TIFFErrorHandler TIFFSetErrorHandler(TIFFErrorHandler handler);
TIFFErrorHandler TIFFSetWarningHandler(TIFFErrorHandler handler);
}

namespace nox {

namespace {

std::mutex gMutex;
bool gReady = false;
thread_local FreeImageErrors* tCurrent = nullptr;

void ReportToCurrent(const char* message) {
  if (tCurrent != nullptr) tCurrent->Report(message);
}

// FreeImage's own messages (a PNG that libpng refuses, a bitmap it cannot allocate, ...).
void DLL_CALLCONV OnFreeImageMessage(FREE_IMAGE_FORMAT, const char* message) {
  ReportToCurrent(message != nullptr ? message : "");
}

// libtiff's errors (a strip or tile it could not read, a damaged directory, ...), which
// FreeImage's own TIFF handler drops. One kind is no fault of the file: FreeImage asks
// libtiff about every tag of its metadata tables, and libtiff reports each one it does not
// know from TIFFFieldWithTag.
void OnTiffError(const char* module, const char* format, va_list args) {
  if (module != nullptr && std::strcmp(module, "TIFFFieldWithTag") == 0) return;
  char text[512];
  const int used = std::snprintf(text, sizeof text, "%s: ", module != nullptr ? module : "TIFF");
  if (used >= 0 && static_cast<size_t>(used) < sizeof text && format != nullptr) {
    std::vsnprintf(text + used, sizeof text - static_cast<size_t>(used), format, args);
  }
  ReportToCurrent(text);
}

}  // namespace

void EnsureFreeImage() {
  std::lock_guard<std::mutex> lock(gMutex);
  if (gReady) return;
  FreeImage_Initialise(TRUE);
  FreeImage_SetOutputMessage(OnFreeImageMessage);
  TIFFSetWarningHandler(nullptr);
  TIFFSetErrorHandler(OnTiffError);
  gReady = true;
}

void ReleaseFreeImage() {
  std::lock_guard<std::mutex> lock(gMutex);
  if (!gReady) return;
  FreeImage_SetOutputMessage(nullptr);
  TIFFSetErrorHandler(nullptr);
  FreeImage_DeInitialise();
  gReady = false;
}

FreeImageErrors::FreeImageErrors() : mOuter(tCurrent) { tCurrent = this; }

FreeImageErrors::~FreeImageErrors() { tCurrent = mOuter; }

void FreeImageErrors::Report(const char* message) noexcept {
  ++mCount;
  if (mCount > 1) return;
  try {
    mFirst = message;
  } catch (...) {  // called from C code: nothing may unwind through it
  }
}

}  // namespace nox
