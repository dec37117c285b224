// The product's registry data: its own key, the package's registry script, the registry merge file
// and the App Paths registration of its main program; and the install folder in the system search
// path. What the uninstaller must remove is appended to the run's registry records.
#pragma once

#include <string_view>

namespace mv {

// In order: the product key under every user and HKLM, the registry script record by record (both
// left out on a removable, optical or RAM-disk target when the product asks), the merge file through
// the system's registry editor, and App Paths (never on such a target). Failures are logged or added
// to the failure summary; none stops the installation.
void InstallRegistryEntries();

// Adds the folder (the install folder, or `subfolder` absolute or below it) to HKLM's "Path", or
// removes it. The value is read whole and written back as REG_EXPAND_SZ without expanding anything;
// after a change running programs are told that the environment changed.
void AddToPath(bool add, std::u16string_view subfolder);

}  // namespace mv
