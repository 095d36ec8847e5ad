#include "controls/numeric/NumericText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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
  // from_chars reads "." whatever locale the C runtime is set to (strtod would follow a
  // host that set a comma locale, stop at the point and read "82.5" as 82). It takes no
  // "+" and must consume the whole text; a number beyond a double's range is no number.
  const char* first = s.data() + (s[0] == '+' ? 1 : 0);
  const char* last = s.data() + s.size();
  double v = 0;
  const std::from_chars_result res = std::from_chars(first, last, v, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != last || !std::isfinite(v)) return false;
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

bool IsAcceptedNumericChar(wchar_t ch, bool alwaysInteger, wchar_t userSeparator,
                           bool editorEnabled) {
  if (ch < 0x20) {
    if (ch == L'\r' || ch == L'\n' || ch == L'\t') return false;
    return editorEnabled || ch != L'\b';
  }
  if (!editorEnabled) return false;
  if (ch == L'+' || ch == L'-' || IsDigit(ch)) return true;
  if (alwaysInteger) return false;
  return ch == L'.' || ch == L',' || ch == userSeparator;
}

wchar_t UsableSeparator(wchar_t userSeparator) {
  const wchar_t c = userSeparator;
  if (c <= 0x20 || c == 0x7F || IsDigit(c) || c == L'+' || c == L'-' || c == L'e' || c == L'E')
    return L'.';
  return c;
}

namespace {

// General format with `precision` significant digits, the separator for the point and
// "E" for the exponent; `exponent` tells whether the text uses exponent notation.
bool WriteGeneral(double value, int precision, wchar_t separator, bool sign, std::wstring& text,
                  bool& exponent) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, precision);
  if (res.ec != std::errc()) return false;  // cannot happen with 17 digits in 64 bytes
  text.clear();
  exponent = false;
  if (sign) text.push_back(L'+');
  for (const char* p = buf; p != res.ptr; ++p) {
    if (*p == '.') {
      text.push_back(separator);
    } else if (*p == 'e') {
      text.push_back(L'E');
      exponent = true;
    } else {
      text.push_back(static_cast<wchar_t>(*p));
    }
  }
  return true;
}

}  // namespace

bool FormatNumber(double value, const NumberFormat& format, std::wstring& out) {
  if (!std::isfinite(value)) return false;
  if (value == 0) value = 0;  // negative zero is written as zero
  const wchar_t separator = UsableSeparator(format.Separator);
  const bool sign = format.AlwaysSign && value >= 0;

  // Rounding to the precision can carry the largest doubles past the largest finite
  // value ("1.79769313486232E+308" would read as infinity): then more digits are
  // written, up to the 17 that always read back exactly.
  std::wstring text;
  bool exponent = false;
  for (int precision = std::clamp(format.Precision, 1, 15); precision <= 17; ++precision) {
    if (!WriteGeneral(value, precision, separator, sign, text, exponent)) return false;
    double back = 0;
    if (ParseDecimal(text, separator, back)) break;
  }

  // Minimum decimals pad fixed notation only: zeros behind an exponent would change it.
  const int decimals = std::clamp(format.Decimals, 0, kMaxDecimals);
  if (decimals > 0 && !exponent) {
    size_t point = text.find(separator);
    if (point == std::wstring::npos) {
      point = text.size();
      text.push_back(separator);
    }
    const size_t fraction = text.size() - point - 1;
    if (fraction < static_cast<size_t>(decimals))
      text.append(static_cast<size_t>(decimals) - fraction, L'0');
  }
  out = std::move(text);
  return true;
}

double SteppedValue(double value, double increment, int multiplier, bool controlDown, bool up) {
  const double step = increment * multiplier * (controlDown ? 5 : 1);
  return up ? value + step : value - step;
}

bool AcceptedPaste(const std::wstring& text, size_t selStart, size_t selEnd,
                   const std::wstring& clipboard, wchar_t userSeparator, std::wstring& insert) {
  size_t begin = 0;
  size_t end = clipboard.size();
  while (begin < end && clipboard[begin] <= 0x20) ++begin;
  while (end > begin && clipboard[end - 1] <= 0x20) --end;
  const std::wstring piece = clipboard.substr(begin, end - begin);
  if (piece.empty()) return false;
  selEnd = std::min(selEnd, text.size());
  selStart = std::min(selStart, selEnd);
  const std::wstring result = text.substr(0, selStart) + piece + text.substr(selEnd);
  double ignored = 0;
  if (!ParseDecimal(result, userSeparator, ignored)) return false;
  insert = piece;
  return true;
}

}  // namespace nox
