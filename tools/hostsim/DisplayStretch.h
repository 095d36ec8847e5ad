// Turns the host's float planes into an 8-bit picture for the screen. Portable.
#pragma once

#include <cstdint>
#include <vector>

#include "HostImage.h"

namespace nox {

// The levels that map the image's samples to the screen: samples at or below `black`
// show black, at or above `white` full white; `midtone` (0 < m < 1) bends the curve in
// between (0.5 is linear, smaller values brighten the faint parts).
struct StretchLevels {
  double black = 0.0;
  double white = 1.0;
  double midtone = 0.5;
};

// Picks levels that show both a linear astronomical image (most samples close to the
// background) and an ordinary photograph: black and white at the 0.5 % and 99.8 %
// points of the samples of every plane, and, when the median sits below a quarter of
// that range, a midtone that brings the median to a quarter. Samples that are not
// finite are ignored; large images are sampled evenly.
StretchLevels ChooseStretchLevels(const HostImage& image);

// The midtones transfer function on 0..1: 0 -> 0, 1 -> 1, m -> 0.5.
double MidtoneTransfer(double midtone, double x);

// A 24-bit picture of the image, top row first, blue-green-red byte order, rows padded
// to a multiple of 4 bytes (a top-down DIB). A monochrome image gives grey pixels.
struct DisplayPicture {
  int32_t width = 0;
  int32_t height = 0;
  size_t stride = 0;
  std::vector<uint8_t> bgr;
};

DisplayPicture RenderForDisplay(const HostImage& image, const StretchLevels& levels);

}  // namespace nox
