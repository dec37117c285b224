// Removing folders for the uninstaller without ever leaving the tree it was asked to remove: a
// junction or symbolic link inside is removed as a link, never followed.
#pragma once

#include <string>

#include "uninstall/uninstall_rules.h"

namespace mv {

// The verdict for this system: drive roots, malformed paths, the Windows and system folders,
// Program Files and Common Files of both views and the user folders of the shell (profile,
// application data, desktop, documents, favourites, Start menu, Programs, Startup, fonts; of the user
// and of all users) are refused.
TreeVerdict TreeDeletionVerdict(const std::u16string& folder);

// Deletes `folder` with everything in it when the verdict allows it. True when it is gone.
bool DeleteTreeGuarded(const std::u16string& folder);

// Removes an empty folder: its "thumbs.db" and "desktop.ini" go first (not through a link). A path of
// three characters or fewer and every folder the verdict guards (the desktop, the Start menu and its
// Programs and Startup folders, profiles...) are refused. True when it is gone.
bool RemoveEmptyFolder(const std::u16string& folder);

}  // namespace mv
