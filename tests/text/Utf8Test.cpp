// The one UTF-8 encoder, for the settings file's UTF-16 lines and for wide file names.
#include <gtest/gtest.h>

#include <string>

#include "text/Utf8.h"

namespace {

TEST(Utf8, PairsBecomeOneCharacterAndEveryOtherSurrogateBecomesTheReplacement) {
  const struct {
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {u"A\u00E9\u20AC", "A\xC3\xA9\xE2\x82\xAC"},
      {u"\u07FF\u0800\uFFFF", "\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},  // where the lengths change
      {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},                        // the last pair: U+10FFFF
      {u"\U0001D11E", "\xF0\x9D\x84\x9E"},
      {u"a\xD834", "a\xEF\xBF\xBD"},                       // high at the end
      {u"\xD834z", "\xEF\xBF\xBDz"},                       // high before a non-surrogate
      {u"\xDD1E\xD834", "\xEF\xBF\xBD\xEF\xBF\xBD"},       // low before high: two lone ones
      {u"\xD834\xD834\xDD1E", "\xEF\xBF\xBD\xF0\x9D\x84\x9E"},
  };
  for (const auto& c : cases) {
    const std::wstring wide(c.text.begin(), c.text.end());  // the same units as wide text
    EXPECT_EQ(nox::Utf16ToUtf8(c.text), c.bytes);
    EXPECT_EQ(nox::WideToUtf8(wide), c.bytes);
  }
  if constexpr (sizeof(wchar_t) == 4) {
    EXPECT_EQ(nox::WideToUtf8(std::wstring{L'x', static_cast<wchar_t>(0x110000)}), "x\xEF\xBF\xBD");
    EXPECT_EQ(nox::WideToUtf8(L"\U0001D11E"), "\xF0\x9D\x84\x9E");
  }
}

}  // namespace
