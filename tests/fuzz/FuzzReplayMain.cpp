// Stands in for libFuzzer's main in the ordinary builds: runs the fuzz target once on each
// file named on the command line, or on each file in a folder named there (sorted, so a
// failure names the same file every time). Exits non-zero when no input was found; a
// broken invariant aborts inside the target, as under libFuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool ReplayFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
    return false;
  }
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.string().c_str(), bytes.size());
  // A copy of exactly the file's size, so ASan catches any read past its end.
  std::vector<uint8_t> data(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
      for (const auto& entry : std::filesystem::directory_iterator(arg, ec)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
    } else {
      files.push_back(arg);
    }
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::fprintf(stderr, "no inputs to replay\n");
    return 1;
  }
  std::size_t replayed = 0;
  for (const auto& file : files) replayed += ReplayFile(file) ? 1 : 0;
  std::fprintf(stderr, "replayed %zu of %zu inputs\n", replayed, files.size());
  return replayed == files.size() ? 0 : 1;
}
