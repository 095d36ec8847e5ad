// The settings store: TAutosaver keeps the values of a form's marked controls (tag 12345)
// as lines of a small text file, one line per control, "stored key%value". The stored key
// is "FORM?CONTROL" (the two component names in ASCII capitals) with each character
// shifted by a small per-position offset. Lines the store does not recognise (other forms,
// hand-written lines, malformed ones) stay in the list, in their place, and are written
// back unchanged, in the encoding the file was read in.
//
// The module holds one store for its whole life (Autosaver()); the dialog restores its
// controls from it when it is created and saves them when it goes.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsText.h"
#include "toolkit/Component.h"

namespace nox {

// What the store needs of the platform: reading a whole file, replacing a whole file
// safely, and the ANSI code page for files that are not UTF-8.
class SettingsFiles {
 public:
  enum class ReadResult {
    Read,
    Missing,     // no such file (or folder): nothing there to keep
    Unreadable,  // it is there but could not be read: locked, a read error, over the limit
  };
  virtual ~SettingsFiles() = default;
  // The whole file into `bytes` when the result is Read; a file longer than `limit` bytes
  // is Unreadable.
  virtual ReadResult ReadAll(const std::wstring& fileName, std::size_t limit, std::string& bytes) = 0;
  // Writes the bytes as the file's new content so that the old content stays whole on
  // every failure; false on failure.
  virtual bool ReplaceAll(const std::wstring& fileName, const std::string& bytes) = 0;
  virtual AnsiDecoder Ansi() const = 0;
};

// Raised by EncodeKey for a name with a character outside the key alphabet.
class EncodeIdenError : public std::runtime_error {
 public:
  EncodeIdenError() : std::runtime_error("EncodeIden") {}
};

class TAutosaver {
 public:
  static constexpr int kSavedTag = 12345;
  // A settings file larger than this is not read (it cannot be one of ours).
  static constexpr std::size_t kMaxFileSize = 1 << 20;

  // Without `files`, LoadFile and SaveFile fail and the store works on its list alone.
  explicit TAutosaver(std::unique_ptr<SettingsFiles> files = nullptr);

  // Replaces the list with the file's lines and remembers its encoding; false, with the
  // list as it was, when the file is missing, unreadable or too large. A file that is
  // there but cannot be read is remembered: its lines are not in the list.
  bool LoadFile(const std::wstring& fileName);
  // Writes the list; false on any failure, the old file then left as it was. When the
  // last load found the file there but unreadable, it is read now and the values set
  // since then are merged into its lines, so that no line of it is lost; when it still
  // cannot be read it is left as it is (a later save tries again).
  bool SaveFile(const std::wstring& fileName);
  // The same with the file's bytes.
  void LoadBytes(std::string_view bytes);
  std::string SavedBytes() const;

  // Sets the form's marked controls from the lines that name the form; a line that
  // fails is passed over.
  void RestoreForm(Component& form);
  // Puts the values of the form's marked controls into the list. A control that cannot
  // be stored (a name outside the key alphabet, a value holding a line break, a kind
  // without a value) is skipped and keeps its earlier line.
  void CaptureForm(const Component& form);
  // Sets the first marked control of the form whose name in capitals is `controlName`
  // and that can take a value.
  void RestoreControl(Component& form, std::u16string_view controlName, std::u16string_view value);
  // Replaces the last line holding exactly this key, or appends one.
  void SetValue(std::u16string_view key, std::u16string_view value);

  // Throws EncodeIdenError.
  static std::u16string EncodeKey(std::u16string_view formName, std::u16string_view controlName);
  static bool DecodeKey(std::u16string_view key, std::u16string& formName, std::u16string& controlName);

  const std::vector<std::u16string>& Lines() const { return mLines; }
  SettingsEncoding Encoding() const { return mEncoding; }

 private:
  std::unique_ptr<SettingsFiles> mFiles;
  std::vector<std::u16string> mLines;
  SettingsEncoding mEncoding = SettingsEncoding::Utf8;
  // The keys SetValue wrote since the list was last loaded, in order.
  std::vector<std::u16string> mSetKeys;
  // The file the last load found there but could not read.
  std::optional<std::wstring> mUnreadFile;
};

// A control's value as stored, or nothing when the control has no kind the store knows.
std::optional<std::u16string> StoredValue(const Component& control);
// A name in ASCII capitals, as the keys carry it.
std::u16string KeyName(const std::wstring& name);

// The module's one store: null before CreateAutosaver and after DestroyAutosaver.
TAutosaver* Autosaver();
void CreateAutosaver(std::unique_ptr<SettingsFiles> files);
void DestroyAutosaver();

}  // namespace nox
