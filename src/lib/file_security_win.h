// File attributes and permissions that a file the installer writes for the user ends up with.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mv {

// Clears the read-only, hidden and system attributes of an existing file, keeping the others.
// True when none of them is left set.
bool ClearRestrictiveAttributes(const std::u16string& path);

// Drops the file's own access entries so that it has only those it inherits from its folder.
bool InheritFolderPermissions(const std::u16string& path);

// The rights the Everyone group gets on a loosened folder: read, write, execute and delete, passed
// down to every file and subfolder; never the right to change the permissions or the owner.
inline constexpr DWORD kLoosenedRights =
    FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE | FILE_DELETE_CHILD;

// A folder's access list opened to everyone: `dacl` (nothing: an empty list) without its
// access-denied and inherited entries and without Everyone's own earlier entry, led by an entry
// granting `world` kLoosenedRights, inherited by files and subfolders. Empty on failure.
std::vector<std::uint8_t> LoosenedAcl(PACL dacl, PSID world);

// Opens a folder to everyone: clears its read-only, hidden and system attributes, takes ownership
// when its permissions cannot otherwise be read or changed, removes every access-denied entry and
// grants the Everyone group kLoosenedRights. 0 on success, else the system error (3 for a missing
// folder, 161 for an empty name).
unsigned long LoosenFolderSecurity(const std::u16string& folder);

}  // namespace mv
