// The numeric field's text rules, free of any window: reading a number from the text,
// writing a number as text, keeping it within a range, rounding to an integer, stepping,
// and deciding which typed characters and pasted texts may reach the field.
#pragma once

#include <cstdint>
#include <string>

namespace nox {

// Reads `text` as a decimal number: characters U+0020 and below are trimmed at both
// ends; the user's separator and "," stand for "."; a leading separator gets a "0" in
// front; then an optional sign, digits with an optional "." and fraction digits, and an
// optional exponent ("e"/"E", optional sign, digits) must make up the whole text.
// False (and `out` untouched) when the text is not such a number, the empty text included.
bool ParseDecimal(const std::wstring& text, wchar_t userSeparator, double& out);

// A value below minValue becomes minValue, otherwise one above maxValue becomes maxValue;
// when the bounds are equal the value is returned unchanged.
double ClampToRange(double x, double minValue, double maxValue);

// The field's Value: the text as a number, or errValue when it is not one, then clamped.
double NumericValue(const std::wstring& text, double errValue, double minValue, double maxValue,
                    wchar_t userSeparator = L'.');

// The field's IntegerValue: value limited to +-2147483647, rounded to the nearest
// integer with ties to even.
int64_t RoundedIntegerValue(double value);

// Whether a typed character may reach the field: "+", "-" and digits, and when not
// integer-only also ".", "," and the user's separator. Control characters pass too,
// except carriage return (the confirm key), line feed and tab (the field is one line);
// with the editor disabled only those control characters pass, backspace excluded.
bool IsAcceptedNumericChar(wchar_t ch, bool alwaysInteger, wchar_t userSeparator = L'.',
                           bool editorEnabled = true);

// The decimal separator the field works with: the user's one when it can stand in a
// number's text unambiguously, otherwise ".". Digits, signs, "e"/"E", spaces and
// control characters would make the written text read back as something else.
wchar_t UsableSeparator(wchar_t userSeparator);

// How the field writes its value.
constexpr int kMaxDecimals = 30;
struct NumberFormat {
  int Precision = 15;   // significant digits, 1 to 15 (outside: the nearest of the two)
  int Decimals = 0;     // minimum digits after the separator in fixed notation, 0 to 30
  bool AlwaysSign = false;
  wchar_t Separator = L'.';
};

// Writes `value` in general format: fixed notation for ordinary magnitudes, exponent
// notation ("1E+20", "1.5E-07") for very large and very small ones, no trailing zeros,
// the separator for the decimal point; "+" in front of values of 0 or more when
// AlwaysSign is on; zeros appended up to Decimals in fixed notation only. Negative zero
// is written as zero. Every text written reads back (ParseDecimal) as the value rounded
// to Precision digits. False, and `out` untouched, for a value that is not finite.
bool FormatNumber(double value, const NumberFormat& format, std::wstring& out);

// One step of the field: value plus or minus increment x multiplier, five times that
// while the Control key is down.
double SteppedValue(double value, double increment, int multiplier, bool controlDown, bool up);

// A paste into the field: the clipboard text is trimmed of characters U+0020 and below
// at both ends and replaces the selection [selStart, selEnd) of `text`. True, with the
// trimmed text in `insert`, when the field's text after the paste reads as a number;
// false (nothing to paste) otherwise.
bool AcceptedPaste(const std::wstring& text, size_t selStart, size_t selEnd,
                   const std::wstring& clipboard, wchar_t userSeparator, std::wstring& insert);

}  // namespace nox
