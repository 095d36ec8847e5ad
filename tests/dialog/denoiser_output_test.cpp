// The interpretation of the denoiser's console output, the denoiser folder and the command line.
#include "dialog/DenoiserOutput.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace nox {
namespace {

using Lines = std::vector<std::wstring>;

TEST(DenoiserOutput, ProgressReadsTheWholeNumberBeforeTheFirstPercent) {
  struct Case {
    const wchar_t* chunk;
    std::optional<int> progress;
  };
  const Case cases[] = {
      {L"37.5%", 37},
      {L"7.5%", 7},
      {L"0.0%", 0},
      {L"100.0%", 100},
      {L"100%", 100},
      {L"37%", 37},
      {L"5%", 5},
      {L"Tile 3/8: 37.5% done", 37},
      {L"Progress: 12.5% (tile 2 of 16), 99.9%", 12},   // the first "%" counts
      {L"  \r\n 42.0%\r\n", 42},                          // trimmed first
      {L"Loaded model\r\n 63.2%", 63},                    // text with a progress line
      {L"1.5.3%", 5},                                     // only one decimal part is skipped
      {L"250%", 100},                                     // beyond the gauge
      {L"99999999999999999999%", 100},                    // no overflow
      {L"%", std::nullopt},
      {L"done %", std::nullopt},
      {L".5%", std::nullopt},                             // no whole number before the point
      {L"abc.5%", std::nullopt},
      {L"Tile 12/3.5%", 3},
      {L"37.%", std::nullopt},
      {L"\x0663\x0667%", std::nullopt},                   // only ASCII digits are numbers
  };
  for (const Case& c : cases) {
    const ChunkEffect effect = InterpretChunk(c.chunk);
    EXPECT_EQ(effect.progress, c.progress) << std::wstring(c.chunk).c_str();
    EXPECT_TRUE(effect.lines.empty()) << "a progress chunk logs nothing";
  }
}

TEST(DenoiserOutput, BlankChunksDoNothing) {
  for (const wchar_t* chunk : {L"", L" ", L"\r\n", L"\t \r\n\x1b \x01"}) {
    const ChunkEffect effect = InterpretChunk(chunk);
    EXPECT_FALSE(effect.progress.has_value());
    EXPECT_TRUE(effect.lines.empty());
  }
}

TEST(DenoiserOutput, TextChunksAreTrimmedAndLoggedAsOneEntry) {
  EXPECT_EQ(InterpretChunk(L"  Loading input\r\n").lines, Lines{L"Loading input"});
  // Several lines in one chunk stay one entry with their line breaks.
  EXPECT_EQ(InterpretChunk(L"line one\r\nline two\r\n").lines, Lines{L"line one\r\nline two"});
  // Escape characters inside show as blanks; at the ends they are trimmed away.
  EXPECT_EQ(InterpretChunk(L"\x1b[1mBold\x1b text\x1b").lines, Lines{L"[1mBold  text"});
  EXPECT_EQ(InterpretChunk(L"a\x1b" L"b").lines, Lines{L"a b"});
}

TEST(DenoiserOutput, BracketReduction) {
  struct Case {
    const wchar_t* chunk;
    const wchar_t* logged;
  };
  const Case cases[] = {
      {L"[Loading network weights] 2 s", L"Loading network weights"},
      {L"[ok] loaded", L"[ok] loaded"},                 // "]" at position 4
      {L"[1234567] x", L"[1234567] x"},                 // "]" at position 9
      {L"[12345678] x", L"12345678"},                   // "]" at position 10
      {L"status: [  busy  ] now", L"busy"},             // inner text is trimmed
      {L"Step 1 [a] and [b]", L"a"},                    // first "[" and first "]"
      {L"[[[[Deep inner text]]]] end", L"[[[Deep inner text"},
      {L"A text ending] then [open", L""},              // "]" before "[": empty
      {L"Only an opening [ bracket", L"Only an opening [ bracket"},
      {L"Closing only ] bracket", L"Closing only ] bracket"},
      {L"[] too early, kept as is]", L"[] too early, kept as is]"},
      {L"[progress bar            ]", L"progress bar"},
      {L"[          ] spaces only", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(InterpretChunk(c.chunk).lines, Lines{c.logged}) << std::wstring(c.chunk).c_str();
  }
}

TEST(DenoiserOutput, WritingAndBackendLines) {
  EXPECT_TRUE(InterpretChunk(L"Writing denoised image").lines.empty());
  EXPECT_TRUE(InterpretChunk(L"[Writing denoised image to disk] ...").lines.empty());
  EXPECT_EQ(InterpretChunk(L"writing denoised image").lines, Lines{L"writing denoised image"});

  EXPECT_EQ(InterpretChunk(L"Backend: CPU").lines, (Lines{L"Backend: CPU", kLogWorking}));
  EXPECT_EQ(InterpretChunk(L"backend: cpu").lines, Lines{L"backend: cpu"});
  EXPECT_EQ(InterpretChunk(L"Using Backend: GPU").lines, Lines{L"Using Backend: GPU"});
  // The bracket reduction comes first, so a bracketed backend line still starts the work.
  EXPECT_EQ(InterpretChunk(L"[Backend: DirectML (GPU 0)] ready").lines,
            (Lines{L"Backend: DirectML (GPU 0)", kLogWorking}));
}

TEST(DenoiserOutput, FolderIsTrimmedAndEndsInABackslash) {
  EXPECT_EQ(DenoiserFolder(L"  C:\\Tools\\Denoiser  "), L"C:\\Tools\\Denoiser\\");
  EXPECT_EQ(DenoiserFolder(L"C:\\Tools\\Denoiser\\"), L"C:\\Tools\\Denoiser\\");
  EXPECT_EQ(DenoiserFolder(L"\tD:\\A B\\\r\n"), L"D:\\A B\\");
  EXPECT_EQ(DenoiserFolder(L""), L"\\");
  EXPECT_EQ(DenoiserFolder(L"   "), L"\\");
  EXPECT_EQ(DenoiserFolder(L"E:\\"), L"E:\\");
}

TEST(DenoiserOutput, CommandLineQuotesThePathsUnescaped) {
  EXPECT_EQ(DenoiserCommandLine(L"C:\\N F\\noxfade.exe", L"C:\\T\\Temp001.tif",
                                L"C:\\T\\OutTemp001.tif"),
            L"\"C:\\N F\\noxfade.exe\" -i \"C:\\T\\Temp001.tif\" -o \"C:\\T\\OutTemp001.tif\"");
  EXPECT_EQ(DenoiserCommandLine(L"\\noxfade.exe", L"", L""),
            L"\"\\noxfade.exe\" -i \"\" -o \"\"");
}

TEST(DenoiserOutput, ExitCodeLine) {
  EXPECT_EQ(DenoiserExitCodeLine(3), L"ERROR: Noxfade ended with exit code 3");
  EXPECT_EQ(DenoiserExitCodeLine(0xC0000005u), L"ERROR: Noxfade ended with exit code 0xC0000005");
}

}  // namespace
}  // namespace nox
