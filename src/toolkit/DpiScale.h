// How a layout made at 96 pixels per inch is shown at another DPI:
//  - positions, sizes and font heights scale by dpi/96, rounded as Win32's MulDiv rounds
//    (to the nearest integer, halves away from zero);
//  - painters draw on a grid of whole-factor cells (ScaledCanvas): every pixel of their
//    96-DPI rules becomes a Factor() x Factor() block, so lines keep a whole number of
//    pixels and pixel patterns (arrows, check marks, glyphs) stay crisp. Between 96 and
//    191 DPI the factor is 1 and the painters' own rules run at the scaled size;
//  - pixel patterns are enlarged by PatternFactor(): dpi/96 rounded below 192 DPI (2 from
//    144 DPI on, so that they keep their size beside the geometry), the cells' factor from
//    192 DPI on.
#pragma once

#include <functional>

#include "toolkit/Geometry.h"

namespace nox {

constexpr int kDesignDpi = 96;

// number * numerator / denominator rounded as MulDiv rounds; -1 when denominator is 0.
int MulDivRound(int number, int numerator, int denominator);

struct DpiScale {
  int Dpi = kDesignDpi;

  // A length at 96 DPI, at this DPI.
  int Px(int value) const { return MulDivRound(value, Dpi, kDesignDpi); }
  // Position and size scaled each on its own, as a control's bounds scale.
  Rect Px(const Rect& designBounds) const {
    return BoundsRect(Px(designBounds.Left), Px(designBounds.Top), Px(designBounds.Width()),
                      Px(designBounds.Height()));
  }
  // The whole factor of the painters' cells: Dpi div 96, at least 1.
  int Factor() const { return Dpi >= 2 * kDesignDpi ? Dpi / kDesignDpi : 1; }
  // The whole factor of pixel patterns; a multiple of Factor().
  int PatternFactor() const { return Factor() > 1 ? Factor() : (Px(1) > 1 ? Px(1) : 1); }
  // PatternFactor() on the cells of Factor(): what a painter on the cells enlarges by.
  int CellPatternFactor() const { return PatternFactor() / Factor(); }
  bool operator==(const DpiScale& o) const { return Dpi == o.Dpi; }
};

// The DPI a window is shown at, from what the system tells: the window's own (0 where the
// system has no per-window DPI, or does not know the window), else the screen's (0 where its
// device context tells none), else the design's 96.
int ShownDpi(int windowDpi, int screenDpi);

// A font's character height (negative, as LOGFONT's lfHeight) for a scale: the 96-DPI
// height scaled, or, where texts would not fit at it (hinted widths grow faster than the
// height), the largest smaller one down to seven eighths of it at which fits() holds (the
// smallest when none does). At 96 DPI always the design height.
int FittedFontHeight(int designHeight, const DpiScale& scale, const std::function<bool(int)>& fits);

}  // namespace nox
