// The settings store's files on Windows: wide-character paths, full share modes, and a
// save that writes a new file beside the old one and then renames it over the old one.
#pragma once

#include <memory>

#include "settings/LibAutosave.h"

namespace nox {

std::unique_ptr<SettingsFiles> MakeWindowsSettingsFiles();

}  // namespace nox
