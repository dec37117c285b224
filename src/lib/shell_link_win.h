// Shell links (".lnk" files) made through the shell's link object, and shell verbs invoked on a file.
#pragma once

#include <string>

namespace mv {

// Makes the link `link_path` (".lnk" appended when missing) to `target` with `arguments`, the
// working folder `working_folder` (a bare "X:" gets its backslash) and the icon `icon` (the
// target's own when empty), index 0. `flags` are the kLink* bits of lib/shell_link.h: the
// show command comes from the minimised and maximised bits, and unless kLinkNoParentFolder is set the
// link's folder is created with its parents. False on failure, with the system error (or the shell's
// result) as the last error.
bool CreateLink(const std::u16string& link_path, const std::u16string& target, const std::u16string& arguments,
                const std::u16string& working_folder, const std::u16string& icon, unsigned flags);

// Invokes the shell verb `verb` (such as "taskbarpin") on `file`, without showing an error box.
// False when the shell refuses, with its error as the last error.
bool InvokeShellVerb(const std::u16string& file, const std::u16string& verb);

}  // namespace mv
