// The dialog's folder routines and its accessors for the workflow, linked in directly
// (no DLL) so that their results can be read.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <string>

#include "dialog/ControlIds.h"
#include "dialog/Unit1.h"
#include "toolkit/Application.h"

using namespace nox;

namespace {

std::wstring LocalAppData() {
  wchar_t buf[MAX_PATH] = {};
  SHGetSpecialFolderPathW(nullptr, buf, CSIDL_LOCAL_APPDATA, FALSE);
  return AddTrailingBackslash(buf);
}

// Creates a folder for the test's duration; leaves alone one that existed before.
class ScopedFolder {
 public:
  explicit ScopedFolder(const std::wstring& path) : mPath(path) {
    mExisted = DirectoryExists(path);
    if (!mExisted) CreateDirectoryW(path.c_str(), nullptr);
  }
  ~ScopedFolder() {
    if (!mExisted) RemoveDirectoryW(mPath.c_str());
  }
  bool Existed() const { return mExisted; }

 private:
  std::wstring mPath;
  bool mExisted = false;
};

std::wstring gLongTemp;
DWORD WINAPI LongTempPath(DWORD size, LPWSTR buffer) {
  const DWORD needed = static_cast<DWORD>(gLongTemp.size()) + 1;
  if (size < needed) return needed;  // as GetTempPathW reports a buffer too small
  lstrcpyW(buffer, gLongTemp.c_str());
  return needed - 1;
}
DWORD WINAPI FailingTempPath(DWORD, LPWSTR) { return 0; }

TEST(DialogFolders, TrailingBackslashAndTheTemporaryFolder) {
  EXPECT_EQ(AddTrailingBackslash(L""), L"");
  EXPECT_EQ(AddTrailingBackslash(L"D:\\Tools\\Denoiser"), L"D:\\Tools\\Denoiser\\");
  EXPECT_EQ(AddTrailingBackslash(L"E:\\"), L"E:\\");

  wchar_t real[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, real);
  EXPECT_EQ(GetTempFolder(), AddTrailingBackslash(real));

  gLongTemp = L"C:\\" + std::wstring(300, L'x') + L"\\deeper";  // no trailing backslash
  EXPECT_EQ(GetTempFolderFrom(&LongTempPath), gLongTemp + L"\\") << "read with a larger buffer";
  EXPECT_EQ(GetTempFolderFrom(&FailingTempPath), L"");
}

TEST(DialogFolders, ConfigBesideTheHostWinsThenThePerUserFolders) {
  wchar_t tmp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, tmp);
  const std::wstring fakeExeFolder =
      std::wstring(tmp) + L"noxcfg" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  const std::wstring config = fakeExeFolder + L"Config\\";
  const std::wstring demo = LocalAppData() + L"CelvantaDemo\\";
  const std::wstring full = LocalAppData() + L"Celvanta\\";
  {
    ScopedFolder exe(fakeExeFolder);
    ScopedFolder cfg(config);
    ScopedFolder perUser(full);
    EXPECT_EQ(FindConfigFolderFrom(fakeExeFolder, L"Celvanta"), config);
    EXPECT_EQ(FindConfigFolderFrom(fakeExeFolder, L"CelvantaDemo"), config) << "whatever the host name";
  }
  if (DirectoryExists(full)) GTEST_SKIP() << "a Celvanta folder exists in this prefix already";
  {
    ScopedFolder onlyDemo(demo);
    if (onlyDemo.Existed()) GTEST_SKIP() << "a CelvantaDemo folder exists in this prefix already";
    EXPECT_EQ(FindConfigFolderFrom(fakeExeFolder, L"Celvanta"), L"") << "no folder is created";
    EXPECT_FALSE(DirectoryExists(full));
    EXPECT_EQ(FindConfigFolderFrom(fakeExeFolder, L"CelvantaDemo"), demo);

    if (DirectoryExists(HostExeFolder() + L"Config\\")) GTEST_SKIP() << "Config beside the test executable";
    auto* form = new TFormCVPluginDenoise();
    EXPECT_EQ(form->ConfigFolder, demo);
    EXPECT_EQ(form->TempFolder, GetTempFolder());
    EXPECT_EQ(form->SettingsFile(), demo + L"NoxfadePlugin12.ini");
    form->Free();
  }
  auto* form = new TFormCVPluginDenoise();
  EXPECT_EQ(form->ConfigFolder, form->TempFolder) << "neither per-user folder: the temporary one";
  form->Free();
}

TEST(DialogFolders, WhatTheWorkflowReadsAndWrites) {
  auto* form = new TFormCVPluginDenoise();
  HWND dlg = form->Handle();
  EXPECT_EQ(form->StrengthValue(), 80);
  EXPECT_EQ(form->StrengthIntegerValue(), 80);
  const struct { const wchar_t* text; double value; int64_t integer; } cases[] = {
      {L"82.5", 82.5, 82}, {L"83.5", 83.5, 84}, {L"3", 5, 5}, {L"250", 100, 100}, {L"abc", 80, 80}, {L"", 80, 80}};
  for (const auto& c : cases) {
    SetDlgItemTextW(dlg, IdEdStrength, c.text);
    EXPECT_EQ(form->StrengthValue(), c.value);
    EXPECT_EQ(form->StrengthIntegerValue(), c.integer);
  }
  EXPECT_FALSE(form->Scale8bit());
  SendDlgItemMessageW(dlg, IdCBScale8bit, BM_CLICK, 0, 0);
  EXPECT_TRUE(form->Scale8bit());

  SetDlgItemTextW(dlg, IdEdFolder, L"D:\\Tools\\");
  EXPECT_EQ(form->FolderText(), L"D:\\Tools\\");
  form->ClearLog();
  form->AppendLog(L"one");
  form->AppendLog(L"two");
  wchar_t log[64] = {};
  GetDlgItemTextW(dlg, IdMemoLog, log, 64);
  EXPECT_STREQ(log, L"one\r\ntwo");

  EXPECT_FALSE(form->Busy());
  form->SetStartEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IdButStart)));
  EXPECT_TRUE(form->Busy());
  form->SetStartEnabled(true);
  EXPECT_FALSE(form->Busy());

  form->Show();
  SetWindowPos(dlg, nullptr, 123, 45, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(form->ScreenLeft(), 123);
  EXPECT_EQ(form->ScreenTop(), 45);
  EXPECT_EQ(form->Name(), L"FormCVPluginDenoise");
  EXPECT_EQ(form->FindComponent(L"EdStrength")->Tag(), 12345);
  EXPECT_EQ(form->FindComponent(L"CBScale8bit")->Tag(), 12345);
  EXPECT_EQ(form->FindComponent(L"EdFolder")->Tag(), 12345);
  EXPECT_EQ(form->FindComponent(L"ButStart")->Tag(), 0);
  form->Free();
}

}  // namespace
