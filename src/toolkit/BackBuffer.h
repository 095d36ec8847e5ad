// An off-screen surface for flicker-free painting: a 32-bit top-down DIB section (laid out
// like the pixel canvas) selected into a memory device context. A paint draws into it
// with its own coordinates, (0, 0) at the destination's top-left, and Present() copies
// it to the destination with one BitBlt. Every GDI object it makes is released, with the
// context's original bitmap selected back first.
#pragma once

#include <windows.h>

#include "toolkit/Geometry.h"

namespace nox {

class BackBuffer {
 public:
  // dest: the area of `target` (in its logical coordinates) that Present() fills.
  BackBuffer(HDC target, const Rect& dest);
  ~BackBuffer();
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  // False when the system gave no memory context or bitmap (then paint nothing).
  bool Valid() const { return mBitmap != nullptr; }
  HDC Dc() const { return mDc; }
  void Present();

 private:
  HDC mTarget;
  Rect mDest;
  HDC mDc = nullptr;
  HBITMAP mBitmap = nullptr;
  HGDIOBJ mOldBitmap = nullptr;
  HGDIOBJ mOldFont = nullptr;
};

}  // namespace nox
