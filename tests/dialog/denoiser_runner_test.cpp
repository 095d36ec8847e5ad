// The denoiser runner against a scripted stand-in denoiser, in real child processes.
// Each test copies scripted_denoiser.exe into a fresh folder as noxfade.exe and hands it its
// script as the input file.
#include "dialog/DenoiserRunner.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialog/DenoiserOutput.h"
#include "support/FileBytes.h"
#include "support/ProcessWait.h"

namespace nox {
namespace {

using Events = std::vector<std::wstring>;

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH];
  std::wstring exe(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  return exe.substr(0, exe.find_last_of(L'\\') + 1);
}

void WriteText(const std::wstring& path, const std::string& text) {
  ASSERT_TRUE(test::WriteFileBytes(path, text));
}

std::string ReadBytes(const std::wstring& path) { return test::ReadFileBytes(path); }

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += static_cast<char>(c);  // the test paths are ASCII
  return out;
}

using test::ProcessEnds;

// Records what the runner does to the dialog, in order.
class RecordingUi : public DenoiserUi {
 public:
  void ClearLog() override { events.push_back(L"clear"); }
  void AppendLog(const std::wstring& line) override {
    if (throwOnLine == line) throw std::runtime_error("log refused");
    events.push_back(L"log:" + line);
  }
  void SetProgress(int percent) override { events.push_back(L"progress:" + std::to_wstring(percent)); }
  void ApplyColours() override { events.push_back(L"colours"); }
  void ProcessMessages() override {
    ++messageRounds;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  StopRequest StopRequested() override {
    if (stop == StopRequest::None && stopWhen) {
      stop = stopWhen(*this);
      if (stop != StopRequest::None) cancelTick = GetTickCount64();
    }
    return stop;
  }
  void DenoiserExited() override { denoiserExited = true; }
  bool Logged(const std::wstring& line) const {
    return std::find(events.begin(), events.end(), L"log:" + line) != events.end();
  }

  Events events;
  int messageRounds = 0;
  std::wstring throwOnLine = L"\x1 never";
  std::function<StopRequest(const RecordingUi&)> stopWhen;
  StopRequest stop = StopRequest::None;
  ULONGLONG cancelTick = 0;
  bool denoiserExited = false;
};

class DenoiserRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    folder_ = std::wstring(temp) + L"runner test " + std::to_wstring(GetCurrentProcessId()) +
              L"-" + std::to_wstring(++counter) + L"\\";
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    script_ = folder_ + L"script.txt";
    output_ = folder_ + L"OutTemp.tif";
  }

  void TearDown() override {
    for (const wchar_t* name : {L"noxfade.exe", L"script.txt", L"OutTemp.tif", L"echo.txt",
                                L"pids.txt", L"detached.txt"}) {
      DeleteFileW((folder_ + name).c_str());
    }
    RemoveDirectoryW((folder_ + L"noxfade.exe").c_str());
    RemoveDirectoryW(folder_.c_str());
  }

  void InstallDenoiser() {
    ASSERT_TRUE(CopyFileW((ExeFolder() + L"scripted_denoiser.exe").c_str(),
                          (folder_ + L"noxfade.exe").c_str(), FALSE));
  }

  DenoiserRunResult Run(RecordingUi& ui, const std::string& script, bool smallImage = false,
                        std::uint32_t leftoverWarningMs = kLeftoverWarningMs) {
    WriteText(script_, script);
    return RunDenoiser(ui, folder_, script_, output_, smallImage, leftoverWarningMs);
  }

  // "<denoiser pid> <child pid>" as the script's child or launch command wrote them.
  std::vector<DWORD> Pids(const wchar_t* file = L"pids.txt") const {
    const std::string text = ReadBytes(folder_ + file);
    std::vector<DWORD> pids;
    char* end = nullptr;
    const char* p = text.c_str();
    for (unsigned long v = std::strtoul(p, &end, 10); end != p; v = std::strtoul(p, &end, 10)) {
      pids.push_back(static_cast<DWORD>(v));
      p = end;
    }
    return pids;
  }

  std::wstring folder_;
  std::wstring script_;
  std::wstring output_;
};

TEST_F(DenoiserRunnerTest, MissingExecutableLogsOneEntryAndLeavesTheGauge) {
  const std::wstring bare = folder_.substr(0, folder_.size() - 1);
  RecordingUi ui;
  DenoiserRunResult result = RunDenoiser(ui, L"  " + bare + L" \t", script_, output_, true);
  EXPECT_EQ(ui.events, (Events{L"clear", L"log:" + std::wstring(kLogExeNotFound) + L"\r" + folder_}));
  EXPECT_FALSE(result.executableFound);
  EXPECT_FALSE(result.Succeeded());

  // A folder called noxfade.exe is no executable.
  ASSERT_TRUE(CreateDirectoryW((folder_ + L"noxfade.exe").c_str(), nullptr));
  RecordingUi ui2;
  result = RunDenoiser(ui2, folder_, script_, output_, false);
  EXPECT_EQ(ui2.events, (Events{L"clear", L"log:" + std::wstring(kLogExeNotFound) + L"\r" + folder_}));
  EXPECT_FALSE(result.executableFound);
}

TEST_F(DenoiserRunnerTest, FileThatIsNoProgramCannotBeLaunched) {
  WriteText(folder_ + L"noxfade.exe", "just text, no program");
  RecordingUi ui;
  const DenoiserRunResult result = Run(ui, "exit 0\n", /*smallImage=*/true);
  EXPECT_EQ(ui.events, (Events{L"clear", L"progress:0", L"log:Opening Noxfade ...",
                               L"log:WARNING: Minimum image size is 512x512 pixels.",
                               L"log:ERROR: cannot launch Noxfade", L"colours", L"progress:0"}));
  EXPECT_TRUE(result.executableFound);
  EXPECT_EQ(result.code, DenoiserCode::LaunchFailed);
  EXPECT_FALSE(result.Succeeded());
}

TEST_F(DenoiserRunnerTest, NormalRunFollowsProgressAndTextInOrder) {
  InstallDenoiser();
  // Pauses between writes keep each write in a read of its own.
  const std::string script = "echo " + Narrow(folder_) + "echo.txt\n"
                             "out Backend: CPU\\r\\n\nsleep 200\n"
                             "out 12.5%\nsleep 200\n"
                             "err [Loading network weights] 2 s\\r\\n\nsleep 200\n"
                             "out line one\\r\\nline two\\r\\n\nsleep 200\n"
                             "out Tile 3/8: 37.5% done\\r\\n\nsleep 200\n"
                             "out \\r\\n   \\r\\n\nsleep 200\n"
                             "out Model ready\\r\\n 63.2%\\r\\n\nsleep 200\n"
                             "out 100.0%\\r\\n\nsleep 200\n"
                             "out Writing denoised image\\r\\n\noutput\nsleep 200\n"
                             "out \\eDone\\e.\\e\\r\\n\n"
                             "exit 0\n";
  RecordingUi ui;
  const DenoiserRunResult result = Run(ui, script);
  EXPECT_EQ(ui.events,
            (Events{L"clear", L"progress:0", L"log:Opening Noxfade ...", L"log:Backend: CPU",
                    L"log:Working ...", L"progress:12", L"log:Loading network weights",
                    L"log:line one", L"log:line two", L"progress:37", L"progress:63",
                    L"log:Model ready", L"progress:100", L"log:Done .", L"colours", L"progress:0"}));
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_EQ(ReadBytes(output_), "denoised");

  // What the denoiser received: its command line and its working folder.
  const std::string echo = ReadBytes(folder_ + L"echo.txt");
  const std::wstring received(reinterpret_cast<const wchar_t*>(echo.data()),
                              echo.size() / sizeof(wchar_t));
  const std::wstring expectedCommand = L"\"" + folder_ + L"noxfade.exe\" -i \"" + script_ +
                                       L"\" -o \"" + output_ + L"\"";
  EXPECT_EQ(received, expectedCommand + L"\n" + folder_.substr(0, folder_.size() - 1));
}

TEST_F(DenoiserRunnerTest, SilentDenoiserKeepsTheMessagesFlowing) {
  InstallDenoiser();
  static std::vector<ULONGLONG> ticks;
  ticks.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 25, [](HWND, UINT, UINT_PTR, DWORD) {
    ticks.push_back(GetTickCount64());
  });
  ASSERT_NE(timer, 0u);
  RecordingUi ui;
  const ULONGLONG start = GetTickCount64();
  const DenoiserRunResult result = Run(ui, "sleep 1200\nout ready\\r\\n\nsleep 300\nexit 0\n");
  const ULONGLONG end = GetTickCount64();
  KillTimer(nullptr, timer);

  EXPECT_TRUE(result.Succeeded());
  EXPECT_TRUE(ui.Logged(L"ready"));
  EXPECT_GE(end - start, 1400u);
  // The timer kept ticking during the silence and the final wait: no gap near the
  // denoiser's pauses.
  ASSERT_GE(ticks.size(), 15u) << "timer ticks in " << (end - start) << " ms";
  ULONGLONG longestGap = ticks.front() - start;
  for (std::size_t i = 1; i < ticks.size(); ++i) longestGap = std::max(longestGap, ticks[i] - ticks[i - 1]);
  longestGap = std::max(longestGap, end - ticks.back());
  EXPECT_LT(longestGap, 400u);
}

TEST_F(DenoiserRunnerTest, ExitCodeIsReportedWithoutALogLine) {
  InstallDenoiser();
  RecordingUi ui;
  const DenoiserRunResult result = Run(ui, "exit 7\n");
  EXPECT_EQ(ui.events, (Events{L"clear", L"progress:0", L"log:Opening Noxfade ...", L"colours",
                               L"progress:0"}));
  EXPECT_EQ(result.code, DenoiserCode::Finished);
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.exitCode, 7u);
  EXPECT_TRUE(result.FailedWithExitCode());
  EXPECT_FALSE(result.Succeeded());
}

TEST_F(DenoiserRunnerTest, CancelEndsTheDenoiserAndItsChildren) {
  InstallDenoiser();
  RecordingUi ui;
  ui.stopWhen = [](const RecordingUi& u) {
    return u.Logged(L"started") ? StopRequest::StopDenoiser : StopRequest::None;
  };
  const DenoiserRunResult result =
      Run(ui, "child 60000 " + Narrow(folder_) + "pids.txt\nout started\\r\\n\nsleep 60000\n");
  const ULONGLONG returned = GetTickCount64();

  ASSERT_EQ(ui.stop, StopRequest::StopDenoiser);
  EXPECT_LT(returned - ui.cancelTick, 3000u);
  EXPECT_TRUE(result.Cancelled());
  EXPECT_FALSE(result.Succeeded());
  ASSERT_GE(ui.events.size(), 3u);
  EXPECT_EQ(Events(ui.events.end() - 3, ui.events.end()),
            (Events{L"log:ERROR: stopped by the user", L"colours", L"progress:0"}));
  const std::vector<DWORD> pids = Pids();
  ASSERT_EQ(pids.size(), 2u);
  EXPECT_TRUE(ProcessEnds(pids[0], 2000)) << "the denoiser";
  EXPECT_TRUE(ProcessEnds(pids[1], 2000)) << "the denoiser's child";
}

// A launcher starts the real worker, which inherits the output, and ends at once; the
// worker writes the result later. The run follows the worker to the end of the output, and
// a helper the worker leaves running without the output outlives the run until unload.
TEST_F(DenoiserRunnerTest, LauncherWorkerIsFollowedToTheEndOfTheOutput) {
  InstallDenoiser();
  RecordingUi ui;
  const DenoiserRunResult result =
      Run(ui, "launch " + Narrow(folder_) + "pids.txt\nsleep 800\nout 50.0%\\r\\n\n"
              "detach 60000 " + Narrow(folder_) + "detached.txt\noutput\nout done\\r\\n\n");
  EXPECT_TRUE(result.Succeeded());
  EXPECT_TRUE(ui.denoiserExited) << "the launcher ended first";
  EXPECT_EQ(ui.events, (Events{L"clear", L"progress:0", L"log:Opening Noxfade ...",
                               L"progress:50", L"log:done", L"colours", L"progress:0"}));
  EXPECT_EQ(ReadBytes(output_), "denoised");

  const std::vector<DWORD> helper = Pids(L"detached.txt");
  ASSERT_EQ(helper.size(), 1u);
  EXPECT_FALSE(ProcessEnds(helper[0], 300)) << "a normal end stops nothing";
  EndLeftoverDenoiserProcesses();
  EXPECT_TRUE(ProcessEnds(helper[0], 2000)) << "ended with the module";
}

// The denoiser writes its result and ends, but a child of it holds the output open and
// stays silent: one warning after the interval; stopping the wait then ends the child and
// keeps the result.
TEST_F(DenoiserRunnerTest, SilentChildHoldingTheOutputIsReportedAndStoppingTheWaitKeepsTheResult) {
  InstallDenoiser();
  RecordingUi ui;
  ULONGLONG warnedAt = 0;
  ui.stopWhen = [&warnedAt](const RecordingUi& u) {
    if (!u.Logged(kLogLeftoverRunning)) return StopRequest::None;
    if (warnedAt == 0) warnedAt = GetTickCount64();
    // Some time after the warning, to see that it comes once.
    return GetTickCount64() - warnedAt > 400 ? StopRequest::StopWaiting : StopRequest::None;
  };
  const ULONGLONG start = GetTickCount64();
  const DenoiserRunResult result =
      Run(ui, "output\nout done\\r\\n\nchild 60000 " + Narrow(folder_) + "pids.txt\nexit 0\n",
          false, /*leftoverWarningMs=*/300);

  EXPECT_TRUE(ui.denoiserExited);
  EXPECT_GE(warnedAt - start, 300u);
  EXPECT_EQ(ui.events,
            (Events{L"clear", L"progress:0", L"log:Opening Noxfade ...", L"log:done",
                    L"log:" + std::wstring(kLogLeftoverRunning),
                    L"log:" + std::wstring(kLogLeftoversEnded), L"colours", L"progress:0"}));
  EXPECT_EQ(result.code, DenoiserCode::Finished);
  EXPECT_TRUE(result.leftoversEnded);
  EXPECT_TRUE(result.Succeeded()) << "the denoiser itself ended well: its result counts";
  EXPECT_EQ(ReadBytes(output_), "denoised");
  const std::vector<DWORD> pids = Pids();
  ASSERT_EQ(pids.size(), 2u);
  EXPECT_TRUE(ProcessEnds(pids[1], 2000)) << "the child holding the output";
}

TEST_F(DenoiserRunnerTest, ExceptionFromTheDialogEndsTheRunAsACommunicationFailure) {
  InstallDenoiser();
  RecordingUi ui;
  ui.throwOnLine = L"boom";
  const ULONGLONG start = GetTickCount64();
  const DenoiserRunResult result =
      Run(ui, "child 60000 " + Narrow(folder_) + "pids.txt\nout boom\\r\\n\nsleep 60000\n");
  EXPECT_LT(GetTickCount64() - start, 10000u);
  EXPECT_EQ(result.code, DenoiserCode::CommunicationFailed);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(Events(ui.events.end() - 3, ui.events.end()),
            (Events{L"log:ERROR: cannot communicate with Noxfade", L"colours", L"progress:0"}));
  const std::vector<DWORD> pids = Pids();
  ASSERT_EQ(pids.size(), 2u);
  EXPECT_TRUE(ProcessEnds(pids[0], 2000)) << "the denoiser";
  EXPECT_TRUE(ProcessEnds(pids[1], 2000)) << "the denoiser's child";
}

}  // namespace
}  // namespace nox
