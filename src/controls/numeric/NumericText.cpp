#include "controls/numeric/NumericText.h"

#include <cmath>
#include <cstdlib>

namespace nox {

namespace {
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
}  // namespace

bool ParseDecimal(const std::wstring& text, wchar_t userSeparator, double& out) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && text[begin] <= 0x20) ++begin;
  while (end > begin && text[end - 1] <= 0x20) --end;
  std::string s;  // ASCII only from here on: anything else makes the text not a number
  for (size_t i = begin; i < end; ++i) {
    wchar_t c = text[i];
    if (c == userSeparator || c == L',') c = L'.';
    if (c > 0x7F) return false;
    s.push_back(static_cast<char>(c));
  }
  if (!s.empty() && s[0] == '.') s.insert(s.begin(), '0');
  if (s.empty()) return false;

  // The grammar: [sign] digits ["." digits] [("e"|"E") [sign] digits], digits on at least
  // one side of the point.
  size_t i = 0;
  if (s[i] == '+' || s[i] == '-') ++i;
  size_t intDigits = 0;
  while (i < s.size() && IsDigit(static_cast<wchar_t>(s[i]))) ++i, ++intDigits;
  size_t fracDigits = 0;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(static_cast<wchar_t>(s[i]))) ++i, ++fracDigits;
  }
  if (intDigits + fracDigits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && IsDigit(static_cast<wchar_t>(s[i]))) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != s.size()) return false;
  char* stop = nullptr;
  const double v = std::strtod(s.c_str(), &stop);  // the grammar above is a subset of strtod's
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

double ClampToRange(double x, double minValue, double maxValue) {
  if (minValue == maxValue) return x;
  if (x < minValue) return minValue;
  if (x > maxValue) return maxValue;
  return x;
}

double NumericValue(const std::wstring& text, double errValue, double minValue, double maxValue,
                    wchar_t userSeparator) {
  double v = errValue;
  if (!ParseDecimal(text, userSeparator, v)) v = errValue;
  return ClampToRange(v, minValue, maxValue);
}

int64_t RoundedIntegerValue(double value) {
  constexpr double kLimit = 2147483647.0;
  if (std::isnan(value)) return 0;
  if (value > kLimit) value = kLimit;
  if (value < -kLimit) value = -kLimit;
  return static_cast<int64_t>(std::nearbyint(value));  // default mode: to nearest, ties to even
}

bool IsAcceptedNumericChar(wchar_t ch, bool alwaysInteger, wchar_t userSeparator) {
  if (ch < 0x20) return ch != L'\r';
  if (ch == L'+' || ch == L'-' || IsDigit(ch)) return true;
  if (alwaysInteger) return false;
  return ch == L'.' || ch == L',' || ch == userSeparator;
}

}  // namespace nox
