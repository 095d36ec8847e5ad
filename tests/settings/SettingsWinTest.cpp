// The settings store in the real plug-in under Wine: the dialog restores its three
// controls when it is created and writes them when the host finalizes or unloads it, with
// a configuration folder whose name is not ASCII, and leaves alone files it must not touch.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <memory>
#include <string>
#include <vector>

#include "dialog/ControlIds.h"
#include "support/FileBytes.h"
#include "support/TestHost.h"

using namespace nox;
using nox::test::ReadFileBytes;
using nox::test::TestHost;
using nox::test::WriteFileBytes;

namespace {

const std::string kMark = "\xEF\xBB\xBF";
const std::string kFolderKey = "RQcUGeZRaIZVHTXUUUVGISPUXFVZ%";
const std::string kEightBitKey = "RQcUGeZRaIZVHTXUUUVGGQ]IMNV@FX^%";
const std::string kStrengthKey = "RQcUGeZRaIZVHTXUUUVGIS]Z^G_OXW%";
const wchar_t kFolder[] = L"C:\\Tools\\N\u00F6xfade \U0001D11E\\";
const std::string kFolderUtf8 = "C:\\Tools\\N\xC3\xB6xfade \xF0\x9D\x84\x9E\\";

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring LocalAppData() {
  wchar_t buf[MAX_PATH] = {};
  SHGetSpecialFolderPathW(nullptr, buf, CSIDL_LOCAL_APPDATA, FALSE);
  return std::wstring(buf) + L"\\";
}

// Every test gets a temporary folder of its own, named with letters from outside ASCII and
// the basic plane; with no configuration folder beside the host or per user, the dialog
// keeps its settings file there.
class SettingsWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::wstring& config : {TestHost::ExeFolder() + L"Config", LocalAppData() + L"Celvanta",
                                       LocalAppData() + L"CelvantaDemo"})
      if (Exists(config)) GTEST_SKIP() << "a configuration folder exists in this prefix";
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    mSavedTemp = temp;
    mFolder = std::wstring(temp) + L"settings \u00DCber \u2603\U0001F600 " + std::to_wstring(GetCurrentProcessId()) +
              L"-" + std::to_wstring(GetTickCount()) + L"\\";
    ASSERT_TRUE(CreateDirectoryW(mFolder.c_str(), nullptr));
    SetEnvironmentVariableW(L"TMP", mFolder.c_str());
    SetEnvironmentVariableW(L"TEMP", mFolder.c_str());
    mFile = mFolder + L"NoxfadePlugin12.ini";
    mHost = std::make_unique<TestHost>();
    ASSERT_TRUE(mHost->Loaded());
  }

  void TearDown() override {
    if (mFolder.empty()) return;  // skipped
    mHost.reset();
    SetEnvironmentVariableW(L"TMP", mSavedTemp.c_str());
    SetEnvironmentVariableW(L"TEMP", mSavedTemp.c_str());
    for (const std::wstring& name : FilesInFolder()) {
      SetFileAttributesW((mFolder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW((mFolder + name).c_str());
    }
    RemoveDirectoryW(mFolder.c_str());
  }

  // A fresh load of the DLL (the old one freed first), initialized and activated.
  void Open() {
    if (!mHost->Loaded()) {
      mHost.reset();
      mHost = std::make_unique<TestHost>();
    }
    ASSERT_EQ(mHost->Initialize(), 1);
    mHost->Activate();
    ASSERT_NE(TestHost::Dialog(), nullptr);
  }

  static std::wstring Text(int id) { return TestHost::Text(TestHost::Control(id)); }
  static void SetText(int id, const std::wstring& text) { SetWindowTextW(TestHost::Control(id), text.c_str()); }
  static bool EightBit() { return SendMessageW(TestHost::Control(IdCBScale8bit), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  static void SetEightBit(bool on) {
    SendMessageW(TestHost::Control(IdCBScale8bit), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  std::vector<std::wstring> FilesInFolder() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((mFolder + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
  }

  std::unique_ptr<TestHost> mHost;
  std::wstring mSavedTemp, mFolder, mFile;
};

TEST_F(SettingsWinTest, FinalizeAndUnloadWriteTheSettingsAndTheNextLoadRestoresThem) {
  Open();
  EXPECT_EQ(Text(IdEdFolder), L"") << "no file: the design values";
  EXPECT_EQ(Text(IdEdStrength), L"80");
  EXPECT_FALSE(EightBit());
  EXPECT_FALSE(Exists(mFile)) << "reading creates nothing";

  SetText(IdEdFolder, kFolder);
  SetText(IdEdStrength, L"45");
  SetEightBit(true);
  mHost->Finalize();  // a host that exits now pumps no further message
  const std::string expected = kMark + kFolderKey + kFolderUtf8 + "\r\n" + kEightBitKey + "1\r\n" +
                               kStrengthKey + "45\r\n";
  EXPECT_EQ(ReadFileBytes(mFile), expected);
  TestHost::Pump(50);  // the release saves the same again
  EXPECT_EQ(ReadFileBytes(mFile), expected);
  EXPECT_EQ(FilesInFolder(), std::vector<std::wstring>{L"NoxfadePlugin12.ini"}) << "no stray new file";
  mHost->Unload();

  Open();
  EXPECT_EQ(Text(IdEdFolder), kFolder);
  EXPECT_EQ(Text(IdEdStrength), L"45");
  EXPECT_TRUE(EightBit());
  SetText(IdEdFolder, L"");
  mHost->Unload();
  EXPECT_EQ(ReadFileBytes(mFile), expected) << "an empty folder is never saved";

  Open();
  SetText(IdEdStrength, L"25");
  mHost->Unload();  // no finalize: the dialog goes with the module
  EXPECT_EQ(ReadFileBytes(mFile), kMark + kFolderKey + kFolderUtf8 + "\r\n" + kEightBitKey + "1\r\n" +
                                      kStrengthKey + "25\r\n");
}

TEST_F(SettingsWinTest, FilesThatMustNotChangeStayAsTheyWereAndTheDialogWorks) {
  const std::string stored = kMark + kFolderKey + "E:\\stored\\\r\n" + kStrengthKey + "30\r\n";
  const std::string foreign = kMark + "; by hand\r\n" + kFolderKey + "E:\\stored\\\r\nabcde\r\n";
  const std::string huge = kMark + kFolderKey + "E:\\huge\\\r\n" + std::string(3 << 20, ' ');
  enum Lock { None, SharedNoDelete, Exclusive, ExclusiveWhileCreated };
  struct Case {
    const char* what;
    std::string bytes;
    bool readOnly;
    Lock lock;
    const wchar_t* restoredFolder;
    std::string after;
  } cases[] = {
      {"read-only", stored, true, None, L"E:\\stored\\", stored},
      {"held open by another program without delete sharing", stored, false, SharedNoDelete, L"E:\\stored\\", stored},
      {"locked all along", foreign, false, Exclusive, L"", foreign},
      // Not read when the dialog came: read again when it saves, and no line is lost.
      {"locked while the dialog was created", foreign, false, ExclusiveWhileCreated, L"",
       kMark + "; by hand\r\n" + kFolderKey + "F:\\new\\\r\nabcde\r\n" + kEightBitKey + "0\r\n" + kStrengthKey +
           "95\r\n"},
      // Not read: the design values; and never replaced, as it cannot be read to keep its lines.
      {"too large to be ours", huge, false, None, L"", huge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteFileBytes(mFile, c.bytes));
    if (c.readOnly) SetFileAttributesW(mFile.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE lock = c.lock == None ? INVALID_HANDLE_VALUE
                                 : CreateFileW(mFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                                               c.lock == SharedNoDelete ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0,
                                               nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_EQ(c.lock != None, lock != INVALID_HANDLE_VALUE);

    Open();
    EXPECT_EQ(Text(IdEdFolder), c.restoredFolder);
    if (c.lock == ExclusiveWhileCreated) {
      CloseHandle(lock);
      lock = INVALID_HANDLE_VALUE;
    }
    SetText(IdEdFolder, L"F:\\new\\");
    SetText(IdEdStrength, L"95");
    EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdStart, kPluginCmdStart), 1) << "the dialog works";
    EXPECT_EQ(TestHost::LogLines(), std::vector<std::wstring>{L"Please open an image."});
    mHost->Finalize();
    // The finalize's save alone already leaves the file as it ends up (the release saves
    // again, and would hide a merge that lost or garbled our values).
    if (lock == INVALID_HANDLE_VALUE && c.after.size() < 4096) {
      EXPECT_EQ(ReadFileBytes(mFile), c.after) << "after the finalize";
    }
    TestHost::Pump(50);
    EXPECT_TRUE(TestHost::DialogWindows().empty()) << "released as usual";
    mHost->Unload();

    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
    const std::string after = ReadFileBytes(mFile);
    if (c.after.size() < 4096)
      EXPECT_EQ(after, c.after);
    else
      EXPECT_TRUE(after == c.after) << "the large file changed, now " << after.size() << " bytes";
    EXPECT_EQ(FilesInFolder(), std::vector<std::wstring>{L"NoxfadePlugin12.ini"}) << "no new file left behind";
    SetFileAttributesW(mFile.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

}  // namespace
