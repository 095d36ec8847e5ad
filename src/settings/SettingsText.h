// The settings file as text: its encodings, its line breaks, and the conversions between
// the toolkit's wide strings and the UTF-16 code units the file's lines are kept in (the
// same on every platform, so a line read from a file is written back unchanged).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text/Utf8.h"

namespace nox {

enum class SettingsEncoding { Utf8, Utf16LE, Utf16BE };

// Turns bytes that are not UTF-8 into text: the ANSI code page on Windows.
using AnsiDecoder = std::u16string (*)(std::string_view bytes);

struct SettingsText {
  std::vector<std::u16string> lines;
  SettingsEncoding encoding = SettingsEncoding::Utf8;
};

// Reading a file's bytes:
//  - EF BB BF: UTF-8 (a malformed sequence becomes U+FFFD);
//  - FF FE / FE FF: UTF-16 little / big endian (an odd last byte is dropped; lone
//    surrogates are kept as they are, so they are written back unchanged);
//  - no mark: UTF-8 when the bytes are valid UTF-8, else the ANSI code page (`ansi`);
//    either way the text is written back as UTF-8 with its mark.
// Lines end at CR LF, a lone CR or a lone LF; a last line without an ending is a line.
SettingsText DecodeSettingsText(std::string_view bytes, AnsiDecoder ansi);

// Writing: the mark of the encoding, then every line followed by CR LF; UTF-8 as
// Utf16ToUtf8 writes it (a lone surrogate becomes U+FFFD).
std::string EncodeSettingsText(const std::vector<std::u16string>& lines, SettingsEncoding encoding);

// The lines of a text (the breaks as DecodeSettingsText reads them).
std::vector<std::u16string> SplitLines(std::u16string_view text);

bool IsValidUtf8(std::string_view bytes);
std::u16string Utf8ToUtf16(std::string_view bytes);
// Windows-1252, the ANSI code page of western Windows: the portable stand-in for it.
std::u16string DecodeWindows1252(std::string_view bytes);

// Wide strings are UTF-16 on Windows and UTF-32 elsewhere.
std::u16string ToUtf16(const std::wstring& text);
std::wstring FromUtf16(std::u16string_view text);

}  // namespace nox
