#include "settings/LibAutosave.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "toolkit/ValueControls.h"

namespace nox {

namespace {

// Added to the character at 1-based position p of a plain key: entry p AND 7.
constexpr int32_t KeyOffsets[8] = {6, 12, 2, 17, 8, 4, 15, 10};

char16_t Offset(std::size_t index) { return static_cast<char16_t>(KeyOffsets[(index + 1) & 7] & 0xFFFF); }

bool IsKeyChar(char16_t c) {
  return (c >= u'0' && c <= u'9') || c == u'?' || (c >= u'A' && c <= u'Z') || c == u'_';
}

std::u16string UpperAscii(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
  return out;
}

bool HasLineBreak(std::u16string_view text) { return text.find_first_of(u"\r\n") != std::u16string_view::npos; }

// A value's integer: an optional sign and decimal digits that fit 32 bits, else 0.
int IntegerOf(std::u16string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i == text.size()) return 0;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9') return 0;
    value = value * 10 + (text[i] - u'0');
    if (value > int64_t{INT32_MAX} + 1) return 0;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return 0;
  return static_cast<int>(value);
}

std::u16string Decimal(int value) {
  std::u16string out;
  for (char c : std::to_string(value)) out += static_cast<char16_t>(c);
  return out;
}

std::unique_ptr<TAutosaver> gAutosaver;

}  // namespace

// ---- keys

std::u16string KeyName(const std::wstring& name) { return UpperAscii(ToUtf16(name)); }

std::u16string TAutosaver::EncodeKey(std::u16string_view formName, std::u16string_view controlName) {
  std::u16string key = UpperAscii(formName);
  key += u'?';
  key += UpperAscii(controlName);
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (!IsKeyChar(key[i])) throw EncodeIdenError();
    key[i] = static_cast<char16_t>(key[i] + Offset(i));
  }
  return key;
}

bool TAutosaver::DecodeKey(std::u16string_view key, std::u16string& formName, std::u16string& controlName) {
  formName.clear();
  controlName.clear();
  std::u16string plain(key);
  for (std::size_t i = 0; i < plain.size(); ++i) {
    plain[i] = static_cast<char16_t>(plain[i] - Offset(i));
    if (!IsKeyChar(plain[i])) return false;
  }
  const std::size_t q = plain.find(u'?');
  if (q == std::u16string::npos || q == 0 || q + 1 >= plain.size()) return false;
  formName = plain.substr(0, q);
  controlName = plain.substr(q + 1);
  return true;
}

// ---- the list

TAutosaver::TAutosaver(std::unique_ptr<SettingsFiles> files) : mFiles(std::move(files)) {}

namespace {

// The last line holding exactly this key (the whole key and its "%": a key that only
// begins another one is a different key), or the list's size.
std::size_t LastLineOf(const std::vector<std::u16string>& lines, std::u16string_view key) {
  for (std::size_t i = lines.size(); i-- > 0;) {
    const std::u16string& line = lines[i];
    if (line.size() > key.size() && line[key.size()] == u'%' && line.compare(0, key.size(), key) == 0) return i;
  }
  return lines.size();
}

}  // namespace

void TAutosaver::SetValue(std::u16string_view key, std::u16string_view value) {
  if (key.empty()) return;
  std::u16string line(key);
  line += u'%';
  line += value;
  const std::size_t i = LastLineOf(mLines, key);
  if (i < mLines.size())
    mLines[i] = std::move(line);
  else
    mLines.push_back(std::move(line));
  if (std::find(mSetKeys.begin(), mSetKeys.end(), key) == mSetKeys.end()) mSetKeys.emplace_back(key);
}

std::optional<std::u16string> StoredValue(const Component& control) {
  if (auto* text = dynamic_cast<const TextValueControl*>(&control)) return ToUtf16(text->ValueText());
  if (auto* check = dynamic_cast<const CheckValueControl*>(&control))
    return std::u16string(check->ValueChecked() ? u"1" : u"0");
  if (auto* index = dynamic_cast<const IndexValueControl*>(&control)) return Decimal(index->ValueIndex());
  return std::nullopt;
}

void TAutosaver::CaptureForm(const Component& form) {
  const std::u16string formName = KeyName(form.Name());
  for (const Component* control : form.Components()) {
    if (control->Tag() != kSavedTag) continue;
    const std::optional<std::u16string> value = StoredValue(*control);
    if (!value || HasLineBreak(*value)) continue;  // it would split into a stray line
    std::u16string key;
    try {
      key = EncodeKey(formName, KeyName(control->Name()));
    } catch (const EncodeIdenError&) {
      continue;  // no key can name it; an earlier line stays as it was
    }
    SetValue(key, *value);
  }
}

namespace {

// The form's marked controls with their names in capitals, in the form's order: taken once
// for a whole restore.
struct MarkedControl {
  Component* control;
  std::u16string name;
};

std::vector<MarkedControl> MarkedControls(const Component& form) {
  std::vector<MarkedControl> marked;
  for (Component* control : form.Components())
    if (control->Tag() == TAutosaver::kSavedTag) marked.push_back({control, KeyName(control->Name())});
  return marked;
}

void RestoreMarked(const std::vector<MarkedControl>& marked, std::u16string_view controlName,
                   std::u16string_view value) {
  for (const MarkedControl& m : marked) {
    if (m.name != controlName) continue;
    if (auto* text = dynamic_cast<TextValueControl*>(m.control)) {
      text->SetValueText(FromUtf16(value));
      return;
    }
    auto* check = dynamic_cast<CheckValueControl*>(m.control);
    auto* index = dynamic_cast<IndexValueControl*>(m.control);
    if (!check && !index) continue;  // no value to take: the search goes on
    if (value.empty()) return;
    if (check)
      check->SetValueChecked(IntegerOf(value) != 0);
    else
      index->SetValueIndex(IntegerOf(value));
    return;
  }
}

}  // namespace

void TAutosaver::RestoreControl(Component& form, std::u16string_view controlName, std::u16string_view value) {
  RestoreMarked(MarkedControls(form), controlName, value);
}

void TAutosaver::RestoreForm(Component& form) {
  const std::u16string formName = KeyName(form.Name());
  const std::vector<MarkedControl> marked = MarkedControls(form);
  std::u16string lineForm, lineControl;
  // By index and with a copy of each line: a control that reacts to its new value may
  // reach this store again.
  for (std::size_t i = 0; i < mLines.size(); ++i) {
    if (mLines[i].size() < 6) continue;
    const std::u16string line = mLines[i];
    const std::size_t percent = line.find(u'%');
    if (percent == std::u16string::npos || percent == 0) continue;
    if (!DecodeKey(std::u16string_view(line).substr(0, percent), lineForm, lineControl)) continue;
    if (lineForm != formName) continue;
    try {
      RestoreMarked(marked, lineControl, std::u16string_view(line).substr(percent + 1));
    } catch (...) {
      // one control that cannot take its value does not stop the others
    }
  }
}

// ---- the file

void TAutosaver::LoadBytes(std::string_view bytes) {
  SettingsText text = DecodeSettingsText(bytes, mFiles ? mFiles->Ansi() : nullptr);
  mLines = std::move(text.lines);
  mEncoding = text.encoding;
  mSetKeys.clear();
}

std::string TAutosaver::SavedBytes() const { return EncodeSettingsText(mLines, mEncoding); }

bool TAutosaver::LoadFile(const std::wstring& fileName) {
  if (!mFiles) return false;
  try {
    std::string bytes;
    const SettingsFiles::ReadResult result = mFiles->ReadAll(fileName, kMaxFileSize, bytes);
    if (result == SettingsFiles::ReadResult::Unreadable)
      mUnreadFile = fileName;
    else
      mUnreadFile.reset();
    if (result != SettingsFiles::ReadResult::Read) return false;
    LoadBytes(bytes);
    return true;
  } catch (...) {
    return false;
  }
}

bool TAutosaver::SaveFile(const std::wstring& fileName) {
  if (!mFiles) return false;
  try {
    if (mUnreadFile && *mUnreadFile == fileName) {
      std::string bytes;
      switch (mFiles->ReadAll(fileName, kMaxFileSize, bytes)) {
        case SettingsFiles::ReadResult::Unreadable: return false;  // kept; the next save tries again
        case SettingsFiles::ReadResult::Missing: break;            // gone: the list is all there is
        case SettingsFiles::ReadResult::Read: {
          // The file's lines, in its encoding, with the values set since it could not be read.
          std::vector<std::pair<std::u16string, std::u16string>> values;
          for (const std::u16string& key : mSetKeys) {
            const std::size_t i = LastLineOf(mLines, key);
            if (i < mLines.size()) values.emplace_back(key, mLines[i].substr(key.size() + 1));
          }
          LoadBytes(bytes);
          for (const auto& [key, value] : values) SetValue(key, value);
          break;
        }
      }
      mUnreadFile.reset();
    }
    return mFiles->ReplaceAll(fileName, SavedBytes());
  } catch (...) {
    return false;
  }
}

// ---- the module's store

TAutosaver* Autosaver() { return gAutosaver.get(); }

void CreateAutosaver(std::unique_ptr<SettingsFiles> files) {
  gAutosaver = std::make_unique<TAutosaver>(std::move(files));
}

void DestroyAutosaver() { gAutosaver.reset(); }

}  // namespace nox
