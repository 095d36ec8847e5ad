#include "imageio/FilePath.h"

namespace nox {

namespace {

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

}  // namespace

std::string ToUtf8(const std::wstring& text) {
  constexpr char32_t kReplacement = 0xFFFD;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<char32_t>(text[i]);
    if (sizeof(wchar_t) == 2) c &= 0xFFFF;  // wchar_t may be signed
    if (c >= 0xD800 && c <= 0xDBFF) {
      // A high surrogate needs a low one right after it.
      const auto next = i + 1 < text.size() ? static_cast<char32_t>(text[i + 1]) & 0xFFFF : 0;
      if (next >= 0xDC00 && next <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
        ++i;
      } else {
        c = kReplacement;
      }
    } else if ((c >= 0xDC00 && c <= 0xDFFF) || c > 0x10FFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::FILE* OpenFile(const std::wstring& fileName, const char* mode) {
  if (fileName.empty() || fileName.size() > kMaxFileNameLength) return nullptr;
  if (fileName.find(L'\0') != std::wstring::npos) return nullptr;
#ifdef _WIN32
  const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(fileName.c_str(), wideMode.c_str());
#else
  return std::fopen(ToUtf8(fileName).c_str(), mode);
#endif
}

}  // namespace nox
