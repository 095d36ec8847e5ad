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

#include <string>

namespace nox {

// Call before any other FreeImage function; cheap once done, thread-safe.
// A statically linked FreeImage registers its format plug-ins only when asked (never do it
// from DllMain), and only its built-in ones: FreeImage would otherwise load every "*.fip"
// file beside the host's executable and in its plugins folder into the host, and change
// the host's current folder while it looks for them. The shared library has registered
// them when it was loaded and only counts a second call.
// The error messages of FreeImage and libtiff go to the FreeImageErrors of the calling
// thread; libtiff's warnings (tags it does not know, for example) are dropped: FreeImage
// reads such files regardless.
void EnsureFreeImage();

// Undoes EnsureFreeImage (the plug-in calls it when it is unloaded); a later
// EnsureFreeImage prepares the library again.
void ReleaseFreeImage();

// Collects, while it lives, the errors FreeImage and libtiff report on this thread.
// FreeImage returns an image from a file cut short or damaged and fills what it could not
// read with zeros; only these messages tell. Scopes nest: the innermost one collects.
class FreeImageErrors {
 public:
  FreeImageErrors();
  ~FreeImageErrors();
  FreeImageErrors(const FreeImageErrors&) = delete;
  FreeImageErrors& operator=(const FreeImageErrors&) = delete;

  bool Any() const { return mCount > 0; }
  int Count() const { return mCount; }
  // The first message reported (empty when none was).
  const std::string& First() const { return mFirst; }

  // Called by the message handlers.
  void Report(const char* message) noexcept;

 private:
  FreeImageErrors* mOuter;
  int mCount = 0;
  std::string mFirst;
};

}  // namespace nox
