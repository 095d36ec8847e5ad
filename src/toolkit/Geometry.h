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

// Bresenham's walk from `from` towards `to`, leaving out `to` itself as GDI does: calls
// plot(x, y) for each pixel of the line, in order.
template <class Plot>
void WalkLine(Point from, Point to, Plot plot) {
  const int dx = to.X > from.X ? to.X - from.X : from.X - to.X;
  const int dy = -(to.Y > from.Y ? to.Y - from.Y : from.Y - to.Y);
  const int sx = from.X < to.X ? 1 : -1;
  const int sy = from.Y < to.Y ? 1 : -1;
  int err = dx + dy;
  int x = from.X;
  int y = from.Y;
  while (x != to.X || y != to.Y) {
    plot(x, y);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

}  // namespace nox
