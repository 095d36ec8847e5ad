// FreeImage as the project uses it: the one place that includes its header (which needs
// the Windows types first when built for Windows) and that prepares the library.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif
#include <FreeImage.h>

namespace nox {

// Call before any other FreeImage function; cheap after the first call, thread-safe.
// A statically linked FreeImage registers its format plug-ins only when asked (never do it
// from DllMain); the shared library has done it when it was loaded and only counts a second
// call. Where FreeImage uses the system's libtiff, that library's console messages about
// tags it does not know are silenced: they would reach the plug-in's log through the
// denoiser's output, and FreeImage reads such files regardless.
void EnsureFreeImage();

}  // namespace nox
