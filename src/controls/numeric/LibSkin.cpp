#include "controls/numeric/LibSkin.h"

#include "controls/numeric/SpinPainter.h"
#include "toolkit/GdiCanvas.h"

namespace nox {

bool PaintWindowFrame(HWND hwnd, const DpiScale& scale) {
  if (!hwnd) return false;  // GetWindowDC(NULL) would be the whole screen's
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return false;
  RECT window;
  GetWindowRect(hwnd, &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  // The client area, in window coordinates, is left alone.
  RECT client;
  GetClientRect(hwnd, &client);
  MapWindowPoints(hwnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -window.left, -window.top);
  ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
  const FrameColors colors = CurrentFrameColors();
  GdiCanvas canvas(dc);
  PaintFlatFrame(canvas, width, height, colors.Shadow, colors.Face, scale);
  ReleaseDC(hwnd, dc);
  return true;
}

}  // namespace nox
