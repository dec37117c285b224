// The steps between the greeting and the first file written: the earlier installation's checks,
// the licence, readme, folder and Start-menu pages, the folder checks, the working log, the restore
// point, the uninstall-data and shared folders, the folder security and the preparation batches.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mv {

// Runs the preparation in its order. Nothing when the installation may go on (the installation
// folder, its kind, the Start-menu, uninstall-data and shared folders and the required space are
// then settled in the InstallContext); else the exit code the run ends with: 7 (registry-sourced
// folder), 9 (forced uninstall), 10 (handed over to the old uninstaller), 11 (downgrade barrier) or
// 12 (cancelled).
std::optional<int> PrepareInstallation();

// The space the installation needs on the drive of `folder`: the package's files rounded to that
// drive's clusters, the extra space and the uninstaller.
std::int64_t RequiredSpaceOn(const std::u16string& folder);

}  // namespace mv
