// The interpretation of the denoiser's console output over arbitrary bytes, as the runner
// feeds it: the bytes are cut into reads, each read goes through OutputBytes (which holds
// back a character the read has cut) and the text of each chunk through InterpretChunk.
// Byte 0 chooses the ANSI code page (single-byte, a double-byte one with Shift-JIS's lead
// bytes, UTF-8); byte 1 seeds the read lengths (odd: 1 to 8 bytes, even: 1 to 511). The
// rest is the output. Checked for every input:
//  - the bytes handed out, followed by what is flushed at the end, are exactly the bytes
//    read, each read cut at its first zero byte; at most three bytes are held back, and a
//    read without a zero byte never hands out a double-byte character cut in two;
//  - a chunk is read as its lines would be one by one: its effect equals that of its CR/LF
//    separated pieces taken as chunks of their own, in order (every logged line, the last
//    progress set);
//  - progress stays within 0 to 100; a logged line holds no CR, LF or escape character.
// The kept corpus (tests/fuzz/corpus/denoiser_output) holds a few outputs in this framing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "dialog/DenoiserOutput.h"

namespace {

using nox::AnsiCodePage;

void Check(bool condition) {
  if (!condition) std::abort();
}

AnsiCodePage CodePageFor(uint8_t selector) {
  switch (selector % 3) {
    case 1: return AnsiCodePage{AnsiCodePage::Kind::DoubleByte, {{0x81, 0x9F}, {0xE0, 0xFC}}};
    case 2: return AnsiCodePage{AnsiCodePage::Kind::Utf8, {}};
    default: return AnsiCodePage{};
  }
}

// A stand-in for the system's conversion: every byte one character, a double-byte pair one
// character above U+00FF, so that the interpretation sees text of the same shape.
std::wstring ToText(const std::string& bytes, const AnsiCodePage& codePage) {
  std::wstring text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (codePage.kind == AnsiCodePage::Kind::DoubleByte && codePage.IsLeadByte(b) &&
        i + 1 < bytes.size()) {
      text += static_cast<wchar_t>(0x100u + (b << 8 | static_cast<unsigned char>(bytes[++i])) % 0xD700u);
    } else {
      text += static_cast<wchar_t>(b);
    }
  }
  return text;
}

void CheckChunk(const std::wstring& text) {
  const nox::ChunkEffect effect = nox::InterpretChunk(text);
  if (effect.progress) Check(*effect.progress >= 0 && *effect.progress <= 100);
  for (const std::wstring& line : effect.lines) {
    Check(line.find_first_of(L"\r\n\x1b") == std::wstring::npos);
  }

  // The same text, piece by piece (a text of one piece would only be compared with itself).
  if (text.find_first_of(L"\r\n") == std::wstring::npos) return;
  std::optional<int> progress;
  std::vector<std::wstring> lines;
  std::size_t begin = 0;
  while (begin <= text.size()) {
    std::size_t end = text.find_first_of(L"\r\n", begin);
    if (end == std::wstring::npos) end = text.size();
    const nox::ChunkEffect piece = nox::InterpretChunk(text.substr(begin, end - begin));
    if (piece.progress) progress = piece.progress;
    lines.insert(lines.end(), piece.lines.begin(), piece.lines.end());
    begin = end + 1;
  }
  Check(effect.progress == progress);
  Check(effect.lines == lines);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const AnsiCodePage codePage = CodePageFor(data[0]);
  const std::size_t maxRead = (data[1] & 1) ? 8 : 511;
  uint32_t state = data[1];
  const char* output = reinterpret_cast<const char*>(data + 2);
  const std::size_t length = size - 2;

  nox::OutputBytes bytes(codePage);
  std::string handedOut;
  std::string expected;
  for (std::size_t at = 0; at < length;) {
    state = state * 1103515245u + 12345u;
    const std::size_t count = std::min<std::size_t>(1 + (state >> 8) % maxRead, length - at);
    const char* read = output + at;
    at += count;

    const std::string chunk = bytes.Take(read, count);
    handedOut += chunk;
    std::size_t nul = 0;
    while (nul < count && read[nul] != '\0') ++nul;
    expected.append(read, nul);
    if (nul == count) {
      Check(expected.size() - handedOut.size() <= 3);
      // What is handed out ends on a whole character (the chunk starts on one). In UTF-8 a
      // lead byte the stream itself left incomplete may stand before the held one.
      if (codePage.kind != AnsiCodePage::Kind::Utf8) {
        Check(codePage.IncompleteTail(chunk.data(), chunk.size()) == 0);
      }
    } else {
      Check(handedOut == expected);  // a zero byte ends the chunk: nothing is held back
    }
    CheckChunk(ToText(chunk, codePage));
  }
  handedOut += bytes.Flush();
  Check(handedOut == expected);
  return 0;
}
