// The log's line breaks: every way a message or the denoiser breaks a line becomes the
// CR LF at which an edit control breaks it.
#include <gtest/gtest.h>

#include <string>

#include "text/LineBreaks.h"

namespace {

TEST(LineBreaks, EachBreakBecomesOneCrLf) {
  const struct {
    std::wstring text, shown;
  } cases[] = {
      {L"", L""},
      {L"not found in: \rC:\\Tools\\", L"not found in: \r\nC:\\Tools\\"},
      {L"a\r\nb", L"a\r\nb"},
      {L"a\nb\n", L"a\r\nb\r\n"},
      {L"a\r\r\nb", L"a\r\nb"},            // a CR LF through a text-mode stream
      {L"a\n\rb", L"a\r\n\r\nb"},          // LF CR is two breaks
      {L"\r\r\r\n", L"\r\n\r\n"},          // CR, then CR CR LF
      {L"\ra\r", L"\r\na\r\n"},
      {L"x\r\r", L"x\r\n\r\n"},        // two lone CRs, the last at the very end
  };
  for (const auto& c : cases) {
    EXPECT_EQ(nox::WithCrLfLineBreaks(c.text), c.shown) << testing::PrintToString(c.text);
  }
}

// A wrapping row ends after a blank or a folder separator; in a word with neither, where
// it is full.
TEST(LineBreaks, RowsEndAfterBlanksAndSeparatorsOrWhereAWordFillsThem) {
  const std::wstring row = L"in: C:\\Tools/x Noxfade_models";
  const struct {
    int index, left, right;
  } cases[] = {
      {0, 0, 4},    // the row's start; the next word begins after "in: "
      {3, 3, 4},    // "in:" has no break before it: the row may end right there
      {4, 4, 7},    // just after the blank
      {6, 4, 7},    // "C:" -> back to the blank, on to after the backslash
      {7, 7, 13},   // after the backslash; the next is after the slash
      {12, 7, 13},
      {13, 13, 15},
      {16, 15, 29},  // inside "Noxfade_models": back to the blank; no more breaks
      {29, 15, 29},
      {40, 15, 29},  // beyond the row: its end
      {-2, 0, 4},
  };
  ASSERT_EQ(row.size(), 29u);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(nox::WordBreakLeft(row, c.index), c.left);
    EXPECT_EQ(nox::WordBreakRight(row, c.index), c.right);
  }
  EXPECT_EQ(nox::WordBreakLeft(L"Processing_tools_and_denoisers", 17), 17) << "full where it is";
  EXPECT_EQ(nox::WordBreakLeft(L" ab", 2), 1) << "a blank first";
  EXPECT_EQ(nox::WordBreakRight(L" ab", 0), 1) << "a blank first";
  EXPECT_TRUE(nox::IsWordDelimiter(L' '));
  EXPECT_TRUE(nox::IsWordDelimiter(L'\t'));
  EXPECT_FALSE(nox::IsWordDelimiter(L'\\'));
}

}  // namespace
