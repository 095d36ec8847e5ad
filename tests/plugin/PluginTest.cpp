// The real pinoxfade.dll under a test host: exports, handshake, the dialog's window and
// controls, the automation message and the lifecycle orders.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dialog/ControlIds.h"
#include "support/DibSurface.h"
#include "support/TestHost.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

using namespace nox;
using nox::test::TestHost;

namespace {

RECT ChildRect(HWND dialog, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.Loaded()) << "pinoxfade.dll beside the test executable"; }
  void Start() {
    ASSERT_EQ(host.Initialize(), 1);
    host.Activate();
    ASSERT_NE(TestHost::Dialog(), nullptr);
  }
  TestHost host;
};

TEST_F(PluginTest, HandshakeWritesExactlyTheTwoStringsAndAnswersOne) {
  EXPECT_EQ(host.Initialize(), 1);
  EXPECT_EQ(std::memcmp(host.NameBuffer, "Noxfade 1.2", 12), 0);
  EXPECT_EQ(static_cast<unsigned char>(host.NameBuffer[12]), 0xCC) << "13th byte untouched";
  EXPECT_EQ(std::memcmp(host.DescriptionBuffer, "Noise removal using AI", 23), 0);
  EXPECT_EQ(static_cast<unsigned char>(host.DescriptionBuffer[23]), 0xCC);
  EXPECT_EQ(TestHost::Dialog(), nullptr) << "initialize creates no dialog";
  EXPECT_TRUE(host.Calls.empty()) << "the host is not called before a run";
}

TEST_F(PluginTest, ExportsAndVersionResource) {
  HMODULE m = host.Module();
  EXPECT_EQ(GetProcAddress(m, MAKEINTRESOURCEA(1)), GetProcAddress(m, "pi_initialize"));
  EXPECT_EQ(GetProcAddress(m, MAKEINTRESOURCEA(2)), GetProcAddress(m, "pi_activate"));
  EXPECT_EQ(GetProcAddress(m, MAKEINTRESOURCEA(3)), GetProcAddress(m, "pi_finalize"));

  const std::wstring dll = TestHost::ExeFolder() + L"pinoxfade.dll";
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(dll.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(dll.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010002u);
  wchar_t* text = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\FileDescription",
                             reinterpret_cast<void**>(&text), &len));
  EXPECT_STREQ(text, L"Noxfade 1.2 plug-in");
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\FileVersion",
                             reinterpret_cast<void**>(&text), &len));
  EXPECT_STREQ(text, L"1.2.0.0");
}

TEST_F(PluginTest, DialogWindowHasTheDesignedFrame) {
  Start();
  host.Activate();  // a second activate shows the same dialog again
  ASSERT_EQ(TestHost::DialogWindows().size(), 1u);
  HWND dlg = TestHost::Dialog();
  EXPECT_TRUE(IsWindowVisible(dlg));
  EXPECT_EQ(TestHost::Text(dlg), L"Plugin for Noxfade v1.2");
  RECT client{};
  GetClientRect(dlg, &client);
  EXPECT_EQ(client.right, 346);
  EXPECT_EQ(client.bottom, 337);
  const LONG_PTR style = GetWindowLongPtrW(dlg, GWL_STYLE);
  const LONG_PTR ex = GetWindowLongPtrW(dlg, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TOPMOST);
  EXPECT_TRUE(ex & WS_EX_DLGMODALFRAME);
  EXPECT_FALSE(style & WS_THICKFRAME) << "not resizable";
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_EQ(GetWindow(dlg, GW_OWNER), host.HostWindow()) << "owned by the host window";

  // Centred in the work area on the first show.
  RECT work{}, win{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(dlg, &win);
  const int w = win.right - win.left, h = win.bottom - win.top;
  EXPECT_EQ(win.left, std::max<LONG>(work.left, work.left + (work.right - work.left - w) / 2));
  EXPECT_EQ(win.top, std::max<LONG>(work.top, work.top + (work.bottom - work.top - h) / 2));

  // Close only hides; the next activate shows the same window where the user left it.
  SetWindowPos(dlg, nullptr, 17, 23, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageW(dlg, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(dlg));
  EXPECT_FALSE(IsWindowVisible(dlg));
  host.Activate();
  EXPECT_EQ(TestHost::Dialog(), dlg);
  EXPECT_TRUE(IsWindowVisible(dlg));
  GetWindowRect(dlg, &win);
  EXPECT_EQ(win.left, 17);
  EXPECT_EQ(win.top, 23);
}

// The dialog's windowed controls at 96 DPI.
struct Expect {
  int id, left, top, width, height;
  const wchar_t* cls;
  const wchar_t* text;
  bool visible;
};
const Expect kWindowedControls[] = {
    {IdEdFolder, 8, 21, 281, 21, L"Edit", L"", true},
    {IdButStart, 260, 303, 78, 29, L"Button", L"Start", true},
    {IdButDir, 294, 19, 43, 24, L"Button", L"...", true},
    {IdCBTestImage, 171, 2, 117, 17, L"Button", L"_Test imagemode_", false},
    {IdButHelp, 217, 303, 37, 29, L"Button", L"", true},
    {IdCBScale8bit, 118, 310, 86, 17, L"TNoxCheckControl", L"Image is 8 bit", true},
    {IdEdStrength, 53, 308, 52, 22, L"Edit", L"80", true},
    {IdMemoLog, 8, 80, 329, 217, L"Edit", nullptr, true},
};

TEST_F(PluginTest, EveryControlAtItsPlaceWithItsTextAndTabOrder) {
  Start();
  HWND dlg = TestHost::Dialog();
  for (const Expect& e : kWindowedControls) {
    SCOPED_TRACE(e.id);
    HWND c = GetDlgItem(dlg, e.id);
    ASSERT_NE(c, nullptr);
    const RECT r = ChildRect(dlg, c);
    EXPECT_EQ(r.left, e.left);
    EXPECT_EQ(r.top, e.top);
    EXPECT_EQ(r.right - r.left, e.width);
    EXPECT_EQ(r.bottom - r.top, e.height);
    if (e.cls) {
      EXPECT_EQ(ClassOf(c), e.cls);
    }
    if (e.text) {
      EXPECT_EQ(TestHost::Text(c), e.text);
    }
    EXPECT_EQ(IsWindowVisible(c) != FALSE, e.visible);
  }
  EXPECT_EQ(SendMessageW(GetDlgItem(dlg, IdCBScale8bit), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(GetDlgItem(dlg, IdCBTestImage), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  const LONG_PTR memoStyle = GetWindowLongPtrW(GetDlgItem(dlg, IdMemoLog), GWL_STYLE);
  EXPECT_TRUE(memoStyle & ES_READONLY);
  EXPECT_TRUE(memoStyle & ES_MULTILINE);
  EXPECT_TRUE(memoStyle & WS_VSCROLL);

  // Every control uses the dialog's Tahoma -11.
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(dlg, IdEdFolder), WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  ASSERT_TRUE(GetObjectW(font, sizeof(lf), &lf));
  EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
  EXPECT_EQ(lf.lfHeight, -11);
  for (int id : {IdButStart, IdMemoLog, IdCBScale8bit, IdEdStrength})
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(dlg, id), WM_GETFONT, 0, 0)), font);

  // Tab order: Start, folder, "...", log, (invisible test box skipped), Help, 8 bit, strength.
  const int order[] = {IdButStart, IdEdFolder, IdButDir, IdMemoLog, IdButHelp, IdCBScale8bit, IdEdStrength};
  HWND at = GetDlgItem(dlg, IdButStart);
  for (size_t i = 1; i <= std::size(order); ++i) {
    at = GetNextDlgTabItem(dlg, at, FALSE);
    EXPECT_EQ(GetDlgCtrlID(at), order[i % std::size(order)]) << "step " << i;
  }

  const std::vector<std::wstring> log = TestHost::LogLines();
  const std::vector<std::wstring> nine = {
      L"Noxfade plugin, version 1.2.",
      L"It's required a CPU with AVX instructions and Windows 64 bit.",
      L"Before starting, select the folder where Noxfade is installed.",
      L"",
      L"The image MUST have a real 16 bit dynamic (range approx.",
      L" 0..65000) or 8 bit (approx. 0..255). This is usually ensured",
      L"by the DDP or the Histogram Stretch filter. The correct range",
      L"can be also ensured by the command: Arithmetic / Scale /",
      L"Transfer function, with Normalization = 65535."};
  EXPECT_EQ(log, nine);
}

TEST_F(PluginTest, LabelsArePaintedOnTheButtonFace) {
  Start();
  HWND dlg = TestHost::Dialog();
  RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  HDC dc = GetDC(dlg);
  EXPECT_EQ(GetPixel(dc, 200, 45), GetSysColor(COLOR_BTNFACE)) << "background between controls";
  auto darkPixels = [dc](RECT r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const COLORREF c = GetPixel(dc, x, y);
        if (GetRValue(c) < 0x80 && GetGValue(c) < 0x80 && GetBValue(c) < 0x80) ++n;
      }
    return n;
  };
  EXPECT_GT(darkPixels(RECT{8, 6, 157, 19}), 40) << "Label1's text";
  EXPECT_GT(darkPixels(RECT{7, 311, 49, 324}), 15) << "Label2's text";
  EXPECT_EQ(darkPixels(RECT{160, 2, 290, 19}), 0) << "the invisible test box paints nothing";
  ReleaseDC(dlg, dc);
}

TEST_F(PluginTest, AutomationMessageIsRecognisedOnlyForMatchingKnownCodes) {
  Start();
  EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdQueryBusy, kPluginCmdQueryBusy), 0);
  EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdStart, kPluginCmdQueryBusy), 0);
  EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdQueryBusy, kPluginCmdStart), 0);
  EXPECT_EQ(TestHost::SendPluginCommand(1013, 1013), 0);
  EXPECT_TRUE(host.Calls.empty()) << "mismatched codes start nothing";

  // No image open: the run still answers 1 and the log holds only the one line.
  EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdStart, kPluginCmdStart), 1);
  ASSERT_EQ(host.Calls.size(), 1u);
  EXPECT_EQ(host.Calls[0].command, CmdGetCurrentImage);
  EXPECT_EQ(host.Calls[0].arg1, 4096);
  EXPECT_EQ(host.Calls[0].arg2, 0);
  EXPECT_EQ(host.Calls[0].arg3, 0);
  EXPECT_EQ(TestHost::LogLines(), std::vector<std::wstring>{L"Please open an image."});

  // With a monochrome image: size, then planes 0, 2 and 3 with addresses to fill.
  host.Calls.clear();
  host.CurrentImage = host.AddImage(4, 3, true, 1000.0f);
  EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdStart, kPluginCmdStart), 1);
  ASSERT_GE(host.Calls.size(), 5u);
  EXPECT_EQ(host.Calls[1].command, CmdGetImageSize);
  EXPECT_EQ(host.Calls[1].arg1, host.CurrentImage);
  EXPECT_NE(host.Calls[1].arg2, 0);
  EXPECT_NE(host.Calls[1].arg3, 0);
  const int64_t planes[] = {0, 2, 3};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(host.Calls[2 + i].command, CmdGetPlane);
    EXPECT_EQ(host.Calls[2 + i].arg1, host.CurrentImage);
    EXPECT_NE(host.Calls[2 + i].arg2, 0);
    EXPECT_EQ(host.Calls[2 + i].arg3, planes[i]);
  }
}

TEST_F(PluginTest, WhileARunIsInProgressTheDialogIsBusyAndStartsNothingMore) {
  Start();
  HWND dlg = TestHost::Dialog();
  LRESULT busyDuringRun = -1, startDuringRun = -1;
  int nested = 0;
  host.OnCall = [&](const nox::test::HostCall& call) {
    if (call.command != CmdGetCurrentImage) return;
    if (++nested > 1) return;
    busyDuringRun = SendMessageW(dlg, kWmPluginCommand, kPluginCmdQueryBusy, kPluginCmdQueryBusy);
    startDuringRun = SendMessageW(dlg, kWmPluginCommand, kPluginCmdStart, kPluginCmdStart);
    SendMessageW(GetDlgItem(dlg, IdButStart), BM_CLICK, 0, 0);  // a user's click meanwhile
  };
  EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdStart, kPluginCmdStart), 1);
  EXPECT_EQ(busyDuringRun, 1);
  EXPECT_EQ(startDuringRun, 0) << "no second run inside the first";
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(host.CallsOf(CmdGetCurrentImage).size(), 1u);
  EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdQueryBusy, kPluginCmdQueryBusy), 0) << "idle again";

  // Start disabled (as during the denoiser's run) also counts as busy.
  host.OnCall = nullptr;
  EnableWindow(GetDlgItem(dlg, IdButStart), FALSE);
  EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdQueryBusy, kPluginCmdQueryBusy), 1);
  EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdStart, kPluginCmdStart), 0);
  EnableWindow(GetDlgItem(dlg, IdButStart), TRUE);
  EXPECT_EQ(host.CallsOf(CmdGetCurrentImage).size(), 1u);

  // A real click on Start runs the workflow too.
  SendMessageW(GetDlgItem(dlg, IdButStart), BM_CLICK, 0, 0);
  EXPECT_EQ(host.CallsOf(CmdGetCurrentImage).size(), 2u);
}

// Finalized from inside a host call: the run calls the host no more and the dialog goes
// once the run has returned.
TEST_F(PluginTest, FinalizeDuringARunEndsItAndReleasesTheDialogAfterIt) {
  Start();
  HWND dlg = TestHost::Dialog();
  bool aliveAfterPump = false;
  host.OnCall = [&](const nox::test::HostCall& call) {
    if (call.command != CmdGetCurrentImage) return;
    host.Finalize();
    TestHost::Pump(50);  // the deferred release arrives during the run
    aliveAfterPump = IsWindow(dlg) != FALSE;
  };
  EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdStart, kPluginCmdStart), 1);
  EXPECT_TRUE(aliveAfterPump);
  EXPECT_EQ(host.Calls.size(), 1u) << "no host call after the finalize";
  EXPECT_FALSE(IsWindow(dlg)) << "released once the run has ended";
}

TEST_F(PluginTest, ActivateAfterFinalizeShowsNothingUntilTheNextInitialize) {
  Start();
  HWND first = TestHost::Dialog();
  SendMessageW(first, WM_CLOSE, 0, 0);  // hidden by the user
  host.Finalize();
  EXPECT_TRUE(IsWindow(first)) << "release is deferred";
  host.Activate();  // before the release is carried out
  EXPECT_FALSE(IsWindowVisible(first)) << "the released dialog is not shown again";
  EXPECT_EQ(TestHost::DialogWindows().size(), 1u);
  TestHost::Pump(50);
  EXPECT_FALSE(IsWindow(first));
  host.Activate();
  TestHost::Pump(20);
  EXPECT_TRUE(TestHost::DialogWindows().empty()) << "nothing created or shown";

  ASSERT_EQ(host.Initialize(), 1);
  host.Activate();
  ASSERT_EQ(TestHost::DialogWindows().size(), 1u);
  EXPECT_TRUE(IsWindowVisible(TestHost::Dialog()));
}

TEST_F(PluginTest, InitializeForgetsTheDialogAndUnloadDestroysEveryLiveOne) {
  Start();
  HWND first = TestHost::Dialog();
  ASSERT_EQ(host.Initialize(), 1);
  EXPECT_TRUE(IsWindow(first)) << "initialize does not destroy the dialog";
  host.Activate();
  const std::vector<HWND> both = TestHost::DialogWindows();
  ASSERT_EQ(both.size(), 2u) << "a new dialog after initialize";

  HMODULE module = host.Module();
  host.Unload();
  for (HWND h : both) EXPECT_FALSE(IsWindow(h));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  EXPECT_FALSE(GetClassInfoExW(module, kDialogClassName, &wc)) << "class unregistered";

  // The keyboard hook went with the module: keystrokes still flow without a crash.
  HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  PostMessageW(edit, WM_KEYDOWN, VK_TAB, 0);
  PostMessageW(edit, WM_CHAR, L'x', 0);
  TestHost::Pump(20);
  EXPECT_EQ(TestHost::Text(edit), L"x");
  DestroyWindow(edit);
}

TEST_F(PluginTest, ActivateAfterTheHostDestroyedItsWindowMakesAFreshDialog) {
  Start();
  HWND first = TestHost::Dialog();
  DestroyWindow(host.HostWindow());  // owned windows go with their owner
  EXPECT_FALSE(IsWindow(first));
  host.Activate();
  ASSERT_EQ(TestHost::DialogWindows().size(), 1u);
  EXPECT_TRUE(IsWindowVisible(TestHost::Dialog()));
}

TEST_F(PluginTest, KeyboardNavigationAndTheStrengthFilter) {
  Start();
  HWND dlg = TestHost::Dialog();
  HWND start = GetDlgItem(dlg, IdButStart);
  // The host's own loop dispatches the keystroke: the hook hands it to the dialog manager.
  // Tests running in parallel share Wine's desktop and may take the foreground (and with
  // it our focus) at any moment, so the attempt is repeated a few times.
  bool moved = false;
  for (int attempt = 0; attempt < 20 && !moved; ++attempt) {
    SetForegroundWindow(dlg);
    SetFocus(start);
    if (GetFocus() != start) {
      TestHost::Pump(25);
      continue;
    }
    PostMessageW(start, WM_KEYDOWN, VK_TAB, 0);
    TestHost::Pump();
    moved = GetFocus() == GetDlgItem(dlg, IdEdFolder);
  }
  EXPECT_TRUE(moved) << "Tab moves from Start to the folder field";

  // Only "+", "-" and digits reach the strength field.
  HWND strength = GetDlgItem(dlg, IdEdStrength);
  SetWindowTextW(strength, L"");
  for (wchar_t ch : std::wstring(L"7a.,e+5-"))
    SendMessageW(strength, WM_CHAR, ch, 0);
  EXPECT_EQ(TestHost::Text(strength), L"7+5-");
}

// The strength field steps by 5 within 5..100 from the arrow keys and its spin button,
// reading an unusable text as 80; the 8-bit box toggles from the space bar, a click and
// BM_CLICK, and a press released outside it changes nothing.
TEST_F(PluginTest, TheStrengthFieldAndTheEightBitBoxFromOutside) {
  Start();
  HWND dlg = TestHost::Dialog();
  HWND strength = GetDlgItem(dlg, IdEdStrength);
  HWND spin = GetWindow(strength, GW_CHILD);
  ASSERT_NE(spin, nullptr);
  RECT spinRect{};
  GetClientRect(spin, &spinRect);
  const struct {
    const wchar_t* text;
    const char* how;  // "up"/"down": arrow key; "spin+"/"spin-": the spin button's halves
    const wchar_t* after;
  } steps[] = {
      {L"80", "up", L"85"},     {L"80", "down", L"75"},   {L"98", "up", L"100"},   {L"250", "up", L"100"},
      {L"7", "down", L"5"},     {L"3", "up", L"10"},      {L"abc", "up", L"85"},   {L"", "down", L"75"},
      {L"50", "spin+", L"55"},  {L"50", "spin-", L"45"}, {L"100", "spin+", L"100"},
  };
  for (const auto& c : steps) {
    SCOPED_TRACE(std::string(c.how) + " from " + std::to_string(std::wstring(c.text).size()) + " chars");
    SetWindowTextW(strength, c.text);
    const std::string how = c.how;
    if (how == "up" || how == "down") {
      SendMessageW(strength, WM_KEYDOWN, how == "up" ? VK_UP : VK_DOWN, 0);
    } else {
      const int x = how == "spin+" ? spinRect.right - 3 : 3;
      SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 4));
      SendMessageW(spin, WM_LBUTTONUP, 0, MAKELPARAM(x, 4));
    }
    EXPECT_EQ(TestHost::Text(strength), c.after);
  }

  HWND box = GetDlgItem(dlg, IdCBScale8bit);
  auto checked = [box] { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; };
  ASSERT_FALSE(checked());
  SendMessageW(box, WM_CHAR, L' ', 0);
  EXPECT_TRUE(checked()) << "space";
  SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 8));
  SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(5, 8));
  EXPECT_FALSE(checked()) << "click";
  SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 8));
  SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(400, 8));
  EXPECT_FALSE(checked()) << "released outside";
  SendMessageW(box, BM_CLICK, 0, 0);
  EXPECT_TRUE(checked()) << "BM_CLICK";
  SendMessageW(box, BM_SETCHECK, BST_UNCHECKED, 0);
  EXPECT_FALSE(checked()) << "BM_SETCHECK";
  EXPECT_EQ(GetWindowLongPtrW(box, GWL_STYLE) & WS_TABSTOP, WS_TABSTOP);
}

TEST_F(PluginTest, HelpReportsAMissingReadmeAndOpensAPresentOne) {
  Start();
  HWND help = GetDlgItem(TestHost::Dialog(), IdButHelp);
  const std::wstring readme = TestHost::ExeFolder() + L"NoxfadePlugin-readme.htm";
  DeleteFileW(readme.c_str());
  {
    nox::test::DialogCatcher catcher;
    SendMessageW(help, BM_CLICK, 0, 0);
    ASSERT_EQ(catcher.Caught.size(), 1u);
    EXPECT_EQ(catcher.Caught[0].caption, L"Error");
    EXPECT_TRUE(catcher.Caught[0].HasText(
        L"\"NoxfadePlugin-readme.htm\" not found.\rYou may find this file inside the zip archive."));
  }
  HANDLE f = CreateFileW(readme.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  CloseHandle(f);
  {
    nox::test::DialogCatcher catcher;
    SendMessageW(help, BM_CLICK, 0, 0);
    TestHost::Pump(50);
    // Whether the shell opens .htm files depends on the machine: either it opens the
    // file (no box) or it reports the one defined failure.
    ASSERT_LE(catcher.Caught.size(), 1u);
    if (!catcher.Caught.empty()) {
      EXPECT_EQ(catcher.Caught[0].caption, L"Error");
      EXPECT_TRUE(catcher.Caught[0].HasText(L"Cannot open document."));
    }
  }
  DeleteFileW(readme.c_str());
}

TEST_F(PluginTest, FolderButtonOpensTheBrowserAndCancelChangesNothing) {
  Start();
  HWND dlg = TestHost::Dialog();
  nox::test::DialogCatcher catcher;
  SendMessageW(GetDlgItem(dlg, IdButDir), BM_CLICK, 0, 0);
  ASSERT_EQ(catcher.Caught.size(), 1u);
  EXPECT_TRUE(catcher.Caught[0].HasText(L"Noxfade installation folder"));
  EXPECT_EQ(TestHost::Text(GetDlgItem(dlg, IdEdFolder)), L"");
  EXPECT_TRUE(IsWindowEnabled(dlg)) << "enabled again after the browser";
  EXPECT_TRUE(IsWindowEnabled(host.HostWindow()));
}

}  // namespace

namespace {

// The host finalizes the plug-in while one of the dialog's modal boxes is open (the folder
// browser, the Help error box): the dialog lives until the box has closed and the click
// that opened it has returned, and goes then.
TEST_F(PluginTest, FinalizeDuringAModalBoxReleasesTheDialogOnlyAfterIt) {
  DeleteFileW((TestHost::ExeFolder() + L"NoxfadePlugin-readme.htm").c_str());  // Help: error box
  for (int button : {IdButDir, IdButHelp}) {
    SCOPED_TRACE(button == IdButDir ? "folder browser" : "help error box");
    Start();
    HWND dlg = TestHost::Dialog();
    ULONGLONG finalizedAt = 0;
    bool aliveInsideTheBox = false;
    nox::test::DialogCatcher catcher;
    catcher.BeforeClose = [&](HWND) {
      if (finalizedAt == 0) {
        host.Finalize();
        finalizedAt = GetTickCount64();
        return false;
      }
      // The box's own loop has had time to dispatch the posted release.
      if (GetTickCount64() - finalizedAt < 150) return false;
      aliveInsideTheBox = IsWindow(dlg) != FALSE;
      return true;
    };
    SendMessageW(GetDlgItem(dlg, button), BM_CLICK, 0, 0);
    ASSERT_EQ(catcher.Caught.size(), 1u);
    EXPECT_TRUE(aliveInsideTheBox);
    EXPECT_FALSE(IsWindow(dlg)) << "released once the click that opened the box has returned";
  }
}

// Message boxes are modal to the host too: its window is disabled while one is up.
TEST_F(PluginTest, HostWindowIsDisabledWhileAHelpBoxIsUp) {
  Start();
  DeleteFileW((TestHost::ExeFolder() + L"NoxfadePlugin-readme.htm").c_str());
  nox::test::DialogCatcher catcher;
  SendMessageW(GetDlgItem(TestHost::Dialog(), IdButHelp), BM_CLICK, 0, 0);
  ASSERT_EQ(catcher.Caught.size(), 1u);
  EXPECT_FALSE(catcher.Caught[0].WasEnabled(host.HostWindow())) << "disabled while the box is up";
  EXPECT_TRUE(IsWindowEnabled(host.HostWindow())) << "enabled after";
  EXPECT_TRUE(IsWindowEnabled(TestHost::Dialog()));
}

}  // namespace

namespace {

int Px(int v, int dpi) { return MulDiv(v, dpi, 96); }

// The pixels of a window's client area r, through the window's device context.
struct Shot {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
  Shot Part(int left, int top, int w, int h) const {
    Shot p{w, h, {}};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) p.pixels.push_back(At(left + x, top + y));
    return p;
  }
};
// What the window shows now, as it was last painted.
Shot Shown(HWND hwnd) {
  RECT r{};
  GetClientRect(hwnd, &r);
  test::DibSurface dib(r.right, r.bottom);
  HDC dc = GetDC(hwnd);
  BitBlt(dib.Dc(), 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
  ReleaseDC(hwnd, dc);
  Shot s{r.right, r.bottom, {}};
  for (int y = 0; y < r.bottom; ++y)
    for (int x = 0; x < r.right; ++x) s.pixels.push_back(static_cast<COLORREF>(dib.Pixel(x, y)));
  return s;
}
// The window painted afresh, with its children.
Shot Capture(HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  return Shown(hwnd);
}
// The rows of `shot`, left of column `right`, that hold a pixel darker than mid-grey: the
// first and one past the last ({0, 0} when none does).
std::pair<int, int> InkRows(const Shot& shot, int right) {
  int first = -1, last = -1;
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < right; ++x) {
      const COLORREF c = shot.At(x, y);
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) >= 3 * 128) continue;
      if (first < 0) first = y;
      last = y;
      break;
    }
  return first < 0 ? std::pair<int, int>{0, 0} : std::pair<int, int>{first, last + 1};
}
// True when the whole client area of the window is due to be painted.
bool WhollyDue(HWND hwnd) {
  RECT c{};
  GetClientRect(hwnd, &c);
  HRGN all = CreateRectRgnIndirect(&c);
  HRGN due = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(hwnd, due, FALSE);
  const bool whole = EqualRgn(all, due) != FALSE;
  DeleteObject(all);
  DeleteObject(due);
  return whole;
}
// True when `small` enlarged by `factor`, pixel by pixel, lies somewhere in `big`.
bool ContainsEnlarged(const Shot& big, const Shot& small, int factor) {
  for (int oy = 0; oy + small.height * factor <= big.height; ++oy)
    for (int ox = 0; ox + small.width * factor <= big.width; ++ox) {
      bool same = true;
      for (int y = 0; same && y < small.height * factor; ++y)
        for (int x = 0; same && x < small.width * factor; ++x)
          same = big.At(ox + x, oy + y) == small.At(x / factor, y / factor);
      if (same) return true;
    }
  return false;
}

// The process's GDI objects, found by probing the handle table: Wine 8 has no
// GetGuiResources, and it accepts a handle given by its table index alone.
int GdiObjectsInUse() {
  int n = 0;
  for (uintptr_t i = 1; i < 0x10000; ++i)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0) ++n;
  return n;
}

int TextWidth(HFONT font, const std::wstring& text) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size.cx;
}

}  // namespace

// The dialog laid out again by WM_DPICHANGED at each DPI, in the rectangle suggested, and
// painted again whole: every control where the 96-DPI layout puts it scaled, the fonts
// scaled, every single-line text inside its control, the strength's digits in the middle of
// their field, the spin button's width and drag step scaled; from 144 DPI on the Help glyph
// and the spin arrows, and at 192 DPI the whole Help button and the check box's indicator,
// are their 96-DPI pixels doubled. Switching to and fro leaves no GDI object behind.
TEST_F(PluginTest, TheDialogAtEveryDpi) {
  Start();
  HWND dlg = TestHost::Dialog();
  auto child = [dlg](int id) { return GetDlgItem(dlg, id); };
  HWND spin = GetWindow(child(IdEdStrength), GW_CHILD);
  ASSERT_NE(spin, nullptr);
  const Shot help96 = Capture(child(IdButHelp));
  const Shot glyph96 = help96.Part(10 + 2, 6 + 4, 12, 8);  // the opaque middle of the disc
  const Shot box96 = Capture(child(IdCBScale8bit)).Part(0, 2, 13, 13);
  const Shot spin96 = Capture(spin);
  const Shot arrow96 = spin96.Part(spin96.width / 4 - 2, spin96.height / 2 - 3, 4, 7);
  auto suggestAt = [dlg](int dpi) {
    RECT r{0, 0, Px(346, dpi), Px(337, dpi)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
    OffsetRect(&r, 40 - r.left, 30 - r.top);
    return r;
  };
  for (const int dpi : {120, 144, 168, 192, 96}) {
    SCOPED_TRACE(dpi);
    SetFocus(child(IdButStart));  // no caret blinking in a field
    TestHost::Pump();
    RECT suggested = suggestAt(dpi);
    SendMessageW(dlg, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    // Nothing painted at the old DPI stays: the whole dialog is due, and once painted it
    // shows what a fresh paint does.
    EXPECT_TRUE(WhollyDue(dlg)) << "the dialog to be painted again";
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      EXPECT_TRUE(!IsWindowVisible(c) || WhollyDue(c)) << GetDlgCtrlID(c);
    TestHost::Pump();
    const Shot shown = Shown(dlg);
    EXPECT_TRUE(shown.pixels == Capture(dlg).pixels) << "shown as a fresh paint shows it";
    RECT win{}, client{};
    GetWindowRect(dlg, &win);
    GetClientRect(dlg, &client);
    EXPECT_TRUE(EqualRect(&win, &suggested)) << "the suggested rectangle";
    EXPECT_EQ(client.right, Px(346, dpi));
    EXPECT_EQ(client.bottom, Px(337, dpi));
    for (const Expect& e : kWindowedControls) {
      SCOPED_TRACE(e.id);
      const RECT r = ChildRect(dlg, child(e.id));
      EXPECT_EQ(r.left, Px(e.left, dpi));
      EXPECT_EQ(r.top, Px(e.top, dpi));
      EXPECT_EQ(r.right - r.left, Px(e.width, dpi));
      EXPECT_EQ(r.bottom - r.top, Px(e.height, dpi));
    }

    HFONT font = reinterpret_cast<HFONT>(SendMessageW(child(IdEdFolder), WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    ASSERT_TRUE(GetObjectW(font, sizeof(lf), &lf));
    EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
    // The scaled height, or up to an eighth less where a caption would not fit.
    EXPECT_LE(lf.lfHeight, dpi == 96 ? -11 : -(Px(11, dpi) - Px(11, dpi) / 8));
    EXPECT_GE(lf.lfHeight, -Px(11, dpi));
    for (int id : {IdButStart, IdButDir, IdMemoLog, IdCBScale8bit, IdEdStrength})
      EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(child(id), WM_GETFONT, 0, 0)), font);

    // Single-line texts and the room their control gives them (a button keeps 3 pixels,
    // scaled, on each side; the check box's caption follows its indicator and a gap).
    const int f = dpi >= 192 ? dpi / 96 : 1;
    const int indicator = std::max(Px(15, dpi), GetSystemMetrics(SM_CXMENUCHECK));
    RECT strengthArea{};
    SendMessageW(child(IdEdStrength), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&strengthArea));
    const struct {
      const wchar_t* text;
      int room;
    } texts[] = {
        {L"Noxfade 1.2 installation folder", Px(149, dpi)},
        {L"Strength", Px(42, dpi)},
        {L"Start", Px(78, dpi) - 6 * f},
        {L"...", Px(43, dpi) - 6 * f},
        {L"Image is 8 bit", Px(86, dpi) - indicator - 4 * f},
        {L"100", static_cast<int>(strengthArea.right - strengthArea.left)},
    };
    // At 96 DPI the layout is the design's, pixel for pixel: Wine's own Tahoma, wider
    // than Windows', already runs past three of its caption boxes there.
    if (dpi != 96) {
      for (const auto& t : texts) EXPECT_LE(TextWidth(font, t.text), t.room) << std::wstring(t.text);
    }

    // Two drag steps to the right of the pressed right arrow make the multiplier 3.
    RECT spinRect{};
    GetClientRect(spin, &spinRect);
    EXPECT_EQ(spinRect.right, Px(24, dpi));
    SetWindowTextW(child(IdEdStrength), L"20");
    const int x = spinRect.right - 2;
    SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 2));  // 25
    SendMessageW(spin, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 2 * Px(18, dpi), 2));
    SendMessageW(spin, WM_LBUTTONUP, 0, MAKELPARAM(x + 2 * Px(18, dpi), 2));
    SendMessageW(child(IdEdStrength), WM_KEYDOWN, VK_UP, 0);  // + 3 x 5
    EXPECT_EQ(TestHost::Text(child(IdEdStrength)), L"40");

    // The digits' middle is the field's, within a pixel, scaled.
    SetFocus(child(IdButStart));
    const Shot field = Capture(child(IdEdStrength));
    RECT spinInField{};
    GetWindowRect(spin, &spinInField);
    MapWindowPoints(nullptr, child(IdEdStrength), reinterpret_cast<POINT*>(&spinInField), 2);
    const auto ink = InkRows(field, spinInField.left);
    EXPECT_GT(ink.second, ink.first) << "the digits";
    EXPECT_LE(std::abs(ink.first + ink.second - field.height), Px(2, dpi))
        << "digits in rows " << ink.first << " to " << ink.second << " of " << field.height;

    // From 144 DPI on the glyph and the arrows are enlarged twice; at 192 DPI whole
    // controls are their 96-DPI painting doubled.
    if (dpi >= 144) {
      const Shot help = Capture(child(IdButHelp));
      EXPECT_TRUE(ContainsEnlarged(help, glyph96, 2)) << "Help glyph";
      EXPECT_TRUE(ContainsEnlarged(Capture(spin), arrow96, 2)) << "spin arrow";
      if (dpi == 192) {
        EXPECT_TRUE(help.width == 2 * help96.width && ContainsEnlarged(help, help96, 2)) << "Help button";
        EXPECT_TRUE(ContainsEnlarged(Capture(child(IdCBScale8bit)), box96, 2)) << "check box indicator";
      }
    }
  }

  // Objects made once (a font for a DPI first seen, a cache of Wine's filled) may come in
  // the first switches or in any one stretch; a leak grows in every stretch.
  auto switchToAndFro = [&](int times) {
    for (int i = 0; i < times; ++i) {
      const int dpi = i % 2 ? 96 : 192;
      RECT r = suggestAt(dpi);
      SendMessageW(dlg, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
      TestHost::Pump();
    }
  };
  switchToAndFro(4);
  std::vector<int> counts{GdiObjectsInUse()};
  for (int stretch = 0; stretch < 3; ++stretch) {
    switchToAndFro(30);
    counts.push_back(GdiObjectsInUse());
  }
  int leastGrowth = counts[1] - counts[0];
  for (size_t i = 2; i < counts.size(); ++i) leastGrowth = std::min(leastGrowth, counts[i] - counts[i - 1]);
  EXPECT_LE(leastGrowth, 0) << "GDI objects after 4, 34, 64 and 94 switches: " << counts[0] << ", "
                            << counts[1] << ", " << counts[2] << ", " << counts[3];
}
