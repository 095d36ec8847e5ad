#include "HostOptions.h"

#include <algorithm>
#include <cwchar>

namespace nox {

namespace {

// The dialog's four refusals, which end a run before anything is done.
const wchar_t* const kRefusals[] = {
    L"Please open an image.",
    L"Image seems only 8 bit, please enable the option below.",
    L"Image range is too low, it must be 16 bits. See docs.",
    L"Please check: Image seems not 8 bit.",
};

bool ParseInteger(const std::wstring& text, long long low, long long high, long long& value) {
  if (text.empty()) return false;
  size_t i = (text[0] == L'+' || text[0] == L'-') ? 1 : 0;
  if (i == text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
    v = v * 10 + (text[i] - L'0');
    if (v > 1000000000000LL) return false;
  }
  if (text[0] == L'-') v = -v;
  if (v < low || v > high) return false;
  value = v;
  return true;
}

std::wstring TrimRight(const std::wstring& text) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] <= L' ') --end;
  return text.substr(0, end);
}

}  // namespace

std::wstring ToWindowsSeparators(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

bool ParseHostOptions(const std::vector<std::wstring>& args, HostOptions& options,
                      std::wstring& error) {
  HostOptions parsed;
  bool strengthGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    auto value = [&](std::wstring& target) {
      if (i + 1 >= args.size()) {
        error = arg + L" needs a value";
        return false;
      }
      target = args[++i];
      return true;
    };
    std::wstring text;
    long long number = 0;
    if (arg == L"--batch") {
      parsed.batch = true;
    } else if (arg == L"--show") {
      parsed.show = true;
    } else if (arg == L"--8bit") {
      parsed.eightBit = true;
    } else if (arg == L"--timings") {
      parsed.timings = true;
    } else if (arg == L"--image" || arg == L"--denoiser" || arg == L"--out" || arg == L"--plugin") {
      if (!value(text)) return false;
      if (text.empty()) {
        error = arg + L" needs a non-empty path";
        return false;
      }
      text = ToWindowsSeparators(text);
      if (arg == L"--image") parsed.image = text;
      if (arg == L"--denoiser") parsed.denoiser = text;
      if (arg == L"--out") parsed.out = text;
      if (arg == L"--plugin") parsed.plugin = text;
    } else if (arg == L"--strength") {
      if (!value(text)) return false;
      if (!ParseInteger(text, -1000000, 1000000, number)) {
        error = L"--strength needs a whole number, not \"" + text + L"\"";
        return false;
      }
      parsed.strength = text;
      strengthGiven = true;
    } else if (arg == L"--version") {
      if (!value(text)) return false;
      if (!ParseInteger(text, INT32_MIN, INT32_MAX, number)) {
        error = L"--version needs a whole number, not \"" + text + L"\"";
        return false;
      }
      parsed.version = number;
    } else if (arg == L"--linger") {
      if (!value(text)) return false;
      if (!ParseInteger(text, 0, 3600000, number)) {
        error = L"--linger needs milliseconds from 0 to 3600000, not \"" + text + L"\"";
        return false;
      }
      parsed.lingerMs = static_cast<unsigned long>(number);
    } else {
      error = L"unknown argument \"" + arg + L"\"";
      return false;
    }
  }
  if (parsed.batch && (parsed.image.empty() || parsed.denoiser.empty())) {
    error = L"--batch needs --image and --denoiser";
    return false;
  }
  if (!parsed.batch && (strengthGiven || parsed.eightBit || parsed.timings ||
                        !parsed.out.empty() || !parsed.denoiser.empty())) {
    error = L"--denoiser, --strength, --8bit, --timings and --out belong to --batch";
    return false;
  }
  options = std::move(parsed);
  return true;
}

std::wstring UsageText() {
  return L"usage: hostsim [--plugin <dll>] [--image <file>] [--version V]\n"
         L"       hostsim --batch --image <in> --denoiser <folder> [--strength N] [--8bit]\n"
         L"               [--version V] [--out <file>] [--plugin <dll>] [--show] [--linger <ms>]\n"
         L"               [--timings]   (after the log: export, denoiser, import and blend\n"
         L"                             times, as lines beginning \"timing: \")\n";
}

std::vector<std::wstring> LogLinesForPrinting(const std::wstring& log) {
  std::vector<std::wstring> lines;
  std::wstring line;
  for (size_t i = 0; i < log.size(); ++i) {
    const wchar_t c = log[i];
    if (c == L'\r' || c == L'\n') {
      lines.push_back(line);
      line.clear();
      if (c == L'\r' && i + 1 < log.size() && log[i + 1] == L'\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

int BatchExitCode(const std::wstring& log) {
  // The runner writes the folder of a missing executable after a line break of its own (a
  // lone CR, which the log shows as CR LF): that folder's line belongs to the error above it.
  std::wstring last, previous;
  size_t start = 0;
  while (start <= log.size()) {
    size_t end = log.find(L'\n', start);
    if (end == std::wstring::npos) end = log.size();
    std::wstring entry = log.substr(start, end - start);
    if (!entry.empty() && entry.back() == L'\r') entry.pop_back();
    entry = TrimRight(entry);
    if (!entry.empty()) {
      previous = last;
      last = entry;
    }
    start = end + 1;
  }
  if (previous == L"ERROR: Noxfade executable not found in:") return 1;
  if (last.rfind(L"ERROR", 0) == 0) return 1;
  for (const wchar_t* refusal : kRefusals) {
    if (last == refusal) return 1;
  }
  return 0;
}

}  // namespace nox
