#include "controls/numeric/FlatFrame.h"

namespace nox {

void PaintFlatFrame(Canvas& canvas, int width, int height, TColor shadow, TColor face) {
  canvas.SetBrushColor(shadow);
  canvas.FrameRect(Rect{0, 0, width, height});
  canvas.SetBrushColor(face);
  canvas.FrameRect(Rect{1, 1, width - 1, height - 1});
}

}  // namespace nox
