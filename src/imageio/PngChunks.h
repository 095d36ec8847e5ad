// Structural checks of PNG and PNM results before they reach the image library.
#pragma once

#include <string>

namespace nox {

// Whether fileName is a PNG file whose chunks, from the signature to IEND, each lie
// within the file (length at most 2^31 - 1, as PNG allows). The library trusts a chunk's
// declared length and allocates it whole before it finds the file too short, so a few
// damaged bytes could make it ask for gigabytes; such a file is refused here instead.
// Bytes after IEND are allowed. Reads only the chunk headers. False for any read error
// and for a file that is not PNG.
bool PngChunksFitFile(const std::wstring& fileName);

// Whether fileName is a PNM file that holds every sample its header announces when those
// are binary grey or colour (P5, P6): the library reads the samples of a file cut short as
// zeros without a word. A plain file (P1 to P3) cut short fails to load, and passes here.
// False for any read error, for a binary bitmap (P4, never a result) and for a file that
// is not PNM.
bool PnmSamplesFitFile(const std::wstring& fileName);

}  // namespace nox
