// Window identifiers of the dialog's windowed controls. Scripts and tests that drive the
// dialog from outside (the stand-in host's batch mode, the Windows tests) find the
// controls by these identifiers with GetDlgItem on the dialog window.
#pragma once

namespace nox {

enum DialogControlId : int {
  IdMemoLog = 101,      // the log: WM_GETTEXT gives its lines joined by CR LF
  IdEdFolder = 102,     // denoiser installation folder
  IdButStart = 103,
  IdButDir = 104,
  IdCBTestImage = 105,  // invisible test-image option
  IdButHelp = 106,
  IdCBScale8bit = 107,  // "Image is 8 bit" (BM_GETCHECK / BM_SETCHECK / BM_CLICK)
  IdEdStrength = 108,   // strength, 5 to 100
  IdGauLog = 109,       // progress gauge (a graphic control may have no window)
};

}  // namespace nox
