// The settings file against an encoder of its format written here, apart from the store:
// its own key scrambling and its own bytes for UTF-8 and UTF-16 in both byte orders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/FakeControls.h"
#include "settings/LibAutosave.h"

using namespace nox;
using nox::test::FakeDialog;

namespace {

// Each character of the plain key moves up by the next entry of this ring.
std::u32string Scramble(std::u32string plain) {
  static const char32_t ring[8] = {12, 2, 17, 8, 4, 15, 10, 6};
  for (size_t i = 0; i < plain.size(); ++i) plain[i] += ring[i % 8];
  return plain;
}

enum class Form { Utf8Mark, Utf8Bare, Utf16LE, Utf16BE };

std::string Encode(const std::u32string& text, Form form) {
  const char* marks[] = {"\xEF\xBB\xBF", "", "\xFF\xFE", "\xFE\xFF"};
  std::string out = marks[static_cast<int>(form)];
  auto byte = [&](char32_t b) { out += static_cast<char>(b & 0xFF); };
  auto unit = [&](char32_t u) { form == Form::Utf16LE ? (byte(u), byte(u >> 8)) : (byte(u >> 8), byte(u)); };
  for (char32_t c : text) {
    if (form == Form::Utf16LE || form == Form::Utf16BE) {
      if (c < 0x10000) unit(c);
      else unit(0xD800 + ((c - 0x10000) >> 10)), unit(0xDC00 + (c & 0x3FF));
    } else if (c < 0x80) {
      byte(c);
    } else if (c < 0x800) {
      byte(0xC0 | c >> 6), byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      byte(0xE0 | c >> 12), byte(0x80 | (c >> 6 & 0x3F)), byte(0x80 | (c & 0x3F));
    } else {
      byte(0xF0 | c >> 18), byte(0x80 | (c >> 12 & 0x3F)), byte(0x80 | (c >> 6 & 0x3F)), byte(0x80 | (c & 0x3F));
    }
  }
  return out;
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
  EXPECT_EQ(store.SavedBytes(), Encode(kFolderKey + U"%C:\\Noxfade\\\r\n" + kEightBitKey + U"%0\r\n" + kStrengthKey +
                                           U"%80\r\n",
                                       Form::Utf8Mark))
      << "folder, 8-bit option, strength, in the form's order; the valueless label left out";
  EXPECT_EQ(TAutosaver().SavedBytes(), "\xEF\xBB\xBF") << "an empty list is the mark alone";
}

TEST(SettingsFormat, AFileFromAnotherWriterRestoresTheDialogAndComesBackWithOnlyOurValues) {
  const std::u32string clef = U"\U0001D11E";  // a surrogate pair in UTF-16
  // Lines with the endings another writer gave them; written back, every one ends in CR LF.
  auto file = [&](const std::u32string& folder, const std::u32string& strength, const std::u32string& eightBit,
                  bool crlf) {
    const std::u32string lf = crlf ? U"\r\n" : U"\n", cr = crlf ? U"\r\n" : U"\r";
    return U"; by hand" + lf + Scramble(U"FORMOTHER?EDFOLDER") + U"%D:\\" + cr + U"abcde" + lf + U"%" + kFolderKey +
           U"%x" + lf + lf + kFolderKey + U"%" + folder + U"\r\n" + kStrengthKey + U"%" + strength + cr +
           kEightBitKey + U"%" + eightBit + (crlf ? U"\r\n" : U"");
  };
  for (Form form : {Form::Utf8Mark, Form::Utf8Bare, Form::Utf16LE, Form::Utf16BE}) {
    SCOPED_TRACE(static_cast<int>(form));
    TAutosaver store;
    store.LoadBytes(Encode(file(U"C:\\100%\\Noxfade " + clef + U"\\", U"55", U"1", false), form));
    FakeDialog dialog;
    store.RestoreForm(dialog.form);
    const std::wstring clefWide = FromUtf16(u"\U0001D11E");
    EXPECT_EQ(dialog.folder->text, L"C:\\100%\\Noxfade " + clefWide + L"\\");
    EXPECT_EQ(dialog.strength->text, L"55");
    EXPECT_TRUE(dialog.eightBit->checked);

    dialog.folder->text = L"E:\\Neu " + clefWide + L"\\";
    dialog.strength->text = L"70";
    dialog.eightBit->checked = false;
    store.CaptureForm(dialog.form);
    EXPECT_EQ(store.SavedBytes(), Encode(file(U"E:\\Neu " + clef + U"\\", U"70", U"0", true),
                                         form == Form::Utf8Bare ? Form::Utf8Mark : form));
  }
}

}  // namespace
