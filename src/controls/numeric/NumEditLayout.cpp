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

Rect NumEditTextArea(int clientWidth, int clientHeight, int buttonWidth) {
  return Rect{0, 0, std::max(0, clientWidth - buttonWidth - 2), clientHeight + 1};
}

}  // namespace nox
