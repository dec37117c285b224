// Pieces of Windows paths as text: drive, folder, file name, joining, trailing backslashes and
// parent folders. Nothing here asks the system.
#pragma once

#include <string>
#include <string_view>

namespace mv {

// The drive of a path: its letter and ":" when it begins with a drive letter, else empty.
std::u16string DriveOf(std::u16string_view path);
// Folder and file name of a path, split at its last backslash (or slash). A path without one is all
// file name; the folder of "C:\setup.exe" is the drive root "C:\".
std::u16string FolderOf(std::u16string_view path);
std::u16string FileNameOf(std::u16string_view path);

// `folder` and `name` joined by one backslash; `folder` alone when `name` is empty.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

// True for "C:\..." , "C:/...", "\\server\..." and "\..." forms: paths that do not hang below
// another folder.
bool IsAbsoluteFolder(std::u16string_view path);

// One trailing backslash removed, except from a drive root ("C:\\").
std::u16string StripTrailingBackslash(std::u16string_view folder);

// The folder `levels` steps above `folder`; empty when it has fewer levels (a drive root counts as
// the top).
std::u16string ParentFolder(std::u16string_view folder, int levels);

}  // namespace mv
