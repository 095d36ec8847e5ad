// File-name plumbing shared by the image exchange: the host gives Unicode (UTF-16 on
// Windows) paths; on Windows they are used as wide strings, elsewhere as UTF-8.
#pragma once

#include <cstdio>
#include <string>

namespace nox {

// Longest file name the image exchange accepts (the classic Windows path limit less its
// terminating zero); longer names fail like any other file error.
constexpr std::size_t kMaxFileNameLength = 259;

// Opens a file with an fopen mode ("rb", "wb"): _wfopen on Windows, fopen of the UTF-8
// name (WideToUtf8) elsewhere. Returns nullptr on failure, for empty names and names
// longer than kMaxFileNameLength.
std::FILE* OpenFile(const std::wstring& fileName, const char* mode);

}  // namespace nox
