#include "text/LineBreaks.h"

#include <algorithm>

namespace nox {

std::wstring WithCrLfLineBreaks(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c != L'\r' && c != L'\n') {
      out += c;
      continue;
    }
    if (c == L'\r' && text.substr(i + 1, 1) == L"\n") {
      i += 1;
    } else if (c == L'\r' && text.substr(i + 1, 2) == L"\r\n") {
      i += 2;
    }
    out += L"\r\n";
  }
  return out;
}

namespace {
bool BreaksAfter(wchar_t c) { return IsWordDelimiter(c) || c == L'\\' || c == L'/'; }
}  // namespace

bool IsWordDelimiter(wchar_t c) { return c == L' ' || c == L'\t'; }

int WordBreakLeft(std::wstring_view row, int index) {
  const int end = std::clamp(index, 0, static_cast<int>(row.size()));
  for (int i = end; i > 0; --i) {
    if (BreaksAfter(row[static_cast<size_t>(i - 1)])) return i;
  }
  return end;
}

int WordBreakRight(std::wstring_view row, int index) {
  const int size = static_cast<int>(row.size());
  for (int i = std::max(index, 0) + 1; i < size; ++i) {
    if (BreaksAfter(row[static_cast<size_t>(i - 1)])) return i;
  }
  return size;
}

}  // namespace nox
