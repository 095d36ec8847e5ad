// Rows of 16-bit result samples into the host's float planes: the conversion both result
// readers share, so that every path gives the same floats for the same samples.
#pragma once

#include <cstddef>

#include "imageio/PlaneSet.h"

namespace nox {

// Converts count samples, step bytes apart, starting at src (16-bit, native byte order,
// any alignment), into plane[0..count). With scale 1 the value is stored as it is;
// otherwise it is multiplied by scale and rounded to a whole number, ties to even.
// isSigned reads the samples as two's complement.
void CopyGreyRow(const unsigned char* src, std::size_t step, std::size_t count, float* plane,
                 float scale, bool isSigned);

// Converts count interleaved pixels of samplesPerPixel (3 or 4) unsigned 16-bit samples,
// red, green, blue (and alpha, skipped), into the planes from sample index `at` on, with
// the planes' scale: red goes to second, green to first, blue to third. A monochrome image
// takes only the green sample and never touches third. Reads no byte beyond the count
// pixels. May use streaming stores: call FinishPlaneWrites before the host sees the planes.
void CopyRgbRow(const unsigned char* src, std::size_t samplesPerPixel, std::size_t count,
                const PlaneSet& planes, std::size_t at);

// Makes the streaming stores of CopyRgbRow visible to the host.
void FinishPlaneWrites();

}  // namespace nox
