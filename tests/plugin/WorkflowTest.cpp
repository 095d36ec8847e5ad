// The whole Start workflow through the real pinoxfade.dll: a test host serves in-memory
// images and records every host call, a scripted stand-in denoiser is installed as
// noxfade.exe, and each run is checked by its host-call sequence, the log's lines, the
// planes sample by sample and the temporary folder left behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dialog/ControlIds.h"
#include "imageio/TiffWriter.h"
#include "settings/LibAutosave.h"
#include "support/FileBytes.h"
#include "support/ProcessWait.h"
#include "support/TestHost.h"

using namespace nox;
using nox::test::HostCall;
using nox::test::ReadFileBytes;
using nox::test::TestHost;
using nox::test::WriteFileBytes;

namespace {

const wchar_t kOpening[] = L"Opening Noxfade ...";
const wchar_t kSmall[] = L"WARNING: Minimum image size is 512x512 pixels.";
const wchar_t kNoResult[] = L"ERROR: Noxfade delivered no usable result; the image is unchanged.";

// ---- files

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  ASSERT_TRUE(WriteFileBytes(path, bytes)) << "cannot write the test file";
}

std::string ReadBytes(const std::wstring& path) { return ReadFileBytes(path); }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

using nox::test::FilesIn;

void RemoveTree(const std::wstring& folder) {
  for (const std::wstring& name : FilesIn(folder)) {
    const std::wstring path = folder + name;
    if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveTree(path + L"\\");
    } else {
      DeleteFileW(path.c_str());
    }
  }
  RemoveDirectoryW(folder.c_str());
}

using nox::test::ProcessEnds;

// ---- host calls, written as text so that a failure shows both sequences side by side.
// Address arguments read "ptr" when non-zero.

std::string Render(const HostCall& c) {
  auto num = [](int64_t v) { return std::to_string(v); };
  auto ptr = [](int64_t v) { return v != 0 ? std::string("ptr") : std::string("0"); };
  switch (c.command) {
    case CmdGetCurrentImage: return "GetCurrentImage(" + num(c.arg1) + "," + num(c.arg2) + "," + num(c.arg3) + ")";
    case CmdGetImageSize: return "GetImageSize(" + num(c.arg1) + "," + ptr(c.arg2) + "," + ptr(c.arg3) + ")";
    case CmdGetPlane: return "GetPlane(" + num(c.arg1) + "," + ptr(c.arg2) + "," + num(c.arg3) + ")";
    case CmdGetUndoPlane: return "GetUndoPlane(" + num(c.arg1) + "," + ptr(c.arg2) + "," + num(c.arg3) + ")";
    case CmdSaveUndo: return "SaveUndo(" + num(c.arg1) + "," + num(c.arg2) + "," + num(c.arg3) + ")";
    case CmdGetHostVersion: return "GetHostVersion(" + num(c.arg1) + "," + num(c.arg2) + "," + num(c.arg3) + ")";
    case CmdRefreshImage: return "RefreshImage(" + num(c.arg1) + "," + num(c.arg2) + "," + num(c.arg3) + ")";
    default: return "Unknown" + num(c.command) + "(" + num(c.arg1) + "," + num(c.arg2) + "," + num(c.arg3) + ")";
  }
}

std::vector<std::string> Rendered(const std::vector<HostCall>& calls) {
  std::vector<std::string> out;
  for (const HostCall& c : calls) out.push_back(Render(c));
  return out;
}

// Steps 1 to 5: the current image, its size and its three planes.
std::vector<std::string> Head(ImageHandle h) {
  const std::string n = std::to_string(h);
  return {"GetCurrentImage(4096,0,0)", "GetImageSize(" + n + ",ptr,ptr)", "GetPlane(" + n + ",ptr,0)",
          "GetPlane(" + n + ",ptr,2)", "GetPlane(" + n + ",ptr,3)"};
}

// A run that passed the range check, its image still current after the denoiser: asked
// for again then.
std::vector<std::string> FullRun(ImageHandle h, bool blend) {
  const std::string n = std::to_string(h);
  std::vector<std::string> calls = Head(h);
  const std::vector<std::string> again = Head(h);
  calls.insert(calls.end(), again.begin(), again.end());
  calls.push_back("SaveUndo(" + n + ",0,0)");
  calls.push_back("GetHostVersion(0,0,0)");
  if (blend) {
    for (const char* index : {"0", "2", "3"}) calls.push_back("GetUndoPlane(" + n + ",ptr," + index + ")");
  }
  calls.push_back("RefreshImage(" + n + ",1,0)");
  return calls;
}

// ---- timers that act from inside a run (the runner dispatches the thread's messages)

std::function<bool()> gTick;  // returns true when done
UINT_PTR gTimer = 0;

void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD) {
  if (gTick && gTick()) {
    KillTimer(nullptr, gTimer);
    gTimer = 0;
    gTick = nullptr;
  }
}

void EveryFewMs(std::function<bool()> tick) {
  gTick = std::move(tick);
  gTimer = SetTimer(nullptr, 0, 20, &TimerProc);
}

// The visible window of this thread with the given class ("#32770": a message box,
// "#32768": a popup menu), or null.
HWND FindPopup(const wchar_t* windowClass) {
  struct Search {
    const wchar_t* windowClass;
    HWND found;
  } search{windowClass, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        wchar_t cls[16] = {};
        GetClassNameW(hwnd, cls, 16);
        if (std::wstring(cls) == s->windowClass && IsWindowVisible(hwnd)) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindMessageBox() { return FindPopup(L"#32770"); }

std::vector<std::wstring> ChildTexts(HWND hwnd) {
  std::vector<std::wstring> texts;
  EnumChildWindows(
      hwnd,
      [](HWND child, LPARAM lp) -> BOOL {
        reinterpret_cast<std::vector<std::wstring>*>(lp)->push_back(TestHost::Text(child));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  return texts;
}

// ---- images: whole-number samples that differ by position and plane, so a flipped row,
// a swapped channel or a lost sample shows.

float Sample16(size_t i, int plane) {
  return static_cast<float>((i * 7919u + static_cast<size_t>(plane) * 21011u + 12345u) % 65536u);
}

float Sample8(size_t i, int plane) { return static_cast<float>((i * 31u + static_cast<size_t>(plane) * 97u) % 256u); }

// The planes a run should leave, from the planes the image had before it.
using PlaneRule = std::function<float(float before)>;

class WorkflowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Loaded()) << "pinoxfade.dll beside the test executable";
    SaveEnvironment(L"TMP", mSavedTmp);
    SaveEnvironment(L"TEMP", mSavedTemp);
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    mRoot = std::wstring(temp) + L"workflow test " + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount()) + L"\\";
    mExeFolder = mRoot + L"denoiser\\";
    mTmp = mRoot + L"tmp\\";
    ASSERT_TRUE(CreateDirectoryW(mRoot.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(mExeFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(mTmp.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW((TestHost::ExeFolder() + L"scripted_denoiser.exe").c_str(),
                          (mExeFolder + L"noxfade.exe").c_str(), FALSE));
    mScript = mRoot + L"script.txt";
    mEcho = mRoot + L"commandline.txt";
    mPids = mRoot + L"pids.txt";
    SetEnvironmentVariableW(L"SCRIPTED_DENOISER_SCRIPT", mScript.c_str());
  }

  void TearDown() override {
    if (gTimer) KillTimer(nullptr, gTimer);
    gTimer = 0;
    gTick = nullptr;
    host.Unload();
    SetEnvironmentVariableW(L"SCRIPTED_DENOISER_SCRIPT", nullptr);
    RestoreEnvironment(L"TMP", mSavedTmp);
    RestoreEnvironment(L"TEMP", mSavedTemp);
    RemoveTree(mRoot);
  }

  static void SaveEnvironment(const wchar_t* name, std::pair<bool, std::wstring>& saved) {
    wchar_t value[32768];
    const DWORD n = GetEnvironmentVariableW(name, value, 32768);
    saved = {n > 0 && n < 32768, std::wstring(value, n < 32768 ? n : 0)};
  }
  static void RestoreEnvironment(const wchar_t* name, const std::pair<bool, std::wstring>& saved) {
    SetEnvironmentVariableW(name, saved.first ? saved.second.c_str() : nullptr);
  }

  // Creates and shows the dialog with the given temporary folder in effect, and points it
  // at the stand-in denoiser.
  void OpenDialog(const std::wstring& tempFolder) {
    SetEnvironmentVariableW(L"TMP", tempFolder.c_str());
    SetEnvironmentVariableW(L"TEMP", tempFolder.c_str());
    ASSERT_EQ(host.Initialize(), 1);
    host.Activate();
    mDialog = TestHost::Dialog();
    ASSERT_NE(mDialog, nullptr);
    SetFolder(mExeFolder);
  }
  void OpenDialog() { OpenDialog(mTmp); }

  HWND Item(int id) const { return GetDlgItem(mDialog, id); }
  void SetFolder(const std::wstring& folder) {
    SendMessageW(Item(IdEdFolder), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  }
  void SetStrength(const wchar_t* text) {
    SendMessageW(Item(IdEdStrength), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  }
  void SetEightBit(bool on) {
    SendMessageW(Item(IdCBScale8bit), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  ImageHandle NewImage(int32_t width, int32_t height, bool mono, float (*sample)(size_t, int)) {
    const ImageHandle h = host.AddImage(width, height, mono, 0.0f);
    nox::test::HostImage& img = host.Image(h);
    for (int p = 0; p < (mono ? 1 : 3); ++p)
      for (size_t i = 0; i < img.planes[p].size(); ++i) img.planes[p][i] = sample(i, p);
    host.CurrentImage = h;
    return h;
  }

  // Writes the script (its first command records the command line, which also tells that
  // the denoiser ran), clears the call log and presses Start as the host does.
  void Run(const std::string& script) {
    WriteBytes(mScript, "echo " + Utf8(mEcho) + "\n" + script);
    DeleteFileW(mEcho.c_str());
    DeleteFileW(mPids.c_str());
    host.Calls.clear();
    if (host.CurrentImage) {
      for (int p = 0; p < 3; ++p) mBefore[p] = host.Image(host.CurrentImage).planes[p];
    }
    ASSERT_EQ(TestHost::SendPluginCommand(kPluginCmdStart, kPluginCmdStart), 1);
  }

  bool DenoiserRan() const { return Exists(mEcho); }

  // Every plane of image h compared with rule(sample before the run), exactly.
  void ExpectPlanes(ImageHandle h, const PlaneRule& rule) {
    const nox::test::HostImage& img = host.Image(h);
    for (int p = 0; p < (img.mono ? 1 : 3); ++p) {
      ASSERT_EQ(img.planes[p].size(), mBefore[p].size());
      size_t wrong = 0, firstWrong = 0;
      for (size_t i = 0; i < img.planes[p].size(); ++i) {
        if (img.planes[p][i] != rule(mBefore[p][i]) && wrong++ == 0) firstWrong = i;
      }
      EXPECT_EQ(wrong, 0u) << "plane slot " << p << ", first at " << firstWrong << ": "
                           << img.planes[p][firstWrong] << " for " << mBefore[p][firstWrong]
                           << ", expected " << rule(mBefore[p][firstWrong]);
    }
  }
  void ExpectPlanesUntouched(ImageHandle h) {
    ExpectPlanes(h, [](float x) { return x; });
  }

  // Files of other runs under the next `count` names the dialog's place gives from now on
  // (the tick count moves on by one name every 16 ms): in turn another run's input and a
  // stale result that would pass for this image's. Returns their names.
  // With `ahead`, the names go on until they reach that many past the clock's name when the
  // last one is laid: on a loaded machine laying them can take longer than the names cover.
  std::vector<std::wstring> LayOthersFiles(ImageHandle h, unsigned count = 60, unsigned ahead = 0) {
    RECT r{};
    GetWindowRect(mDialog, &r);
    const nox::test::HostImage& img = host.Image(h);
    std::vector<float> stale(img.planes[0].size(), 777.0f), staleColour(stale);
    const nox::PlaneSet planes{stale.data(), img.mono ? stale.data() : staleColour.data(),
                               stale.data(), img.width, img.height};
    mOthersBytes = 128u + 2u * stale.size() * (img.mono ? 1u : 3u);
    std::vector<std::wstring> names;
    const unsigned first = GetTickCount() / 16u;
    const auto more = [&](unsigned i) {
      return i < 9000u && (i < count || first + i < GetTickCount() / 16u + ahead);
    };
    for (unsigned i = 0; more(i); ++i) {
      wchar_t name[64];
      std::swprintf(name, 64, L"%lsTemp%.3d%.3d%.4d.tif", i % 2 == 0 ? L"" : L"Out",
                    static_cast<int>(r.left % 1000), static_cast<int>(r.top % 1000),
                    static_cast<int>((first + i) % 10000u));
      const std::wstring path = mTmp + name;
      EXPECT_TRUE(WriteTiff16(planes, path));
      names.push_back(name);
    }
    return names;
  }

  // The temporary folder holds exactly these image files (others' files the run left
  // alone, unchanged); they are removed afterwards.
  void ExpectOnlyTheseTemporaryFiles(std::vector<std::wstring> expected) {
    std::vector<std::wstring> found;
    for (const std::wstring& name : FilesIn(mTmp)) {
      if (name.find(L".tif") != std::wstring::npos) found.push_back(name);
    }
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
    for (const std::wstring& name : expected) {
      EXPECT_EQ(ReadBytes(mTmp + name).size(), mOthersBytes) << "unchanged";
      DeleteFileW((mTmp + name).c_str());
    }
  }

  // No temporary image file is left behind.
  void ExpectNoTemporaryFiles() const {
    for (const std::wstring& name : FilesIn(mTmp)) {
      EXPECT_EQ(name.find(L".tif"), std::wstring::npos) << "left behind: " << Utf8(name);
    }
  }

  TestHost host;
  HWND mDialog = nullptr;
  std::wstring mRoot, mExeFolder, mTmp, mScript, mEcho, mPids;
  std::vector<float> mBefore[3];
  std::pair<bool, std::wstring> mSavedTmp, mSavedTemp;
  std::size_t mOthersBytes = 0;
};

using Lines = std::vector<std::wstring>;

TEST_F(WorkflowTest, NoImageAndEveryRangeRefusalEndAfterThePlanes) {
  OpenDialog();
  WriteBytes(mScript, "");
  host.Calls.clear();
  ASSERT_EQ(TestHost::SendPluginCommand(kPluginCmdStart, kPluginCmdStart), 1);
  EXPECT_EQ(Rendered(host.Calls), std::vector<std::string>{"GetCurrentImage(4096,0,0)"});
  EXPECT_EQ(TestHost::LogLines(), Lines{L"Please open an image."});

  const std::wstring tooLow = L"Image range is too low, it must be 16 bits. See docs.";
  const std::wstring eightBitHint = L"Image seems only 8 bit, please enable the option below.";
  const std::wstring notEightBit = L"Please check: Image seems not 8 bit.";
  const std::wstring tooLarge =
      L"ERROR: the image is too large to hand to Noxfade (at most 65535 pixels a side and 4 GB "
      L"of 16-bit samples); the image is unchanged.";
  struct Case {
    bool eightBit;
    float peak;
    const std::wstring* refusal;  // null: accepted
    int32_t width = 9;
  };
  const Case cases[] = {
      {false, 10000.0f, &tooLow},   {false, 10000.5f, nullptr},     {false, 50.0f, &eightBitHint},
      {false, 256.0f, &eightBitHint}, {false, 49.5f, &tooLow},      {false, 256.5f, &tooLow},
      {true, 259.0f, nullptr},      {true, 259.5f, &notEightBit},
      // A size the temporary TIFF cannot describe: refused before anything is written.
      {false, 10000.5f, &tooLarge, 65536},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.eightBit ? "8-bit, peak " : "16-bit, peak ") << c.peak);
    const ImageHandle h = host.AddImage(c.width, 7, true, 1.0f);
    host.Image(h).planes[0][40] = c.peak;
    host.CurrentImage = h;
    SetEightBit(c.eightBit);
    Run("copy\n");
    if (c.refusal) {
      EXPECT_EQ(Rendered(host.Calls), Head(h));
      EXPECT_EQ(TestHost::LogLines(), Lines{*c.refusal});
      EXPECT_FALSE(DenoiserRan());
      EXPECT_TRUE(FilesIn(mTmp).empty()) << "no file written";
      EXPECT_EQ(host.Image(h).saveUndoCount, 0);
      ExpectPlanesUntouched(h);
    } else {
      EXPECT_EQ(Rendered(host.Calls), FullRun(h, true)) << "accepted: a full run";
      EXPECT_TRUE(DenoiserRan());
      ExpectNoTemporaryFiles();
    }
  }
}

TEST_F(WorkflowTest, MonochromeResultReplacesThePlanesAtFullStrength) {
  OpenDialog();
  SetStrength(L"100");
  host.Version = 805;
  const ImageHandle h = NewImage(511, 512, true, &Sample16);
  Run("out Backend: test\\r\\n\nsleep 150\nout 50.0%\ninvert\n");
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, false)) << "strength 100: no undo planes";
  EXPECT_EQ(TestHost::LogLines(), (Lines{kOpening, kSmall, L"Backend: test", L"Working ..."}))
      << "511 wide: the small-image warning";
  ExpectPlanes(h, [](float x) { return 65535.0f - x; });
  EXPECT_EQ(host.Image(h).saveUndoCount, 1);
  EXPECT_EQ(host.Image(h).undo[0], mBefore[0]) << "the undo copy is taken before the result is read";
  EXPECT_EQ(host.Image(h).refreshCount, 1);
  ExpectNoTemporaryFiles();

  // The denoiser was handed the two temporary files in the temporary folder, named after
  // the dialog's position.
  const std::string recorded = ReadBytes(mEcho);
  const std::wstring echo(reinterpret_cast<const wchar_t*>(recorded.data()), recorded.size() / sizeof(wchar_t));
  const std::wstring commandLine = echo.substr(0, echo.find(L'\n'));
  RECT r{};
  GetWindowRect(mDialog, &r);
  wchar_t position[16];
  std::swprintf(position, 16, L"%.3d%.3d", static_cast<int>(r.left % 1000), static_cast<int>(r.top % 1000));
  const std::wstring head = L"\"" + mExeFolder + L"noxfade.exe\" -i \"" + mTmp + L"Temp" + position;
  ASSERT_EQ(commandLine.substr(0, head.size()), head) << Utf8(commandLine);
  const std::wstring ticks = commandLine.substr(head.size(), 4);
  EXPECT_EQ(ticks.find_first_not_of(L"0123456789"), std::wstring::npos);
  EXPECT_EQ(commandLine.substr(head.size() + 4),
            L".tif\" -o \"" + mTmp + L"OutTemp" + position + ticks + L".tif\"");

  // A 512 x 512 image draws no warning.
  const ImageHandle square = NewImage(512, 512, true, &Sample16);
  Run("invert\n");
  EXPECT_EQ(Rendered(host.Calls), FullRun(square, false));
  EXPECT_EQ(TestHost::LogLines(), Lines{kOpening});
  ExpectPlanes(square, [](float x) { return 65535.0f - x; });
  ExpectNoTemporaryFiles();

  // A colour mosaic wider than any camera frame comes back bit for bit.
  const ImageHandle mosaic = NewImage(30000, 24, false, &Sample16);
  Run("invert\n");
  EXPECT_EQ(Rendered(host.Calls), FullRun(mosaic, false));
  EXPECT_EQ(TestHost::LogLines(), (Lines{kOpening, kSmall}));
  ExpectPlanes(mosaic, [](float x) { return 65535.0f - x; });
  ExpectNoTemporaryFiles();
}

TEST_F(WorkflowTest, StrengthBlendsWithTheUndoCopyOnlyAboveVersion804) {
  OpenDialog();
  const float s = static_cast<float>(80 / 100.0);
  const float t = static_cast<float>(1.0 - static_cast<double>(s));
  const PlaneRule blended = [s, t](float x) {
    return static_cast<float>(static_cast<double>(65535.0f - x) * s + static_cast<double>(x) * t);
  };
  const PlaneRule inverted = [](float x) { return 65535.0f - x; };
  SetStrength(L"80");

  host.Version = 805;
  ImageHandle h = NewImage(37, 23, false, &Sample16);
  Run("invert\n");
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, true));
  EXPECT_EQ(TestHost::LogLines(), (Lines{kOpening, kSmall}));
  ExpectPlanes(h, blended);
  ExpectNoTemporaryFiles();

  // A monochrome image still asks for undo planes 2 and 3.
  h = NewImage(37, 23, true, &Sample16);
  Run("invert\n");
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, true));
  ExpectPlanes(h, blended);

  host.Version = 804;
  h = NewImage(37, 23, false, &Sample16);
  Run("invert\n");
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, false)) << "version 804: no blend";
  ExpectPlanes(h, inverted);

  // 99.6 rounds to 100: no blend even on a new host, but the version is still asked.
  host.Version = 805;
  SetStrength(L"99.6");
  h = NewImage(37, 23, false, &Sample16);
  Run("invert\n");
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, false));
  ExpectPlanes(h, inverted);
  ExpectNoTemporaryFiles();
}

TEST_F(WorkflowTest, EightBitImagesAreScaledOutAndBack) {
  OpenDialog();
  SetEightBit(true);
  SetStrength(L"100");
  // Out: x * 256; the denoiser inverts to 65535 - 256 x; back: / 256 = 255.996 - x, rounded.
  const PlaneRule back = [](float x) { return 256.0f - x; };
  for (bool mono : {true, false}) {
    SCOPED_TRACE(mono ? "monochrome" : "colour");
    const ImageHandle h = NewImage(40, 17, mono, &Sample8);
    Run("invert\n");
    EXPECT_EQ(Rendered(host.Calls), FullRun(h, false));
    EXPECT_EQ(TestHost::LogLines(), (Lines{kOpening, kSmall}));
    ExpectPlanes(h, back);
    ExpectNoTemporaryFiles();
  }
}

TEST_F(WorkflowTest, ADenoiserThatCannotRunLeavesTheImageAndSaysWhy) {
  OpenDialog();
  host.Version = 900;  // a blending host at strength 80: still no undo planes without a result
  const ImageHandle h = NewImage(20, 10, false, &Sample16);

  const std::wstring nowhere = mRoot + L"nowhere";
  SetFolder(nowhere);
  Run("invert\n");
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, false));
  EXPECT_EQ(TestHost::LogLines(),
            (Lines{L"ERROR: Noxfade executable not found in: ", nowhere + L"\\"}));
  ExpectPlanesUntouched(h);
  EXPECT_EQ(host.Image(h).saveUndoCount, 1);
  EXPECT_EQ(host.Image(h).refreshCount, 1);
  ExpectNoTemporaryFiles();

  SetFolder(mExeFolder);
  WriteBytes(mExeFolder + L"noxfade.exe", "no program, just text");
  Run("invert\n");
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, false));
  EXPECT_EQ(TestHost::LogLines(), (Lines{kOpening, kSmall, L"ERROR: cannot launch Noxfade"}));
  ExpectPlanesUntouched(h);
  ExpectNoTemporaryFiles();
}

TEST_F(WorkflowTest, AnUnusableResultLeavesTheImageWithOneErrorLine) {
  OpenDialog();
  host.Version = 900;
  const ImageHandle h = NewImage(20, 10, false, &Sample16);
  struct Case {
    const char* script;
    std::wstring last;
    bool othersFiles = false;  // other runs' inputs and stale results under the next names
  };
  const Case cases[] = {
      {"", kNoResult},  // prints nothing, writes nothing, exits with 0
      {"", kNoResult, true},  // and a stale result it could be taken for is left alone
      {"exit 3\n", L"ERROR: Noxfade ended with exit code 3; the image is unchanged."},
      {"tiff 21 10 3 1000\n", kNoResult},
      {"tiff 20 11 3 1000\n", kNoResult},
      {"tiff 20 10 3 100 8\n", kNoResult},
      {"garbage\n", kNoResult},
      {"garbage\nexit 2\n", L"ERROR: Noxfade ended with exit code 2; the image is unchanged."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.script << (c.othersFiles ? " (others' files)" : ""));
    const std::vector<std::wstring> others = c.othersFiles ? LayOthersFiles(h) : std::vector<std::wstring>{};
    Run(c.script);
    EXPECT_TRUE(DenoiserRan());
    EXPECT_EQ(Rendered(host.Calls), FullRun(h, false));
    EXPECT_EQ(TestHost::LogLines(), (Lines{kOpening, kSmall, c.last}));
    ExpectPlanesUntouched(h);
    ExpectOnlyTheseTemporaryFiles(others);
  }
  // A denoiser that ran to its end is read whatever its exit code; the log says so.
  Run("invert\nexit 3\n");
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, true));
  EXPECT_EQ(TestHost::LogLines(),
            (Lines{kOpening, kSmall,
                   L"WARNING: Noxfade ended with exit code 3; its result was taken, and the "
                   L"host's undo brings the image back."}));
  ExpectNoTemporaryFiles();
}

TEST_F(WorkflowTest, AFailedExportRunsNoDenoiserAndCallsNothingMore) {
  OpenDialog(mRoot + L"missing\\");
  const ImageHandle h = NewImage(20, 10, true, &Sample16);
  Run("invert\n");
  EXPECT_EQ(Rendered(host.Calls), Head(h));
  EXPECT_EQ(TestHost::LogLines(),
            Lines{L"ERROR: cannot write the temporary image file; the image is unchanged."});
  EXPECT_FALSE(DenoiserRan());
  ExpectPlanesUntouched(h);
  EXPECT_FALSE(Exists(mRoot + L"missing"));
}

// Every name the run may try is taken (by other runs' inputs and stale results): it gives up
// before the export, and leaves them all as they were.
TEST_F(WorkflowTest, EveryNameTakenRunsNoDenoiserAndCallsNothingMore) {
  OpenDialog();
  const ImageHandle h = NewImage(20, 10, true, &Sample16);
  const std::vector<std::wstring> others = LayOthersFiles(h, 1000, 600);  // 600 names: about 10 s for the run to reach its claim
  Run("invert\n");
  EXPECT_EQ(Rendered(host.Calls), Head(h));
  EXPECT_EQ(TestHost::LogLines(),
            Lines{L"ERROR: no free name for the temporary files in the temporary folder; the "
                  L"image is unchanged."});
  EXPECT_FALSE(DenoiserRan());
  ExpectPlanesUntouched(h);
  ExpectOnlyTheseTemporaryFiles(others);
}

// The invisible test-image option hands the denoiser "MonoTemp.tif" or "ColorTemp.tif" from
// beside the host's executable instead of the exported image.
TEST_F(WorkflowTest, TestImageModeHandsTheDenoiserTheSampleFile) {
  OpenDialog();
  SetStrength(L"100");
  const ImageHandle h = NewImage(20, 10, true, &Sample16);
  std::vector<float> sample(200);
  for (size_t i = 0; i < sample.size(); ++i) sample[i] = static_cast<float>(1000 + 7 * i);
  const std::wstring sampleFile = TestHost::ExeFolder() + L"MonoTemp.tif";
  ASSERT_TRUE(WriteTiff16({sample.data(), sample.data(), sample.data(), 20, 10}, sampleFile));
  SendMessageW(Item(IdCBTestImage), BM_SETCHECK, BST_CHECKED, 0);
  Run("copy\n");
  DeleteFileW(sampleFile.c_str());
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, false));
  EXPECT_EQ(host.Image(h).planes[0], sample);
  ExpectNoTemporaryFiles();
}

TEST_F(WorkflowTest, AHostThatGivesNoPlanesGetsNoFurtherCall) {
  OpenDialog();
  const ImageHandle h = NewImage(20, 10, false, &Sample16);
  host.ServePlanes = false;
  Run("invert\n");
  EXPECT_EQ(Rendered(host.Calls), Head(h));
  EXPECT_EQ(TestHost::LogLines(),
            Lines{L"ERROR: the host gave no image data; the image is unchanged."});
  EXPECT_FALSE(DenoiserRan());
  ExpectPlanesUntouched(h);
  ExpectNoTemporaryFiles();
}

TEST_F(WorkflowTest, ASecondStartDuringARunStartsNothing) {
  OpenDialog();
  SetStrength(L"100");
  const ImageHandle h = NewImage(20, 10, true, &Sample16);
  LRESULT busy = -1, sent = -1;
  BOOL startEnabled = TRUE;
  bool acted = false;
  EveryFewMs([&] {
    if (!DenoiserRan()) return false;  // wait until the denoiser is running
    startEnabled = IsWindowEnabled(Item(IdButStart));
    busy = SendMessageW(mDialog, kWmPluginCommand, kPluginCmdQueryBusy, kPluginCmdQueryBusy);
    sent = SendMessageW(mDialog, kWmPluginCommand, kPluginCmdStart, kPluginCmdStart);
    PostMessageW(mDialog, kWmPluginCommand, kPluginCmdStart, kPluginCmdStart);
    SendMessageW(Item(IdButStart), BM_CLICK, 0, 0);
    acted = true;
    return true;
  });
  Run("sleep 300\ninvert\n");
  TestHost::Pump(50);
  ASSERT_TRUE(acted) << "the timer fired during the run";
  EXPECT_FALSE(startEnabled);
  EXPECT_EQ(busy, 1);
  EXPECT_EQ(sent, 0) << "a start while busy answers 0";
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, false)) << "one run only";
  ExpectPlanes(h, [](float x) { return 65535.0f - x; });
  EXPECT_TRUE(IsWindowEnabled(Item(IdButStart)));
  EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdQueryBusy, kPluginCmdQueryBusy), 0);
  ExpectNoTemporaryFiles();
}

// The file the scripted denoiser's "invert" writes for image h as the plug-in exports it:
// the export's bytes with every 16-bit sample from byte 128 on replaced by 65535 - sample.
std::string InvertedExport(TestHost& host, ImageHandle h, const std::wstring& scratch) {
  nox::test::HostImage& img = host.Image(h);
  const nox::PlaneSet planes{img.planes[0].data(), img.mono ? img.planes[0].data() : img.planes[1].data(),
                             img.mono ? img.planes[0].data() : img.planes[2].data(), img.width, img.height};
  EXPECT_TRUE(WriteTiff16(planes, scratch));
  std::string bytes = ReadBytes(scratch);
  DeleteFileW(scratch.c_str());
  for (size_t i = 128; i + 1 < bytes.size(); i += 2) {
    const unsigned v = 65535u - (static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    bytes[i] = static_cast<char>(v & 0xFF);
    bytes[i + 1] = static_cast<char>(v >> 8);
  }
  return bytes;
}

// The host frees the image's planes while the denoiser works (its pages decommitted, so a
// write into them faults), or gives the image another size under the same handle. The host
// lives on, is asked only what it still names, and the denoiser's result is kept. (Another
// image made current ends the run as a closed one does; the portable run's test has them all.)
TEST_F(WorkflowTest, AnImageClosedOrChangedDuringTheRunIsNotWrittenAndTheResultKept) {
  OpenDialog();
  SetStrength(L"100");
  const std::wstring flag = mRoot + L"changed.txt";
  for (const bool resize : {false, true}) {
    SCOPED_TRACE(resize ? "resized" : "closed");
    DeleteFileW(flag.c_str());
    const ImageHandle h = NewImage(20, 10, false, &Sample16);
    const std::string expected = InvertedExport(host, h, mRoot + L"expected.tif");
    host.PagePlanes(h);
    size_t callsAtChange = 0;
    EveryFewMs([&] {
      if (!DenoiserRan()) return false;
      host.CloseImage(h);
      if (resize) {
        nox::test::HostImage& img = host.Image(h);
        img.width = 10;
        img.height = 20;
        for (auto& plane : img.planes) plane.assign(200, 5.0f);
        host.PagePlanes(h);
        img.closed = false;
        host.CurrentImage = h;
      }
      callsAtChange = host.Calls.size();
      WriteBytes(flag, "1");
      return true;
    });
    Run("wait " + Utf8(flag) + "\ninvert\n");
    ASSERT_NE(callsAtChange, 0u) << "the host changed the image during the run";

    std::vector<std::string> calls = Head(h);
    calls.push_back("GetCurrentImage(4096,0,0)");
    if (resize) {
      const std::vector<std::string> again = Head(h);
      calls.insert(calls.end(), again.begin() + 1, again.end());
    }
    EXPECT_EQ(Rendered(host.Calls), calls) << "no undo, no refresh, no plane written";
    const Lines log = TestHost::LogLines();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], kOpening);
    const std::wstring head = std::wstring(resize ? L"ERROR: the image's size or colours changed during the "
                                                    L"run; the image is unchanged"
                                                  : L"ERROR: the image was closed during the run") +
                              L"; Noxfade's result is kept in " + mTmp + L"Noxfade result ";
    ASSERT_EQ(log[2].substr(0, head.size()), head) << Utf8(log[2]);
    const std::wstring kept = log[2].substr(head.size() - std::wstring(L"Noxfade result ").size() - mTmp.size());
    EXPECT_EQ(kept.substr(kept.size() - 4), L".tif");
    EXPECT_TRUE(ReadBytes(kept) == expected) << "the denoiser's output, bit for bit";
    if (resize) {
      for (int p = 0; p < 3; ++p) EXPECT_EQ(host.PagedPlane(h, p), std::vector<float>(200, 5.0f));
    }
    DeleteFileW(kept.c_str());
    ExpectNoTemporaryFiles();
  }
}

// ---- the free space of the temporary folder's volume, as the plug-in's import of
// GetDiskFreeSpaceExW answers it: the test puts its own function in the DLL's import table.

std::optional<ULONGLONG> gFreeBytes;
std::wstring gFreeSpaceAsked;

BOOL WINAPI FakeFreeSpace(LPCWSTR folder, PULARGE_INTEGER available, PULARGE_INTEGER total,
                          PULARGE_INTEGER totalFree) {
  gFreeSpaceAsked = folder ? folder : L"(null)";
  if (!gFreeBytes) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (available) available->QuadPart = *gFreeBytes;
  if (total) total->QuadPart = *gFreeBytes * 2;
  if (totalFree) totalFree->QuadPart = *gFreeBytes;
  return TRUE;
}

// Replaces `module`'s import of `function` from kernel32 by `replacement`; false when the
// module does not import it.
bool PatchKernel32Import(HMODULE module, const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + imp->Name), "kernel32.dll") != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
      return true;
    }
  }
  return false;
}

// A run the temporary folder's volume has no room for is refused before anything is
// written; one whose free space cannot be read runs (the portable run's test has the boundary).
TEST_F(WorkflowTest, ARunTheTemporaryFolderHasNoRoomForIsRefusedBeforeTheExport) {
  ASSERT_TRUE(PatchKernel32Import(host.Module(), "GetDiskFreeSpaceExW",
                                  reinterpret_cast<void*>(&FakeFreeSpace)));
  OpenDialog();
  SetStrength(L"100");
  const ImageHandle h = NewImage(20, 10, false, &Sample16);
  const ULONGLONG needed = 2u * 20u * 10u * 6u + (16u << 20);
  const struct Case {
    std::optional<ULONGLONG> free;
    bool runs;
  } cases[] = {{needed - 1, false}, {std::nullopt, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.free ? std::to_string(*c.free) : "unreadable");
    gFreeBytes = c.free;
    gFreeSpaceAsked.clear();
    Run("invert\n");
    EXPECT_EQ(Utf8(gFreeSpaceAsked), Utf8(mTmp)) << "the temporary folder's volume";
    EXPECT_EQ(DenoiserRan(), c.runs);
    if (c.runs) {
      ExpectPlanes(h, [](float x) { return 65535.0f - x; });
    } else {
      EXPECT_EQ(Rendered(host.Calls), Head(h));
      EXPECT_EQ(TestHost::LogLines(),
                Lines{L"ERROR: the temporary folder has 16 MB free; a run on this image needs 17 MB; "
                      L"the image is unchanged."});
      ExpectPlanesUntouched(h);
    }
    ExpectNoTemporaryFiles();
  }
}

// Escape during a run: the confirmation box comes up; `answer` is clicked in it.
struct EscapeScript {
  EscapeScript(int answerId, const std::wstring& whenExists) : answer(answerId), startedFile(whenExists) {}
  int answer;
  std::wstring startedFile;  // Escape is pressed once this file exists
  // When set, the file holds the denoiser's pid first, and Escape waits until that process
  // has ended and the runner has had time to see it.
  bool afterDenoiserExit = false;
  HWND host = nullptr;
  std::wstring caption;
  std::vector<std::wstring> texts;
  bool hostEnabledWhileUp = true;
  int step = 0;
  ULONGLONG exitSeen = 0;

  bool Tick(HWND memo) {
    if (step == 0) {
      if (!Exists(startedFile)) return false;
      if (afterDenoiserExit) {
        DWORD denoiser = 0;
        if (std::sscanf(ReadBytes(startedFile).c_str(), "%lu", &denoiser) != 1) return false;
        if (exitSeen == 0 && ProcessEnds(denoiser, 0)) exitSeen = GetTickCount64();
        if (exitSeen == 0 || GetTickCount64() - exitSeen < 300) return false;
      }
      PostMessageW(memo, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      step = 1;
      return false;
    }
    HWND box = FindMessageBox();
    if (!box) return false;
    caption = TestHost::Text(box);
    texts = ChildTexts(box);
    if (host) hostEnabledWhileUp = IsWindowEnabled(host) != FALSE;
    PostMessageW(GetDlgItem(box, answer), BM_CLICK, 0, 0);
    return true;
  }
  bool HasText(const std::wstring& t) const {
    for (const std::wstring& s : texts)
      if (s == t) return true;
    return false;
  }
};

TEST_F(WorkflowTest, EscapeConfirmedStopsTheDenoiserAndItsChild) {
  OpenDialog();
  const ImageHandle h = NewImage(20, 10, false, &Sample16);
  EscapeScript escape{IDYES, mPids};
  HWND memo = Item(IdMemoLog);
  EveryFewMs([&] { return escape.Tick(memo); });
  // Left alone, the denoiser would write its result after a minute: the untouched planes
  // and the log show that the stop came first, whatever the machine's load.
  Run("child 60000 " + Utf8(mPids) + "\nsleep 60000\ninvert\n");
  EXPECT_EQ(escape.caption, L"Noxfade");
  EXPECT_TRUE(escape.HasText(L"Stop the denoiser?\rThe image will be left as it was."));
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, false));
  EXPECT_EQ(TestHost::LogLines(), (Lines{kOpening, kSmall, L"ERROR: stopped by the user"}));
  ExpectPlanesUntouched(h);
  ExpectNoTemporaryFiles();
  DWORD denoiser = 0, child = 0;
  ASSERT_EQ(std::sscanf(ReadBytes(mPids).c_str(), "%lu %lu", &denoiser, &child), 2);
  EXPECT_TRUE(ProcessEnds(denoiser, 10000));
  EXPECT_TRUE(ProcessEnds(child, 10000)) << "the denoiser's child ends with it";
}

TEST_F(WorkflowTest, EscapeDeclinedLetsTheRunFinish) {
  OpenDialog();
  SetStrength(L"100");
  const ImageHandle h = NewImage(20, 10, false, &Sample16);
  EscapeScript escape{IDNO, mEcho};
  escape.host = host.HostWindow();
  HWND memo = Item(IdMemoLog);
  EveryFewMs([&] { return escape.Tick(memo); });
  Run("sleep 300\ninvert\n");
  EXPECT_EQ(escape.caption, L"Noxfade") << "the box was shown";
  EXPECT_FALSE(escape.hostEnabledWhileUp) << "the box is modal to the host too";
  EXPECT_TRUE(IsWindowEnabled(host.HostWindow()));
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, false));
  EXPECT_EQ(TestHost::LogLines(), (Lines{kOpening, kSmall}));
  ExpectPlanes(h, [](float x) { return 65535.0f - x; });
  ExpectNoTemporaryFiles();
}

// The denoiser inherits its pipe and nothing else of the host's: an inheritable handle the
// host holds is not open in it.
TEST_F(WorkflowTest, TheDenoiserInheritsOnlyItsOwnPipe) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE hostHandle = CreateEventW(&inheritable, TRUE, FALSE, nullptr);
  ASSERT_NE(hostHandle, nullptr);
  OpenDialog();
  SetStrength(L"100");
  const ImageHandle h = NewImage(20, 10, false, &Sample16);
  const std::wstring seen = mRoot + L"handle.txt";
  Run("handle " + std::to_string(reinterpret_cast<uintptr_t>(hostHandle)) + " " + Utf8(seen) +
      "\nout Done\\r\\n\ninvert\n");
  CloseHandle(hostHandle);
  EXPECT_EQ(ReadBytes(seen), "0") << "the host's handle was inherited";
  EXPECT_EQ(TestHost::LogLines(), (Lines{kOpening, kSmall, L"Done"})) << "the pipe works";
  ExpectPlanes(h, [](float x) { return 65535.0f - x; });
}

// A denoiser that is a launcher: it starts the real worker, which inherits the output, and
// ends at once; the worker writes the result later. The result arrives; a helper the worker
// leaves running without the output is not stopped by the run's end, only when the host
// finalizes the plug-in.
TEST_F(WorkflowTest, ALaunchersWorkerDeliversTheResult) {
  OpenDialog();
  SetStrength(L"100");
  const ImageHandle h = NewImage(20, 10, false, &Sample16);
  const std::wstring helperPid = mRoot + L"helper.txt";
  Run("launch " + Utf8(mPids) + "\nsleep 700\ndetach 60000 " + Utf8(helperPid) +
      "\nout Done\\r\\n\ninvert\n");
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, false));
  EXPECT_EQ(TestHost::LogLines(), (Lines{kOpening, kSmall, L"Done"}));
  ExpectPlanes(h, [](float x) { return 65535.0f - x; });
  ExpectNoTemporaryFiles();

  DWORD helper = 0;
  ASSERT_EQ(std::sscanf(ReadBytes(helperPid).c_str(), "%lu", &helper), 1);
  EXPECT_FALSE(ProcessEnds(helper, 200)) << "still running after the run";
  host.Finalize();
  EXPECT_TRUE(ProcessEnds(helper, 2000)) << "ended when the plug-in was finalized";
}

// The denoiser writes its result and ends, leaving a silent child that holds the output.
// Escape then offers to stop waiting; confirmed, it ends the child and the result is used.
TEST_F(WorkflowTest, StoppingTheWaitForALeftoverChildKeepsTheResult) {
  OpenDialog();
  SetStrength(L"100");
  const ImageHandle h = NewImage(20, 10, false, &Sample16);
  EscapeScript escape{IDYES, mPids};
  escape.afterDenoiserExit = true;
  HWND memo = Item(IdMemoLog);
  EveryFewMs([&] { return escape.Tick(memo); });
  const ULONGLONG started = GetTickCount64();
  Run("invert\nchild 60000 " + Utf8(mPids) + "\n");
  EXPECT_LT(GetTickCount64() - started, 8000u) << "ended at the user's request";
  EXPECT_TRUE(escape.HasText(L"Stop waiting for the processes Noxfade started?\r"
                             L"They will be ended; the result is used if Noxfade wrote one."));
  EXPECT_EQ(Rendered(host.Calls), FullRun(h, false));
  EXPECT_EQ(TestHost::LogLines(),
            (Lines{kOpening, kSmall,
                   L"WARNING: stopped waiting; the processes started by Noxfade were ended."}));
  ExpectPlanes(h, [](float x) { return 65535.0f - x; });
  ExpectNoTemporaryFiles();
  DWORD denoiser = 0, child = 0;
  ASSERT_EQ(std::sscanf(ReadBytes(mPids).c_str(), "%lu %lu", &denoiser, &child), 2);
  EXPECT_TRUE(ProcessEnds(child, 1000)) << "the child holding the output was ended";
}

// A denoiser that prints far more than an edit control holds by default (30,000
// characters, after which it drops every further line, the outcome included): the log
// still ends with the run's outcome, and it is in view. (How the log stays bounded over
// megabytes is the memo's own test.)
TEST_F(WorkflowTest, AVerboseRunEndsWithItsOutcomeInView) {
  OpenDialog();
  const ImageHandle h = NewImage(20, 10, false, &Sample16);
  // 511 bytes a write, the plug-in's read size, so that every read holds one whole line.
  constexpr int kLines = 150;
  Run("lines " + std::to_string(kLines) + " 509\nexit 3\n");
  const Lines log = TestHost::LogLines();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.back(), L"ERROR: Noxfade ended with exit code 3; the image is unchanged.");
  EXPECT_EQ(log[log.size() - 2].rfind(L"line " + std::to_wstring(kLines - 1) + L" ", 0), 0u)
      << "the last status line comes just before the outcome";
  HWND memo = Item(IdMemoLog);
  const LRESULT lastLineStart = GetWindowTextLengthW(memo) - static_cast<LRESULT>(log.back().size());
  const LRESULT at = SendMessageW(memo, EM_POSFROMCHAR, static_cast<WPARAM>(lastLineStart), 0);
  RECT client{};
  GetClientRect(memo, &client);
  EXPECT_GE(static_cast<short>(HIWORD(at)), 0);
  EXPECT_LT(static_cast<short>(HIWORD(at)), client.bottom) << "the outcome line is in view";
  ExpectPlanesUntouched(h);
  ExpectNoTemporaryFiles();
}

std::wstring CurrentFolder() {
  wchar_t folder[MAX_PATH];
  const DWORD n = GetCurrentDirectoryW(MAX_PATH, folder);
  return std::wstring(folder, n < MAX_PATH ? n : 0);
}

// Reading the result prepares FreeImage, which could load every "*.fip" file beside the
// host's executable into the host and switch the host's current folder there meanwhile.
// Neither may happen: the probe beside the host stays unloaded (it would leave a mark),
// and the current folder, set elsewhere, is the same before, during and after the run.
TEST_F(WorkflowTest, ARunLoadsNoFipFileAndKeepsTheHostsCurrentFolder) {
  const std::wstring probe = TestHost::ExeFolder() + L"probe " + std::to_wstring(GetCurrentProcessId()) + L".fip";
  const std::wstring mark = mRoot + L"probe loaded.txt";
  ASSERT_TRUE(CopyFileW((TestHost::ExeFolder() + L"fip_probe.dll").c_str(), probe.c_str(), FALSE));
  SetEnvironmentVariableW(L"PINOXFADE_FIP_PROBE_MARK", mark.c_str());
  wchar_t saved[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryW(mTmp.c_str()));
  const std::wstring before = CurrentFolder();

  OpenDialog();
  SetStrength(L"100");
  const ImageHandle h = NewImage(20, 10, false, &Sample16);
  std::vector<std::wstring> during;
  EveryFewMs([&] {
    during.push_back(CurrentFolder());
    return false;  // samples until the run is over
  });
  Run("sleep 200\ninvert\nsleep 200\n");
  KillTimer(nullptr, gTimer);
  gTimer = 0;
  const std::wstring after = CurrentFolder();

  SetCurrentDirectoryW(saved);
  SetEnvironmentVariableW(L"PINOXFADE_FIP_PROBE_MARK", nullptr);
  host.Unload();
  const bool removed = DeleteFileW(probe.c_str()) != FALSE;

  ExpectPlanes(h, [](float x) { return 65535.0f - x; });
  const std::string folderAtLoad = Exists(mark) ? ReadBytes(mark) : std::string();
  EXPECT_FALSE(Exists(mark)) << "the *.fip file beside the host was loaded, in the folder "
                             << Utf8(std::wstring(reinterpret_cast<const wchar_t*>(folderAtLoad.data()),
                                                  folderAtLoad.size() / sizeof(wchar_t)));
  EXPECT_TRUE(removed) << "the *.fip file is still in use";
  EXPECT_FALSE(during.empty()) << "the folder was looked at during the run";
  for (const std::wstring& folder : during) EXPECT_EQ(Utf8(folder), Utf8(before));
  EXPECT_EQ(Utf8(after), Utf8(before));
}

// ---- a host that tears the plug-in down in another order than ours, or from inside one of
// its loops (the Help box, a run, the folder edit's context menu). ctest runs each order in
// a process of its own; each must leave the host alive, no temporary file, no denoiser
// process, no host call after FreeLibrary, the planes untouched or holding the whole
// result, and the user's settings saved.

enum class Inside { Idle, HelpBox, Run, ContextMenu };

struct Order {
  const char* name;
  Inside inside;           // where the host acts
  bool destroyHostWindow;  // DestroyWindow(host) first (our dialog is owned: it goes too)
  bool finalizeAndUnload;  // pi_finalize, then FreeLibrary
  bool postQuit;           // PostQuitMessage, as a host that is closing does
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

// The value the settings file holds for one of the dialog's controls, or "(none)".
std::string StoredSetting(const std::string& fileBytes, const char16_t* control) {
  TAutosaver store;
  store.LoadBytes(fileBytes);
  const std::u16string key = TAutosaver::EncodeKey(u"FORMCVPLUGINDENOISE", control) + u"%";
  for (const std::u16string& line : store.Lines()) {
    if (line.compare(0, key.size(), key) == 0) return Utf8(std::wstring(line.begin() + key.size(), line.end()));
  }
  return "(none)";
}

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((ULONGLONG{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

class LifecycleTest : public WorkflowTest, public ::testing::WithParamInterface<Order> {};

TEST_P(LifecycleTest, TheHostSurvivesAndNothingIsLost) {
  const Order& order = GetParam();
  DeleteFileW((TestHost::ExeFolder() + L"NoxfadePlugin-readme.htm").c_str());  // Help: error box
  OpenDialog();
  SetStrength(L"100");
  SetEightBit(true);
  const ImageHandle h = NewImage(600, 512, false, &Sample8);
  for (int p = 0; p < 3; ++p) mBefore[p] = host.Image(h).planes[p];

  // The host's part, from a thread timer: it fires inside whatever loop is running.
  bool acted = false;
  size_t callsAtUnload = 0;
  const auto act = [&] {
    acted = true;
    if (order.destroyHostWindow) DestroyWindow(host.HostWindow());
    if (order.finalizeAndUnload) {
      host.Finalize();
      host.Unload();
      callsAtUnload = host.Calls.size();
    }
    if (order.postQuit) PostQuitMessage(7);
  };
  const ULONGLONG armedAt = GetTickCount64();
  EveryFewMs([&] {
    if (!acted) {
      if (GetTickCount64() - armedAt < 500) return false;
      if (order.inside == Inside::HelpBox && !FindMessageBox()) return false;
      if (order.inside == Inside::ContextMenu && !FindPopup(L"#32768")) return false;
      act();
      return order.inside == Inside::Run;
    }
    if (HWND box = FindMessageBox()) PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    if (order.inside == Inside::ContextMenu) EndMenu();
    return true;
  });
  const double cpuBefore = ProcessCpuSeconds();
  switch (order.inside) {
    case Inside::Idle: act(); break;
    case Inside::HelpBox: SendMessageW(Item(IdButHelp), BM_CLICK, 0, 0); break;
    case Inside::Run: Run("child 3000 " + Utf8(mPids) + "\nsleep 3000\ninvert\n"); break;
    case Inside::ContextMenu:
      SendMessageW(Item(IdEdFolder), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Item(IdEdFolder)),
                   MAKELPARAM(100, 100));
      break;
  }
  const double cpuOfTheLoop = ProcessCpuSeconds() - cpuBefore;
  ASSERT_TRUE(acted) << "the host acted inside the loop";

  // The host's own loop goes on, with the plug-in's deferred work carried out meanwhile.
  bool quit = false;
  WPARAM quitCode = 0;
  for (const ULONGLONG until = GetTickCount64() + 500; GetTickCount64() < until; Sleep(10)) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = msg.wParam;
      }
      DispatchMessageW(&msg);
    }
  }

  if (order.finalizeAndUnload) {
    EXPECT_TRUE(TestHost::DialogWindows().empty()) << "the dialog went";
    EXPECT_EQ(host.Calls.size(), callsAtUnload) << "no host call after FreeLibrary";
    const std::string settings = ReadBytes(mTmp + L"NoxfadePlugin12.ini");
    EXPECT_EQ(StoredSetting(settings, u"EDFOLDER"), Utf8(mExeFolder));
    EXPECT_EQ(StoredSetting(settings, u"EDSTRENGTH"), "100");
    EXPECT_EQ(StoredSetting(settings, u"CBSCALE8BIT"), "1");
  }
  if (order.postQuit) {
    EXPECT_TRUE(quit) << "the host's loop still gets its WM_QUIT";
    EXPECT_EQ(quitCode, 7u);
    EXPECT_LT(cpuOfTheLoop, 0.5) << "the run waits as usual after the quit";
    ExpectPlanes(h, [](float x) { return 256.0f - x; });  // 8-bit, inverted (see above)
  } else {
    ExpectPlanesUntouched(h);
  }
  ExpectNoTemporaryFiles();
  DWORD denoiser = 0, child = 0;
  if (std::sscanf(ReadBytes(mPids).c_str(), "%lu %lu", &denoiser, &child) == 2) {
    EXPECT_TRUE(ProcessEnds(denoiser, 10000));
    EXPECT_TRUE(ProcessEnds(child, 10000)) << "what the denoiser started ends too";
  }
}

INSTANTIATE_TEST_SUITE_P(Orders, LifecycleTest, ::testing::ValuesIn(kOrders),
                         [](const ::testing::TestParamInfo<Order>& param) { return std::string(param.param.name); });

}  // namespace

// ---- the log's lines on the screen

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {

// The lines the log shows, as its edit control has broken them (EM_GETLINE).
Lines ShownLines(HWND memo) {
  Lines shown;
  const LRESULT count = SendMessageW(memo, EM_GETLINECOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT start = SendMessageW(memo, EM_LINEINDEX, static_cast<WPARAM>(i), 0);
    const LRESULT length = SendMessageW(memo, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    std::vector<wchar_t> buffer(static_cast<size_t>(std::max<LRESULT>(length, 1)) + 1, L'\0');
    buffer[0] = static_cast<wchar_t>(buffer.size());  // EM_GETLINE's buffer size
    const LRESULT got =
        SendMessageW(memo, EM_GETLINE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()));
    shown.emplace_back(buffer.data(), static_cast<size_t>(std::max<LRESULT>(got, 0)));
  }
  return shown;
}

int TextWidthIn(HWND window, const std::wstring& text) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size.cx;
}

// A text for the stand-in denoiser's "out", its backslashes kept.
std::string Escaped(const std::wstring& text) {
  std::string out;
  for (char c : Utf8(text)) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

std::wstring WithoutBlanksAndBreaks(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c != L' ' && c != L'\r' && c != L'\n') out += c;
  }
  return out;
}

// Every line the log shows fits its text area (EM_GETRECT) in the log's font, and together
// they hold the log's whole text: nothing is cut off.
void ExpectEveryShownLineFits(HWND memo) {
  RECT area{};
  SendMessageW(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
  const Lines shown = ShownLines(memo);
  std::wstring joined;
  for (const std::wstring& line : shown) {
    EXPECT_LE(TextWidthIn(memo, line), area.right - area.left) << Utf8(line);
    joined += line;
  }
  EXPECT_EQ(Utf8(WithoutBlanksAndBreaks(joined)), Utf8(WithoutBlanksAndBreaks(TestHost::Text(memo))));
}

// The log's whole text as Ctrl+C copies it, or empty when the clipboard is not to be had.
std::wstring CopiedLog(HWND memo) {
  SendMessageW(memo, EM_SETSEL, 0, -1);
  SendMessageW(memo, WM_COPY, 0, 0);
  std::wstring text;
  if (!OpenClipboard(memo)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

}  // namespace

// Every line the log shows fits its text area, at 96 and at 192 DPI, after runs that end in
// the plug-in's longest messages and with long lines of the denoiser's own, with and without
// blanks. The nine lines of the start show unbroken at every DPI the dialog has.
// The log breaks lines on the screen only: its text, and what is copied from it, keep each
// message as one line as written, and the not-found message's folder on a line of its own.
TEST_F(WorkflowTest, EveryLineTheLogShowsFitsItsTextArea) {
  OpenDialog();
  HWND memo = Item(IdMemoLog);
  const auto setDpi = [this](int dpi) {
    RECT r{0, 0, MulDiv(346, dpi, 96), MulDiv(337, dpi, 96)};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(mDialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(mDialog, GWL_EXSTYLE)));
    OffsetRect(&r, 40 - r.left, 30 - r.top);
    SendMessageW(mDialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
  };

  const Lines start = TestHost::LogLines();
  ASSERT_EQ(start.size(), 9u);
  for (const int dpi : {96, 120, 144, 168, 192}) {
    SCOPED_TRACE(dpi);
    setDpi(dpi);
    ExpectEveryShownLineFits(memo);
    // A line that fits is never broken. At 96 DPI Wine's Tahoma, wider than Windows', makes
    // five of the nine lines wider than the log; at the other DPIs the font is fitted.
    RECT area{};
    SendMessageW(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
    const Lines shown = ShownLines(memo);
    for (const std::wstring& line : start) {
      if (TextWidthIn(memo, line) <= area.right - area.left) {
        EXPECT_NE(std::find(shown.begin(), shown.end(), line), shown.end()) << Utf8(line);
      }
    }
    if (dpi != 96) {
      EXPECT_EQ(shown, start) << "the nine lines, each on a line of its own";
    }
  }

  const std::wstring deepFolder =
      mRoot + L"Astronomy\\Processing_tools_and_denoisers_installed_for_the_Celvanta_host\\"
              L"Noxfade_AI_denoiser_version_1.2_with_its_models\\";
  const std::wstring denoiserWords =
      L"Loading the denoising network for this image, which may take a while on a slow "
      L"machine without a graphics card";
  const std::wstring denoiserPath =
      L"Model:C:\\Users\\Astronomer\\AppData\\Local\\Noxfade\\models\\noxfade-1.2-starless-"
      L"denoise-weights-fp16.onnx";
  const ImageHandle small = NewImage(20, 10, false, &Sample16);
  const ImageHandle tooLarge = host.AddImage(65536, 7, true, 1.0f);
  host.Image(tooLarge).planes[0][40] = 10000.5f;
  struct Case {
    const char* what;
    ImageHandle image;
    const std::wstring& folder;
    std::string script;
    Lines log;
  };
  const Case cases[] = {
      {"not found, a long folder", small, deepFolder, "",
       {L"ERROR: Noxfade executable not found in: ", deepFolder}},
      {"no result", small, mExeFolder, "", {kOpening, kSmall, kNoResult}},
      {"exit code", small, mExeFolder, "exit 3\n",
       {kOpening, kSmall, L"ERROR: Noxfade ended with exit code 3; the image is unchanged."}},
      {"exit code, result taken", small, mExeFolder,
       "out " + Utf8(denoiserWords) + "\\r\\n\nsleep 100\nout " + Escaped(denoiserPath) +
           "\\nDone\\r\\n\nsleep 100\ninvert\nexit 3\n",
       {kOpening, kSmall, denoiserWords, denoiserPath, L"Done",
        L"WARNING: Noxfade ended with exit code 3; its result was taken, and the host's undo "
        L"brings the image back."}},
      {"too large", tooLarge, mExeFolder, "copy\n",
       {L"ERROR: the image is too large to hand to Noxfade (at most 65535 pixels a side and 4 GB "
        L"of 16-bit samples); the image is unchanged."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host.CurrentImage = c.image;
    SetFolder(c.folder);
    Run(c.script);
    EXPECT_EQ(TestHost::LogLines(), c.log);
    for (const int dpi : {192, 96}) {
      SCOPED_TRACE(dpi);
      setDpi(dpi);
      ExpectEveryShownLineFits(memo);
    }
  }

  // Copying gives the messages as written, not broken where the screen broke them (the
  // clipboard is the desktop's: another test may take it meanwhile).
  const std::wstring text = TestHost::Text(memo);
  std::wstring copied;
  for (int attempt = 0; attempt < 10 && copied != text; ++attempt) copied = CopiedLog(memo);
  EXPECT_EQ(Utf8(copied), Utf8(text));
}
