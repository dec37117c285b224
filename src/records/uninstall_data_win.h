// The installation's uninstall records and Uninstall.dat in the uninstall-data folder.
#pragma once

#include <string>
#include <string_view>

#include "records/uninstall_data.h"
#include "records/uninstall_file.h"

namespace mv {

// The run's records; folders are compared as the file system compares names.
UninstallData& RunUninstallData();

// Adds an entry to the run's records (see UninstallData::AddEntry).
bool AddUninstallEntry(std::string_view text, UninstallEntryKind kind);
bool AddUninstallEntry(std::u16string_view text, UninstallEntryKind kind);

// Empties the entry list and the folder set.
void ClearUninstallData();

// The uninstall-data folder: the install folder joined with the uninstall sub-folder (when there is one).
std::u16string UninstallDataFolder();

// The install folder joined with the uninstall sub-folder (when there is one) and "Uninstall.dat".
std::u16string UninstallDataPath();

// What Uninstall.dat holds for this installation: the records, the uninstaller's texts in the
// current language, the programs to close, the registry script and the conditional deletions.
UninstallFile CurrentUninstallFile();

// Writes Uninstall.dat: to a new file beside it that then replaces it in one step, so that an
// interrupted write never leaves a partial file. False on failure, with the system error as the
// last error.
bool WriteUninstallData();

}  // namespace mv
