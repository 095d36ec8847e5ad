// hostsim.exe --batch end to end, with a stand-in plug-in that reports what reached it.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "HostImage.h"

namespace nox {
namespace {

namespace fs = std::filesystem;

std::wstring BinFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path().wstring() + L"\\";
}

struct Outcome {
  DWORD exitCode = 999;
  std::string out;
};

// Runs hostsim with the arguments, collecting its standard output.
Outcome RunHostsim(const std::wstring& args) {
  Outcome outcome;
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return outcome;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring line = L"\"" + BinFolder() + L"hostsim.exe\" " + args;
  PROCESS_INFORMATION pi = {};
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &si, &pi);
  CloseHandle(writeEnd);
  if (!started) {
    CloseHandle(readEnd);
    return outcome;
  }
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) outcome.out.append(buffer, got);
  CloseHandle(readEnd);
  WaitForSingleObject(pi.hProcess, 60000);
  GetExitCodeProcess(pi.hProcess, &outcome.exitCode);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return outcome;
}

class HostsimBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           (std::wstring(L"hostsim-batch-") +
            fs::path(::testing::UnitTest::GetInstance()->current_test_info()->name()).wstring());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::wstring Path(const wchar_t* name) const { return (dir_ / name).wstring(); }
  std::wstring Common(const std::wstring& image) const {
    return L"--batch --plugin \"" + BinFolder() + L"hostsim_mock_plugin.dll\" --image \"" + image + L"\"";
  }
  void WriteImage(const wchar_t* name, bool colour, int bits) {
    HostImage image = HostImage::Blank(4, 3, colour, bits);
    for (size_t i = 0; i < image.SampleCount(); ++i) {
      image.plane0[i] = static_cast<float>(100 + i);
      if (colour) {
        image.plane2[i] = static_cast<float>(200 + i);
        image.plane3[i] = static_cast<float>(50 + i);
      }
    }
    std::string error;
    ASSERT_TRUE(SaveHostImage(image, dir_ / name, error)) << error;
  }
  fs::path dir_;
};

TEST_F(HostsimBatch, FillsTheDialogPressesStartSavesAndPrintsTheLog) {
  WriteImage(L"in.tif", false, 16);
  const Outcome run = RunHostsim(Common(Path(L"in.tif")) +
                                 L" --denoiser C:/Noxfade/app --strength 55 --8bit --version 804"
                                 L" --out \"" + Path(L"out.tif") + L"\"");
  EXPECT_EQ(run.exitCode, 0u) << run.out;
  EXPECT_EQ(run.out,
            "folder=C:\\Noxfade\\app\nstrength=55\n8bit=1\nsize=4x3\ncolour=0\nversion=804\n");
  HostImage back;
  std::string error;
  ASSERT_TRUE(LoadHostImage(dir_ / L"out.tif", back, error)) << error;
  EXPECT_EQ(back.bitsPerSample, 16);
  EXPECT_EQ(back.plane0[0], 255.0f - 100.0f);  // inverted in 8-bit mode by the plug-in
  EXPECT_EQ(back.plane0[11], 255.0f - 111.0f);
}

TEST_F(HostsimBatch, ColourImageWithTheDefaultVersionServesTheUndoCopy) {
  WriteImage(L"in.png", true, 8);
  const Outcome run = RunHostsim(Common(Path(L"in.png")) + L" --denoiser D:\\x --out \"" +
                                 Path(L"out.png") + L"\"");
  EXPECT_EQ(run.exitCode, 0u) << run.out;
  EXPECT_EQ(run.out,
            "folder=D:\\x\nstrength=80\n8bit=0\nsize=4x3\ncolour=1\nversion=805\nundo=100 was=100\n");
  HostImage back;
  std::string error;
  ASSERT_TRUE(LoadHostImage(dir_ / L"out.png", back, error)) << error;
  EXPECT_EQ(back.bitsPerSample, 8);  // saved at the depth it came with: clamped to 0
  EXPECT_EQ(back.plane2[0], 255.0f);
  EXPECT_EQ(back.plane3[0], 255.0f);
}

TEST_F(HostsimBatch, ErrorEndingsAndRefusalsExitWithOneAndHostFailuresWithTwo) {
  WriteImage(L"in.tif", false, 16);
  Outcome run = RunHostsim(Common(Path(L"in.tif")) + L" --denoiser Z:\\nowhere\\fail");
  EXPECT_EQ(run.exitCode, 1u) << run.out;
  EXPECT_NE(run.out.find("\nERROR: Noxfade executable not found in: \nZ:\\nowhere\\fail\\\n"),
            std::string::npos)
      << run.out;

  run = RunHostsim(Common(Path(L"in.tif")) + L" --denoiser refuse");
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(run.out, "Image range is too low, it must be 16 bits. See docs.\n");

  run = RunHostsim(Common(Path(L"missing.tif")) + L" --denoiser d");
  EXPECT_EQ(run.exitCode, 2u);
  EXPECT_TRUE(run.out.empty());
  run = RunHostsim(L"--batch --image x.tif");
  EXPECT_EQ(run.exitCode, 2u);
  run = RunHostsim(L"--batch --plugin \"" + Path(L"none.dll") + L"\" --image \"" + Path(L"in.tif") +
                   L"\" --denoiser d");
  EXPECT_EQ(run.exitCode, 2u);
}

}  // namespace
}  // namespace nox
