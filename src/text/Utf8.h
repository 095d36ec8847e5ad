// UTF-8 encoding of the Unicode text the plug-in keeps as UTF-16 (the settings file's lines)
// or as wide strings (file names: UTF-16 on Windows, UTF-32 elsewhere). One rule for both:
// a high surrogate followed by a low one is one character; any other surrogate, and any
// value beyond U+10FFFF, becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace nox {

std::string Utf16ToUtf8(std::u16string_view text);
std::string WideToUtf8(std::wstring_view text);

}  // namespace nox
