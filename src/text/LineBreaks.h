// Line breaks as an edit control shows them. A multi-line edit breaks a line only at CR LF:
// a lone CR or LF shows as a mark inside the line, and what is copied keeps it as it is.
#pragma once

#include <string>
#include <string_view>

namespace nox {

// The text with each of its line breaks written as CR LF: CR LF, a lone CR, a lone LF, and
// CR CR LF (a CR LF that went through a text-mode stream, or an edit's soft break) count as
// one line break each.
std::wstring WithCrLfLineBreaks(std::wstring_view text);

// Where a wrapping edit may end a row of `row` (a row's text, from its first character):
// after a blank, or after a folder separator ("\\" or "/"), so that a path breaks between
// its folders. WordBreakLeft gives the last such place at or before `index`; in a word with
// none (wider than the edit, as a long name can be) it gives `index` itself, so that the row
// ends where it is full. WordBreakRight gives the first such place after `index`, or the
// row's end.
int WordBreakLeft(std::wstring_view row, int index);
int WordBreakRight(std::wstring_view row, int index);
bool IsWordDelimiter(wchar_t c);  // a blank or a tab

}  // namespace nox
