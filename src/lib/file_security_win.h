// File attributes and permissions that a file the installer writes for the user ends up with.
#pragma once

#include <string>

namespace mv {

// Clears the read-only, hidden and system attributes of an existing file, keeping the others.
// True when none of them is left set.
bool ClearRestrictiveAttributes(const std::u16string& path);

// Drops the file's own access entries so that it has only those it inherits from its folder.
bool InheritFolderPermissions(const std::u16string& path);

}  // namespace mv
