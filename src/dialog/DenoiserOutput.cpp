#include "dialog/DenoiserOutput.h"

#include <cstdio>

namespace nox {

namespace {

bool IsControlOrBlank(wchar_t c) { return static_cast<unsigned>(c) <= 0x20u; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

constexpr wchar_t kEscape = L'\x1b';
// The kept text holds no "]" after one reduction, so the bound only guards the loop.
constexpr int kMaxBracketReductions = 10;
// A closing bracket earlier than this 1-based position does not reduce the text, so that a
// short tag such as "[ok] loaded" is logged as it is.
constexpr std::size_t kMinClosingBracketPosition = 10;

// Keeps the text between the first "[" and the first "]" while such a pair stands in it.
std::wstring ReduceBrackets(std::wstring s) {
  for (int i = 0; i < kMaxBracketReductions; ++i) {
    const std::size_t open = s.find(L'[');
    if (open == std::wstring::npos) break;
    const std::size_t close = s.find(L']');
    if (close == std::wstring::npos || close + 1 < kMinClosingBracketPosition) break;
    s = close > open + 1 ? TrimControlChars(s.substr(open + 1, close - open - 1)) : std::wstring();
  }
  return s;
}

}  // namespace

std::wstring TrimControlChars(const std::wstring& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsControlOrBlank(text[begin])) ++begin;
  while (end > begin && IsControlOrBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::wstring DenoiserFolder(const std::wstring& folderText) {
  std::wstring folder = TrimControlChars(folderText);
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

std::wstring DenoiserCommandLine(const std::wstring& exePath, const std::wstring& inputFile,
                                 const std::wstring& outputFile) {
  return L"\"" + exePath + L"\" -i \"" + inputFile + L"\" -o \"" + outputFile + L"\"";
}

std::optional<int> ReadProgressPercent(const std::wstring& text) {
  const std::size_t percent = text.find(L'%');
  if (percent == std::wstring::npos) return std::nullopt;

  // Digits directly before the "%"; when a point or a comma stands before them (the
  // denoiser writes its decimal separator as its own locale has it), they are the decimal
  // part and the whole number is the run of digits before that separator.
  std::size_t end = percent;
  std::size_t begin = end;
  while (begin > 0 && IsDigit(text[begin - 1])) --begin;
  if (begin < end && begin >= 1 && (text[begin - 1] == L'.' || text[begin - 1] == L',')) {
    end = begin - 1;
    begin = end;
    while (begin > 0 && IsDigit(text[begin - 1])) --begin;
  }
  if (begin == end) return std::nullopt;

  int value = 0;
  for (std::size_t i = begin; i < end; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > 100) return 100;
  }
  return value;
}

namespace {

// The rules for one line, added to the effect of the lines before it.
void InterpretLine(const std::wstring& line, ChunkEffect& effect) {
  std::wstring s = TrimControlChars(line);
  if (s.empty()) return;

  if (s.find(L'%') != std::wstring::npos) {
    if (const std::optional<int> progress = ReadProgressPercent(s)) effect.progress = progress;
    return;
  }

  s = ReduceBrackets(std::move(s));
  for (wchar_t& c : s) {
    if (c == kEscape) c = L' ';
  }
  const bool backend = s.rfind(L"Backend:", 0) == 0;
  if (s.find(L"Writing deno") == std::wstring::npos) effect.lines.push_back(std::move(s));
  if (backend) effect.lines.emplace_back(kLogWorking);
}

}  // namespace

ChunkEffect InterpretChunk(const std::wstring& chunk) {
  ChunkEffect effect;
  std::size_t begin = 0;
  while (begin <= chunk.size()) {
    std::size_t end = chunk.find_first_of(L"\r\n", begin);
    if (end == std::wstring::npos) end = chunk.size();
    if (end > begin) InterpretLine(chunk.substr(begin, end - begin), effect);
    begin = end + 1;
  }
  return effect;
}

bool AnsiCodePage::IsLeadByte(unsigned char byte) const {
  for (const auto& range : leadByteRanges) {
    if (byte >= range.first && byte <= range.second) return true;
  }
  return false;
}

std::size_t AnsiCodePage::IncompleteTail(const char* bytes, std::size_t count) const {
  switch (kind) {
    case Kind::SingleByte:
      return 0;
    case Kind::DoubleByte: {
      // A trail byte may look like a lead byte, so the characters are walked from the start.
      std::size_t i = 0;
      while (i < count) {
        if (!IsLeadByte(static_cast<unsigned char>(bytes[i]))) {
          ++i;
        } else if (i + 1 == count) {
          return 1;
        } else {
          i += 2;
        }
      }
      return 0;
    }
    case Kind::Utf8: {
      // Back over at most three continuation bytes to the byte that opens the character.
      std::size_t start = count;
      while (start > 0 && count - start < 3 &&
             (static_cast<unsigned char>(bytes[start - 1]) & 0xC0u) == 0x80u) {
        --start;
      }
      if (start == 0) return 0;
      const unsigned char lead = static_cast<unsigned char>(bytes[start - 1]);
      const std::size_t length = lead >= 0xF0u ? 4 : lead >= 0xE0u ? 3 : lead >= 0xC0u ? 2 : 1;
      const std::size_t have = count - (start - 1);
      return lead <= 0xF7u && have < length ? have : 0;
    }
  }
  return 0;
}

std::string OutputBytes::Take(const char* bytes, std::size_t count) {
  std::string text = std::move(mHeld);
  mHeld.clear();
  std::size_t length = 0;
  while (length < count && bytes[length] != '\0') ++length;
  text.append(bytes, length);
  // A zero byte ends the chunk: a character cut there is not completed by the next read.
  if (length < count) return text;
  const std::size_t tail = mCodePage.IncompleteTail(text.data(), text.size());
  mHeld = text.substr(text.size() - tail);
  text.resize(text.size() - tail);
  return text;
}

std::string OutputBytes::Flush() {
  std::string held = std::move(mHeld);
  mHeld.clear();
  return held;
}

namespace {

// Small codes are the program's own; large ones are system status values, read in hex.
std::wstring ExitCodeText(std::uint32_t exitCode) {
  char code[16];
  if (exitCode < 0x10000u) {
    std::snprintf(code, sizeof code, "%u", static_cast<unsigned>(exitCode));
  } else {
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(exitCode));
  }
  return std::wstring(code, code + std::char_traits<char>::length(code));
}

}  // namespace

std::wstring DenoiserExitCodeLine(std::uint32_t exitCode) {
  return L"ERROR: Noxfade ended with exit code " + ExitCodeText(exitCode);
}

std::wstring DenoiserExitCodeWarning(std::uint32_t exitCode) {
  return L"WARNING: Noxfade ended with exit code " + ExitCodeText(exitCode) +
         L"; its result was taken, and the host's undo brings the image back.";
}

}  // namespace nox
