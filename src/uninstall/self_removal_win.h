// Removing the uninstaller after a successful uninstall: a hidden batch waits until the process has
// ended, deletes the executable, removes its now empty folders and deletes itself.
#pragma once

#include <string>

namespace mv {

// The folders the batch removes when empty; the uninstall run sets them once it has read them.
void SetSelfRemovalFolders(const std::u16string& install_location, const std::u16string& uninstall_subdir);

// Writes the batch into the temporary folder under a new name of its own and starts it hidden. True
// when it was started. Nothing is shown either way.
bool RemoveUninstaller();

}  // namespace mv
