#include "text/Utf8.h"

namespace nox {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code unit as an unsigned value (wchar_t may be signed).
char32_t Unit(char16_t u) { return u; }
char32_t Unit(wchar_t u) {
  if constexpr (sizeof(wchar_t) == 2) return static_cast<char32_t>(u) & 0xFFFF;
  return static_cast<char32_t>(u);
}

template <typename Char>
std::string Encode(std::basic_string_view<Char> text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = Unit(text[i]);
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(Unit(text[i + 1]))) {
      c = 0x10000 + ((c - 0xD800) << 10) + (Unit(text[i + 1]) - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c) || c > 0x10FFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) { return Encode(text); }
std::string WideToUtf8(std::wstring_view text) { return Encode(text); }

}  // namespace nox
