// A host that tears the plug-in down in another order than ours, or from inside one of the
// plug-in's own loops: the help box, a run, the folder edit's context menu. ctest runs each
// order in a process of its own; every order must leave the host alive, no temporary
// file, no denoiser process, no host call after FreeLibrary, the planes untouched or
// holding the whole result, and the user's settings saved.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "dialog/ControlIds.h"
#include "settings/LibAutosave.h"
#include "support/FileBytes.h"
#include "support/ProcessWait.h"
#include "support/TestHost.h"

using namespace nox;
using nox::test::TestHost;

namespace {

enum class Inside { Idle, HelpBox, Run, ContextMenu };

struct Order {
  const char* name;
  Inside inside;            // where the host acts
  bool destroyHostWindow;   // DestroyWindow(host) first (our dialog is owned: it goes too)
  bool finalizeAndUnload;   // pi_finalize, then FreeLibrary
  bool postQuit;            // PostQuitMessage, as a host that is closing does
};

void PrintTo(const Order& order, std::ostream* os) { *os << order.name; }

const Order kOrders[] = {
    {"FinalizeAndUnloadInsideTheHelpBox", Inside::HelpBox, false, true, false},
    {"FinalizeAndUnloadDuringARun", Inside::Run, false, true, false},
    {"FinalizeAndUnloadInsideTheEditsContextMenu", Inside::ContextMenu, false, true, false},
    {"HostWindowFirstThenUnloadWhenIdle", Inside::Idle, true, true, false},
    {"HostWindowFirstThenUnloadDuringARun", Inside::Run, true, true, false},
    {"QuitDuringARun", Inside::Run, false, false, true},
};

std::string Utf8(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// The host's part, run from a thread timer: it fires inside whatever loop is running.
struct Teardown {
  TestHost* host = nullptr;
  const Order* order = nullptr;
  ULONGLONG armedAt = 0;
  bool done = false;
  bool boxClosed = false;
  size_t callsAtUnload = 0;

  // True once the host has acted and the loop it acted in may end.
  bool Tick() {
    if (!done) {
      if (GetTickCount64() - armedAt < 500) return false;
      if (order->inside == Inside::HelpBox && !FindPopup(L"#32770")) return false;
      if (order->inside == Inside::ContextMenu && !FindPopup(L"#32768")) return false;
      Act();
      return order->inside == Inside::Run;
    }
    if (HWND box = FindPopup(L"#32770")) PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    if (order->inside == Inside::ContextMenu) EndMenu();
    return true;
  }

  void Act() {
    done = true;
    if (order->destroyHostWindow) DestroyWindow(host->HostWindow());
    if (order->finalizeAndUnload) {
      host->Finalize();
      host->Unload();
      callsAtUnload = host->Calls.size();
    }
    if (order->postQuit) PostQuitMessage(7);
  }

  static HWND FindPopup(const wchar_t* cls) {
    struct Search {
      const wchar_t* cls;
      HWND found;
    } s{cls, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
          auto* search = reinterpret_cast<Search*>(lp);
          wchar_t name[16] = {};
          GetClassNameW(hwnd, name, 16);
          DWORD pid = 0;
          GetWindowThreadProcessId(hwnd, &pid);
          if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd) || std::wstring(name) != search->cls)
            return TRUE;
          search->found = hwnd;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
  }
};

Teardown* gTeardown = nullptr;
UINT_PTR gTimer = 0;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (gTeardown && gTeardown->Tick()) {
    KillTimer(nullptr, gTimer);
    gTimer = 0;
  }
}

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

// The value stored for one of the dialog's controls, or "(none)".
std::string StoredValue(const std::string& fileBytes, const char16_t* control) {
  TAutosaver store;
  store.LoadBytes(fileBytes);
  const std::u16string key = TAutosaver::EncodeKey(u"FORMCVPLUGINDENOISE", control) + u"%";
  for (const std::u16string& line : store.Lines()) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value;
    for (char16_t c : line.substr(key.size())) value += static_cast<char>(c);
    return value;
  }
  return "(none)";
}

class LifecycleTest : public ::testing::TestWithParam<Order> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(mHost.Loaded());
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    mRoot = std::wstring(temp) + L"lifecycle " + std::to_wstring(GetCurrentProcessId()) + L"\\";
    mTmp = mRoot + L"tmp\\";
    mDenoiserFolder = mRoot + L"denoiser\\";
    for (const std::wstring& folder : {mRoot, mTmp, mDenoiserFolder}) CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((TestHost::ExeFolder() + L"scripted_denoiser.exe").c_str(),
                          (mDenoiserFolder + L"noxfade.exe").c_str(), FALSE));
    SetEnvironmentVariableW(L"TMP", mTmp.c_str());
    SetEnvironmentVariableW(L"TEMP", mTmp.c_str());
    const std::wstring script = mRoot + L"script.txt";
    mPids = mRoot + L"pids.txt";
    SetEnvironmentVariableW(L"SCRIPTED_DENOISER_SCRIPT", script.c_str());
    ASSERT_TRUE(nox::test::WriteFileBytes(script, "child 3000 " + Utf8(mPids) + "\nsleep 3000\ninvert\n"));
    DeleteFileW((TestHost::ExeFolder() + L"NoxfadePlugin-readme.htm").c_str());  // Help: error box
  }

  void TearDown() override {
    if (gTimer) KillTimer(nullptr, gTimer);
    gTimer = 0;
    gTeardown = nullptr;
    SetEnvironmentVariableW(L"SCRIPTED_DENOISER_SCRIPT", nullptr);
  }

  TestHost mHost;
  std::wstring mRoot, mTmp, mDenoiserFolder, mPids;
};

TEST_P(LifecycleTest, TheHostSurvivesAndNothingIsLost) {
  const Order& order = GetParam();
  ASSERT_EQ(mHost.Initialize(), 1);
  mHost.Activate();
  HWND dialog = TestHost::Dialog();
  ASSERT_NE(dialog, nullptr);
  SetDlgItemTextW(dialog, IdEdFolder, mDenoiserFolder.c_str());
  SetDlgItemTextW(dialog, IdEdStrength, L"100");
  SendMessageW(GetDlgItem(dialog, IdCBScale8bit), BM_SETCHECK, BST_CHECKED, 0);
  const ImageHandle image = mHost.AddImage(600, 512, false, 0.0f);
  for (std::vector<float>& plane : mHost.Image(image).planes)
    for (size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<float>(i % 251);
  mHost.CurrentImage = image;
  const std::vector<float> before = mHost.Image(image).planes[1];

  Teardown teardown;
  teardown.host = &mHost;
  teardown.order = &order;
  teardown.armedAt = GetTickCount64();
  gTeardown = &teardown;
  gTimer = SetTimer(nullptr, 0, 20, &OnTimer);
  const double cpuBefore = ProcessCpuSeconds();
  switch (order.inside) {
    case Inside::Idle: teardown.Act(); break;
    case Inside::HelpBox: SendMessageW(GetDlgItem(dialog, IdButHelp), BM_CLICK, 0, 0); break;
    case Inside::Run: TestHost::SendPluginCommand(kPluginCmdStart, kPluginCmdStart); break;
    case Inside::ContextMenu:
      SendMessageW(GetDlgItem(dialog, IdEdFolder), WM_CONTEXTMENU,
                   reinterpret_cast<WPARAM>(GetDlgItem(dialog, IdEdFolder)), MAKELPARAM(100, 100));
      break;
  }
  const double cpuOfTheLoop = ProcessCpuSeconds() - cpuBefore;
  ASSERT_TRUE(teardown.done) << "the host acted inside the loop";

  // The host's own loop goes on, with the plug-in's deferred work carried out meanwhile.
  MSG msg;
  WPARAM quitCode = 0;
  bool quit = false;
  for (ULONGLONG until = GetTickCount64() + 500; GetTickCount64() < until;) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = msg.wParam;
      }
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }

  if (order.finalizeAndUnload) {
    EXPECT_TRUE(TestHost::DialogWindows().empty()) << "the dialog went";
    EXPECT_EQ(mHost.Calls.size(), teardown.callsAtUnload) << "no host call after FreeLibrary";
    const std::string settings = nox::test::ReadFileBytes(mTmp + L"NoxfadePlugin12.ini");
    EXPECT_EQ(StoredValue(settings, u"EDFOLDER"), Utf8(mDenoiserFolder));
    EXPECT_EQ(StoredValue(settings, u"EDSTRENGTH"), "100");
    EXPECT_EQ(StoredValue(settings, u"CBSCALE8BIT"), "1");
  }
  const std::vector<float>& after = mHost.Image(image).planes[1];
  if (order.postQuit) {
    EXPECT_TRUE(quit) << "the host's loop still gets its WM_QUIT";
    EXPECT_EQ(quitCode, 7u);
    EXPECT_LT(cpuOfTheLoop, 0.5) << "the run waits as usual after the quit";
    ASSERT_EQ(after.size(), before.size());
    EXPECT_NEAR(after[1000], 256.0f - before[1000], 0.5f) << "the run delivered its inverted result";
  } else {
    EXPECT_EQ(after, before) << "the planes are untouched";
  }
  for (const std::wstring& name : nox::test::FilesIn(mTmp))
    EXPECT_EQ(name.find(L".tif"), std::wstring::npos) << "left behind: " << Utf8(name);
  DWORD denoiser = 0, child = 0;
  if (std::sscanf(nox::test::ReadFileBytes(mPids).c_str(), "%lu %lu", &denoiser, &child) == 2) {
    EXPECT_TRUE(nox::test::ProcessEnds(denoiser, 10000));
    EXPECT_TRUE(nox::test::ProcessEnds(child, 10000)) << "what the denoiser started ends too";
  }
}

INSTANTIATE_TEST_SUITE_P(Orders, LifecycleTest, ::testing::ValuesIn(kOrders),
                         [](const ::testing::TestParamInfo<Order>& param) { return std::string(param.param.name); });

}  // namespace
