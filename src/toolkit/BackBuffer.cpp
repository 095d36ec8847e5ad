#include "toolkit/BackBuffer.h"

namespace nox {

BackBuffer::BackBuffer(HDC target, const Rect& dest) : mTarget(target), mDest(dest) {
  if (dest.IsEmpty()) return;
  mDc = CreateCompatibleDC(target);
  if (!mDc) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = dest.Width();
  info.bmiHeader.biHeight = -dest.Height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  mBitmap = CreateDIBSection(mDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!mBitmap) return;
  mOldBitmap = SelectObject(mDc, mBitmap);
  // The target's font, so text measured here matches text measured there.
  if (HGDIOBJ font = GetCurrentObject(target, OBJ_FONT)) mOldFont = SelectObject(mDc, font);
}

BackBuffer::~BackBuffer() {
  if (mDc) {
    if (mOldFont) SelectObject(mDc, mOldFont);
    if (mOldBitmap) SelectObject(mDc, mOldBitmap);
    DeleteDC(mDc);
  }
  if (mBitmap) DeleteObject(mBitmap);
}

void BackBuffer::Present() {
  if (!Valid()) return;
  GdiFlush();
  BitBlt(mTarget, mDest.Left, mDest.Top, mDest.Width(), mDest.Height(), mDc, 0, 0, SRCCOPY);
}

}  // namespace nox
