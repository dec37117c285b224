// Folders: existence and creation of a whole chain.
#pragma once

#include <string>

namespace mv {

bool FolderExists(const std::u16string& folder);

// Creates `folder` and any missing parents; true when the folder exists afterwards. A drive that
// does not exist is never "created" (false, with the system's error as the last error).
bool CreateFolderChain(std::u16string folder);

}  // namespace mv
