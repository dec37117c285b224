// Files and folders: existence, and creation of a whole folder chain.
#pragma once

#include <string>

namespace mv {

bool FolderExists(const std::u16string& folder);
// A file (not a folder) at `path`.
bool FileExists(const std::u16string& path);

// Creates `folder` and any missing parents; true when the folder exists afterwards. A drive that
// does not exist is never "created" (false, with the system's error as the last error).
bool CreateFolderChain(std::u16string folder);

}  // namespace mv
