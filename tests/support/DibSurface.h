// A 32-bit top-down DIB section selected into a memory DC: a GDI surface whose pixels the
// Windows tests read back directly, to compare GDI's drawing with the pixel canvas's.
#pragma once

#include <windows.h>

#include <cstdint>

#include "toolkit/Color.h"

namespace nox {
namespace test {

class DibSurface {
 public:
  DibSurface(int width, int height) : mWidth(width), mHeight(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    mDc = CreateCompatibleDC(nullptr);
    mBitmap = CreateDIBSection(mDc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&mBits), nullptr, 0);
    mOld = SelectObject(mDc, mBitmap);
  }
  ~DibSurface() {
    SelectObject(mDc, mOld);
    DeleteObject(mBitmap);
    DeleteDC(mDc);
  }
  DibSurface(const DibSurface&) = delete;
  DibSurface& operator=(const DibSurface&) = delete;

  HDC Dc() const { return mDc; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  TColor Pixel(int x, int y) const {
    GdiFlush();
    const uint32_t p = mBits[y * mWidth + x];  // 0x00RRGGBB
    return MakeColor(static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                     static_cast<int>(p & 0xFF));
  }

 private:
  int mWidth;
  int mHeight;
  HDC mDc = nullptr;
  HBITMAP mBitmap = nullptr;
  HGDIOBJ mOld = nullptr;
  uint32_t* mBits = nullptr;
};

}  // namespace test
}  // namespace nox
