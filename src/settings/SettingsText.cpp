#include "settings/SettingsText.h"

namespace nox {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

// Reads one character of UTF-8 at `i`. A well-formed sequence gives true, the character
// and `i` past it; a malformed one gives false with `i` past its longest valid beginning
// (at least one byte), so each malformed piece counts once.
bool NextUtf8(std::string_view s, std::size_t& i, char32_t& c) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i++);
  if (lead < 0x80) {
    c = lead;
    return true;
  }
  int more = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1;
    c = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2;
    c = lead & 0x0Fu;
    if (lead == 0xE0) lo = 0xA0;  // no overlong forms
    if (lead == 0xED) hi = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3;
    c = lead & 0x07u;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;  // nothing beyond U+10FFFF
  } else {
    return false;
  }
  for (int k = 0; k < more; ++k) {
    if (i >= s.size()) return false;
    const unsigned char b = byte(i);
    if (k == 0 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return false;
    c = (c << 6) | (b & 0x3Fu);
    ++i;
  }
  return true;
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {  // an odd last byte is dropped
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    out += static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  }
  return out;
}

void AppendUnit(std::string& out, char16_t u, bool bigEndian) {
  const auto hi = static_cast<char>(u >> 8);
  const auto lo = static_cast<char>(u & 0xFF);
  out += bigEndian ? hi : lo;
  out += bigEndian ? lo : hi;
}

bool StartsWith(std::string_view bytes, std::string_view mark) {
  return bytes.size() >= mark.size() && bytes.substr(0, mark.size()) == mark;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
constexpr std::string_view kUtf16BEMark = "\xFE\xFF";

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  char32_t c = 0;
  while (i < bytes.size())
    if (!NextUtf8(bytes, i, c)) return false;
  return true;
}

std::u16string Utf8ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    char32_t c = 0;
    if (NextUtf8(bytes, i, c))
      AppendUtf16(out, c);
    else
      out += kReplacement;
  }
  return out;
}

std::u16string DecodeWindows1252(std::string_view bytes) {
  // 0x80..0x9F; the five unassigned bytes keep their C1 values, as Windows maps them.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::u16string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    out += (b >= 0x80 && b <= 0x9F) ? kHigh[b - 0x80] : static_cast<char16_t>(b);
  }
  return out;
}

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u != u'\r' && u != u'\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (u == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

SettingsText DecodeSettingsText(std::string_view bytes, AnsiDecoder ansi) {
  SettingsText result;
  if (StartsWith(bytes, kUtf8Mark)) {
    result.lines = SplitLines(Utf8ToUtf16(bytes.substr(kUtf8Mark.size())));
  } else if (StartsWith(bytes, kUtf16LEMark) || StartsWith(bytes, kUtf16BEMark)) {
    const bool bigEndian = StartsWith(bytes, kUtf16BEMark);
    result.encoding = bigEndian ? SettingsEncoding::Utf16BE : SettingsEncoding::Utf16LE;
    result.lines = SplitLines(DecodeUtf16(bytes.substr(2), bigEndian));
  } else if (IsValidUtf8(bytes)) {
    result.lines = SplitLines(Utf8ToUtf16(bytes));
  } else {
    result.lines = SplitLines(ansi ? ansi(bytes) : DecodeWindows1252(bytes));
  }
  return result;
}

std::string EncodeSettingsText(const std::vector<std::u16string>& lines, SettingsEncoding encoding) {
  std::string out;
  if (encoding == SettingsEncoding::Utf8) {
    out = kUtf8Mark;
    for (const std::u16string& line : lines) {
      out += Utf16ToUtf8(line);
      out += "\r\n";
    }
    return out;
  }
  const bool bigEndian = encoding == SettingsEncoding::Utf16BE;
  out = bigEndian ? kUtf16BEMark : kUtf16LEMark;
  for (const std::u16string& line : lines) {
    for (char16_t u : line) AppendUnit(out, u, bigEndian);
    AppendUnit(out, u'\r', bigEndian);
    AppendUnit(out, u'\n', bigEndian);
  }
  return out;
}

std::u16string ToUtf16(const std::wstring& text) {
  std::u16string out;
  out.reserve(text.size());
  for (wchar_t w : text) {
    auto c = static_cast<char32_t>(w);
    if (sizeof(wchar_t) == 2) c &= 0xFFFF;
    if (c > 0x10FFFF) c = kReplacement;
    AppendUtf16(out, c);  // on Windows every unit passes unchanged
  }
  return out;
}

std::wstring FromUtf16(std::u16string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (sizeof(wchar_t) == 4 && IsHighSurrogate(c) && i + 1 < text.size() &&
        IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    }
    out += static_cast<wchar_t>(c);
  }
  return out;
}

}  // namespace nox
