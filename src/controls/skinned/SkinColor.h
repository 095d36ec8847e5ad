// Colour arithmetic of the skinned controls. Colours are TColor values (0x00BBGGRR, or a
// system colour reference with the top byte 0xFF). The arithmetic works on the three low
// bytes of its inputs, ignores their top byte and always returns a top byte of 0.
// A rounded value is rounded to the nearest integer, ties to even.
#pragma once

#include "toolkit/Color.h"

namespace nox {

// The system colour of an index or a reference (its low byte), from the system look.
TColor SystemColor(TColor indexOrReference);
// A system colour reference resolved through SystemColor; any other value unchanged.
TColor ResolveColor(TColor color);

// Per channel min(a + b, 255).
TColor AddColor(TColor a, TColor b);
// Per channel max(a - b, 0).
TColor SubtractColor(TColor a, TColor b);
// n clamped to 0..255, then AddColor / SubtractColor with the grey n * 0x010101.
TColor AddGray(TColor a, int n);
TColor SubtractGray(TColor a, int n);
// Per channel (a * w + b * (256 - w)) >> 8, with w clamped to 0..256 first.
TColor BlendColor(TColor a, TColor b, int w);
// BlendColor with w = t * 256 rounded; clamped to 0..256 in floating point first, so a
// huge t gives a and a negative one or NaN gives b.
TColor BlendColorF(TColor a, TColor b, float t);

// Maps v from lo..hi onto outLo..outHi, clamping v to the source range first.
// Single precision: v := min(max(v, lo), hi); t := 0 when hi = lo, else
// (v - lo) / |hi - lo| (as a float, at most 1); result t * outHi + (1 - t) * outLo.
float MapRange(float lo, float hi, float v, float outLo, float outHi);
// Double precision: lo = hi gives outLo for v <= lo and outHi above; lo > hi swaps the
// bounds; otherwise the clamped linear map.
double MapRange(double lo, double hi, double v, double outLo, double outHi);

// Rounds to the nearest integer, ties to even (the processor's default rounding).
int RoundEven(double value);

}  // namespace nox
