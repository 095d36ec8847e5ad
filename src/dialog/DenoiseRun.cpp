// The Start workflow: ButStartClick, run on a click on Start or the host's
// PLUGIN_CMD_START. Every host call goes through the callback stored by pi_initialize.
#include <cstdint>

#include "dialog/Unit1.h"

namespace nox {

namespace {
int64_t Address(void* p) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(p)); }
}  // namespace

void TFormCVPluginDenoise::ButStartClick() {
  FormShow();
  const nox::HostCallback host = HostCallback();
  if (!host) return;  // pi_initialize has not run: there is no host to ask

  const ImageHandle image = host(CmdGetCurrentImage, kCurrentImageQuery, 0, 0);
  if (image == 0) {
    ClearLog();
    AppendLog(L"Please open an image.");
    return;
  }

  int32_t width = 0;
  int32_t height = 0;
  host(CmdGetImageSize, image, Address(&width), Address(&height));
  float* first = nullptr;
  float* second = nullptr;
  float* third = nullptr;
  host(CmdGetPlane, image, Address(&first), 0);
  host(CmdGetPlane, image, Address(&second), 2);
  host(CmdGetPlane, image, Address(&third), 3);
}

}  // namespace nox
