// The settings store natively: keys, reading the three encodings, restoring and capturing
// marked controls, and the file calls around a fake file system.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "settings/FakeControls.h"
#include "settings/LibAutosave.h"

using namespace nox;
using namespace nox::test;

namespace {

TEST(SettingsKeys, EncodeAndDecodeTheKeyAlphabetAndRefuseTheRest) {
  std::u16string form, control;
  for (auto names : {std::pair<const char16_t*, const char16_t*>{u"FormCVPluginDenoise", u"EdStrength"},
                     {u"f", u"x_9"},
                     {u"A1", u"B?C"}}) {
    const std::u16string key = TAutosaver::EncodeKey(names.first, names.second);
    ASSERT_TRUE(TAutosaver::DecodeKey(key, form, control));
    EXPECT_EQ(form + u"?" + control, KeyName(FromUtf16(names.first)) + u"?" + KeyName(FromUtf16(names.second)));
  }
  for (auto names : {std::pair<const char16_t*, const char16_t*>{u"Form", u"\u00C9dit"},  // not ASCII
                     {u"Form", u"a b"},
                     {u"Fo%rm", u"X"},
                     {u"Form", u"a\u0131"}}) {  // dotless i: no ASCII capital
    EXPECT_THROW(TAutosaver::EncodeKey(names.first, names.second), EncodeIdenError) << std::string(names.second, names.second + 1);
  }
  // A text that does not decode, or whose "?" leaves no form or no control name.
  for (const std::u16string& bad : {std::u16string(u"EDFOLDER"), TAutosaver::EncodeKey(u"", u"X"),
                                    TAutosaver::EncodeKey(u"F", u""), std::u16string()}) {
    form = u"stale";
    EXPECT_FALSE(TAutosaver::DecodeKey(bad, form, control));
    EXPECT_TRUE(form.empty() && control.empty());
  }
}

TEST(SettingsText, ReadsEachEncodingAndEveryLineEnding) {
  struct Case {
    std::string bytes;
    SettingsEncoding encoding;
    std::vector<std::u16string> lines;
  } cases[] = {
      {"", SettingsEncoding::Utf8, {}},
      {"\xEF\xBB\xBF", SettingsEncoding::Utf8, {}},
      {"\xEF\xBB\xBF" "a\r\nb\rc\nd", SettingsEncoding::Utf8, {u"a", u"b", u"c", u"d"}},
      {"x\r\n\r\n\n\r", SettingsEncoding::Utf8, {u"x", u"", u"", u""}},
      {"\xC3\x9C" "ber", SettingsEncoding::Utf8, {u"\u00DCber"}},
      // Not UTF-8 and no mark: the ANSI code page, written back as UTF-8.
      {"C:\\\xDC" "ber\\\r\n", SettingsEncoding::Utf8, {u"C:\\\u00DCber\\"}},
      {"\xC0\xAF\x80", SettingsEncoding::Utf8, {u"\u00C0\u00AF\u20AC"}},
      // With the mark, a malformed sequence is one replacement character.
      {"\xEF\xBB\xBF" "a\xE2\x82" "b", SettingsEncoding::Utf8, {u"a\uFFFDb"}},
      {std::string("\xFF\xFE" "a\0\r\0\n\0\x3D\xD8\x1E\xDD", 12), SettingsEncoding::Utf16LE, {u"a", u"\U0001F51E"}},
      // An odd last byte is dropped; a lone surrogate stays.
      {std::string("\xFF\xFE" "a\0\x00\xD8" "b", 7), SettingsEncoding::Utf16LE, {u"a\xD800"}},
      {std::string("\xFE\xFF\0a\0\n\0b", 8), SettingsEncoding::Utf16BE, {u"a", u"b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const SettingsText text = DecodeSettingsText(c.bytes, &DecodeWindows1252);
    EXPECT_EQ(text.encoding, c.encoding);
    EXPECT_EQ(text.lines, c.lines);
  }
  // Written back: UTF-16 unchanged unit for unit, a lone surrogate in UTF-8 replaced.
  const std::string lone("\xFF\xFE" "a\0\x00\xD8\r\0\n\0", 10);
  EXPECT_EQ(EncodeSettingsText(DecodeSettingsText(lone, nullptr).lines, SettingsEncoding::Utf16LE), lone);
  EXPECT_EQ(EncodeSettingsText({u"a\xD800"}, SettingsEncoding::Utf8), "\xEF\xBB\xBF" "a\xEF\xBF\xBD\r\n");
}

// A store over lines of a file that names the fake dialog's controls.
std::u16string FolderKey() { return TAutosaver::EncodeKey(u"FormCVPluginDenoise", u"EdFolder"); }
std::u16string EightBitKey() { return TAutosaver::EncodeKey(u"FormCVPluginDenoise", u"CBScale8bit"); }
std::u16string StrengthKey() { return TAutosaver::EncodeKey(u"FormCVPluginDenoise", u"EdStrength"); }

TEST(SettingsRestore, EachLineReachesItsControlOrIsPassedOver) {
  struct Case {
    const char* what;
    std::vector<std::u16string> lines;
    std::wstring folder;
    bool eightBit;
    std::wstring strength;
  } cases[] = {
      {"nothing stored", {}, L"design", true, L"80"},
      {"values", {FolderKey() + u"%C:\\x\\", EightBitKey() + u"%0", StrengthKey() + u"%35"}, L"C:\\x\\", false, L"35"},
      {"an empty value empties an edit and leaves a check box",
       {FolderKey() + u"%", EightBitKey() + u"%"}, L"", true, L"80"},
      {"a check box value that is not a number unchecks", {EightBitKey() + u"%yes"}, L"design", false, L"80"},
      {"a value is split at the first %", {StrengthKey() + u"%5%0"}, L"design", true, L"5%0"},
      {"the last of several lines wins", {StrengthKey() + u"%10", StrengthKey() + u"%20"}, L"design", true, L"20"},
      {"short, %-first, undecodable and other-form lines",
       {u"abcde", u"%" + FolderKey() + u"%x", u"EDFOLDER%x",
        TAutosaver::EncodeKey(u"FormOther", u"EdFolder") + u"%x", FolderKey()},
       L"design", true, L"80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDialog dialog;
    dialog.folder->text = L"design";
    dialog.eightBit->checked = true;
    TAutosaver store;
    std::string bytes = "\xEF\xBB\xBF";
    for (const std::u16string& line : c.lines) bytes += Utf16ToUtf8(line) + "\r\n";
    store.LoadBytes(bytes);
    store.RestoreForm(dialog.form);
    EXPECT_EQ(dialog.folder->text, c.folder);
    EXPECT_EQ(dialog.eightBit->checked, c.eightBit);
    EXPECT_EQ(dialog.strength->text, c.strength);
    EXPECT_EQ(store.Lines(), c.lines) << "restoring changes no line";
  }
}

TEST(SettingsRestore, IndexControlsUnmarkedControlsAndNamesInAnyCase) {
  Component form;
  form.SetName(L"fORM");
  auto* list = new FakeList(&form, L"List1");
  auto* unmarked = new FakeEdit(&form, L"Edit1", 0);
  auto* noValue = new FakeLabel(&form, L"Combo1");
  auto* combo = new FakeList(&form, L"COMBO1");  // after a same-named control without a value
  (void)noValue;
  TAutosaver store;
  store.SetValue(TAutosaver::EncodeKey(u"Form", u"list1"), u"3");
  store.SetValue(TAutosaver::EncodeKey(u"FORM", u"Edit1"), u"changed");
  store.SetValue(TAutosaver::EncodeKey(u"form", u"Combo1"), u"-1x");
  combo->index = 7;
  store.RestoreForm(form);
  EXPECT_EQ(list->index, 3);
  EXPECT_EQ(unmarked->text, L"") << "only tag 12345 takes part";
  EXPECT_EQ(combo->index, 0) << "not a number: 0";
}

TEST(SettingsCapture, OnlyOurLinesChangeAndTheFileDoesNotGrow) {
  Component form;
  form.SetName(L"Form1");
  auto* edit1 = new FakeEdit(&form, L"Edit1");
  auto* edit10 = new FakeEdit(&form, L"Edit10");
  auto* odd = new FakeEdit(&form, L"Edit\u00C4");  // no key can name it
  auto* check = new FakeCheck(&form, L"Check1");
  auto* list = new FakeList(&form, L"List1");
  new FakeLabel(&form, L"Label1");
  const std::u16string k1 = TAutosaver::EncodeKey(u"Form1", u"Edit1");
  const std::u16string k10 = TAutosaver::EncodeKey(u"Form1", u"Edit10");
  TAutosaver store;
  store.SetValue(k1, u"one");  // the shorter key begins the later, longer one
  store.SetValue(k10, u"ten");
  store.SetValue(u"", u"no key: nothing");

  edit1->text = L"--NoData--";  // a user's text like any other
  edit10->text = L"line\r\nbreak";
  odd->text = L"x";
  check->checked = true;
  list->index = -1;
  for (int save = 0; save < 3; ++save) store.CaptureForm(form);
  const std::u16string checkKey = TAutosaver::EncodeKey(u"Form1", u"Check1");
  const std::u16string listKey = TAutosaver::EncodeKey(u"Form1", u"List1");
  EXPECT_EQ(store.Lines(), (std::vector<std::u16string>{k1 + u"%--NoData--", k10 + u"%ten", checkKey + u"%1",
                                                        listKey + u"%-1"}))
      << "a value with a line break keeps the earlier line; the rest are replaced in place";

  edit10->text = L"10";
  store.CaptureForm(form);
  EXPECT_EQ(store.Lines()[1], k10 + u"%10");
  EXPECT_EQ(store.Lines().size(), 4u);
}

// Files held in memory; reads beyond the limit fail as the real file system's do.
class MemoryFiles : public SettingsFiles {
 public:
  explicit MemoryFiles(std::map<std::wstring, std::string>& files) : mFiles(files) {}
  bool ReadAll(const std::wstring& name, std::size_t limit, std::string& bytes) override {
    auto it = mFiles.find(name);
    if (it == mFiles.end() || it->second.size() > limit) return false;
    bytes = it->second;
    return true;
  }
  bool ReplaceAll(const std::wstring& name, const std::string& bytes) override {
    if (name.find(L"readonly") != std::wstring::npos) return false;
    mFiles[name] = bytes;
    return true;
  }
  AnsiDecoder Ansi() const override { return &DecodeWindows1252; }

 private:
  std::map<std::wstring, std::string>& mFiles;
};

TEST(SettingsFile, AFailedLoadKeepsTheListAndTheEncodingGoesBackAsItCame) {
  std::map<std::wstring, std::string> files;
  files[L"le.ini"] = std::string("\xFF\xFE" "x\0", 4);
  files[L"huge.ini"] = std::string(TAutosaver::kMaxFileSize + 1, 'a');
  TAutosaver store(std::make_unique<MemoryFiles>(files));
  FakeDialog dialog;
  dialog.folder->text = L"C:\\f\\";
  store.CaptureForm(dialog.form);
  const std::vector<std::u16string> captured = store.Lines();

  EXPECT_FALSE(store.LoadFile(L"missing.ini"));
  EXPECT_FALSE(store.LoadFile(L"huge.ini"));
  EXPECT_EQ(store.Lines(), captured) << "the list stays what the capture put there";
  EXPECT_FALSE(store.SaveFile(L"readonly.ini"));

  ASSERT_TRUE(store.LoadFile(L"le.ini"));
  EXPECT_EQ(store.Encoding(), SettingsEncoding::Utf16LE);
  store.CaptureForm(dialog.form);
  ASSERT_TRUE(store.SaveFile(L"le.ini"));
  EXPECT_EQ(files[L"le.ini"].substr(0, 8), std::string("\xFF\xFE" "x\0\r\0\n\0", 8));
  const SettingsText written = DecodeSettingsText(files[L"le.ini"], nullptr);
  EXPECT_EQ(written.encoding, SettingsEncoding::Utf16LE);
  EXPECT_EQ(written.lines.size(), 4u) << "the line read and the three captured";
  EXPECT_EQ(written.lines, store.Lines());

  EXPECT_FALSE(TAutosaver().LoadFile(L"le.ini")) << "no file system: nothing is read";
}

}  // namespace
