#include "dialog/DialogColors.h"

#include "controls/skinned/SkinColor.h"
#include "toolkit/SystemLook.h"

namespace nox {

bool IsDarkWindowColor() { return (SystemColor(kSysColorWindow) & 0xFF00) < 0x7000; }

TColor DarkenIfDark(TColor color, TColor amount) {
  return IsDarkWindowColor() ? SubtractColor(color, amount) : color;
}

}  // namespace nox
