#include "controls/numeric/FlatFrame.h"

#include "toolkit/ScaledCanvas.h"

namespace nox {

void PaintFlatFrame(Canvas& target, int width, int height, TColor shadow, TColor face,
                    const DpiScale& scale) {
  PaintInCells(target, scale.Factor(), width, height, [shadow, face](Canvas& canvas, int w, int h) {
    canvas.SetBrushColor(shadow);
    canvas.FrameRect(Rect{0, 0, w, h});
    canvas.SetBrushColor(face);
    canvas.FrameRect(Rect{1, 1, w - 1, h - 1});
  });
}

}  // namespace nox
