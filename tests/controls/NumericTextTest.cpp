// The strength field's text rules.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "controls/numeric/NumEditLayout.h"
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

TEST(NumericText, CharacterFilter) {
  struct Case {
    const wchar_t* chars;
    bool alwaysInteger;
    bool editorEnabled;
    wchar_t separator;
    bool accepted;
  };
  const Case cases[] = {
      {L"+-0123456789", true, true, L'.', true},
      {L".,eE aZ%;", true, true, L'.', false},
      {L"\b\x01\x03\x16\x18\x1A", true, true, L'.', true},  // backspace, Ctrl+A/C/V/X/Z
      {L"\r\n\t", true, true, L'.', false},  // confirm key; one line, so no line feed or tab
      {L".,", false, true, L'.', true},
      {L";", false, true, L';', true},
      {L";", false, true, L'.', false},
      {L"e ", false, true, L'.', false},
      {L"+-05.,", false, false, L'.', false},  // editor off: nothing printable
      {L"\b\r\n\t", false, false, L'.', false},  // nor backspace
      {L"\x01\x03\x16", false, false, L'.', true},
  };
  for (const Case& c : cases)
    for (const wchar_t* p = c.chars; *p; ++p)
      EXPECT_EQ(IsAcceptedNumericChar(*p, c.alwaysInteger, c.separator, c.editorEnabled), c.accepted)
          << "char " << static_cast<int>(*p) << " integer " << c.alwaysInteger << " editor "
          << c.editorEnabled;
}

// The writer and the reader together: what the field shows, and that it reads back as
// the value rounded to the precision.
TEST(NumericText, WrittenTextReadsBackAsTheValue) {
  struct Case {
    double value;
    int precision;
    int decimals;
    bool sign;
    wchar_t separator;
    const wchar_t* text;
    double reads;
  };
  const double tiny = std::numeric_limits<double>::denorm_min();
  const Case cases[] = {
      {80, 15, 0, false, L'.', L"80", 80},
      {82.5, 15, 0, false, L'.', L"82.5", 82.5},
      {82.5, 15, 0, false, L',', L"82,5", 82.5},
      {0.1, 15, 0, false, L'.', L"0.1", 0.1},
      {3.14159, 3, 0, false, L'.', L"3.14", 3.14},
      {3.14159, 0, 0, false, L'.', L"3", 3},  // precision below 1 counts as 1
      {3.14159, 40, 0, false, L'.', L"3.14159", 3.14159},
      {1.0 / 3, 15, 0, false, L'.', L"0.333333333333333", 0.333333333333333},
      {123456789012345, 15, 0, false, L'.', L"123456789012345", 123456789012345},
      {1e15, 15, 0, false, L'.', L"1E+15", 1e15},
      {1e20, 15, 2, false, L'.', L"1E+20", 1e20},  // no "1E+20.00"
      {1.5e-7, 15, 3, false, L'.', L"1.5E-07", 1.5e-7},  // no "1.5E-07000"
      {-2.5e-300, 15, 0, true, L',', L"-2,5E-300", -2.5e-300},
      {tiny, 15, 0, false, L'.', L"4.94065645841247E-324", tiny},
      {1.7976931348623157e308, 15, 0, false, L'.', L"1.7976931348623157E+308", 1.7976931348623157e308},
      {1.7976931348e308, 5, 0, false, L'.', L"1.79769E+308", 1.79769e308},  // 5 digits would overflow
      {1.5, 15, 2, false, L'.', L"1.50", 1.5},
      {3, 15, 2, false, L'.', L"3.00", 3},
      {3, 15, 2, true, L',', L"+3,00", 3},
      {1.23456, 15, 2, false, L'.', L"1.23456", 1.23456},  // never shortened
      {0.0001, 15, 5, false, L'.', L"0.00010", 0.0001},
      {7, 15, 99, false, L'.', L"7.000000000000000000000000000000", 7},  // capped at 30
      {0, 15, 0, true, L'.', L"+0", 0},
      {-2, 15, 0, true, L'.', L"-2", -2},
      {-0.0, 15, 0, false, L'.', L"0", 0},
      {-0.0, 15, 0, true, L'.', L"+0", 0},
      {-0.0, 15, 1, false, L',', L"0,0", 0},
      {2.5, 15, 0, false, L'-', L"2.5", 2.5},  // a separator that would not read back
      {2.5, 15, 0, false, L'7', L"2.5", 2.5},
      {2.5, 15, 0, false, L'\x066B', L"2\x066B" L"5", 2.5},
  };
  for (const Case& c : cases) {
    NumberFormat f;
    f.Precision = c.precision;
    f.Decimals = c.decimals;
    f.AlwaysSign = c.sign;
    f.Separator = c.separator;
    std::wstring text;
    ASSERT_TRUE(FormatNumber(c.value, f, text)) << c.value;
    EXPECT_EQ(text, std::wstring(c.text)) << c.value;
    double back = std::nan("");
    EXPECT_TRUE(ParseDecimal(text, UsableSeparator(c.separator), back)) << c.value;
    EXPECT_EQ(back, c.reads) << c.value;
    EXPECT_FALSE(std::signbit(back) && back == 0) << "no negative zero";
  }

  std::wstring untouched = L"80";
  for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    EXPECT_FALSE(FormatNumber(bad, NumberFormat{}, untouched));
    EXPECT_EQ(untouched, L"80");
  }
}

TEST(NumericText, StepsScaleWithMultiplierAndControlKey) {
  struct Case {
    double value, increment;
    int multiplier;
    bool control, up;
    double expect;
  };
  const Case cases[] = {
      {80, 5, 1, false, true, 85},   {80, 5, 1, true, true, 105},  {80, 5, 1, false, false, 75},
      {80, 5, 3, false, true, 95},   {80, 5, 3, true, false, 5},   {80, 5, 0, false, true, 80},
      {80, 5, -1, false, true, 75},  {1, 0.5, 1, false, false, 0.5},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SteppedValue(c.value, c.increment, c.multiplier, c.control, c.up), c.expect)
        << c.value << " m " << c.multiplier << " ctrl " << c.control << " up " << c.up;
}

TEST(NumericText, PasteGoesInOnlyWhenTheResultIsANumber) {
  struct Case {
    const wchar_t* text;
    size_t selStart, selEnd;
    const wchar_t* clip;
    bool accepted;
    const wchar_t* insert;
  };
  const Case cases[] = {
      {L"", 0, 0, L"82.5", true, L"82.5"},
      {L"80", 0, 2, L" 85\r\n", true, L"85"},  // trimmed: no line break enters the field
      {L"80", 1, 1, L"5", true, L"5"},          // "850"
      {L"80", 0, 0, L"-", true, L"-"},          // "-80"
      {L"80", 0, 2, L"abc", false, L""},
      {L"80", 2, 2, L"x", false, L""},
      {L"80", 0, 2, L"8\r\n5", false, L""},
      {L"80", 0, 2, L"", false, L""},
      {L"80", 0, 2, L"\t ", false, L""},
      {L"", 0, 0, L"-", false, L""},
      {L"1", 9, 12, L"2", true, L"2"},  // a selection past the end counts as the end
  };
  for (const Case& c : cases) {
    std::wstring insert;
    EXPECT_EQ(AcceptedPaste(c.text, c.selStart, c.selEnd, c.clip, L'.', insert), c.accepted)
        << std::string(c.clip, c.clip + wcslen(c.clip));
    EXPECT_EQ(insert, std::wstring(c.insert));
  }
}

TEST(NumEditLayout, MinimumHeightSpinButtonAndTextArea) {
  EXPECT_EQ(NumEditMinHeight(13, 16, 1), 22);  // Tahoma -11 beside the system font
  EXPECT_EQ(NumEditMinHeight(20, 16, 1), 30);
  EXPECT_EQ(NumEditMinHeight(8, 16, 2), 20);
  EXPECT_EQ(SpinButtonBounds(52, 22, 24, true), (Rect{24, 0, 48, 18}));
  EXPECT_EQ(SpinButtonBounds(52, 22, 24, false), (Rect{28, 1, 52, 20}));
}

// The text area keeps clear of the button and holds one line in the middle of the field,
// so that the text's place scales with the field (Tahoma -11 at 96 DPI is 13 high in 18,
// -21 at 192 DPI 25 in 40).
TEST(NumEditLayout, TextAreaIsOneLineInTheMiddleLeftOfTheButton) {
  const struct {
    int width, height, button, line;
    Rect area;
  } rows[] = {
      {48, 18, 24, 13, Rect{0, 2, 22, 15}},  {92, 40, 48, 25, Rect{0, 7, 42, 32}},
      {70, 29, 36, 18, Rect{0, 5, 32, 23}},  {10, 18, 24, 13, Rect{0, 2, 0, 15}},  // never below 0 wide
      {48, 10, 24, 13, Rect{0, 0, 22, 13}},  // taller than the field: from its top
      {48, 18, 24, 0, Rect{0, 0, 22, 18}},  // the line's height unknown: the whole field
  };
  for (const auto& r : rows)
    EXPECT_EQ(NumEditTextArea(r.width, r.height, r.button, r.line), r.area)
        << r.width << " x " << r.height << ", line " << r.line;
}

}  // namespace
