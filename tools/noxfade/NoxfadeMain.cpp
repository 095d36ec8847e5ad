// noxfade: the reference denoiser. Reads a 16-bit image, removes its noise with the starlet
// denoiser and writes a 16-bit TIFF of the same size and channel count:
//
//   noxfade -i <input> -o <output> [--threads N] [--scales N] [--hard | --soft] [--k K] [--k1 K]
//
// By default the starlet scales are shrunk by the local share of signal (Wiener rule); --hard
// and --soft choose k-sigma thresholds instead, K sigmas on the coarser scales and K1 on the
// finest.
//
// Console output (stdout, unbuffered, one line per step) is followed by the plug-in: a banner,
// a "Backend:" line, a bracketed status line, progress as "Denoising: NN.N%", a line announcing
// the write and the elapsed time. Errors go to stderr as "noxfade: error: ..."; the exit code
// is 2 for a bad command line and 1 for a failed run, and no output file is left behind then.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>
#endif

#include "ImageFile.h"
#include "Starlet.h"

namespace nox {
namespace {

constexpr int kExitRuntime = 1;
constexpr int kExitUsage = 2;
constexpr const char* kUsage =
    "usage: noxfade -i <input> -o <output> [--threads N] [--scales N] [--hard | --soft] [--k K] [--k1 K]";

struct Options {
  std::string input;
  std::string output;
  StarletParams params;
};

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "noxfade: error: %s\n", message.c_str());
  if (code == kExitUsage) std::fprintf(stderr, "%s\n", kUsage);
  std::fflush(stderr);
  return code;
}

bool ParseInt(const std::string& text, int low, int high, int& value) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < low || v > high) return false;
  value = static_cast<int>(v);
  return true;
}

bool ParseDouble(const std::string& text, double low, double high, double& value) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(v >= low && v <= high)) return false;
  value = v;
  return true;
}

// Returns an empty text on success, otherwise what is wrong with the command line.
std::string ParseArguments(const std::vector<std::string>& args, Options& options) {
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "-i" || a == "-o" || a == "--threads" || a == "--scales" || a == "--k" || a == "--k1") {
      if (!hasValue) return "option " + a + " needs a value";
      const std::string& v = args[++i];
      if (a == "-i") {
        options.input = v;
      } else if (a == "-o") {
        options.output = v;
      } else if (a == "--threads") {
        int t = 0;
        if (!ParseInt(v, 1, 256, t)) return "--threads takes a number from 1 to 256";
        options.params.threads = static_cast<unsigned>(t);
      } else if (a == "--scales") {
        if (!ParseInt(v, 1, 10, options.params.scales)) return "--scales takes a number from 1 to 10";
      } else if (a == "--k") {
        if (!ParseDouble(v, 0.0, 20.0, options.params.k)) return "--k takes a number from 0 to 20";
      } else {
        if (!ParseDouble(v, 0.0, 20.0, options.params.kFinest)) return "--k1 takes a number from 0 to 20";
      }
    } else if (a == "--soft") {
      options.params.mode = ThresholdMode::Soft;
    } else if (a == "--hard") {
      options.params.mode = ThresholdMode::Hard;
    } else {
      return "unknown argument: " + a;
    }
  }
  if (options.input.empty()) return "missing input file (-i <input>)";
  if (options.output.empty()) return "missing output file (-o <output>)";
  return {};
}

using Clock = std::chrono::steady_clock;

// Console lines on stdout, each flushed at once and at least kLineGap after the previous one.
// The plug-in reads the console in chunks, pausing briefly between reads, and takes a chunk as
// one unit: lines written back to back would reach it as one chunk, and a "Backend:" line that
// does not start its chunk is not followed by "Working ..." in its log. Remembers when the last
// line went out, so that progress lines can keep their distance from it.
class Console {
 public:
  static constexpr std::chrono::milliseconds kLineGap{40};

  void Line(const std::string& text) {
    std::this_thread::sleep_until(last_ + kLineGap);
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    last_ = Clock::now();
  }
  Clock::time_point LastLine() const { return last_; }

 private:
  Clock::time_point last_{};
};

// Prints progress lines "Denoising: NN.N%", ending with 100.0%. A line goes out only when the
// work has advanced by at least one percent and at least 50 ms after the previous line: the
// plug-in reads the console in chunks and treats a chunk holding a "%" as progress alone, so a
// status line followed at once by a progress line would never reach its log.
class ProgressPrinter {
 public:
  explicit ProgressPrinter(Console& console) : console_(console) {}
  void operator()(double fraction) {
    const double percent = std::floor(fraction * 1000.0 + 1e-9) / 10.0;
    if (done_) return;
    if (percent < 100.0) {
      if (printed_ && percent < last_ + 1.0) return;
      if (Clock::now() - console_.LastLine() < std::chrono::milliseconds(50)) return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "Denoising: %.1f%%", percent);
    console_.Line(text);
    printed_ = true;
    last_ = percent;
    done_ = percent >= 100.0;
  }

 private:
  Console& console_;
  bool printed_ = false;
  bool done_ = false;
  double last_ = 0.0;
};

int Run(const std::vector<std::string>& args) {
  Options options;
  const std::string problem = ParseArguments(args, options);
  if (!problem.empty()) return Fail(kExitUsage, problem);

  const auto start = Clock::now();
  Console console;
  console.Line("Noxfade reference denoiser 1.2");

  PlaneImage image;
  std::string error;
  if (!LoadImage16(PathFromUtf8(options.input), image, error)) return Fail(kExitRuntime, error);

  unsigned threads = options.params.threads;
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  options.params.threads = threads;
  console.Line("Backend: CPU (starlet wavelet, " + std::to_string(threads) +
               (threads == 1 ? " thread)" : " threads)"));

  std::vector<float*> planes;
  std::vector<double> sigmas;
  double sumSquares = 0.0;
  for (auto& p : image.planes) {
    planes.push_back(p.data());
    sigmas.push_back(EstimateNoiseSigma(p.data(), image.width, image.height));
    sumSquares += sigmas.back() * sigmas.back();
  }
  const double overall = std::sqrt(sumSquares / static_cast<double>(sigmas.size()));
  char status[160];
  if (sigmas.size() == 3) {
    std::snprintf(status, sizeof status, "[Estimating noise level] sigma = %.1f ADU (R %.1f, G %.1f, B %.1f)",
                  overall, sigmas[0], sigmas[1], sigmas[2]);
  } else {
    std::snprintf(status, sizeof status, "[Estimating noise level] sigma = %.1f ADU", overall);
  }
  console.Line(status);

  ProgressPrinter printer(console);
  StarletDenoise(planes, image.width, image.height, sigmas, options.params,
                 [&printer](double f) { printer(f); });

  console.Line("Writing denoised image ...");
  if (!SaveTiff16(PathFromUtf8(options.output), image, error)) return Fail(kExitRuntime, error);

  char done[64];
  std::snprintf(done, sizeof done, "Done in %.1f s",
                std::chrono::duration<double>(Clock::now() - start).count());
  console.Line(done);
  return 0;
}

#ifdef _WIN32
// The wide command line, so that paths outside the ANSI code page survive.
std::vector<std::string> CommandLineUtf8() {
  std::vector<std::string> out;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return out;
  for (int i = 0; i < count; ++i) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(bytes > 0 ? bytes : 1), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, s.data(), bytes, nullptr, nullptr);
    s.resize(s.size() - 1);
    out.push_back(s);
  }
  LocalFree(wide);
  return out;
}
#endif

}  // namespace
}  // namespace nox

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  try {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    const std::vector<std::string> args = nox::CommandLineUtf8();
#else
    const std::vector<std::string> args(argv, argv + argc);
#endif
    return nox::Run(args);
  } catch (const std::bad_alloc&) {
    return nox::Fail(nox::kExitRuntime, "out of memory");
  } catch (const std::exception& e) {
    return nox::Fail(nox::kExitRuntime, e.what());
  } catch (...) {
    return nox::Fail(nox::kExitRuntime, "unexpected failure");
  }
}
