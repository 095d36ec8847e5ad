#include "imageio/FreeImageApi.h"

#include <mutex>

#ifndef _WIN32
#include <tiffio.h>
#endif

namespace nox {

void EnsureFreeImage() {
  static std::once_flag once;
  std::call_once(once, [] {
    FreeImage_Initialise(FALSE);
#ifndef _WIN32
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);
#endif
  });
}

}  // namespace nox
