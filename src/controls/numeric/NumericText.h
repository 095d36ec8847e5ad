// The numeric field's text rules, free of any window: reading a number from the text,
// keeping it within a range, rounding to an integer and filtering typed characters.
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
// integer-only also ".", "," and the user's separator; control characters other than
// carriage return always pass (backspace, for instance).
bool IsAcceptedNumericChar(wchar_t ch, bool alwaysInteger, wchar_t userSeparator = L'.');

}  // namespace nox
