#include "imageio/FilePath.h"

#include "text/Utf8.h"

namespace nox {

std::FILE* OpenFile(const std::wstring& fileName, const char* mode) {
  if (fileName.empty() || fileName.size() > kMaxFileNameLength) return nullptr;
  if (fileName.find(L'\0') != std::wstring::npos) return nullptr;
#ifdef _WIN32
  const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
  return _wfopen(fileName.c_str(), wideMode.c_str());
#else
  return std::fopen(WideToUtf8(fileName).c_str(), mode);
#endif
}

}  // namespace nox
