// starfield: writes a synthetic 16-bit star field for trying the denoiser.
//
//   starfield <out.tif> [--width W] [--height H] [--colour | --mono] [--seed N] [--sky ADU]
//                       [--read-noise ADU] [--gain E_PER_ADU] [--stars N] [--nebula FRACTION]
//                       [--fwhm PX] [--clean <truth.tif>]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "ImageFile.h"
#include "StarField.h"
#include "Starlet.h"

namespace {

constexpr const char* kUsage =
    "usage: starfield <out.tif> [--width W] [--height H] [--colour|--mono] [--seed N] [--sky ADU]\n"
    "                 [--read-noise ADU] [--gain E_PER_ADU] [--stars N] [--nebula FRACTION]\n"
    "                 [--fwhm PX] [--clean <truth.tif>]";

int Usage(const std::string& message) {
  std::fprintf(stderr, "starfield: error: %s\n%s\n", message.c_str(), kUsage);
  return 2;
}

bool Number(const std::string& text, double low, double high, double& value) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(v >= low && v <= high)) return false;
  value = v;
  return true;
}

int Run(int argc, char** argv) {
  nox::StarFieldOptions o;
  std::string out, clean;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--colour" || a == "--color") {
      o.colour = true;
    } else if (a == "--mono") {
      o.colour = false;
    } else if (a.rfind("--", 0) == 0) {
      if (i + 1 >= argc) return Usage("option " + a + " needs a value");
      const std::string v = argv[++i];
      double d = 0.0;
      if (a == "--clean") {
        clean = v;
        continue;
      }
      bool ok = true;
      if (a == "--width" || a == "--height") {
        ok = Number(v, 1, nox::kMaxImageSide, d) && d == std::floor(d);
        (a == "--width" ? o.width : o.height) = static_cast<int>(d);
      } else if (a == "--seed") {
        ok = Number(v, 0, 1e15, d) && d == std::floor(d);
        o.seed = static_cast<std::uint64_t>(d);
      } else if (a == "--sky") {
        ok = Number(v, 0, 60000, o.sky);
      } else if (a == "--read-noise") {
        ok = Number(v, 0, 10000, o.readNoise);
      } else if (a == "--gain") {
        ok = Number(v, 0.001, 1000, o.gain);
      } else if (a == "--stars") {
        ok = Number(v, 0, 1e7, d) && d == std::floor(d);
        o.starCount = static_cast<int>(d);
      } else if (a == "--nebula") {
        ok = Number(v, 0, 50, o.nebula);
      } else if (a == "--fwhm") {
        ok = Number(v, 0.5, 50, o.fwhm);
      } else {
        return Usage("unknown option: " + a);
      }
      if (!ok) return Usage("bad value for " + a + ": " + v);
    } else if (out.empty()) {
      out = a;
    } else {
      return Usage("more than one output file given");
    }
  }
  if (out.empty()) return Usage("missing output file");

  const nox::StarField field = nox::MakeStarField(o);
  std::string error;
  if (!nox::SaveTiff16(nox::PathFromUtf8(out), field.noisy, error) ||
      (!clean.empty() && !nox::SaveTiff16(nox::PathFromUtf8(clean), field.clean, error))) {
    std::fprintf(stderr, "starfield: error: %s\n", error.c_str());
    return 1;
  }
  const double sigma = std::sqrt(o.sky / o.gain + o.readNoise * o.readNoise);
  std::printf("starfield: wrote %s (%d x %d %s, %zu stars, sky %.0f ADU, background noise about %.1f ADU)\n",
              out.c_str(), o.width, o.height, o.colour ? "colour" : "mono", field.stars.size(), o.sky,
              o.noise ? sigma : 0.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "starfield: error: %s\n", e.what());
    return 1;
  }
}
