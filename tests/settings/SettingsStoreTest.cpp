// The settings store natively: keys, reading damaged or foreign files, restoring and
// capturing marked controls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/FakeControls.h"
#include "settings/LibAutosave.h"

using namespace nox;
using namespace nox::test;

namespace {

std::u16string Key(const char16_t* form, const char16_t* control) { return TAutosaver::EncodeKey(form, control); }

TEST(SettingsKeys, DecodeInvertsEncodeAndNamesOutsideTheAlphabetAreRefused) {
  std::u16string form, control;
  ASSERT_TRUE(TAutosaver::DecodeKey(Key(u"fOrm_1", u"b?c9"), form, control));
  EXPECT_EQ(form + u"|" + control, u"FORM_1|B?C9") << "split at the first ?";
  for (const char16_t* bad : {u"\u00C9dit", u"a b", u"a%", u"a\u0131"})  // dotless i has no ASCII capital
    EXPECT_THROW(Key(u"Form", bad), EncodeIdenError);
  for (const std::u16string& bad : {std::u16string(u"EDFOLDER"), Key(u"", u"X"), Key(u"F", u""), std::u16string()}) {
    form = u"stale";
    EXPECT_FALSE(TAutosaver::DecodeKey(bad, form, control));
    EXPECT_TRUE(form.empty() && control.empty());
  }
}

TEST(SettingsText, DamagedAndForeignFilesLoad) {
  struct Case {
    std::string bytes;
    SettingsEncoding encoding;
    std::vector<std::u16string> lines;
  } cases[] = {
      {"", SettingsEncoding::Utf8, {}},
      {"\xEF\xBB\xBF", SettingsEncoding::Utf8, {}},
      {"x\r\n\r\n\n\r", SettingsEncoding::Utf8, {u"x", u"", u"", u""}},
      // Not UTF-8 and no mark: the ANSI code page (an old path must survive).
      {"C:\\\xDC" "ber\\\r\n\xC0\xAF\x80", SettingsEncoding::Utf8, {u"C:\\\u00DCber\\", u"\u00C0\u00AF\u20AC"}},
      {"\xEF\xBB\xBF" "a\xE2\x82" "b", SettingsEncoding::Utf8, {u"a\uFFFDb"}},
      // An odd last byte is dropped; a lone surrogate stays.
      {std::string("\xFF\xFE" "a\0\x00\xD8" "b", 7), SettingsEncoding::Utf16LE, {u"a\xD800"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const SettingsText text = DecodeSettingsText(c.bytes, &DecodeWindows1252);
    EXPECT_EQ(text.encoding, c.encoding);
    EXPECT_EQ(text.lines, c.lines);
  }
  // Without a mark and not UTF-8: the decoder given, the system's code page (here Greek).
  const AnsiDecoder greek = [](std::string_view bytes) {
    std::u16string text;
    for (char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      text += static_cast<char16_t>(b >= 0xC1 && b <= 0xD1 ? 0x0391 + (b - 0xC1) : b);
    }
    return text;
  };
  EXPECT_EQ(DecodeSettingsText("\xC1\xC2=\xD1\r\n", greek).lines, std::vector<std::u16string>{u"\u0391\u0392=\u03A1"});
  EXPECT_EQ(EncodeSettingsText({u"a\xD800"}, SettingsEncoding::Utf16LE), std::string("\xFF\xFE" "a\0\x00\xD8\r\0\n\0", 10));
  EXPECT_EQ(EncodeSettingsText({u"a\xD800"}, SettingsEncoding::Utf8), "\xEF\xBB\xBF" "a\xEF\xBF\xBD\r\n");
}

TEST(SettingsRestore, EachLineReachesItsControlOrIsPassedOver) {
  const std::u16string folder = Key(u"FormCVPluginDenoise", u"EdFolder") + u"%";
  const std::u16string eightBit = Key(u"FormCVPluginDenoise", u"CBScale8bit") + u"%";
  const std::u16string strength = Key(u"FormCVPluginDenoise", u"edstrength") + u"%";
  struct Case {
    const char* what;
    std::vector<std::u16string> lines;
    std::wstring folder;
    bool eightBit;
    std::wstring strength;
  } cases[] = {
      {"values", {folder + u"C:\\x\\", eightBit + u"0", strength + u"35"}, L"C:\\x\\", false, L"35"},
      {"an empty value empties an edit, leaves a check box", {folder, eightBit}, L"", true, L"80"},
      {"not a number unchecks", {eightBit + u"yes"}, L"design", false, L"80"},
      {"split at the first %; the last line wins", {strength + u"5%0", strength + u"6%0"}, L"design", true, L"6%0"},
      {"short, %-first, undecodable and other-form lines",
       {u"abcde", u"%" + folder + u"x", u"EDFOLDER%x", Key(u"FormOther", u"EdFolder") + u"%x"}, L"design", true, L"80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDialog dialog;
    dialog.folder->text = L"design";
    dialog.eightBit->checked = true;
    TAutosaver store;
    std::string bytes;
    for (const std::u16string& line : c.lines) bytes += Utf16ToUtf8(line) + "\n";
    store.LoadBytes(bytes);
    store.RestoreForm(dialog.form);
    EXPECT_EQ(dialog.folder->text, c.folder);
    EXPECT_EQ(dialog.eightBit->checked, c.eightBit);
    EXPECT_EQ(dialog.strength->text, c.strength);
    EXPECT_EQ(store.Lines(), c.lines) << "restoring changes no line";
  }
}

TEST(SettingsCapture, OnlyOurLinesChangeAndTheFileDoesNotGrow) {
  Component form;
  form.SetName(L"Form1");
  auto* edit1 = new FakeEdit(&form, L"Edit1");
  auto* edit10 = new FakeEdit(&form, L"Edit10");
  (new FakeEdit(&form, L"Edit\u00C4"))->text = L"no key can name it";
  (new FakeEdit(&form, L"Edit2", 0))->text = L"not marked";
  auto* list = new FakeList(&form, L"List1");
  new Fake<>(&form, L"Label1");
  const std::u16string k1 = Key(u"Form1", u"Edit1"), k10 = Key(u"Form1", u"Edit10"), kList = Key(u"Form1", u"List1");
  TAutosaver store;
  store.LoadBytes(Utf16ToUtf8(k1 + u"%one\n" + k10 + u"%ten\n"));  // the shorter key begins the later one
  edit1->text = L"--NoData--";  // a user's text like any other
  edit10->text = L"line\r\nbreak";
  list->index = 2;
  for (int save = 0; save < 3; ++save) store.CaptureForm(form);
  EXPECT_EQ(store.Lines(), (std::vector<std::u16string>{k1 + u"%--NoData--", k10 + u"%ten", kList + u"%2"}))
      << "a value with a line break keeps its earlier line";

  // Our key twice (written by hand): the restore takes the last line, so the save changes
  // that one.
  FakeDialog dialog;
  const std::u16string strength = Key(u"FormCVPluginDenoise", u"EdStrength");
  TAutosaver twice;
  twice.LoadBytes(Utf16ToUtf8(strength + u"%30\n" + strength + u"%40\n"));
  dialog.strength->text = L"55";
  twice.CaptureForm(dialog.form);
  dialog.strength->text = L"80";
  twice.RestoreForm(dialog.form);
  EXPECT_EQ(dialog.strength->text, L"55");
  EXPECT_EQ(twice.Lines()[0], strength + u"%30");

  Component other;
  other.SetName(L"FORM1");
  auto* sameList = new FakeList(&other, L"list1");
  store.RestoreForm(other);
  EXPECT_EQ(sameList->index, 2) << "names match in any case";
}

}  // namespace
