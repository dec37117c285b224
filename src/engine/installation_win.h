// The installation run after the preparation: the files, the registry entries and the completion.
#pragma once

#include <windows.h>

namespace mv {

// After the preparation: extracts the files, writes the registry entries and completes the
// installation (see CompleteInstallation); returns the exit code: 16 when a restart is pending, else
// 17 after a full disk, else 0.
int RunMinimalInstallation(HANDLE installer_file);

}  // namespace mv
