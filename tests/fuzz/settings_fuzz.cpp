// Fuzz target: any bytes as a settings file, loaded, restored into the dialog's marked
// controls, captured again and written back. What is written must read back as the same
// lines, and nothing may crash or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/FakeControls.h"
#include "settings/LibAutosave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nox;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TAutosaver store;
  store.LoadBytes(bytes);
  test::FakeDialog dialog;
  new test::FakeList(&dialog.form, L"CBList");
  store.RestoreForm(dialog.form);
  store.CaptureForm(dialog.form);
  const SettingsText again = DecodeSettingsText(store.SavedBytes(), &DecodeWindows1252);
  if (again.lines != store.Lines() || again.encoding != store.Encoding()) std::abort();
  return 0;
}
