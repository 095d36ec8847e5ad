// Points and rectangles in pixels. A rectangle (Left, Top, Right, Bottom) covers columns
// Left to Right - 1 and rows Top to Bottom - 1, as Windows' RECT does.
#pragma once

namespace nox {

struct Point {
  int X = 0;
  int Y = 0;
};

struct Size {
  int Width = 0;
  int Height = 0;
  bool operator==(const Size& o) const { return Width == o.Width && Height == o.Height; }
};

struct Rect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  Rect Inflated(int d) const { return Rect{Left - d, Top - d, Right + d, Bottom + d}; }
  Rect Offset(int dx, int dy) const { return Rect{Left + dx, Top + dy, Right + dx, Bottom + dy}; }
  bool operator==(const Rect& o) const {
    return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
  }
  bool operator!=(const Rect& o) const { return !(*this == o); }
};

inline Rect BoundsRect(int left, int top, int width, int height) {
  return Rect{left, top, left + width, top + height};
}

}  // namespace nox
