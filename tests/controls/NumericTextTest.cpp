// The strength field's text rules.
#include <gtest/gtest.h>

#include "controls/numeric/NumericText.h"

using namespace nox;

namespace {

TEST(NumericText, ReadsDecimalNumbersInTheirWholeText) {
  double v = -1;
  EXPECT_TRUE(ParseDecimal(L"80", L'.', v));
  EXPECT_EQ(v, 80);
  EXPECT_TRUE(ParseDecimal(L"  +82.5\t", L'.', v));
  EXPECT_EQ(v, 82.5);
  EXPECT_TRUE(ParseDecimal(L"-1e2", L'.', v));
  EXPECT_EQ(v, -100);
  EXPECT_TRUE(ParseDecimal(L",5", L'.', v));  // comma stands for the point; "0" put in front
  EXPECT_EQ(v, 0.5);
  EXPECT_TRUE(ParseDecimal(L"7;25", L';', v));  // the user's separator
  EXPECT_EQ(v, 7.25);
  EXPECT_TRUE(ParseDecimal(L"5.", L'.', v));
  EXPECT_EQ(v, 5);
  EXPECT_TRUE(ParseDecimal(L"2E+1", L'.', v));
  EXPECT_EQ(v, 20);
  EXPECT_TRUE(ParseDecimal(L".", L'.', v));  // becomes "0."
  EXPECT_EQ(v, 0);

  v = 42;
  for (const wchar_t* bad : {L"", L"   ", L"+", L"-", L"-.", L"e5", L"5e", L"5e+", L"1.2.3", L"12a",
                             L"1 2", L"0x10", L"inf", L"nan", L"\x0661", L"1e999"}) {
    EXPECT_FALSE(ParseDecimal(bad, L'.', v)) << std::string(bad, bad + wcslen(bad));
    EXPECT_EQ(v, 42);
  }
}

TEST(NumericText, ValueFallsBackToTheErrorValueAndStaysInRange) {
  EXPECT_EQ(NumericValue(L"80", 80, 5, 100), 80);
  EXPECT_EQ(NumericValue(L"abc", 80, 5, 100), 80);
  EXPECT_EQ(NumericValue(L"", 80, 5, 100), 80);
  EXPECT_EQ(NumericValue(L"3", 80, 5, 100), 5);
  EXPECT_EQ(NumericValue(L"-40", 80, 5, 100), 5);
  EXPECT_EQ(NumericValue(L"250", 80, 5, 100), 100);
  EXPECT_EQ(NumericValue(L"82.5", 80, 5, 100), 82.5);
  EXPECT_EQ(NumericValue(L"x", 300, 5, 100), 100) << "the error value is clamped too";
  EXPECT_EQ(ClampToRange(-7, 0, 0), -7) << "equal bounds leave the value alone";
}

TEST(NumericText, IntegerValueRoundsTiesToEven) {
  EXPECT_EQ(RoundedIntegerValue(82.5), 82);
  EXPECT_EQ(RoundedIntegerValue(83.5), 84);
  EXPECT_EQ(RoundedIntegerValue(99.5), 100);
  EXPECT_EQ(RoundedIntegerValue(82.51), 83);
  EXPECT_EQ(RoundedIntegerValue(-2.5), -2);
  EXPECT_EQ(RoundedIntegerValue(1e12), 2147483647);
  EXPECT_EQ(RoundedIntegerValue(-1e12), -2147483647);
}

TEST(NumericText, OnlySignsAndDigitsMayBeTypedInAnIntegerField) {
  for (wchar_t ch : std::wstring(L"+-0123456789")) EXPECT_TRUE(IsAcceptedNumericChar(ch, true));
  for (wchar_t ch : std::wstring(L".,eE aZ%")) EXPECT_FALSE(IsAcceptedNumericChar(ch, true)) << ch;
  EXPECT_TRUE(IsAcceptedNumericChar(L'\b', true)) << "backspace";
  EXPECT_FALSE(IsAcceptedNumericChar(L'\r', true)) << "carriage return";
  EXPECT_TRUE(IsAcceptedNumericChar(L'.', false));
  EXPECT_TRUE(IsAcceptedNumericChar(L',', false));
  EXPECT_TRUE(IsAcceptedNumericChar(L';', false, L';'));
  EXPECT_FALSE(IsAcceptedNumericChar(L';', false, L'.'));
}

}  // namespace
