// The settings file against an encoder of its format written here, apart from the store:
// its own key scrambling and its own bytes for UTF-8 and UTF-16 in both byte orders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/LibAutosave.h"
#include "settings/FakeControls.h"

using namespace nox;
using nox::test::FakeDialog;

namespace {

// Each character of the plain key moves up by the next entry of this ring; the first
// character takes the table's second entry.
std::u32string Scramble(std::u32string plain) {
  static const char32_t ring[8] = {12, 2, 17, 8, 4, 15, 10, 6};
  for (size_t i = 0; i < plain.size(); ++i) plain[i] += ring[i % 8];
  return plain;
}

enum class Form { Utf8Mark, Utf8Bare, Utf16LE, Utf16BE };

void PutUnit(std::string& out, char32_t u, bool bigEndian) {
  const char hi = static_cast<char>((u >> 8) & 0xFF), lo = static_cast<char>(u & 0xFF);
  out += bigEndian ? hi : lo;
  out += bigEndian ? lo : hi;
}

std::string Encode(const std::u32string& text, Form form) {
  std::string out;
  if (form == Form::Utf8Mark) out = "\xEF\xBB\xBF";
  if (form == Form::Utf16LE) out = "\xFF\xFE";
  if (form == Form::Utf16BE) out = "\xFE\xFF";
  for (char32_t c : text) {
    if (form == Form::Utf16LE || form == Form::Utf16BE) {
      const bool be = form == Form::Utf16BE;
      if (c >= 0x10000) {
        PutUnit(out, 0xD800 + ((c - 0x10000) >> 10), be);
        PutUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF), be);
      } else {
        PutUnit(out, c, be);
      }
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
      out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      out += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
              static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return out;
}

struct Line {
  std::u32string text;
  std::u32string ending;
};

std::u32string Join(const std::vector<Line>& lines, bool crlf) {
  std::u32string text;
  for (const Line& l : lines) text += l.text + (crlf ? U"\r\n" : l.ending);
  return text;
}

const std::u32string kFolderKey = Scramble(U"FORMCVPLUGINDENOISE?EDFOLDER");
const std::u32string kEightBitKey = Scramble(U"FORMCVPLUGINDENOISE?CBSCALE8BIT");
const std::u32string kStrengthKey = Scramble(U"FORMCVPLUGINDENOISE?EDSTRENGTH");

TEST(SettingsFormat, TheDialogSavedIntoAnEmptyStoreGivesTheGoldenBytes) {
  FakeDialog dialog;
  dialog.folder->text = L"C:\\Noxfade\\";
  TAutosaver store;
  store.CaptureForm(dialog.form);
  EXPECT_EQ(kFolderKey, U"RQcUGeZRaIZVHTXUUUVGISPUXFVZ");
  const std::string golden = "\xEF\xBB\xBF"
                             "RQcUGeZRaIZVHTXUUUVGISPUXFVZ%C:\\Noxfade\\\r\n"
                             "RQcUGeZRaIZVHTXUUUVGGQ]IMNV@FX^%0\r\n"
                             "RQcUGeZRaIZVHTXUUUVGIS]Z^G_OXW%80\r\n";
  EXPECT_EQ(store.SavedBytes(), golden) << "folder, 8-bit option, strength, in component order";
  EXPECT_EQ(Encode(Join({{kFolderKey + U"%C:\\Noxfade\\", U""}, {kEightBitKey + U"%0", U""},
                         {kStrengthKey + U"%80", U""}},
                        true),
                   Form::Utf8Mark),
            golden);
  EXPECT_EQ(TAutosaver().SavedBytes(), "\xEF\xBB\xBF") << "an empty list is the mark alone";
}

TEST(SettingsFormat, AFileFromAnotherWriterRestoresTheDialogAndComesBackWithOnlyOurValues) {
  const std::u32string otherForm = Scramble(U"FORMOTHER?EDFOLDER");
  const std::u32string clef = U"\U0001D11E";  // outside the basic plane: a surrogate pair in UTF-16
  auto fileLines = [&](const std::u32string& folder, const std::u32string& strength,
                       const std::u32string& eightBit) {
    return std::vector<Line>{
        {U"; written by hand", U"\n"},
        {otherForm + U"%D:\\elsewhere\\", U"\r"},
        {U"abcde", U"\r\n"},                 // too short to be a setting
        {U"%" + kFolderKey + U"%x", U"\n"},  // "%" first
        {U"", U"\r\n"},
        {kFolderKey + folder, U"\r\n"},
        {U"", U"\n"},
        {kStrengthKey + strength, U"\r"},
        {kEightBitKey + eightBit, U""},  // no final line end
    };
  };
  const std::vector<Line> before = fileLines(U"%C:\\100%\\Noxfade " + clef + U"\\", U"%55", U"%1");
  const std::vector<Line> after = fileLines(U"%E:\\Neu " + clef + U"\\", U"%70", U"%0");

  for (Form form : {Form::Utf8Mark, Form::Utf8Bare, Form::Utf16LE, Form::Utf16BE}) {
    SCOPED_TRACE(static_cast<int>(form));
    TAutosaver store;
    store.LoadBytes(Encode(Join(before, false), form));
    FakeDialog dialog;
    store.RestoreForm(dialog.form);
    const std::wstring clefWide = FromUtf16(u"\U0001D11E");
    EXPECT_EQ(dialog.folder->text, L"C:\\100%\\Noxfade " + clefWide + L"\\") << "split at the first %";
    EXPECT_EQ(dialog.strength->text, L"55");
    EXPECT_TRUE(dialog.eightBit->checked);

    dialog.folder->text = L"E:\\Neu " + clefWide + L"\\";
    dialog.strength->text = L"70";
    dialog.eightBit->checked = false;
    store.CaptureForm(dialog.form);
    const Form written = form == Form::Utf8Bare ? Form::Utf8Mark : form;
    EXPECT_EQ(store.SavedBytes(), Encode(Join(after, true), written));
  }
}

}  // namespace
