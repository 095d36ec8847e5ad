// A host with the floating-point settings some toolkits give their programs, from its
// start, before the plug-in is loaded: invalid operation, division by zero and overflow
// unmasked, SSE and x87 (main() below). Every kind of run gives the exported file and the
// planes it gives under the default state, and the host's state is as the host set it
// after every call into the plug-in and inside every call out of it (its callback, its
// timer run by the plug-in's loop, the folder browser's modal loop).
#include <gtest/gtest.h>

#include <windows.h>
#include <xmmintrin.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "dialog/ControlIds.h"
#include "support/FileBytes.h"
#include "support/TestHost.h"

using namespace nox;
using nox::test::HostCall;
using nox::test::HostImage;
using nox::test::TestHost;

namespace {

// Read and set here with the processor's own instructions, not with the plug-in's code.
struct Fp {
  uint32_t mxcsr;
  uint16_t control;  // x87
  uint16_t flags;    // x87 status word's exception flags
  bool operator==(const Fp& o) const { return mxcsr == o.mxcsr && control == o.control && flags == o.flags; }
  Fp Controls() const { return {mxcsr & ~0x3Fu, control, 0}; }
};
std::ostream& operator<<(std::ostream& os, const Fp& s) {
  return os << std::hex << "mxcsr " << s.mxcsr << ", x87 " << s.control << " flags " << s.flags << std::dec;
}

Fp ReadFp() {
  Fp s{_mm_getcsr(), 0, 0};
  __asm__ volatile("fnstcw %0" : "=m"(s.control));
  __asm__ volatile("fnstsw %0" : "=m"(s.flags));
  s.flags &= 0x3F;
  return s;
}

void SetFp(uint32_t mxcsr, uint16_t control) {
  _mm_setcsr(mxcsr);
  __asm__ volatile("fnclex\n\tfldcw %0" : : "m"(control) : "memory");
}

constexpr uint32_t kUnmaskedMxcsr = 0x1900;  // precision, underflow, denormal masked
constexpr uint16_t kUnmaskedX87 = 0x1332;

void SetHostStartState() { SetFp(kUnmaskedMxcsr, kUnmaskedX87); }

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// Samples with fractions (0.25, 0.5, 0.75 above whole numbers, in 1/256 for an 8-bit
// image) and, with `bad`, NaN, infinities and values near the float's limit in the second
// and third planes (3e38 overflows when an 8-bit image is scaled out).
float Sample(size_t i, int plane, bool eightBit, bool bad) {
  if (bad && plane > 0 && i % 5 == 0) {
    const float special[] = {kNaN, kInf, -kInf, 3e38f, -3e38f};
    return special[(i / 5 + static_cast<size_t>(plane)) % 5];
  }
  const float x = static_cast<float>((i * 613u + static_cast<size_t>(plane) * 4099u) % 60000u) +
                  0.25f * static_cast<float>(i % 4);
  return eightBit ? x / 256.0f : x;
}

struct RunCase {
  const char* name;
  uint32_t mxcsr;  // the host's state during the run
  uint16_t x87;
  const wchar_t* strength;
  bool eightBit;
  bool bad;
};

const RunCase kCases[] = {
    {"plain run", kUnmaskedMxcsr, kUnmaskedX87, L"100", false, false},
    {"blend at 80", kUnmaskedMxcsr, kUnmaskedX87, L"80", false, false},
    {"NaN, infinities and 3e38, 8-bit, blend", kUnmaskedMxcsr, kUnmaskedX87, L"80", true, true},
    {"rounding toward zero, 8-bit, blend", kUnmaskedMxcsr | 0x6000, kUnmaskedX87 | 0x0C00, L"70", true, false},
};

constexpr size_t kWidth = 41, kHeight = 29;

struct Outcome {
  std::string exported;
  std::vector<float> planes[3];
};

class HostFloatStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Loaded());
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    mSavedTemp = temp;
    mRoot = std::wstring(temp) + L"float state test " + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(mRoot.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((TestHost::ExeFolder() + L"scripted_denoiser.exe").c_str(),
                          (mRoot + L"noxfade.exe").c_str(), FALSE));
    SetEnvironmentVariableW(L"SCRIPTED_DENOISER_SCRIPT", (mRoot + L"script.txt").c_str());
    // The run's temporary files and the dialog's settings stay in this test's folder.
    for (const wchar_t* name : {L"TMP", L"TEMP"}) SetEnvironmentVariableW(name, mRoot.c_str());
  }
  void TearDown() override {
    host.Unload();
    SetEnvironmentVariableW(L"SCRIPTED_DENOISER_SCRIPT", nullptr);
    for (const wchar_t* name : {L"TMP", L"TEMP"}) SetEnvironmentVariableW(name, mSavedTemp.c_str());
    for (const wchar_t* name : {L"noxfade.exe", L"script.txt", L"exported.tif", L"NoxfadePlugin12.ini"})
      DeleteFileW((mRoot + name).c_str());
    RemoveDirectoryW(mRoot.c_str());
  }

  // Calls into the plug-in and checks that the host's state is as it was.
  template <typename F>
  void Enter(const char* what, F call) {
    const Fp before = ReadFp();
    call();
    EXPECT_EQ(ReadFp(), before) << "after " << what;
  }

  Outcome Run(const RunCase& c, uint32_t mxcsr, uint16_t x87) {
    SetFp(mxcsr, x87);
    const Fp hostState = ReadFp();
    Enter("pi_initialize", [&] { EXPECT_EQ(host.Initialize(), 1); });
    Enter("pi_activate", [&] { host.Activate(); });
    const HWND dialog = TestHost::Dialog();
    SendMessageW(GetDlgItem(dialog, IdEdFolder), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(mRoot.c_str()));
    SendMessageW(GetDlgItem(dialog, IdEdStrength), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.strength));
    SendMessageW(GetDlgItem(dialog, IdCBScale8bit), BM_SETCHECK, c.eightBit ? BST_CHECKED : BST_UNCHECKED, 0);

    const ImageHandle h = host.AddImage(kWidth, kHeight, false, 0.0f);
    HostImage& image = host.Image(h);
    for (int p = 0; p < 3; ++p)
      for (size_t i = 0; i < image.planes[p].size(); ++i)
        image.planes[p][i] = Sample(i, p, c.eightBit, c.bad);
    host.CurrentImage = h;
    host.Version = 900;

    // The host's code run from inside the plug-in: its callback and a timer of its own.
    std::vector<Fp> seen;
    host.OnCall = [&seen](const HostCall&) { seen.push_back(ReadFp()); };
    static std::vector<Fp>* sTimerSeen;
    std::vector<Fp> timerSeen;
    sTimerSeen = &timerSeen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 5, [](HWND, UINT, UINT_PTR, DWORD) { sTimerSeen->push_back(ReadFp()); });
    const std::wstring exported = mRoot + L"exported.tif";
    const std::string script = "keep " + Utf8(exported) + "\nsleep 150\ninvert\n";
    EXPECT_TRUE(test::WriteFileBytes(mRoot + L"script.txt", script.data(), static_cast<DWORD>(script.size())));
    Enter("the automation's Start", [&] { EXPECT_EQ(TestHost::SendPluginCommand(kPluginCmdStart, kPluginCmdStart), 1); });
    KillTimer(nullptr, timer);
    host.OnCall = nullptr;
    const bool blend = std::wstring(c.strength) != L"100";
    EXPECT_EQ(host.Calls.size(), blend ? 16u : 13u) << "a whole run, the image asked for again after the denoiser";
    host.Calls.clear();
    for (const Fp& s : seen) EXPECT_EQ(s, hostState) << "in the host's callback";
    EXPECT_FALSE(timerSeen.empty()) << "the host's timer ran during the run";
    for (const Fp& s : timerSeen) EXPECT_EQ(s, hostState) << "in the host's timer";

    Outcome out;
    out.exported = test::ReadFileBytes(exported);
    for (int p = 0; p < 3; ++p) out.planes[p] = image.planes[p];
    Enter("pi_finalize", [&] { host.Finalize(); });
    TestHost::Pump(20);
    return out;
  }

  static std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                                        out.data(), static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
  }

  TestHost host;  // loaded under the state main() set
  std::wstring mRoot, mSavedTemp;
};

// Loading runs the module's static initialisation and DllMain, freeing its unloading.
TEST(HostFloatStateLoadTest, LoadingAndFreeingThePluginKeepTheHostsState) {
  SetHostStartState();
  const Fp before = ReadFp();
  const HMODULE module = LoadLibraryW((TestHost::ExeFolder() + L"pinoxfade.dll").c_str());
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(ReadFp(), before) << "after loading";
  FreeLibrary(module);
  EXPECT_EQ(ReadFp(), before) << "after freeing";
}

TEST_F(HostFloatStateTest, EveryRunGivesTheDefaultStatesBytesAndPlanes) {
  for (const RunCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const Outcome reference = Run(c, 0x1F80, 0x037F);
    const Outcome hosted = Run(c, c.mxcsr, c.x87);
    ASSERT_EQ(reference.exported.size(), 128u + kWidth * kHeight * 6u);
    EXPECT_TRUE(reference.exported == hosted.exported) << "the exported file";
    for (int p = 0; p < 3; ++p) {
      ASSERT_EQ(hosted.planes[p].size(), reference.planes[p].size());
      EXPECT_EQ(std::memcmp(hosted.planes[p].data(), reference.planes[p].data(), hosted.planes[p].size() * sizeof(float)), 0)
          << "plane slot " << p << " bit for bit";
    }
  }
}

TEST_F(HostFloatStateTest, TheFolderBrowsersLoopRunsUnderTheHostsState) {
  SetHostStartState();
  const Fp hostState = ReadFp();
  Enter("pi_initialize", [&] { host.Initialize(); });
  Enter("pi_activate", [&] { host.Activate(); });
  std::vector<Fp> inLoop;
  {
    test::DialogCatcher catcher;
    catcher.BeforeClose = [&inLoop](HWND) {
      inLoop.push_back(ReadFp());
      return true;
    };
    SendMessageW(GetDlgItem(TestHost::Dialog(), IdButDir), BM_CLICK, 0, 0);
    EXPECT_EQ(ReadFp().Controls(), hostState.Controls()) << "after the folder button";
    EXPECT_EQ(catcher.Caught.size(), 1u);
  }
  // The shell's own dialog code raises an inexact flag under the host's state, as it
  // would for the host itself: masks and rounding are compared there.
  ASSERT_FALSE(inLoop.empty());
  for (const Fp& s : inLoop) EXPECT_EQ(s.Controls(), hostState.Controls()) << "inside the browser's loop";
  Enter("pi_finalize", [&] { host.Finalize(); });
}

}  // namespace

int main(int argc, char** argv) {
  SetHostStartState();  // before anything loads the plug-in
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
