// A structural check of PNG files before they reach the image library.
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

}  // namespace nox
