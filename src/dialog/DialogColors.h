// The dialog's colour rule for dark schemes. Portable: the colours come from the system
// look in force (the platform's, or one a test installed).
#pragma once

#include "toolkit/Color.h"

namespace nox {

// True when the green channel of the window colour (COLOR_WINDOW) is below 0x70.
bool IsDarkWindowColor();
// SubtractColor(color, amount) on a dark window colour; otherwise color unchanged, its
// top byte included.
TColor DarkenIfDark(TColor color, TColor amount);

}  // namespace nox
