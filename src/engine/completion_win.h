// The end of an installation: the saved texts, the search path, the uninstaller and the product's
// Uninstall key, Uninstall.dat, the post-installation batch, Install.log, the restart question, the
// exit batch, the clean-up of empty folders, and the restart or the launches.
#pragma once

#include <windows.h>

namespace mv {

// Runs the steps in order and returns the run's exit code: 16 when a replacement waits for the
// restart, else 17 when the disk was full, else 0. `installer_file` is the running installer, from
// which the uninstaller is written. Every failure is logged or added to the failure summary.
int CompleteInstallation(HANDLE installer_file);

}  // namespace mv
