// The parts of a shell link that are plain text and numbers: its flags, its file name, its working
// folder and its show command.
#pragma once

#include <string>
#include <string_view>

namespace mv {

// Link creation flags.
inline constexpr unsigned kLinkAllUsers = 1;
inline constexpr unsigned kLinkMinimised = 2;
inline constexpr unsigned kLinkMaximised = 4;
inline constexpr unsigned kLinkNoParentFolder = 8;

// The link's file path: ".lnk" appended unless the path ends with it (in any letter case).
std::u16string LinkFilePath(std::u16string_view link_path);

// A working folder as a link stores it: a bare drive "X:" gets its backslash.
std::u16string LinkWorkingFolder(std::u16string_view folder);

// The show command a link gets for its flags; 0 leaves the link's default.
int LinkShowCommand(unsigned flags);

}  // namespace mv
