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
      {L"37,5%", 37},                                     // a denoiser in a comma locale
      {L"0.0%", 0},
      {L"100.0%", 100},
      {L"100%", 100},
      {L"37%", 37},
      {L"5%", 5},
      {L"Tile 3/8: 37.5% done", 37},
      {L"Progress: 12.5% (tile 2 of 16), 99.9%", 12},   // the first "%" counts
      {L"  \r\n 42.0%\r\n", 42},                          // trimmed first
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

TEST(DenoiserOutput, TextChunksAreTrimmedAndLogged) {
  EXPECT_EQ(InterpretChunk(L"  Loading input\r\n").lines, Lines{L"Loading input"});
  // Escape characters inside show as blanks; at the ends they are trimmed away.
  EXPECT_EQ(InterpretChunk(L"\x1b[1mBold\x1b text\x1b").lines, Lines{L"[1mBold  text"});
  EXPECT_EQ(InterpretChunk(L"a\x1b" L"b").lines, Lines{L"a b"});
}

// Two lines that arrive in one read count as they would in two.
TEST(DenoiserOutput, EachLineOfAChunkIsReadOnItsOwnInOrder) {
  struct Case {
    const wchar_t* chunk;
    std::optional<int> progress;
    Lines lines;
  };
  const Case cases[] = {
      {L"line one\r\nline two\r\n", std::nullopt, {L"line one", L"line two"}},
      {L"99.0%\r\nDone in 2.1 s\r\n", 99, {L"Done in 2.1 s"}},
      {L"Loaded model\r\n 63.2%", 63, {L"Loaded model"}},
      {L"12.5%\r25.0%\r37.5%\r", 37, {}},                      // the last update counts
      {L"50.0%\rdone %\r", 50, {}},                            // a "%" without a number keeps it
      {L"Backend: CPU\nWriting denoised image\n[Loading network weights] 2 s", std::nullopt,
       {L"Backend: CPU", kLogWorking, L"Loading network weights"}},
      {L"\x1b[1mStep\x1b\r\n\x1b\r\n  \r\n\n\r", std::nullopt, {L"[1mStep"}},
      {L"[long bracket\r\ntext] kept", std::nullopt, {L"[long bracket", L"text] kept"}},
  };
  for (const Case& c : cases) {
    const ChunkEffect effect = InterpretChunk(c.chunk);
    EXPECT_EQ(effect.progress, c.progress) << std::wstring(c.chunk).c_str();
    EXPECT_EQ(effect.lines, c.lines) << std::wstring(c.chunk).c_str();
  }
}

// A character whose bytes two reads split is converted whole with the second read.
TEST(DenoiserOutput, CutCharactersAreCarriedToTheNextRead) {
  using Kind = AnsiCodePage::Kind;
  const AnsiCodePage singleByte;
  const AnsiCodePage shiftJis{Kind::DoubleByte, {{0x81, 0x9F}, {0xE0, 0xFC}}};
  const AnsiCodePage utf8{Kind::Utf8, {}};
  struct Case {
    const char* name;
    const AnsiCodePage* codePage;
    std::vector<std::string> reads;
    std::vector<std::string> taken;
    std::string flushed;
  };
  const Case cases[] = {
      {"single byte: nothing held", &singleByte, {"ab\x82", "\xA0"}, {"ab\x82", "\xA0"}, ""},
      {"lead byte at the end", &shiftJis, {"ab\x82", "\xA0" "cd"}, {"ab", "\x82\xA0" "cd"}, ""},
      {"trail byte in the lead range", &shiftJis, {"\x82\x82", "x"}, {"\x82\x82", "x"}, ""},
      {"third lead byte cut", &shiftJis, {"\x82\x82\x82", "\x82"}, {"\x82\x82", "\x82\x82"}, ""},
      {"a one-byte read of a lead byte", &shiftJis, {"\x82", "\xA0"}, {"", "\x82\xA0"}, ""},
      {"zero byte ends the chunk", &shiftJis, {"ab\x82", std::string("\0zz\x82", 4)}, {"ab", "\x82"}, ""},
      {"left over at the end", &shiftJis, {"ok\x82"}, {"ok"}, "\x82"},
      {"utf-8 two bytes", &utf8, {"caf\xC3", "\xA9!"}, {"caf", "\xC3\xA9!"}, ""},
      {"utf-8 three bytes", &utf8, {"\xE2\x82", "\xAC"}, {"", "\xE2\x82\xAC"}, ""},
      {"utf-8 complete", &utf8, {"\xF0\x9F\x98\x80"}, {"\xF0\x9F\x98\x80"}, ""},
      {"utf-8 stray continuation", &utf8, {"a\x80\x80\x80\x80"}, {"a\x80\x80\x80\x80"}, ""},
  };
  for (const Case& c : cases) {
    OutputBytes output(*c.codePage);
    std::vector<std::string> taken;
    for (const std::string& read : c.reads) taken.push_back(output.Take(read.data(), read.size()));
    EXPECT_EQ(taken, c.taken) << c.name;
    EXPECT_EQ(output.Flush(), c.flushed) << c.name;
  }
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
  EXPECT_EQ(DenoiserExitCodeWarning(0xC0000005u),
            L"WARNING: Noxfade ended with exit code 0xC0000005; its result was taken, and the "
            L"host's undo brings the image back.");
}

}  // namespace
}  // namespace nox
