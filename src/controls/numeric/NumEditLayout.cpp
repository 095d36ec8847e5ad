#include "controls/numeric/NumEditLayout.h"

#include <algorithm>

namespace nox {

int NumEditMinHeight(int fieldFontHeight, int systemFontHeight, int borderHeight) {
  return fieldFontHeight + std::min(systemFontHeight, fieldFontHeight) / 4 + 4 * borderHeight + 2;
}

Rect SpinButtonBounds(int width, int height, int buttonWidth, bool sunkenBorder) {
  if (sunkenBorder) return BoundsRect(width - buttonWidth - 4, 0, buttonWidth, height - 4);
  return BoundsRect(width - buttonWidth, 1, buttonWidth, height - 3);
}

Rect NumEditTextArea(int clientWidth, int clientHeight, int buttonWidth, int lineHeight) {
  const int right = std::max(0, clientWidth - buttonWidth - 2);
  if (lineHeight <= 0) return Rect{0, 0, right, clientHeight};  // the font's height unknown
  const int top = std::max(0, (clientHeight - lineHeight) / 2);
  return Rect{0, top, right, top + lineHeight};
}

}  // namespace nox
