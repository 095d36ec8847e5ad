// noiselevel: prints the noise sigma of a 16-bit image, estimated from the finest starlet scale
// (median absolute deviation / 0.6745 / the scale's noise factor): one line per colour channel,
// then the overall value (root mean square of the channels) as the last line:
//
//   noise sigma: 123.4 ADU
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

#include "ImageFile.h"
#include "Starlet.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "noiselevel: error: expected one image file\nusage: noiselevel <file>\n");
    return 2;
  }
  try {
    nox::PlaneImage image;
    std::string error;
    if (!nox::LoadImage16(nox::PathFromUtf8(argv[1]), image, error)) {
      std::fprintf(stderr, "noiselevel: error: %s\n", error.c_str());
      return 1;
    }
    static const char* const names[3] = {"red", "green", "blue"};
    double sumSquares = 0.0;
    for (int c = 0; c < image.Channels(); ++c) {
      const double s = nox::EstimateNoiseSigma(image.planes[static_cast<std::size_t>(c)].data(),
                                               image.width, image.height);
      sumSquares += s * s;
      if (image.Channels() == 3) std::printf("%-5s noise sigma: %.1f ADU\n", names[c], s);
    }
    std::printf("noise sigma: %.1f ADU\n", std::sqrt(sumSquares / image.Channels()));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "noiselevel: error: %s\n", e.what());
    return 1;
  }
}
